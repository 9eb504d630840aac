// The session state kept apart from the window: refresh timers while a
// session is up, the automatic reconnection after the reasons that may pass
// by themselves, and the refresh periods with their test clock.
#include "mainwindow/sessioncontroller.h"
#include "testmain.h"

#include <QSignalSpy>

using namespace PbxSession;

class TestSessionController : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setRefreshSecondMs(1000); }
    void startedSessionRefreshes();
    void endOfSession_data();
    void endOfSession();
    void dueReconnectionIsSignalled();
    void logInCancelsTheAutomaticAttempt();
    void refreshIntervals_data();
    void refreshIntervals();
};

namespace
{
QTimer *timer(SessionController &c, const char *name)
{
    return c.findChild<QTimer *>(QLatin1String(name));
}
} // namespace

void TestSessionController::startedSessionRefreshes()
{
    SessionController c;
    QVERIFY(!c.isUp());
    QSignalSpy identities(&c, &SessionController::identitiesDue);
    QSignalSpy periodic(&c, &SessionController::periodicDataDue);
    c.started(CapSms | CapIdentities, 20, 30);
    QVERIFY(c.isUp());
    QCOMPARE(c.capabilities(), quint32(CapSms | CapIdentities));
    QCOMPARE(timer(c, "identitiesTimer")->interval(), 20);
    QCOMPARE(timer(c, "periodicDataTimer")->interval(), 30);
    // They repeat.
    QTRY_VERIFY(identities.count() >= 2 && periodic.count() >= 2);
}

void TestSessionController::endOfSession_data()
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

void TestSessionController::endOfSession()
{
    QFETCH(QString, reason);
    QFETCH(bool, reconnects);
    SessionController c;
    c.setReconnectDelay([] { return 60000; });
    c.started(0, 1000, 1000);
    c.automaticAttemptStarted();
    c.ended(parseDisconnectReason(reason));
    QVERIFY(!c.isUp());
    QVERIFY(!c.isAutomaticAttempt());
    QVERIFY(!timer(c, "identitiesTimer")->isActive());
    QVERIFY(!timer(c, "periodicDataTimer")->isActive());
    QCOMPARE(c.isReconnectPending(), reconnects);
    if (reconnects)
        QCOMPARE(timer(c, "reconnectTimer")->interval(), 60000);
}

void TestSessionController::dueReconnectionIsSignalled()
{
    SessionController c;
    c.setReconnectDelay([] { return 0; });
    QSignalSpy due(&c, &SessionController::reconnectDue);
    c.ended(parseDisconnectReason(QStringLiteral("KeepAliveReplyTimeout")));
    QTRY_COMPARE(due.count(), 1);
    QVERIFY(!c.isReconnectPending()); // once
    // Without a delay of its own the rule's random one is used again.
    c.setReconnectDelay(nullptr);
    c.ended(parseDisconnectReason(QStringLiteral("KeepAliveReplyTimeout")));
    const int delay = timer(c, "reconnectTimer")->interval();
    QVERIFY2(delay >= ReconnectBaseMs && delay < ReconnectBaseMs + ReconnectRandomMs,
             qPrintable(QString::number(delay)));
}

void TestSessionController::logInCancelsTheAutomaticAttempt()
{
    SessionController c;
    c.setReconnectDelay([] { return 60000; });
    c.ended(parseDisconnectReason(QStringLiteral("KeepAliveReplyTimeout")));
    QVERIFY(c.isReconnectPending());
    c.automaticAttemptStarted();
    QVERIFY(c.isAutomaticAttempt());
    c.loggedIn();
    QVERIFY(!c.isReconnectPending());
    QVERIFY(!c.isAutomaticAttempt());
    // A connection asked for by hand stops a pending attempt too.
    c.ended(parseDisconnectReason(QStringLiteral("KeepAliveReplyTimeout")));
    c.cancelReconnect();
    QVERIFY(!c.isReconnectPending());
}

void TestSessionController::refreshIntervals_data()
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

void TestSessionController::refreshIntervals()
{
    QFETCH(int, which);
    QFETCH(int, stored);
    QFETCH(int, secondMs);
    QFETCH(int, expected);
    setRefreshSecondMs(secondMs);
    QCOMPARE(refreshIntervalMs(RefreshPeriod(which), stored), expected);
}

DESKLINE_TEST_MAIN(TestSessionController)
#include "tst_sessioncontroller.moc"
