// Log-in to the simulated PBX and the steps after it: firmware gate,
// connection facts, capability-driven buttons, refresh timers, the first data
// asked for, and the connected look of the window.
#include "apiserver/clientapiserver.h"
#include "directory/directorypanel.h"
#include "directory/wdgcdrfilter.h"
#include "mainwindow/session/pbxsession.h"
#include "queues/mspmainwidget.h"
#include "queues/wdgqueues.h"
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "settings/msettingschange.h"
#include "settings/msettingsstore.h"
#include "testmain.h"
#include "ui_wdgveloraphone.h" // the main window's form, generated for this test
#include "widgets/wdgprofileimage.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTabWidget>

using namespace sessiontest;

class TestSessionLogin : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setRefreshSecondMs(1000); }
    void connectedState();
    void loginStartsOnceTheWindowHasPainted();
    void firstDataRequested();
    void refreshesRepeat();
    void tenantSentToThePbx_data();
    void tenantSentToThePbx();
    void capabilities_data();
    void capabilities();
    void keepAliveRule_data();
    void keepAliveRule();
    void zeroRefreshPeriodsUseDefaults();
    void firmwareGate_data();
    void firmwareGate();
    void declinedQuitAfterOldFirmwareLogsOut();
    void secondLoginKeepsApiServerAndRenewsPanel();
    void profileInitialAndRing_data();
    void profileInitialAndRing();
    void titleShowsTheModeInForce();
    void windowKeepsItsWidthAtLogin();
    void queueGroupFilterByFirmware_data();
    void queueGroupFilterByFirmware();
};

void TestSessionLogin::connectedState()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QSignalSpy started(&w, &MPGui::sigSessionStarted);
    QVERIFY(startAndLogin(w));

    // The subsystems heard what the PBX allows.
    QCOMPARE(started.count(), 1);
    const auto session = started.at(0).at(0).value<SessionRules::SessionStart>();
    QCOMPARE(session.capabilities, f.sim->data().capabilities);
    QCOMPARE(session.queueRole, int(SessionRules::QueueRoleSupervisor));
    QCOMPARE(session.mode, MSETTINGS::AppModeCtiOnly);
    QCOMPARE(session.firmware, f.sim->data().firmwareVersion);

    QCOMPARE(w.currentQueueRole(), 2); // "demo" is a supervisor
    QCOMPARE(w.currentPbxCapabilities(), f.sim->data().capabilities);
    QVERIFY(w.windowTitle().startsWith(MSETTINGS::getLongApplicationName()));
    QCOMPARE(w.windowTitle(), w.getWindowTitleText());
    QCOMPARE(widgetOf<QLabel>(w, "lblStatusText")->text(), QStringLiteral("Utente: CONNESSO"));
    QCOMPARE(widgetOf<QLabel>(w, "lblQueueStatus")->text(), QStringLiteral("Stato Code: N/D"));
    QVERIFY(!widgetOf<QLabel>(w, "lblLedStatus")->pixmap(Qt::ReturnByValue).isNull());
    QCOMPARE(widgetOf<QLabel>(w, "lblLedStatus")->pixmap(Qt::ReturnByValue).size(), QSize(18, 18));
    QVERIFY(!actionWithText(w, tr("&Connetti a %1").arg("PBX"))->isEnabled());
    QVERIFY(actionWithText(w, tr("&Disconnetti da %1").arg("PBX"))->isEnabled());
    // CTI-only mode can dial.
    QVERIFY(widgetOf<QWidget>(w, "edtCallerNumber")->isEnabled());
    QVERIFY(widgetOf<QWidget>(w, "btnStartAudioCall")->isEnabled());

    // The local API server runs for every mode; the supervisor panel for
    // operators and supervisors, hidden until asked for.
    QVERIFY(w.localApiServer());
    QVERIFY(w.supervisorPanelWidget());
    QVERIFY(w.supervisorPanelWidget()->isHidden());
    QCOMPARE(w.supervisorPanelWidget()->windowTitle(), QStringLiteral("Supervisor Panel"));
    QCOMPARE(w.supervisorPanelWidget()->minimumSize(), QSize(950, 650));

    // The connected balloon.
    QVERIFY(!prompts.trayMessages.isEmpty());
    QCOMPARE(prompts.trayMessages.last().text,
             QStringLiteral("Connesso a PBX in modalità %1").arg(w.getWindowTitleText()));
    QCOMPARE(prompts.trayMessages.last().msecs, 4000);
    QCOMPARE(prompts.trayMessages.last().icon, QSystemTrayIcon::Information);
    QVERIFY(prompts.shown.isEmpty());

    // No reconnection is pending once logged in.
    QVERIFY(!timerOf(w, "reconnectTimer")->isActive());
}

