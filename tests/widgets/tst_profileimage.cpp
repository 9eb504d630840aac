// The avatar's colour and badge tables, and its redraw-on-change setters.
#include "desklineresources.h"
#include "testmain.h"
#include "widgets/wdgprofileimage.h"

#include <QHelpEvent>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTimer>

class TestProfileImage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { initDesklineResources(); }
    void blfColours_data();
    void blfColours();
    void presenceBadge_data();
    void presenceBadge();
    void drawsRingOnlyWhileConnected();
    void pixels_data();
    void pixels();
    void presenceMenu();
    void presenceMessage();
    void toolTip_data();
    void toolTip();
};

namespace
{
QImage rendered(wdgProfileImage &w)
{
    QImage image(w.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    w.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}
const QPoint ringTop(45, 1);
const QPoint badgeCentre(76, 76); // on the ring's path too
const QPoint veilProbe(20, 45);   // inside the disc, away from the letter
} // namespace

void TestProfileImage::pixels_data()
{
    QTest::addColumn<bool>("connected");
    QTest::addColumn<int>("blf");
    QTest::addColumn<bool>("presenceShown");
    QTest::addColumn<QString>("ring");  // colour at the top of the ring, "" transparent
    QTest::addColumn<QString>("badge"); // "icon", or colour at the badge centre, "" transparent
    QTest::addColumn<bool>("veiled");
    QTest::newRow("connected, idle, no chat") << true << 0 << false << "#31e492"
                                              << "#31e492" << false;
    QTest::newRow("connected, busy, chat") << true << 2 << true << "#d71614"
                                           << "icon" << false;
    QTest::newRow("connected, ringing, chat") << true << 8 << true << "#fdba09"
                                              << "icon" << false;
    QTest::newRow("connected, no state, chat") << true << -1 << true << ""
                                               << "icon" << false;
    QTest::newRow("connected, invalid state") << true << 3 << false << ""
                                              << "" << false;
    QTest::newRow("disconnected with chat shown") << false << 0 << true << ""
                                                  << "veil" << true;
}

void TestProfileImage::pixels()
{
    QFETCH(bool, connected);
    QFETCH(int, blf);
    QFETCH(bool, presenceShown);
    QFETCH(QString, ring);
    QFETCH(QString, badge);
    QFETCH(bool, veiled);
    wdgProfileImage w;
    w.resize(90, 90);
    w.setText(QStringLiteral("M"));
    w.setBlfVisible(connected);
    w.setBlfStatus(CTILIB::BlfStatus(blf));
    w.setPresenceVisible(presenceShown);
    w.setPresenceStatus(CTILIB::PresenceBusy);
    const QImage image = rendered(w);
    const QColor top = image.pixelColor(ringTop);
    if (ring.isEmpty())
        QVERIFY2(top.alpha() < 200, qPrintable(top.name(QColor::HexArgb)));
    else
        QCOMPARE(top.name(), ring);
    const QColor centre = image.pixelColor(badgeCentre);
    if (badge == "icon") {
        const QImage icon =
            w.getPresencePixmap().scaled(27, 27, Qt::KeepAspectRatio, Qt::SmoothTransformation).toImage();
        QCOMPARE(centre.name(QColor::HexArgb), icon.pixelColor(13, 13).name(QColor::HexArgb));
    } else if (badge == "veil") {
        // No badge over the veil: at most the veil's translucent edge.
        QVERIFY2(centre.alpha() <= 160, qPrintable(centre.name(QColor::HexArgb)));
    } else if (badge.isEmpty()) {
        QCOMPARE(centre.alpha(), 0);
    } else {
        QCOMPARE(centre.name(), badge);
    }
    const QColor veil = image.pixelColor(veilProbe);
    if (veiled) {
        QVERIFY(qAbs(veil.alpha() - 160) <= 2);
        QVERIFY(qAbs(veil.red() - 240) <= 2);
    } else {
        QCOMPARE(veil.alpha(), 0);
    }
    // The letter is black while the ring has a colour, grey otherwise.
    const QColor expectedText = w.getBlfColor().isValid() ? QColor(Qt::black) : QColor("#cbcbcb");
    QCOMPARE(w.getTextColor(), expectedText);
}

void TestProfileImage::presenceMenu()
{
    wdgProfileImage w;
    w.resize(90, 90);
    w.show();
    QSignalSpy changed(&w, &wdgProfileImage::sigPresenceChanged);
    // Not while chat is off or no presence is known.
    QTest::mouseClick(&w, Qt::LeftButton, {}, badgeCentre);
    w.setPresenceVisible(true);
    QTest::mouseClick(&w, Qt::LeftButton, {}, badgeCentre);
    QVERIFY(!w.findChild<QMenu *>());

    w.setPresenceStatus(CTILIB::PresenceOnline);
    w.setPresenceMessage(QStringLiteral("In ufficio"));
    QStringList offered;
    QTimer::singleShot(0, &w, [&w, &offered] {
        auto *menu = w.findChild<QMenu *>(QStringLiteral("presenceMenu"));
        if (!menu)
            return;
        for (QAction *a : menu->actions())
            if (!a->isSeparator() && a->data().isValid())
                offered << a->text();
        for (QAction *a : menu->actions())
            if (a->data().toInt() == CTILIB::PresenceBusy && a->data().isValid())
                a->trigger();
        menu->close();
    });
    // A press outside the badge opens nothing; one on the badge opens the menu.
    QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(offered.isEmpty());
    QTest::mouseClick(&w, Qt::LeftButton, {}, badgeCentre);
    QCOMPARE(offered, (QStringList{"Disponibile", "Fuori", "Occupato", "Non disponibile", "Offline"}));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).value<CTILIB::ChatPresence>(), CTILIB::PresenceBusy);
    QCOMPARE(changed.at(0).at(1).toString(), QStringLiteral("In ufficio"));
    // The shown presence waits for the window to confirm it.
    QCOMPARE(w.presenceStatus(), CTILIB::PresenceOnline);
}

