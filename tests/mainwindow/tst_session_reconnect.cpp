// The end of a PBX session: the window's disconnected state, the message the
// user gets for each kind of reason, and the automatic reconnection after a
// random 5000-7999 ms for the reasons that may pass by themselves.
#include "ui_wdgveloraphone.h" // the main window's form, generated for this test
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "testmain.h"

#include <QElapsedTimer>
#include <QPushButton>

using namespace sessiontest;

namespace {
const QString ClosedText = QStringLiteral("La connessione con PBX è stata chiusa. \nMotivo: %1");
const QString CannotText = QStringLiteral("Impossibile connettersi a PBX. \nMotivo: %1");

bool waitDisconnected(MPGui &w, int ms = 5000)
{
    QElapsedTimer t;
    t.start();
    while (w.isSessionUp() && t.elapsed() < ms)
        QTest::qWait(20);
    // The slot runs queued: give it its turn.
    QTest::qWait(50);
    return !w.isSessionUp();
}

void verifyDisconnectedLook(MPGui &w)
{
    QCOMPARE(w.windowTitle(), QStringLiteral("%1 - disconnesso").arg(MSETTINGS::getLongApplicationName()));
    QCOMPARE(widgetOf<QLabel>(w, "lblStatusText")->text(), QStringLiteral("Utente: NON CONNESSO"));
    QCOMPARE(widgetOf<QLabel>(w, "lblQueueStatus")->text(), QStringLiteral("Stato Code: N/D"));
    QVERIFY(actionWithText(w, QStringLiteral("&Connetti a PBX"))->isEnabled());
    QVERIFY(!actionWithText(w, QStringLiteral("&Disconnetti da PBX"))->isEnabled());
    QVERIFY(!actionWithText(w, QStringLiteral("Crea &Report"))->isEnabled());
    QVERIFY(!widgetOf<QWidget>(w, "edtCallerNumber")->isEnabled());
    QVERIFY(!widgetOf<QWidget>(w, "btnStartAudioCall")->isEnabled());
    QVERIFY(widgetOf<QWidget>(w, "btnAddContact")->isHidden());
    QCOMPARE(w.currentQueueRole(), 0);
    QVERIFY(!w.supervisorPanelWidget());
    for (const char *name : {"periodicDataTimer", "contactsRefreshTimer", "identitiesTimer", "rebrandingTimer"})
        QVERIFY2(!timerOf(w, name)->isActive(), name);
}
} // namespace

class TestSessionReconnect : public QObject {
    Q_OBJECT

private slots:
    void keepAliveTimeoutReconnects();
    void killedSimulatorReconnectsWithinTheWindow();
    void failedAutomaticAttemptIsQuiet();
    void reasonsWithoutReconnection_data();
    void reasonsWithoutReconnection();
    void userLogoutDoesNotReconnect();
};

void TestSessionReconnect::keepAliveTimeoutReconnects()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    prompts.trayMessages.clear();

    f.sim->setAnswerKeepAlives(false);
    w.ctiClient()->setKeepAliveTimings(50, 100);
    QVERIFY(waitDisconnected(w));
    QVERIFY(f.logText().contains("Disconnected from VeloraPBX - Reason: KeepAliveReplyTimeout"));

    verifyDisconnectedLook(w);
    QTimer *reconnect = timerOf(w, "reconnectTimer");
    QVERIFY(reconnect->isActive());
    QVERIFY(reconnect->isSingleShot());
    QVERIFY2(reconnect->interval() >= 5000 && reconnect->interval() <= 7999,
             qPrintable(QString::number(reconnect->interval())));
    QCOMPARE(prompts.trayMessages.size(), 1);
    QCOMPARE(prompts.trayMessages.at(0).text, ClosedText.arg("KeepAliveReplyTimeout"));
    QCOMPARE(prompts.trayMessages.at(0).icon, QSystemTrayIcon::Warning);
    QCOMPARE(prompts.trayMessages.at(0).msecs, 4000);
    QVERIFY(prompts.shown.isEmpty());
}

void TestSessionReconnect::killedSimulatorReconnectsWithinTheWindow()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    prompts.trayMessages.clear();

    f.killSimulator();
    QVERIFY(waitDisconnected(w));
    QElapsedTimer sinceDisconnection;
    sinceDisconnection.start();
    QTimer *reconnect = timerOf(w, "reconnectTimer");
    QVERIFY(reconnect->isActive());
    QCOMPARE(prompts.trayMessages.size(), 1);
    QVERIFY(prompts.trayMessages.at(0).text.startsWith(ClosedText.arg(QString())));

    QVERIFY(f.reviveSimulator());
    QTRY_VERIFY_WITH_TIMEOUT(w.isSessionUp(), 10000);
    const qint64 elapsed = sinceDisconnection.elapsed();
    QVERIFY2(elapsed >= 4900 && elapsed <= 9000, qPrintable(QString::number(elapsed)));
    QVERIFY(!reconnect->isActive());
    QCOMPARE(widgetOf<QLabel>(w, "lblStatusText")->text(), QStringLiteral("Utente: CONNESSO"));
}