namespace
{
// Calls `onPaint` at the first paint of the watched window.
class FirstPaintProbe : public QObject
{
public:
    explicit FirstPaintProbe(std::function<void()> onPaint) : onPaint(std::move(onPaint)) {}
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && onPaint) {
            onPaint();
            onPaint = nullptr;
        }
        return false;
    }

private:
    std::function<void()> onPaint;
};
} // namespace

// The window is on screen before the log-in (and the TLS set-up it needs)
// starts: at its first paint, no connection has been attempted yet.
void TestSessionLogin::loginStartsOnceTheWindowHasPainted()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QString tooltipAtFirstPaint = QStringLiteral("(no paint)");
    FirstPaintProbe probe([&] {
        QSystemTrayIcon *tray = w.systemTrayIcon();
        tooltipAtFirstPaint = tray ? tray->toolTip() : QStringLiteral("(no tray icon)");
    });
    w.installEventFilter(&probe);
    QVERIFY(startAndLogin(w));
    QCOMPARE(tooltipAtFirstPaint, MSETTINGS::getLongApplicationName());
}

void TestSessionLogin::firstDataRequested()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));

    auto asked = [&commands](const QString &name) {
        for (const QList<QVariant> &c : qAsConst(commands)) {
            if (c.at(1).toString() == name)
                return true;
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(asked("getIdentities") && asked("getCdr") && asked("getMailboxStatus"), 5000);

    // Every refresh timer runs with the default period.
    QTimer *periodic = timerOf(w, "periodicDataTimer");
    QTimer *identities = timerOf(w, "identitiesTimer");
    QTimer *contacts = timerOf(w, "contactsRefreshTimer");
    QVERIFY(periodic->isActive() && identities->isActive() && contacts->isActive());
    QCOMPARE(periodic->interval(), 90 * 1000);
    QCOMPARE(contacts->interval(), 600 * 1000);
}

void TestSessionLogin::refreshesRepeat()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);
    setRefreshSecondMs(1); // a period of 90 s lasts 90 ms
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    auto count = [&commands](const QString &name) {
        int n = 0;
        for (const QList<QVariant> &c : qAsConst(commands))
            n += c.at(1).toString() == name;
        return n;
    };
    QTRY_VERIFY_WITH_TIMEOUT(count("getCdr") >= 3 && count("getMailboxStatus") >= 3, 10000);
    QCOMPARE(timerOf(w, "periodicDataTimer")->interval(), 90);

    // Once the session ends nothing more is asked.
    w.pbxSession()->setReconnectDelay({10 * 60 * 1000, 0});
    actionNamed(w, "disconnectAction")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!w.isSessionUp(), 5000);
    QVERIFY(!timerOf(w, "periodicDataTimer")->isActive());
    QVERIFY(!timerOf(w, "identitiesTimer")->isActive());
    QVERIFY(!timerOf(w, "contactsRefreshTimer")->isActive());
}