void TestProfileImage::presenceMessage()
{
    wdgProfileImage w;
    w.setPresenceVisible(true);
    w.setPresenceStatus(CTILIB::PresenceAway);
    QSignalSpy changed(&w, &wdgProfileImage::sigPresenceChanged);
    QMenu *menu = w.buildPresenceMenu();
    QVERIFY(menu);
    auto *edit = menu->findChild<QLineEdit *>(QStringLiteral("presenceMessageEdit"));
    QVERIFY(edit);
    QCOMPARE(edit->placeholderText(), QStringLiteral("Messaggio personalizzato"));
    // Choosing the presence already in force sends nothing.
    for (QAction *a : menu->actions())
        if (a->data().isValid() && a->data().toInt() == CTILIB::PresenceAway)
            a->trigger();
    QCOMPARE(changed.count(), 0);
    edit->setText(QStringLiteral("Pranzo"));
    QMetaObject::invokeMethod(edit, "returnPressed");
    QMetaObject::invokeMethod(edit, "editingFinished");
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).value<CTILIB::ChatPresence>(), CTILIB::PresenceAway);
    QCOMPARE(changed.at(0).at(1).toString(), QStringLiteral("Pranzo"));
    delete menu;
}

void TestProfileImage::toolTip_data()
{
    QTest::addColumn<bool>("shown");
    QTest::addColumn<int>("presence");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("tip");
    QTest::newRow("busy without a message") << true << 3 << ""
                                            << "Occupato";
    QTest::newRow("away with a message") << true << 2 << "In riunione"
                                         << "Fuori: In riunione";
    QTest::newRow("no presence") << true << -1 << "x"
                                 << "";
    QTest::newRow("chat off") << false << 3 << "x"
                              << "";
}