void TestSessionReconnect::failedAutomaticAttemptIsQuiet()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    f.killSimulator();
    QVERIFY(waitDisconnected(w));
    const int shownBefore = prompts.trayMessages.size();

    // What the reconnect timer does when it fires, without waiting for it.
    QTimer *reconnect = timerOf(w, "reconnectTimer");
    QMetaObject::invokeMethod(&w, "reconnectToM");
    QVERIFY(!reconnect->isActive()); // a new attempt stops the timer
    QTRY_VERIFY_WITH_TIMEOUT(reconnect->isActive(), 10000);
    QCOMPARE(prompts.trayMessages.size(), shownBefore);
    QVERIFY(f.logText().contains("Reconnection failed, no message shown this time"));
    QVERIFY(reconnect->interval() >= 5000 && reconnect->interval() <= 7999);

    // A manual attempt that fails again tells the user.
    QMetaObject::invokeMethod(&w, "connectToM");
    QTRY_COMPARE_WITH_TIMEOUT(prompts.trayMessages.size(), shownBefore + 1, 10000);
    QVERIFY(prompts.trayMessages.last().text.startsWith(CannotText.arg(QString())));
}

void TestSessionReconnect::reasonsWithoutReconnection_data()
{
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("tray"); // empty: no tray message
    QTest::addColumn<bool>("authWarning");
    QTest::newRow("UserRequest") << "UserRequest" << QString() << false;
    QTest::newRow("UpgradeNeeded")
        << "UpgradeNeeded"
        << CannotText.arg("UpgradeNeeded - La versione dell'applicazione utilizzata non è supportata dal server. \n"
                          "Per proseguire è necessario aggiornare l'applicazione!")
        << false;
    QTest::newRow("AuthFailed") << "AuthFailed" << CannotText.arg("AuthFailed - Username o password errati") << true;
    QTest::newRow("Host not found") << "Host not found"
                                    << CannotText.arg("Host not found - Nome del server sconosciuto.\nControllare le "
                                                      "impostazioni di rete")
                                    << false;
    QTest::newRow("Permission denied") << "Permission denied"
                                       << CannotText.arg("Permission denied - Indirizzo di rete non permesso") << false;
    QTest::newRow("WrongConfig with text") << "WrongConfig - no device" << CannotText.arg("Unknown - no device")
                                           << false;
    QTest::newRow("WrongConfig alone") << "WrongConfig" << CannotText.arg("WrongConfig") << false;
}

void TestSessionReconnect::reasonsWithoutReconnection()
{
    QFETCH(QString, reason);
    QFETCH(QString, tray);
    QFETCH(bool, authWarning);
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    prompts.trayMessages.clear();

    QCOMPARE(f.sim->disconnectClients("demo", reason), 1);
    QVERIFY(waitDisconnected(w));
    QVERIFY(f.logText().contains(QStringLiteral("Reason: %1").arg(reason).toUtf8()));
    verifyDisconnectedLook(w);
    QVERIFY(!timerOf(w, "reconnectTimer")->isActive());

    if (tray.isEmpty()) {
        QVERIFY(prompts.trayMessages.isEmpty());
    } else {
        QCOMPARE(prompts.trayMessages.size(), 1);
        QCOMPARE(prompts.trayMessages.at(0).text, tray);
    }
    if (authWarning) {
        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown.at(0).message.kind, PromptService::Kind::Warning);
        QCOMPARE(prompts.shown.at(0).message.title, QStringLiteral("Errore autenticazione"));
        QCOMPARE(prompts.shown.at(0).message.text,
                 QStringLiteral("Username o password errati, modificarli per connettersi"));
    } else {
        QVERIFY(prompts.shown.isEmpty());
    }
    // Nothing comes back by itself.
    QTest::qWait(200);
    QVERIFY(!w.isSessionUp());
}

void TestSessionReconnect::userLogoutDoesNotReconnect()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config("luca", "luca")}; // a queue operator
    QVERIFY(startAndLogin(w));
    QVERIFY(w.supervisorPanelWidget());
    prompts.trayMessages.clear();
    QMetaObject::invokeMethod(&w, "disconnectFromM");
    QVERIFY(waitDisconnected(w));
    verifyDisconnectedLook(w);
    QVERIFY(!timerOf(w, "reconnectTimer")->isActive());
    QVERIFY(prompts.trayMessages.isEmpty());
    QVERIFY(f.logText().contains("Disconnecting from VeloraPBX..."));
}

DESKLINE_TEST_MAIN(TestSessionReconnect)
#include "tst_session_reconnect.moc"