void TestSessionLogin::tenantSentToThePbx_data()
{
    QTest::addColumn<QString>("username");
    QTest::addColumn<QString>("tenant");
    QTest::addColumn<bool>("loggedIn");
    QTest::newRow("no @") << "demo"
                          << "" << true;
    QTest::newRow("trailing @") << "demo@"
                                << "" << true;
    QTest::newRow("tenant") << "demo@acme"
                            << "acme" << false;
    QTest::newRow("user with @") << "demo@x@acme"
                                 << "acme" << false;
}

void TestSessionLogin::tenantSentToThePbx()
{
    QFETCH(QString, username);
    QFETCH(QString, tenant);
    QFETCH(bool, loggedIn);
    SessionFixture f; // the demo office has no tenants
    ScriptedPrompts prompts;
    MPGui w{f.config(username)};
    QSignalSpy ended(&w, &MPGui::sigSessionEnded);
    w.start();
    QTRY_COMPARE_WITH_TIMEOUT(w.currentTenant(), tenant, 5000);
    if (loggedIn) {
        QTRY_VERIFY_WITH_TIMEOUT(w.isSessionUp(), 10000);
    } else {
        // A user unknown in that tenant is refused: no session, no retry.
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 10000);
        QCOMPARE(ended.at(0).at(0).value<SessionRules::DisconnectReason>().kind, SessionRules::ReasonKind::AuthFailed);
        QVERIFY(!w.isSessionUp());
        QVERIFY(!timerOf(w, "reconnectTimer")->isActive());
    }
}

void TestSessionLogin::capabilities_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<quint32>("caps");
    QTest::addColumn<bool>("sms");
    QTest::addColumn<bool>("addContact");
    QTest::addColumn<bool>("report");
    QTest::addColumn<bool>("svp");
    QTest::addColumn<int>("identitiesMs");
    QTest::addColumn<bool>("rebranding");
    QTest::newRow("supervisor, everything")
        << "demo" << quint32(0x1 | 0x4 | 0x800 | 0x1000 | 0x2000) << true << true << true << true << 300000 << true;
    QTest::newRow("supervisor, nothing") << "demo" << quint32(0) << false << false << false << true << 30000 << false;
    QTest::newRow("operator with report bit")
        << "luca" << quint32(0x4) << false << false << false << false << 30000 << false;
    QTest::newRow("no role, sms and contacts")
        << "sara" << quint32(0x1 | 0x2000) << true << true << false << false << 30000 << false;
}

void TestSessionLogin::capabilities()
{
    QFETCH(QString, user);
    QFETCH(quint32, caps);
    QFETCH(bool, sms);
    QFETCH(bool, addContact);
    QFETCH(bool, report);
    QFETCH(bool, svp);
    QFETCH(int, identitiesMs);
    QFETCH(bool, rebranding);
    PbxSimData data = PbxSimData::demo();
    data.capabilities = caps;
    SessionFixture f(data);
    ScriptedPrompts prompts;
    MPGui w{f.config(user, user)};
    QVERIFY(startAndLogin(w));

    auto *btnSms = widgetOf<QPushButton>(w, "btnSendSMS");
    QCOMPARE(btnSms->isEnabled(), sms);
    QCOMPARE(!btnSms->isHidden(), sms);
    QCOMPARE(btnSms->toolTip(),
             sms ? QStringLiteral("Invia SMS") : QStringLiteral("Servizio Invia SMS non disponibile"));
    auto *btnAdd = widgetOf<QPushButton>(w, "btnAddContact");
    QVERIFY(!btnAdd->isHidden());
    QCOMPARE(btnAdd->isEnabled(), addContact);
    QCOMPARE(actionWithText(w, tr("Crea &Report"))->isEnabled(), report);
    auto *btnSvp = widgetOf<QPushButton>(w, "btnSVP");
    QCOMPARE(btnSvp->isEnabled(), svp);
    QCOMPARE(!btnSvp->isHidden(), svp);
    QCOMPARE(bool(w.supervisorPanelWidget()), user != QLatin1String("sara"));
    QCOMPARE(timerOf(w, "identitiesTimer")->interval(), identitiesMs);
    QTimer *rebrandingTimer = timerOf(w, "rebrandingTimer");
    QCOMPARE(rebrandingTimer->isActive(), rebranding);
    if (rebranding) {
        QVERIFY(rebrandingTimer->interval() >= 30000);
        QVERIFY(rebrandingTimer->interval() <= 59999);
    }
}

