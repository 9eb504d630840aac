// Rules of call handling without a window: line ids from channel names, the
// dial-string check, service codes, the caller presentation, firmware
// thresholds and the ringing-call counters.
#include "calls/callrules.h"
#include "testmain.h"

using namespace CallRules;

class TestCallRules : public QObject
{
    Q_OBJECT

private slots:
    void lineIdFromChannel_data();
    void lineIdFromChannel();
    void dialString_data();
    void dialString();
    void serviceCode_data();
    void serviceCode();
    void presentation_data();
    void presentation();
    void firmware_data();
    void firmware();
    void ringingCountersByKind_data();
    void ringingCountersByKind();
    void ringingCountersCountALineOnce();
};

void TestCallRules::lineIdFromChannel_data()
{
    QTest::addColumn<QString>("channel");
    QTest::addColumn<qint64>("lineId");
    QTest::newRow("sip") << "SIP/201-0000001a;1" << qint64(26);
    QTest::newRow("local") << "Local/201-00000abc;2" << qint64(2748);
    QTest::newRow("pjsip no suffix") << "PJSIP/201-0000002f" << qint64(47);
    QTest::newRow("last hyphen counts") << "PJSIP/trunk-a-b-00000010;1" << qint64(16);
    QTest::newRow("empty") << "" << qint64(-1);
    QTest::newRow("no hyphen") << "SIP/201" << qint64(-1);
    QTest::newRow("trailing hyphen") << "SIP/201-" << qint64(-1);
    QTest::newRow("not hexadecimal") << "SIP/201-zz;1" << qint64(-1);
    QTest::newRow("double hyphen") << "SIP/201--5" << qint64(5);
    QTest::newRow("0x text refused") << "SIP/201-0x1a" << qint64(-1);
    QTest::newRow("overflow") << "SIP/201-fffffffffffffffffff" << qint64(-1);
}

void TestCallRules::lineIdFromChannel()
{
    QFETCH(QString, channel);
    QFETCH(qint64, lineId);
    QCOMPARE(computeLineIdFromChannel(channel), lineId);
}

void TestCallRules::dialString_data()
{
    QTest::addColumn<QString>("raw");
    QTest::addColumn<bool>("plusToZeros");
    QTest::addColumn<QString>("number");
    QTest::addColumn<bool>("refused");
    QTest::newRow("plus and spaces") << "+39 02 1234" << true << "0039021234" << false;
    QTest::newRow("separators") << "(02) 123-45.67/8" << true << "0212345678" << false;
    QTest::newRow("stars and pounds") << "*60#" << true << "*60#" << false;
    QTest::newRow("only spaces") << "   " << true << "" << false;
    QTest::newRow("empty") << "" << false << "" << false;
    QTest::newRow("letters") << "201abc" << true << "" << true;
    QTest::newRow("shell text") << "201;rm -rf /" << true << "" << true;
    QTest::newRow("newline") << "201\n202" << true << "" << true;
    QTest::newRow("sip uri") << "sip:201@pbx" << true << "" << true;
    QTest::newRow("plus kept as typed") << "+3902" << false << "+3902" << false;
    QTest::newRow("plus inside refused") << "39+02" << false << "" << true;
    QTest::newRow("blanks dropped as typed") << "02 12" << false << "0212" << false;
    QTest::newRow("tab refused") << "02\t12" << true << "" << true;
}

void TestCallRules::dialString()
{
    QFETCH(QString, raw);
    QFETCH(bool, plusToZeros);
    QFETCH(QString, number);
    QFETCH(bool, refused);
    const DialString d = checkDialString(raw, plusToZeros);
    QCOMPARE(d.number, number);
    QCOMPARE(d.refused, refused);
}

void TestCallRules::serviceCode_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<bool>("service");
    QTest::newRow("voicemail exact") << "*60" << true;
    QTest::newRow("voicemail prefix") << "*60201" << true;
    QTest::newRow("pick-up prefix") << "*8202" << true;
    QTest::newRow("dnd exact") << "*78" << true;
    QTest::newRow("dnd prefix is no service") << "*78201" << false;
    QTest::newRow("park range never") << "701" << false;
    QTest::newRow("outside prefix exact") << "0" << true;
    QTest::newRow("ordinary number") << "0612345" << false;
    QTest::newRow("empty number") << "" << false;
}

