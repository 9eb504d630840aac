// The end of a PBX session: the window's disconnected state, the message the
// user gets for each kind of reason, and the automatic reconnection for the
// reasons that may pass by themselves. The reconnection delay (a random
// 5000-7999 ms, checked by the rules test) is set by each test, so nothing
// here waits for it.
#include "mainwindow/session/pbxsession.h"
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "testmain.h"
#include "ui_wdgveloraphone.h" // the main window's form, generated for this test

#include <QSignalSpy>

#include <QElapsedTimer>
#include <QPushButton>

using namespace sessiontest;

namespace
{
const QString ClosedText = QStringLiteral("La connessione con PBX è stata chiusa. \nMotivo: %1");
const QString CannotText = QStringLiteral("Impossibile connettersi a PBX. \nMotivo: %1");

// A delay no test waits for: the reconnection stays pending.
const int NeverMs = 10 * 60 * 1000;

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
    QVERIFY(!actionNamed(w, "pauseAllAction")->isEnabled());
    QVERIFY(!widgetOf<QWidget>(w, "edtCallerNumber")->isEnabled());
    QVERIFY(!widgetOf<QWidget>(w, "btnStartAudioCall")->isEnabled());
    QVERIFY(widgetOf<QWidget>(w, "btnAddContact")->isHidden());
    QCOMPARE(w.currentQueueRole(), 0);
    QVERIFY(!w.supervisorPanelWidget());
    for (const char *name : {"periodicDataTimer", "contactsRefreshTimer", "identitiesTimer", "rebrandingTimer"})
        QVERIFY2(!timerOf(w, name)->isActive(), name);
}
} // namespace

class TestSessionReconnect : public QObject
{
    Q_OBJECT

private slots:
    void keepAliveTimeoutReconnects();
    void killedSimulatorReconnects();
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
    w.pbxSession()->setReconnectDelay({NeverMs, 0});
    QVERIFY(startAndLogin(w));
    prompts.trayMessages.clear();
    QSignalSpy ended(&w, &MPGui::sigSessionEnded);

    f.sim->setAnswerKeepAlives(false);
    w.ctiClient()->setKeepAliveTimings(50, 100);
    QVERIFY(waitDisconnected(w));
    QCOMPARE(ended.count(), 1);
    QCOMPARE(ended.at(0).at(0).value<SessionRules::DisconnectReason>().code, QStringLiteral("KeepAliveReplyTimeout"));

    verifyDisconnectedLook(w);
    QTimer *reconnect = timerOf(w, "reconnectTimer");
    QVERIFY(reconnect->isActive());
    QVERIFY(reconnect->isSingleShot());
    QCOMPARE(reconnect->interval(), NeverMs);
    QCOMPARE(prompts.trayMessages.size(), 1);
    QCOMPARE(prompts.trayMessages.at(0).text, ClosedText.arg("KeepAliveReplyTimeout"));
    QCOMPARE(prompts.trayMessages.at(0).icon, QSystemTrayIcon::Warning);
    QCOMPARE(prompts.trayMessages.at(0).msecs, 4000);
    QVERIFY(prompts.shown.isEmpty());
}

void TestSessionReconnect::killedSimulatorReconnects()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    prompts.trayMessages.clear();
    w.pbxSession()->setReconnectDelay({50, 0});

    f.killSimulator();
    QVERIFY(waitDisconnected(w));
    QCOMPARE(prompts.trayMessages.size(), 1);
    QVERIFY(prompts.trayMessages.at(0).text.startsWith(ClosedText.arg(QString())));

    // Attempts follow one another, quietly, until the PBX is back.
    QVERIFY(f.reviveSimulator());
    QTRY_VERIFY_WITH_TIMEOUT(w.isSessionUp(), 10000);
    QVERIFY(!timerOf(w, "reconnectTimer")->isActive());
    QCOMPARE(widgetOf<QLabel>(w, "lblStatusText")->text(), QStringLiteral("Utente: CONNESSO"));
    QCOMPARE(prompts.trayMessages.size(), 2); // only the connected balloon came
    QVERIFY(prompts.trayMessages.last().text.startsWith(QStringLiteral("Connesso a PBX")));
}

void TestSessionReconnect::failedAutomaticAttemptIsQuiet()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    w.pbxSession()->setReconnectDelay({20, 0});
    QSignalSpy ended(&w, &MPGui::sigSessionEnded);
    f.killSimulator();
    QVERIFY(waitDisconnected(w));
    const int shownBefore = prompts.trayMessages.size();

    // Two automatic attempts fail: nothing more is shown.
    QTRY_VERIFY_WITH_TIMEOUT(ended.count() >= 3, 10000);
    QCOMPARE(prompts.trayMessages.size(), shownBefore);

    // The user's own attempt that fails again tells the user.
    w.pbxSession()->setReconnectDelay({NeverMs, 0});
    const int endedBefore = ended.count();
    QTRY_VERIFY_WITH_TIMEOUT(ended.count() > endedBefore, 10000); // the running attempt ends
    QTRY_COMPARE(timerOf(w, "reconnectTimer")->interval(), NeverMs);
    actionNamed(w, "connectAction")->trigger();
    QVERIFY(!timerOf(w, "reconnectTimer")->isActive()); // a new attempt stops the timer
    QTRY_COMPARE_WITH_TIMEOUT(prompts.trayMessages.size(), shownBefore + 1, 10000);
    QVERIFY(prompts.trayMessages.last().text.startsWith(CannotText.arg(QString())));
    QVERIFY(timerOf(w, "reconnectTimer")->isActive());
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
    QTest::newRow("WrongConfig with text")
        << "WrongConfig - no device" << CannotText.arg("Unknown - no device") << false;
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
    // Were a reconnection scheduled by mistake, it would come at once.
    w.pbxSession()->setReconnectDelay({0, 0});
    QVERIFY(startAndLogin(w));
    prompts.trayMessages.clear();
    QSignalSpy ended(&w, &MPGui::sigSessionEnded);

    QCOMPARE(f.sim->disconnectClients("demo", reason), 1);
    QVERIFY(waitDisconnected(w));
    QCOMPARE(ended.count(), 1);
    QVERIFY(ended.at(0).at(0).value<SessionRules::DisconnectReason>().isKnown());
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
    QTest::qWait(50);
    QVERIFY(!w.isSessionUp());
    QCOMPARE(ended.count(), 1);
}

void TestSessionReconnect::userLogoutDoesNotReconnect()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config("luca", "luca")}; // a queue operator
    w.pbxSession()->setReconnectDelay({0, 0});
    QVERIFY(startAndLogin(w));
    QVERIFY(w.supervisorPanelWidget());
    prompts.trayMessages.clear();
    QAction *disconnect = actionNamed(w, "disconnectAction");
    QVERIFY(disconnect->isEnabled());
    disconnect->trigger();
    QCOMPARE(w.systemTrayIcon()->toolTip(),
             QStringLiteral("%1 - disconnessione in corso...").arg(w.getWindowTitleText()));
    QVERIFY(waitDisconnected(w));
    verifyDisconnectedLook(w);
    QVERIFY(!timerOf(w, "reconnectTimer")->isActive());
    QVERIFY(prompts.trayMessages.isEmpty());
    QCOMPARE(w.systemTrayIcon()->toolTip(), QStringLiteral("%1 - disconnesso").arg(w.getWindowTitleText()));
}

DESKLINE_TEST_MAIN(TestSessionReconnect)
#include "tst_session_reconnect.moc"