void TestSessionLogin::keepAliveRule_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<bool>("warned");
    QTest::newRow("59 not sent") << 59 << true;
    QTest::newRow("60 sent") << 60 << false;
    QTest::newRow("120 sent") << 120 << false;
}

void TestSessionLogin::keepAliveRule()
{
    QFETCH(int, seconds);
    QFETCH(bool, warned);
    SessionFixture f;
    f.writeCtiSettings({{"chatKeepAliveSendIntervalSecs", seconds}});
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    const QByteArray line = QStringLiteral("Cannot set chat keep-alive send interval to %1 seconds. It must be at "
                                           "least 60 seconds")
                                .arg(seconds)
                                .toUtf8();
    QCOMPARE(f.logText().contains(line), warned);
    QVERIFY(!f.logText().contains("Unable to set chat keep-alive send interval"));
}

void TestSessionLogin::zeroRefreshPeriodsUseDefaults()
{
    SessionFixture f;
    // 0 stored, and a value that keeps 0 in its low 16 bits.
    f.writeCtiSettings({{"contactsRefreshTimeoutSecs", 0},
                        {"cdrRefreshTimeoutSecs", 65536},
                        {"identitiesRefreshTimeoutSecs", 0},
                        {"codecOrderRefreshTimeoutSecs", 45}});
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    QCOMPARE(timerOf(w, "contactsRefreshTimer")->interval(), 600 * 1000);
    QCOMPARE(timerOf(w, "periodicDataTimer")->interval(), 90 * 1000);
    // The demo PBX has bit 12: identities period.
    QCOMPARE(timerOf(w, "identitiesTimer")->interval(), 300 * 1000);
}

void TestSessionLogin::firmwareGate_data()
{
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("4.0.7") << "4.0.7" << true;
    QTest::newRow("4.0.7-rc1") << "4.0.7-rc1" << true;
    QTest::newRow("5") << "5" << true;
    QTest::newRow("4.10.0") << "4.10.0" << true;
    QTest::newRow("4.0.6") << "4.0.6" << false;
    QTest::newRow("3.9") << "3.9" << false;
    QTest::newRow("4") << "4" << false;
}

void TestSessionLogin::firmwareGate()
{
    QFETCH(QString, firmware);
    QFETCH(bool, accepted);
    PbxSimData data = PbxSimData::demo();
    data.firmwareVersion = firmware;
    SessionFixture f(data);
    ScriptedPrompts prompts;
    prompts.answerNext(QMessageBox::Ok);  // the warning
    prompts.answerNext(QMessageBox::Yes); // the quit confirmation
    MPGui w{f.config()};
    w.start();

    int exitCode = 12345;
    if (accepted) {
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&w] {
            if (w.isSessionUp())
                QCoreApplication::exit(1);
        });
        poll.start(20);
        exitCode = testsupport::execWithTimeout(testsupport::kConditionWaitMs, 12345);
        QCOMPARE(exitCode, 1);
        QVERIFY(prompts.shown.isEmpty());
        return;
    }
    exitCode = testsupport::execWithTimeout(testsupport::kConditionWaitMs, 12345);
    QCOMPARE(exitCode, 0); // the user confirmed the quit
    QVERIFY(!w.isSessionUp());
    QCOMPARE(prompts.shown.size(), 2);
    const PromptService::Message warning = prompts.shown.at(0).message;
    QCOMPARE(warning.kind, PromptService::Kind::Warning);
    QVERIFY(warning.title.endsWith(QStringLiteral(" - Versione PBX non compatibile")));
    QCOMPARE(warning.text, QStringLiteral("Questa versione di %1 richiede che su PBX sia presente una versione "
                                          "firmware uguale o superiore alla 4.0.7.\nIl programma verrà chiuso.")
                               .arg(w.getWindowTitleText()));
    QCOMPARE(prompts.shown.at(1).message.kind, PromptService::Kind::Question);
    QCOMPARE(prompts.shown.at(1).message.defaultButton, QMessageBox::No);
}

