// The PBX session kept apart from the window: what a log-in starts, what a
// refused firmware does not, refresh timers while a session is up, the
// automatic reconnection after the reasons that may pass by themselves, the
// one service-code map, and the refresh periods with their test clock.
#include "mainwindow/session/pbxsession.h"
#include "testmain.h"

#include <QSignalSpy>

using namespace SessionRules;

class TestPbxSession : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setRefreshSecondMs(1000); }
    void logInStartsTheSession();
    void oldFirmwareStartsNothing();
    void endOfSession_data();
    void endOfSession();
    void dueReconnectionIsAnAutomaticAttempt();
    void logInCancelsTheAutomaticAttempt();
    void closedSessionIgnoresTheLibrary();
    void serviceCodesAreMerged();
    void refreshIntervals_data();
    void refreshIntervals();
};

namespace
{
QTimer *timer(PbxSession &s, const char *name)
{
    return s.findChild<QTimer *>(QLatin1String(name));
}

LoginDetails login(const QString &firmware = QStringLiteral("4.7.16"))
{
    LoginDetails d;
    d.firstName = QStringLiteral("Mario");
    d.extension = QStringLiteral("201");
    d.queueRole = QueueRoleOperator;
    d.firmwareVersion = firmware;
    return d;
}
} // namespace

void TestPbxSession::logInStartsTheSession()
{
    setRefreshSecondMs(1);
    PbxSession s;
    QCOMPARE(s.state(), PbxSession::State::Disconnected);
    QSignalSpy started(&s, &PbxSession::started);
    QSignalSpy identities(&s, &PbxSession::identitiesDue);
    QSignalSpy periodic(&s, &PbxSession::periodicDataDue);
    s.loggedIn(login(), CapSms | CapIdentities);
    QVERIFY(s.isUp());
    QCOMPARE(started.count(), 1);
    const SessionStart start = started.at(0).at(0).value<SessionStart>();
    QCOMPARE(start.capabilities, quint32(CapSms | CapIdentities));
    QCOMPARE(start.queueRole, int(QueueRoleOperator));
    QCOMPARE(start.firmware, QStringLiteral("4.7.16"));
    QCOMPARE(s.capabilities(), quint32(CapSms | CapIdentities));
    QCOMPARE(s.login().extension, QStringLiteral("201"));
    // Default periods on the test clock: identities on their own period with
    // the capability, call records every 90 "seconds".
    QCOMPARE(timer(s, "identitiesTimer")->interval(), defaultRefreshSecs(RefreshPeriod::Identities));
    QCOMPARE(timer(s, "periodicDataTimer")->interval(), 90);
    // They repeat.
    QTRY_VERIFY(identities.count() >= 2 && periodic.count() >= 2);
}

void TestPbxSession::oldFirmwareStartsNothing()
{
    PbxSession s;
    QSignalSpy started(&s, &PbxSession::started);
    QSignalSpy refused(&s, &PbxSession::firmwareRefused);
    s.loggedIn(login(QStringLiteral("4.0.6")), CapSms);
    QCOMPARE(refused.count(), 1);
    QCOMPARE(started.count(), 0);
    QVERIFY(!s.isUp());
    QVERIFY(!timer(s, "identitiesTimer")->isActive());
    QVERIFY(!timer(s, "periodicDataTimer")->isActive());
}

void TestPbxSession::endOfSession_data()
{
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("reconnects");
    QTest::newRow("keep-alive timeout") << "KeepAliveReplyTimeout" << true;
    QTest::newRow("network error with text") << "NetworkError - reset" << true;
    QTest::newRow("user request") << "UserRequest" << false;
    QTest::newRow("authentication") << "AuthFailed" << false;
    QTest::newRow("upgrade needed") << "UpgradeNeeded" << false;
    QTest::newRow("configuration") << "WrongConfig - no device" << false;
}

void TestPbxSession::endOfSession()
{
    QFETCH(QString, reason);
    QFETCH(bool, reconnects);
    PbxSession s;
    s.setReconnectDelay({60000, 0});
    s.loggedIn(login(), 0);
    QSignalSpy ended(&s, &PbxSession::ended);
    s.disconnected(reason);
    QCOMPARE(ended.count(), 1);
    const SessionEnd end = ended.at(0).at(0).value<SessionEnd>();
    QVERIFY(end.wasUp);
    QVERIFY(!end.automaticAttempt);
    QCOMPARE(end.received, reason);
    QCOMPARE(end.reason.reconnects(), reconnects);
    QCOMPARE(end.notice, disconnectNotice(end.reason, false, true));
    QVERIFY(!s.isUp());
    QVERIFY(!timer(s, "identitiesTimer")->isActive());
    QVERIFY(!timer(s, "periodicDataTimer")->isActive());
    QCOMPARE(s.isReconnectPending(), reconnects);
    if (reconnects)
        QCOMPARE(timer(s, "reconnectTimer")->interval(), 60000);
}