void TestCallRules::serviceCode()
{
    QFETCH(QString, number);
    QFETCH(bool, service);
    ServicesDialCodesMap codes;
    codes.insert(CTILIB::SdcDndToggle, QStringLiteral("*78"));
    codes.insert(CTILIB::SdcVoicemail, QStringLiteral("*60"));
    codes.insert(CTILIB::SdcParkFirstSlot, QStringLiteral("701"));
    codes.insert(CTILIB::SdcParkLastSlot, QStringLiteral("720"));
    codes.insert(CTILIB::SdcPickup, QStringLiteral("*8"));
    codes.insert(CTILIB::SdcOutsideLinePrefix, QStringLiteral("0"));
    codes.insert(CTILIB::SdcConference, QString());
    QCOMPARE(isMServiceCode(number, codes), service);
}

void TestCallRules::presentation_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<bool>("extension");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("lookup");
    QTest::newRow("outside prefix stripped") << "0612" << false << "0"
                                             << "612";
    QTest::newRow("extension kept") << "0201" << true << "0"
                                    << "0201";
    QTest::newRow("no prefix") << "612" << false << "0"
                               << "612";
    QTest::newRow("empty prefix strips nothing") << "0612" << false << ""
                                                 << "0612";
}

void TestCallRules::presentation()
{
    QFETCH(QString, number);
    QFETCH(bool, extension);
    QFETCH(QString, prefix);
    QFETCH(QString, lookup);
    QCOMPARE(lookupNumber(number, extension, prefix), lookup);
    // The returning-call name rule goes with it.
    QCOMPARE(shownRemoteName(QStringLiteral("R:201:Front desk")), QStringLiteral("Front desk"));
    QCOMPARE(shownRemoteName(QStringLiteral("R:201:a:b")), QStringLiteral("a:b"));
    QCOMPARE(shownRemoteName(QStringLiteral("Rita: hello")), QStringLiteral("Rita: hello"));
}

void TestCallRules::firmware_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("emulateMissed");
    QTest::addColumn<bool>("recordingNoCap");
    QTest::newRow("4.4.9") << "4.4.9" << true << true;
    QTest::newRow("4.5") << "4.5" << false << true;
    QTest::newRow("4.5.9") << "4.5.9" << false << true;
    QTest::newRow("4.6") << "4.6" << false << true;
    QTest::newRow("4.6.1") << "4.6.1" << false << false;
    QTest::newRow("4.7") << "4.7" << false << false;
    QTest::newRow("4.10 is newer than 4.5") << "4.10" << false << false;
    QTest::newRow("suffix ignored") << "4.4-beta" << true << true;
    QTest::newRow("empty is old") << "" << true << true;
    QTest::newRow("garbage is old") << "abc" << true << true;
}

void TestCallRules::firmware()
{
    QFETCH(QString, version);
    QFETCH(bool, emulateMissed);
    QFETCH(bool, recordingNoCap);
    QCOMPARE(needEmulateMissingNotification(version), emulateMissed);
    QCOMPARE(recordingControlOffered(version, 0), recordingNoCap);
    QVERIFY(!recordingControlOffered(version, 0x20));
}

void TestCallRules::ringingCountersByKind_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<QList<int>>("expected"); // ret, qExt, dExt, local
    QTest::newRow("return and outside") << 0x202 << QList<int>{1, 0, 1, 0};
    QTest::newRow("click-to-call") << 0x602 << QList<int>{0, 0, 0, 0};
    QTest::newRow("queue outside") << 0x42 << QList<int>{0, 1, 0, 0};
    QTest::newRow("local") << 0x1 << QList<int>{0, 0, 0, 1};
    QTest::newRow("local returning") << 0x201 << QList<int>{1, 0, 0, 0};
}

void TestCallRules::ringingCountersByKind()
{
    QFETCH(int, flags);
    QFETCH(QList<int>, expected);
    RingingCounters c;
    c.notify(7, CTILIB::CallAttributeFlags(flags));
    QCOMPARE((QList<int>{c.transferReturns(), c.queueExternal(), c.directExternal(), c.local()}), expected);
    c.reset(7);
    QCOMPARE((QList<int>{c.transferReturns(), c.queueExternal(), c.directExternal(), c.local()}),
             (QList<int>{0, 0, 0, 0}));
}

void TestCallRules::ringingCountersCountALineOnce()
{
    RingingCounters c;
    c.notify(1, CTILIB::CallAttrExternal);
    c.notify(1, CTILIB::CallAttrExternal); // the same line processed again
    c.notify(2, CTILIB::CallAttrExternal);
    QCOMPARE(c.directExternal(), 2);
    c.reset(1);
    c.reset(1);
    c.reset(99); // never counted
    QCOMPARE(c.directExternal(), 1);
    c.reset(2);
    QCOMPARE(c.directExternal(), 0);
}

DESKLINE_TEST_MAIN(TestCallRules)
#include "tst_callrules.moc"
