// The user's own busy lamp and the colleagues' chat presence in a main
// window logged in to the PBX simulator: the avatar's ring takes the colour of
// the own extension's state (set from the simulator, then by a call that rings
// and is answered), and a colleague's presence reaches the presence cell of
// the extensions and favourites lists.
#include "directory/customtreeview.h"
#include "directory/directorypanel.h"
#include "directory/directoryroles.h"
#include "sessionfixture.h"
#include "testmain.h"
#include "widgets/wdgprofileimage.h"

#include <QImage>
#include <QSignalSpy>

using namespace sessiontest;

namespace
{
// Colour at the top of the avatar's ring, as the window paints it.
QString ringColour(MPGui &w)
{
    auto *picture = widgetOf<wdgProfileImage>(w, "wdgPicture");
    if (!picture)
        return QStringLiteral("no avatar");
    QImage image(picture->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    picture->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    const QColor top = image.pixelColor(picture->width() / 2, 1);
    return top.alpha() < 200 ? QStringLiteral("none") : top.name();
}

int rowOfExtension(QAbstractItemModel *model, const QString &number)
{
    for (int r = 0; r < model->rowCount(); ++r) {
        if (model->index(r, 2).data().toString() == number)
            return r;
    }
    return -1;
}
} // namespace

class TestDirectoryPresenceSession : public QObject
{
    Q_OBJECT
private slots:
    void ownLampColoursTheAvatarRing();
    void colleaguePresenceReachesTheLists();
};

void TestDirectoryPresenceSession::ownLampColoursTheAvatarRing()
{
    SessionFixture fx;
    MPGui w(fx.config());
    QVERIFY(startAndLogin(w));
    w.show();
    auto *tvExtensions = widgetOf<CustomTreeView>(w, "tvExtensions");
    QTRY_COMPARE_WITH_TIMEOUT(tvExtensions->model()->rowCount(), 11, 10000);
    // The first status map brings the idle state of 201.
    QTRY_COMPARE_WITH_TIMEOUT(ringColour(w), QStringLiteral("#31e492"), 10000);

    fx.sim->setBlf("201", 2);
    QTRY_COMPARE_WITH_TIMEOUT(ringColour(w), QStringLiteral("#d71614"), 5000);
    QVERIFY(fx.logText().contains("Updating local user status. State:"));

    fx.sim->setBlf("201", 0);
    QTRY_COMPARE_WITH_TIMEOUT(ringColour(w), QStringLiteral("#31e492"), 5000);
    // A call rings on the own extension, then is answered, then ends.
    QVERIFY(!fx.sim->injectIncomingCall("0612345678", "201", QString(), "Mario Verdi").isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(ringColour(w), QStringLiteral("#fdba09"), 5000);
    QVERIFY(fx.sim->answerRinging("201"));
    QTRY_COMPARE_WITH_TIMEOUT(ringColour(w), QStringLiteral("#d71614"), 5000);
    QVERIFY(fx.sim->hangup("201") > 0);
    QTRY_COMPARE_WITH_TIMEOUT(ringColour(w), QStringLiteral("#31e492"), 5000);
    // The own extension has no row of its own.
    QCOMPARE(rowOfExtension(tvExtensions->model(), "201"), -1);

    // Disconnected: the whole avatar is veiled, no ring.
    w.disconnectFromM();
    QTRY_VERIFY_WITH_TIMEOUT(!w.isSessionUp(), 5000);
    QTRY_COMPARE(ringColour(w), QStringLiteral("none"));
}

void TestDirectoryPresenceSession::colleaguePresenceReachesTheLists()
{
    SessionFixture fx;
    MPGui w(fx.config());
    QVERIFY(startAndLogin(w));
    w.show();
    auto *tvExtensions = widgetOf<CustomTreeView>(w, "tvExtensions");
    auto *tvFavourites = widgetOf<CustomTreeView>(w, "tvFavourites");
    QAbstractItemModel *ext = tvExtensions->model();
    QTRY_COMPARE_WITH_TIMEOUT(ext->rowCount(), 11, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(w.directoryPanel()->extensions().value("202").presence >= 0, 10000);

    // 202 becomes a favourite by its star.
    const int row202 = rowOfExtension(ext, "202");
    QVERIFY(row202 >= 0);
    tvExtensions->scrollTo(ext->index(row202, 7));
    QTest::mouseClick(tvExtensions->viewport(), Qt::LeftButton, {},
                      tvExtensions->visualRect(ext->index(row202, 7)).center());
    QTRY_COMPARE(tvFavourites->model()->rowCount(), 1);
    QAbstractItemModel *fav = tvFavourites->model();

    fx.sim->setPresence("202", 3, QStringLiteral("In riunione"));
    const QModelIndex cell = ext->index(rowOfExtension(ext, "202"), 0);
    QTRY_COMPARE_WITH_TIMEOUT(cell.data(DirRole::Presence).toInt(), 3, 5000);
    QCOMPARE(cell.data(Qt::ToolTipRole).toString(), QStringLiteral("Occupato"));
    QCOMPARE(cell.data().toString(), CTILIB::chatPresenceToString(3));
    QVERIFY(cell.data(Qt::AccessibleTextRole).toString().endsWith(QStringLiteral("Occupato")));
    QCOMPARE(fav->index(0, 0).data(DirRole::Presence).toInt(), 3);
    QCOMPARE(fav->index(0, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("Occupato"));
    QCOMPARE(w.directoryPanel()->extensions().value("202").presenceText, QStringLiteral("In riunione"));

    fx.sim->setPresence("202", 2, QString());
    QTRY_COMPARE_WITH_TIMEOUT(ext->index(rowOfExtension(ext, "202"), 0).data(DirRole::Presence).toInt(), 2, 5000);
    QCOMPARE(fav->index(0, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("Fuori"));

    // The presence survives the next delivery of the extension list.
    QSignalSpy rebuilt(w.directoryPanel(), &DirectoryPanel::extenListRebuilt);
    w.refreshContactsList();
    QTRY_VERIFY_WITH_TIMEOUT(rebuilt.count() > 0, 10000);
    ext = tvExtensions->model();
    QCOMPARE(ext->index(rowOfExtension(ext, "202"), 0).data(DirRole::Presence).toInt(), 2);
}

DESKLINE_TEST_MAIN(TestDirectoryPresenceSession)
#include "tst_session_presence.moc"
