// Quitting and restarting a logged-in main window: the confirmation, what is
// saved, the PBX log-out without the disconnection handling, the two exit
// codes, a restart that builds a new window in the same process, and a clean
// teardown after a full, a partial or no start.
#include "app/desklinestartup.h"
#include "messaging/messagingpanel.h"
#include "messaging/mpchatsqlite.h"
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "settings/msettingsdialog.h"
#include "testmain.h"
#include "ui_wdgveloraphone.h" // the main window's form, generated for this test

#include <QJsonObject>
#include <QSignalSpy>

using namespace sessiontest;

namespace
{
// Runs the event loop; once the window is logged in, `whenLoggedIn` runs on
// it. Returns the code the code under test ended the loop with, or 12345 when
// nothing ended it within `settleMs` of that action (or the log-in never came).
int runLoopUntilExit(const std::function<void()> &whenLoggedIn, MPGui &w, int settleMs = 3000)
{
    QTimer poll;
    QTimer settle;
    settle.setSingleShot(true);
    QObject::connect(&settle, &QTimer::timeout, [] { QCoreApplication::exit(12345); });
    bool fired = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!fired && w.isSessionUp()) {
            fired = true;
            poll.stop();
            whenLoggedIn();
            settle.start(settleMs);
        }
    });
    poll.start(20);
    return testsupport::execWithTimeout(testsupport::kConditionWaitMs, 12345);
}
} // namespace

class TestSessionQuit : public QObject
{
    Q_OBJECT

private slots:
    void quitAsksAndSaves_data();
    void quitAsksAndSaves();
    void restartBuildsANewWindow();
    void disconnectionDuringRestartOnlyLogs();
    void teardown_data();
    void teardown();
    void chatStoreWrittenWhenTheLoopEnds();
};

void TestSessionQuit::quitAsksAndSaves_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("ask");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("confirmed") << int(QMessageBox::Yes) << true << 0;
    QTest::newRow("declined (No is the default)") << int(QMessageBox::No) << true << 12345;
    QTest::newRow("without asking") << int(QMessageBox::No) << false << 0;
}

void TestSessionQuit::quitAsksAndSaves()
{
    QFETCH(int, answer);
    QFETCH(bool, ask);
    QFETCH(int, exitCode);
    SessionFixture f;
    ScriptedPrompts prompts;
    prompts.answerNext(QMessageBox::StandardButton(answer));
    MPGui w{f.config()};
    QSignalSpy ended(&w, &MPGui::sigSessionEnded);
    w.start();
    bool result = false;
    QSize savedSize;
    const int rc = runLoopUntilExit(
        [&] {
            w.resize(w.width() + 7, w.height() + 5);
            savedSize = w.size();
            result = w.quitApplication(false, ask);
        },
        w);
    QCOMPARE(rc, exitCode);
    QCOMPARE(prompts.shown.size(), ask ? 1 : 0);
    if (ask) {
        const PromptService::Message q = prompts.shown.at(0).message;
        QCOMPARE(q.kind, PromptService::Kind::Question);
        QCOMPARE(q.defaultButton, QMessageBox::No);
        QCOMPARE(q.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(q.buttonTexts.value(QMessageBox::Yes), QStringLiteral("Si"));
        QVERIFY(q.title.endsWith(QStringLiteral(" - Chiusura applicazione")));
        // CTI-only mode: no warning about calls in progress.
        QCOMPARE(q.text, QStringLiteral("<p align='center'>Sei sicuro di voler chiudere l'applicazione<br>%1?</p>")
                             .arg(MSETTINGS::getLongApplicationName()));
    }

    if (exitCode != 0) {
        QVERIFY(!result);
        QVERIFY(w.isSessionUp());
        QVERIFY(w.ctiClient() && w.ctiClient()->isConnected());
        QVERIFY(w.localApiServer());
        return;
    }
    QVERIFY(result);
    QVERIFY(!w.isRestartRequested());
    // Everything the window owned for the session is released.
    QVERIFY(!w.ctiClient());
    QVERIFY(!w.localApiServer());
    QVERIFY(!w.supervisorPanelWidget());
    QVERIFY(!w.settings());
    QVERIFY(!w.systemTrayIcon());
    QVERIFY(w.isHidden());
    QTRY_COMPARE_WITH_TIMEOUT(f.sim->sessionCount(), 0, 5000);
    // The log-out did not run the disconnection handling.
    QCOMPARE(ended.count(), 0);
    QCOMPARE(widgetOf<QLabel>(w, "lblStatusText")->text(), QStringLiteral("Utente: CONNESSO"));
    // The size is saved before the settings file is written.
    QSettings s(MSETTINGS::getSettingsConfigFile(), QSettings::IniFormat);
    QCOMPARE(s.value("GUI/width").toInt(), savedSize.width());
    QCOMPARE(s.value("GUI/height").toInt(), savedSize.height());
    // Header states only in desk-phone and softphone modes.
    QVERIFY(!s.contains("GUI/favTabState"));
}

void TestSessionQuit::restartBuildsANewWindow()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    QList<QPointer<MPGui>> windows;
    int pass = 0;
    auto factory = [&](const MctiConfig &config) {
        // The first pass gets the start-up record; the next one a fresh
        // record, so it reads what the first one saved.
        MPGui *w = new MPGui(pass == 0 ? f.config() : config);
        windows << w;
        return w;
    };
    auto exec = [&]() {
        MPGui *w = windows.last();
        const int current = pass++;
        return runLoopUntilExit(
            [w, current] {
                if (current == 0)
                    QMetaObject::invokeMethod(w->settings(), "sigRestartRequested", Q_ARG(bool, true));
                else
                    w->quitApplication(false, false);
            },
            *w);
    };
    MPGui *last = nullptr;
    const int rc = DesklineStartup::runMainWindowPasses(MctiConfig(), nullptr, qApp, exec, factory, &last);
    QCOMPARE(rc, 0);
    QCOMPARE(pass, 2);
    QCOMPARE(windows.size(), 2);
    QVERIFY(windows.at(0).isNull()); // destroyed by the restart
    QCOMPARE(last, windows.at(1).data());
    QVERIFY(prompts.shown.isEmpty()); // a restart does not ask
    delete last;
    QVERIFY(!logger);
}