void TestPbxSession::dueReconnectionIsAnAutomaticAttempt()
{
    PbxSession s;
    s.setReconnectDelay({0, 0});
    QSignalSpy due(&s, &PbxSession::reconnectDue);
    QSignalSpy ended(&s, &PbxSession::ended);
    s.disconnected(QStringLiteral("KeepAliveReplyTimeout"));
    QVERIFY(!ended.at(0).at(0).value<SessionEnd>().wasUp);
    QTRY_COMPARE(due.count(), 1);
    QVERIFY(!s.isReconnectPending()); // once
    QVERIFY(s.isAutomaticAttempt());
    // The automatic attempt fails again: the end says so.
    s.disconnected(QStringLiteral("KeepAliveReplyTimeout"));
    const SessionEnd again = ended.at(1).at(0).value<SessionEnd>();
    QVERIFY(again.automaticAttempt);
    QCOMPARE(again.notice, DisconnectNotice::None);
    QVERIFY(!s.isAutomaticAttempt());
    // Without a delay of its own the rule's random one is used again.
    s.setReconnectDelay(PbxSession::ReconnectDelay());
    s.disconnected(QStringLiteral("KeepAliveReplyTimeout"));
    const int delay = timer(s, "reconnectTimer")->interval();
    QVERIFY2(delay >= ReconnectBaseMs && delay < ReconnectBaseMs + ReconnectRandomMs,
             qPrintable(QString::number(delay)));
}

void TestPbxSession::logInCancelsTheAutomaticAttempt()
{
    PbxSession s;
    s.setReconnectDelay({0, 0});
    QSignalSpy due(&s, &PbxSession::reconnectDue);
    s.disconnected(QStringLiteral("KeepAliveReplyTimeout"));
    QTRY_VERIFY(s.isAutomaticAttempt());
    s.loggedIn(login(), 0);
    QVERIFY(!s.isReconnectPending());
    QVERIFY(!s.isAutomaticAttempt());
    // A connection asked for by hand stops a pending attempt too.
    s.setReconnectDelay({60000, 0});
    s.disconnected(QStringLiteral("KeepAliveReplyTimeout"));
    QVERIFY(s.isReconnectPending());
    s.cancelReconnect();
    QVERIFY(!s.isReconnectPending());
}

void TestPbxSession::closedSessionIgnoresTheLibrary()
{
    PbxSession s;
    s.setReconnectDelay({60000, 0});
    s.loggedIn(login(), 0);
    s.close();
    QVERIFY(!timer(s, "identitiesTimer")->isActive());
    QSignalSpy ended(&s, &PbxSession::ended);
    QSignalSpy started(&s, &PbxSession::started);
    s.disconnected(QStringLiteral("KeepAliveReplyTimeout"));
    s.loggedIn(login(), 0);
    QCOMPARE(ended.count(), 0);
    QCOMPARE(started.count(), 0);
    QVERIFY(!s.isReconnectPending());
    QCOMPARE(s.state(), PbxSession::State::Closed);
}

void TestPbxSession::serviceCodesAreMerged()
{
    PbxSession s;
    QSignalSpy changed(&s, &PbxSession::serviceCodesChanged);
    ServicesDialCodesMap first;
    first.insert(CTILIB::SdcVoicemail, QStringLiteral("*60"));
    first.insert(CTILIB::SdcOutsideLinePrefix, QStringLiteral("0"));
    s.receiveServiceCodes(first);
    // A later list without a code keeps the one stored.
    ServicesDialCodesMap second;
    second.insert(CTILIB::SdcVoicemail, QStringLiteral("*61"));
    s.receiveServiceCodes(second);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(s.serviceCode(CTILIB::SdcVoicemail), QStringLiteral("*61"));
    QCOMPARE(s.serviceCode(CTILIB::SdcOutsideLinePrefix), QStringLiteral("0"));
    QCOMPARE(s.serviceCodes().value(CTILIB::SdcOutsideLinePrefix), QStringLiteral("0"));
}

void TestPbxSession::refreshIntervals_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("secondMs");
    QTest::addColumn<int>("expected");
    QTest::newRow("stored period") << int(RefreshPeriod::Cdr) << 45 << 1000 << 45000;
    QTest::newRow("0 takes the default") << int(RefreshPeriod::Contacts) << 0 << 1000 << 600000;
    QTest::newRow("test clock") << int(RefreshPeriod::Cdr) << 0 << 1 << 90;
    QTest::newRow("no usable clock falls back") << int(RefreshPeriod::Identities) << 2 << 0 << 2000;
}

void TestPbxSession::refreshIntervals()
{
    QFETCH(int, which);
    QFETCH(int, stored);
    QFETCH(int, secondMs);
    QFETCH(int, expected);
    setRefreshSecondMs(secondMs);
    QCOMPARE(refreshIntervalMs(RefreshPeriod(which), stored), expected);
}

DESKLINE_TEST_MAIN(TestPbxSession)
#include "tst_pbxsession.moc"