void TestSessionLogin::declinedQuitAfterOldFirmwareLogsOut()
{
    PbxSimData data = PbxSimData::demo();
    data.firmwareVersion = QStringLiteral("4.0.6");
    SessionFixture f(data);
    ScriptedPrompts prompts;
    prompts.answerNext(QMessageBox::Ok);
    prompts.answerNext(QMessageBox::No); // stay
    MPGui w{f.config()};
    QSignalSpy aboutToExit(&w, &MPGui::sigAboutToExit);
    QSignalSpy ended(&w, &MPGui::sigSessionEnded);
    w.start();
    QTRY_COMPARE_WITH_TIMEOUT(prompts.shown.size(), 2, 10000); // the warning, then the declined quit
    QCOMPARE(aboutToExit.count(), 0);
    // The PBX session is closed by the user's side, so nothing reconnects and
    // the window can connect again by hand.
    QTRY_COMPARE_WITH_TIMEOUT(f.sim->sessionCount(), 0, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 5000);
    QCOMPARE(ended.at(0).at(0).value<SessionRules::DisconnectReason>().kind, SessionRules::ReasonKind::UserRequest);
    QVERIFY(!w.ctiClient()->isConnected());
    QVERIFY(!w.isSessionUp());
    QVERIFY(!timerOf(w, "reconnectTimer")->isActive());
    QVERIFY(actionWithText(w, tr("&Connetti a %1").arg("PBX"))->isEnabled());
    QVERIFY(!actionWithText(w, tr("&Disconnetti da %1").arg("PBX"))->isEnabled());
    QCOMPARE(widgetOf<QLabel>(w, "lblStatusText")->text(), QStringLiteral("Utente: NON CONNESSO"));
    QVERIFY(prompts.trayMessages.isEmpty());
}

void TestSessionLogin::secondLoginKeepsApiServerAndRenewsPanel()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    ClientApiServer *server = w.localApiServer();
    QPointer<MspMainWidget> panel = w.supervisorPanelWidget();
    QVERIFY(server && panel);

    actionNamed(w, "disconnectAction")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!w.isSessionUp(), 5000);
    QVERIFY(!w.supervisorPanelWidget());
    QTRY_VERIFY(panel.isNull()); // released on the event loop
    QVERIFY(!timerOf(w, "reconnectTimer")->isActive());

    actionNamed(w, "connectAction")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(w.isSessionUp(), 10000);
    QCOMPARE(w.localApiServer(), server);
    QVERIFY(w.supervisorPanelWidget());
}

void TestSessionLogin::profileInitialAndRing_data()
{
    QTest::addColumn<QString>("firstName");
    QTest::addColumn<QString>("initial");
    QTest::newRow("capital") << "Demo"
                             << "D";
    QTest::newRow("lower case stays") << "élodie"
                                      << "é";
    QTest::newRow("digit") << "3rd shift"
                           << "3";
    QTest::newRow("empty name") << ""
                                << "";
}

