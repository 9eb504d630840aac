// The avatar's colour and badge tables, and its redraw-on-change setters.
#include "desklineresources.h"
#include "testmain.h"
#include "wdgprofileimage.h"

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
};

void TestProfileImage::blfColours_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("ring"); // empty: no ring
    QTest::addColumn<QString>("text");
    QTest::newRow("idle") << 0 << "#31e492" << "#000000";
    QTest::newRow("in use") << 1 << "#d71614" << "#000000";
    QTest::newRow("busy") << 2 << "#d71614" << "#000000";
    QTest::newRow("in use, one on hold") << 17 << "#d71614" << "#000000";
    QTest::newRow("unavailable") << 4 << "#cbcbcb" << "#000000";
    QTest::newRow("ringing") << 8 << "#fdba09" << "#000000";
    QTest::newRow("ring in use") << 9 << "#fdba09" << "#000000";
    QTest::newRow("on hold") << 16 << "#fdba09" << "#000000";
    QTest::newRow("invalid") << 3 << "" << "#cbcbcb";
    QTest::newRow("unknown") << -1 << "" << "#cbcbcb";
    QTest::newRow("above the table") << 18 << "" << "#cbcbcb";
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