void TestProfileImage::toolTip()
{
    QFETCH(bool, shown);
    QFETCH(int, presence);
    QFETCH(QString, message);
    QFETCH(QString, tip);
    wdgProfileImage w;
    w.resize(90, 90);
    w.setPresenceVisible(shown);
    w.setPresenceMessage(message);
    w.setPresenceStatus(CTILIB::ChatPresence(presence));
    QCOMPARE(w.presenceToolTip(), tip);
    QHelpEvent help(QEvent::ToolTip, badgeCentre, w.mapToGlobal(badgeCentre));
    QVERIFY(QApplication::sendEvent(&w, &help)); // consumed in every case
}

void TestProfileImage::blfColours_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("ring"); // empty: no ring
    QTest::addColumn<QString>("text");
    QTest::newRow("idle") << 0 << "#31e492"
                          << "#000000";
    QTest::newRow("in use") << 1 << "#d71614"
                            << "#000000";
    QTest::newRow("busy") << 2 << "#d71614"
                          << "#000000";
    QTest::newRow("in use, one on hold") << 17 << "#d71614"
                                         << "#000000";
    QTest::newRow("unavailable") << 4 << "#cbcbcb"
                                 << "#000000";
    QTest::newRow("ringing") << 8 << "#fdba09"
                             << "#000000";
    QTest::newRow("ring in use") << 9 << "#fdba09"
                                 << "#000000";
    QTest::newRow("on hold") << 16 << "#fdba09"
                             << "#000000";
    QTest::newRow("invalid") << 3 << ""
                             << "#cbcbcb";
    QTest::newRow("unknown") << -1 << ""
                             << "#cbcbcb";
    QTest::newRow("above the table") << 18 << ""
                                     << "#cbcbcb";
}

void TestProfileImage::blfColours()
{
    QFETCH(int, status);
    QFETCH(QString, ring);
    QFETCH(QString, text);
    wdgProfileImage w;
    w.setBlfStatus(static_cast<CTILIB::BlfStatus>(status));
    QCOMPARE(w.getBlfColor().isValid() ? w.getBlfColor().name() : QString(), ring);
    QCOMPARE(w.getTextColor().name(), text);
}

void TestProfileImage::presenceBadge_data()
{
    QTest::addColumn<int>("presence");
    QTest::addColumn<QString>("icon");
    QTest::newRow("online") << 0 << "mctiReady";
    QTest::newRow("available") << 1 << "mctiReady";
    QTest::newRow("away") << 2 << "mctiAway";
    QTest::newRow("busy") << 3 << "mctiBusy";
    QTest::newRow("not available") << 4 << "mctiUnavailable";
    QTest::newRow("offline") << 5 << "mctiOffline";
    QTest::newRow("none") << -1 << "mctiOffline";
}

void TestProfileImage::presenceBadge()
{
    QFETCH(int, presence);
    QFETCH(QString, icon);
    wdgProfileImage w;
    w.setPresenceStatus(static_cast<CTILIB::ChatPresence>(presence));
    const QImage expected(QStringLiteral(":/images/%1.png").arg(icon));
    QVERIFY(!expected.isNull());
    QCOMPARE(w.getPresencePixmap().toImage().convertToFormat(expected.format()), expected);
}

void TestProfileImage::drawsRingOnlyWhileConnected()
{
    wdgProfileImage w;
    w.resize(90, 90);
    w.setText(QStringLiteral("?"));
    w.setBlfStatus(CTILIB::BlfIdle);
    // the ring runs along the edge; sample it at the top centre
    const auto ringPixel = [&w] { return w.grab().toImage().pixelColor(45, 1); };
    QVERIFY(ringPixel() != QColor(QStringLiteral("#31e492")));
    w.setBlfVisible(true);
    QCOMPARE(ringPixel().name(), QStringLiteral("#31e492"));
    w.setBlfStatus(CTILIB::BlfBusy);
    QCOMPARE(ringPixel().name(), QStringLiteral("#d71614"));
}

DESKLINE_TEST_MAIN(TestProfileImage)
#include "tst_profileimage.moc"