// The avatar shows the first character of the first name as the PBX sent it,
// and the busy-lamp ring while logged in; both go at disconnection.
void TestSessionLogin::profileInitialAndRing()
{
    QFETCH(QString, firstName);
    QFETCH(QString, initial);
    PbxSimData data = PbxSimData::demo();
    QVERIFY(data.users.contains("demo"));
    data.users["demo"].firstName = firstName;
    SessionFixture f(data);
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    auto *picture = widgetOf<wdgProfileImage>(w, "wdgPicture");
    QCOMPARE(picture->text(), initial);
    QVERIFY(picture->isBlfVisible());
    // The queues widget knows whose extension it lists.
    QCOMPARE(widgetOf<wdgQueues>(w, "queuesGui")->userExtension(), data.users.value("demo").extension);

    w.pbxSession()->setReconnectDelay({10 * 60 * 1000, 0});
    actionNamed(w, "disconnectAction")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!w.isSessionUp(), 5000);
    QVERIFY(!picture->isBlfVisible());
}

// A mode chosen in the settings takes effect only after a restart: until then
// the title keeps the mode the window runs in.
// A queue member's log-in brings the queue tab back; the window had room for
// it from the start and keeps its width.
void TestSessionLogin::windowKeepsItsWidthAtLogin()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    w.start();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *tabs = widgetOf<QTabWidget>(w, "tabContactsWidget");
    QWidget *queueTab = widgetOf<QWidget>(w, "queueTabWidget");
    QCOMPARE(tabs->indexOf(queueTab), -1);
    const int width = w.width();
    QTRY_VERIFY_WITH_TIMEOUT(w.isSessionUp(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(tabs->indexOf(queueTab) >= 0, 10000);
    QCoreApplication::processEvents();
    QCOMPARE(w.width(), width);
    QCOMPARE(w.minimumSizeHint().width() <= width, true);
}

void TestSessionLogin::titleShowsTheModeInForce()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    const QString title = w.windowTitle();
    QVERIFY(title.startsWith(MSETTINGS::getLongApplicationName()));
    // What OK in the settings dialog stores for the next start.
    MSettingsChange change;
    change.next = w.store()->valuesInForce();
    change.next.selectedAppMode = MSETTINGS::AppModeSoftphone;
    w.store()->applyChange(change);
    QCOMPARE(w.store()->getSelectedAppMode(), MSETTINGS::AppModeSoftphone);
    w.updateStrings();
    QCOMPARE(w.windowTitle(), title);
    QCOMPARE(w.getWindowTitleText(), title);
}

void TestSessionLogin::queueGroupFilterByFirmware_data()
{
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<bool>("boxesEnabled");
    QTest::newRow("4.5.8") << "4.5.8" << false;
    QTest::newRow("4.7.15") << "4.7.15" << false;
    QTest::newRow("4.7.16") << "4.7.16" << true;
    QTest::newRow("5.0") << "5.0" << true;
}

// The call-history filter offers the queue and group boxes only when the PBX
// reports such calls; a later log-in to a newer PBX brings them back.
void TestSessionLogin::queueGroupFilterByFirmware()
{
    QFETCH(QString, firmware);
    QFETCH(bool, boxesEnabled);
    PbxSimData data = PbxSimData::demo();
    data.firmwareVersion = firmware;
    SessionFixture f(data);
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    w.start();
    wdgCdrFilter *filter = w.directoryPanel()->cdrFilterWidget();
    QVERIFY(filter);
    filter->disableQueueGroupCheckboxes(); // as a previous, older PBX left them
    if (boxesEnabled)
        QVERIFY(!filter->findChild<QCheckBox *>("queue_cB")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(w.isSessionUp(), 10000);
    QCOMPARE(filter->findChild<QCheckBox *>("queue_cB")->isEnabled(), boxesEnabled);
    QCOMPARE(filter->findChild<QCheckBox *>("group_cB")->isEnabled(), boxesEnabled);
    // The other boxes stay usable.
    QVERIFY(filter->findChild<QCheckBox *>("incoming_cB")->isEnabled());
    QVERIFY(filter->findChild<QCheckBox *>("direct_cB")->isEnabled());
}

DESKLINE_TEST_MAIN(TestSessionLogin)
#include "tst_session_login.moc"