void TestSessionQuit::disconnectionDuringRestartOnlyLogs()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    prompts.trayMessages.clear();
    QVERIFY(w.quitApplication(true, true)); // no loop is running here: nothing ends
    QVERIFY(w.isRestartRequested());
    QVERIFY(prompts.shown.isEmpty());
    // A disconnection reported while the restart is under way changes nothing.
    QSignalSpy ended(&w, &MPGui::sigSessionEnded);
    QMetaObject::invokeMethod(&w, "disconnectedFromM", Q_ARG(QString, QStringLiteral("KeepAliveReplyTimeout")));
    QCOMPARE(ended.count(), 0);
    QVERIFY(!timerOf(w, "reconnectTimer")->isActive());
    QVERIFY(prompts.trayMessages.isEmpty());
    QCOMPARE(widgetOf<QLabel>(w, "lblStatusText")->text(), QStringLiteral("Utente: CONNESSO"));
}

void TestSessionQuit::teardown_data()
{
    QTest::addColumn<QString>("user");
    // 0 constructed, 1 quit before start, 2 log-in under way, 3 logged in,
    // 4 logged in and restarting (the only way the program destroys a window)
    QTest::addColumn<int>("stage");
    QTest::addColumn<bool>("resumesQueues");
    QTest::newRow("never started") << "demo" << 0 << false;
    QTest::newRow("quit before start") << "demo" << 1 << false;
    QTest::newRow("while connecting") << "demo" << 2 << false;
    QTest::newRow("logged-in queue operator") << "luca" << 3 << true;
    // The restart logged out already: the operator's pause stays.
    QTest::newRow("queue operator restarting") << "luca" << 4 << false;
}

void TestSessionQuit::teardown()
{
    QFETCH(QString, user);
    QFETCH(int, stage);
    QFETCH(bool, resumesQueues);
    SessionFixture f;
    ScriptedPrompts prompts;
    QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);
    {
        MPGui w{f.config(user, user)};
        if (stage == 1)
            QVERIFY(w.quitApplication(false, false));
        if (stage == 2) {
            w.start();
            QTest::qWait(1); // the log-in is under way
        }
        if (stage >= 3) {
            QVERIFY(startAndLogin(w));
            QVERIFY(w.supervisorPanelWidget());
            QVERIFY(w.localApiServer());
        }
        if (stage == 4) {
            QVERIFY(w.quitApplication(true, true));
            QVERIFY(!w.ctiClient());
        }
    } // destroyed: a logged-in queue member is resumed on its queues, then logged out
    QVERIFY(!logger);
    QTRY_COMPARE_WITH_TIMEOUT(f.sim->sessionCount(), 0, 5000);
    bool resumed = false;
    for (const QList<QVariant> &c : qAsConst(commands)) {
        const QJsonObject args = c.at(2).toJsonObject();
        if (c.at(1).toString() == QLatin1String("pauseQueues") && !args.value("pause").toBool() &&
            args.value("reason").toString() == QLatin1String("Bye bye"))
            resumed = true;
    }
    QCOMPARE(resumed, resumesQueues);
}

// The last window ends with the process without its teardown: what the chat
// history store holds only in memory is written back when the loop ends, also
// when SIGTERM ended it.
void TestSessionQuit::chatStoreWrittenWhenTheLoopEnds()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui *window = nullptr;
    auto factory = [&](const MctiConfig &) {
        window = new MPGui(f.config());
        return window;
    };
    QString file, user, address;
    auto exec = [&]() {
        // The store opens once the window is on screen.
        QElapsedTimer opening;
        opening.start();
        while (!window->messagingPanel()->chatStore() && opening.elapsed() < 10000)
            QTest::qWait(10);
        MPChatSqlite *db = window->messagingPanel()->chatStore();
        if (!db)
            return 1;
        file = db->fileName();
        user = db->user();
        address = db->pbxAddress();
        ChatMessage msg;
        msg.id = QStringLiteral("m1");
        msg.sender = QStringLiteral("202");
        msg.exten = QStringLiteral("202");
        msg.body = QStringLiteral("ultimo messaggio");
        msg.time = QDateTime::currentDateTimeUtc();
        msg.direction = 0;
        msg.type = 0;
        if (!db->insertChatMessage(msg, msg.time) || !db->hasPendingWrites())
            return 2;
        return 0; // the loop ends at once, as on SIGTERM
    };
    MPGui *last = nullptr;
    QCOMPARE(DesklineStartup::runMainWindowPasses(MctiConfig(), nullptr, qApp, exec, factory, &last), 0);
    QCOMPARE(last, window);
    {
        MPChatSqlite reread(file, user, address);
        QVERIFY(reread.readDBChat());
        QCOMPARE(reread.messageList.size(), 1);
        QCOMPARE(reread.messageList.at(0).body, QStringLiteral("ultimo messaggio"));
    }
    delete last;
}

DESKLINE_TEST_MAIN(TestSessionQuit)
#include "tst_session_quit.moc"
