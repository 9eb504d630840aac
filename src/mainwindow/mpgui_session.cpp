// The PBX session of the main window: log-in and the steps after it, the
// user's log-out, the reaction to the end of a connection with the automatic
// reconnection, and the refresh slots that run while the session is up.
#include "mpgui.h"

#include "messaging/chatextensiondirectory.h"

#include "apiserver/clientapiserver.h"
#include "app/crashhandler.h"
#include "app/desklinestartup.h"
#include "app/globallogger.h"
#include "calls/callcontrol.h"
#include "calls/callevents.h"
#include "calls/calllines.h"
#include "calls/rapidcall.h"
#include "ctilib.h"
#include "customshortcut.h"
#include "directory/directoryactions.h"
#include "directory/directorypanel.h"
#include "directory/wdgcdrfilter.h"
#include "dlgauthentication.h"
#include "framework/promptservice.h"
#include "framework/sslserver.h"
#include "messaging/messagingpanel.h"
#include "messaging/voicemailpanel.h"
#include "phone/phonebackends.h"
#include "queues/queuescontroller.h"
#include "queues/wdgqueues.h"
#include "session/pbxsession.h"
#include "session/sessionrules.h"
#include "settings/msettings.h"
#include "settings/msettingsdialog.h"
#include "updater/updatescheduler.h"
#include "widgets/mpguiassets.h"
#include "widgets/wdgprofileimage.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QHeaderView>
#include <QMovie>
#include <QPixmap>

namespace
{
const QString PbxName = QStringLiteral("PBX");

// Disconnects, closes and releases a long-lived object on the next event-loop
// turn, and clears the pointer that owned it.
template <typename T> void releaseLater(T *&object, QList<QPointer<QObject>> &released)
{
    if (!object)
        return;
    T *old = object;
    object = nullptr;
    old->disconnect();
    old->close();
    old->deleteLater();
    released << QPointer<QObject>(old);
}

// The same, at once (the destructor: no event loop may follow).
template <typename T> void releaseNow(T *&object)
{
    if (!object)
        return;
    T *old = object;
    object = nullptr;
    old->disconnect();
    old->close();
    delete old;
}
} // namespace

using SessionRules::RefreshPeriod;

// Logs the CTI client out, shuts it down and takes it from the window's
// view. Its signals are disconnected first: the log-out must not run the
// window's disconnection handling. The object is kept until the destructor
// has released the subsystems, so whoever was given it never holds a
// dangling client.
void MPGui::shutDownCti()
{
    if (!ctiLib)
        return;
    CtiLib *old = ctiLib;
    ctiLib = nullptr;
    if (phones)
        phones->resetPhoneApi();
    old->disconnect();
    disconnect(old, nullptr, this, nullptr);
    old->logout();
    old->shutdown();
    retiredCti.reset(old);
}

bool MPGui::checkVeloraFwVers(const QString &firmware)
{
    return SessionRules::isFirmwareSupported(firmware);
}

// ---------------------------------------------------------------- log-in

void MPGui::connectToM()
{
    if (!settingsDialog)
        return;
    session->cancelReconnect();
    if (ctiLib && ctiLib->isConnected())
        return;
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Connect to MPBX requested";

    if (appMode > MSETTINGS::AppModeSoftphone || appMode < MSETTINGS::AppModeCtiOnly) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Got invalid mode!";
        return;
    }

    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Connecting to VeloraPBX using" << CTILIB::appModeToString(appMode)
                            << "mode...";
    initMctiLib();
    if (!ctiLib) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Missing mctilib pointer";
        return;
    }

    const MctiConfig config = settingsStore->getConfig();
    PbxSession::Attempt attempt;
    attempt.address = settingsStore->getMAddress();
    attempt.username = settingsStore->getMUsername();
    attempt.password = settingsStore->getMPassword();
    attempt.mode = appMode;
    attempt.keepAliveSecs = settingsStore->getChatKeepAliveSendIntervalSecs();
    attempt.dumpMessages = settingsStore->isCtilibMessagesDumpEnabled();
    attempt.identitiesSecs = config.identitiesRefreshTimeoutSecs;
    attempt.codecOrderSecs = config.codecOrderRefreshTimeoutSecs;
    attempt.cdrSecs = config.cdrRefreshTimeoutSecs;
    session->connectClient(*ctiLib, attempt);

    if (trayIcon)
        trayIcon->setToolTip(tr("%1 - connessione in corso...").arg(MSETTINGS::getLongApplicationName()));
}

void MPGui::reconnectToM()
{
    if (!ctiLib) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Missing mctilib pointer";
        return;
    }
    connectToM();
}

// The library's log-in answer reaches the session directly; this entry lets
// a caller hand one in as the library would.
void MPGui::connectedToM(const LoginDetails &details)
{
    session->loggedIn(details, ctiLib ? ctiLib->getPbxCapabilities() : 0);
}

void MPGui::onFirmwareRefused(const LoginDetails &details)
{
    PromptService::Message msg;
    msg.kind = PromptService::Kind::Warning;
    msg.title = windowTitleText + QStringLiteral(" - ") + tr("Versione PBX non compatibile");
    msg.text = tr("Questa versione di %1 richiede che su %2 sia presente una versione firmware uguale o "
                  "superiore alla %3.%4.%5.\nIl programma verrà chiuso.")
                   .arg(windowTitleText, PbxName)
                   .arg(SessionRules::MinFirmwareMajor)
                   .arg(SessionRules::MinFirmwareMinor)
                   .arg(SessionRules::MinFirmwarePatch);
    msg.buttons = QMessageBox::Ok;
    prompts().message(nullptr, msg);
    if (!quitApplication(false, true) && ctiLib && ctiLib->isConnected()) {
        // The user stays: leave the incompatible PBX instead of keeping a
        // session that the window does not show. "UserRequest" brings no
        // reconnection.
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Staying with an incompatible PBX firmware: logging out"
                                   << details.firmwareVersion;
        ctiLib->logout();
    }
}

void MPGui::onSessionStarted(const SessionRules::SessionStart &started)
{
    if (!ctiLib || !settingsDialog) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Got NULL m_mctic in connectedToM!!!";
        return;
    }
    const LoginDetails &details = session->login();
    userLastName = details.lastName;
    userFirstName = details.firstName;

    updateStrings();
    const SessionRules::SessionFeatures features = SessionRules::sessionFeatures(started);

    const QString &firmware = started.firmware;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "We connected to a Velora with firmware" << firmware;
    if (!features.visualVoicemail)
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Velora firmware" << firmware << " does not support VisualVoiceMail";
    wdgCdrFilter *cdrFilter = directory ? directory->cdrFilterWidget() : nullptr;
    if (!features.queueGroupCdrFilter) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Velora firmware" << firmware
                                << " does not support queue/group calls in cdr: checkboxes not available";
        if (cdrFilter)
            cdrFilter->disableQueueGroupCheckboxes();
    } else {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Velora firmware" << firmware
                                << " supports queue/group calls in cdr: checkboxes available";
        if (cdrFilter)
            cdrFilter->enableQueueGroupCheckboxes();
    }

    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Successfully Connected to VeloraPBX with username"
                            << ctiLib->getLoginUsername() << " as" << windowTitleText << " client";

    settingsStore->updateAppMode(appMode);
    queuesGui->setUserExtension(details.extension);
    initClientApiServer();

    emit sigSessionStarted(started);

    // Connected look.
    setWindowTitle(windowTitleText);
    wdgPicture->setText(userFirstName.left(1));
    wdgPicture->setBlfVisible(true);
    wdgPicture->setDirty();
    wdgPicture->update();
    lblStatusText->setText(tr("Utente: CONNESSO"));
    lblLedStatus->setPixmap(MPGUI::ledPixmap(icons.ledGreenIcon, QStringLiteral(":/images/led_green.png")));
    if (connectAction)
        connectAction->setEnabled(false);
    if (disconnectAction)
        disconnectAction->setEnabled(true);

    refreshIdentities();
    ctiLib->enableOutlookSupport(CtiLib::hasOutlookSupportBuilt() && settingsStore->isOutlookImportRequested(),
                                 settingsStore->getConfig().excludedOutlookFolders);
    directory->refreshContactsList();
    directory->onCdrFilterChanged(settingsStore->getCdrFilterValue(), icons.cdrFilterOnIcon, icons.cdrFilterOffIcon);
    refreshPeriodicData();

    // Tray.
    if (trayIcon) {
        if (appMode == MSETTINGS::AppModeSoftphone) {
            trayIcon->setToolTip(tr("%1 - Phone non registrato").arg(windowTitleText));
            setIcon(icons.mctiUnregisteredIcon, true);
        } else {
            trayIcon->setToolTip(tr("%1 - connesso").arg(windowTitleText));
            setIcon(icons.mctiRegisteredIcon, true);
        }
    }
    prompts().showTrayMessage(trayIcon, MSETTINGS::getLongApplicationName(),
                              tr("Connesso a %1 in modalità %2").arg(PbxName, windowTitleText),
                              QSystemTrayIcon::Information, 4000);

    loadMctiAccount();
    volumesVisible = settingsStore->isVolumesFrameVisible();
    updateVolumesVisibility();
    edtCallerNumber->setFocus();
    repaint();
}

void MPGui::initClientApiServer()
{
    if (apiServer || !settingsDialog)
        return;

    QdServerConfig config;
    config.address = QHostAddress::LocalHost;
    config.port = settingsStore->getClientApiServerLocalPort();
    config.portMode = 0; // one fixed port, no range
    config.certificatePath = QStringLiteral(":/cert/MCTI-Client-Desktop.cert.pem");
    config.privateKeyPath = QStringLiteral(":/cert/MCTI-Client-Desktop.key.pem");
    config.keyPassPhrase = QByteArray();
    config.acceptSelfSigned = true;
    config.logFileName = QDir(MSETTINGS::getSettingsDirPath()).filePath(QStringLiteral("apiServerLog.txt"));
    config.loggerName = QStringLiteral("APISERVER");
    config.writerConfig.maxFileSize = 100000;
    config.writerConfig.maxFileNum = 2;
    config.writerConfig.writerFlushSecs = 5;
    config.writerConfig.maxMessageNum = 2;
    config.userValue3 = 15;

    apiServer = new ClientApiServer(settingsStore->getMUsername(), settingsStore->getMPassword(), config, this);
    connect(apiServer, &ClientApiServer::sigHangupCallRequested, this, &MPGui::hangupActiveCall, Qt::QueuedConnection);
    connect(
        apiServer, &ClientApiServer::sigMakeCallRequested, this, [this](const QString &number) { startCall(number); },
        Qt::QueuedConnection);
    connect(apiServer, &ClientApiServer::sigTriggerRecCallRequested, this, &MPGui::triggerRecActiveCall,
            Qt::QueuedConnection);
    connect(apiServer, &ClientApiServer::sigGetCurrentCallInfo, this, &MPGui::getActiveCallInfo, Qt::DirectConnection);
    // Transfers of the current call (line -1).
    connect(
        apiServer, &ClientApiServer::sigBlindTransferCallRequested, this,
        [this](const QString &target) { unattendedTransferCall(target); }, Qt::QueuedConnection);
    connect(
        apiServer, &ClientApiServer::sigAttendedTransferCallRequested, this,
        [this](const QString &target) { attendedTransferCall(target); }, Qt::QueuedConnection);
    connect(
        apiServer, &ClientApiServer::sigQueuesPauseRequested, this, [this](bool pause) { pauseAllQueues(pause); },
        Qt::QueuedConnection);
    connect(apiServer, &ClientApiServer::sigDNDRequested, this, &MPGui::enableDnd, Qt::QueuedConnection);
    // A query: the record is filled before the signal returns.
    connect(apiServer, &ClientApiServer::sigGetQueuedCallInfo, queues, &QueuesController::getQueueInfo,
            Qt::DirectConnection);
}

void MPGui::refreshIdentities()
{
    if (!ctiLib || !session->isUp())
        return;
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Asking for identities refresh";
    ctiLib->getIdentities();
}

void MPGui::refreshPeriodicData()
{
    if (!ctiLib || !session->isUp())
        return;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Request periodic data from MCtiserver";
    refreshCdr(false);
    refreshVoicemailStatus();
}

// The call history and the mailbox status asked of the PBX; the directory and
// messaging code refine what they ask and when.
void MPGui::refreshCdr(bool force)
{
    if (!ctiLib || !session->isUp())
        return;
    ctiLib->getCDR(force);
}

void MPGui::refreshVoicemailStatus()
{
    if (messaging && session->isUp())
        messaging->voicemail()->refreshVoicemailStatus();
}

void MPGui::onMctiServicesChanged()
{
    if (!ctiLib || !settingsDialog)
        return;
    lblContactsUpdating->setText(tr("Importazione contatti in corso..."));
    ctiLib->enableOutlookSupport(CtiLib::hasOutlookSupportBuilt() && settingsStore->isOutlookImportRequested(),
                                 settingsStore->getConfig().excludedOutlookFolders);
    ctiLib->getContactsList(false, 4);
}

void MPGui::pauseAllQueues(bool pause, const QString &reason)
{
    if (queues && queues->pauseAllQueues(pause, reason))
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Pause/unpause on queues requested due to" << reason;
}

// ---------------------------------------------------------------- log-out and disconnection

void MPGui::disconnectFromM()
{
    if (!ctiLib || !ctiLib->isConnected())
        return;
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Disconnect from MPBX requested";
    if (queues && queues->isPauseOnLogoffDue())
        pauseAllQueues(true, QStringLiteral("PauseOnLogoff"));
    ctiLib->logout();
    if (trayIcon)
        trayIcon->setToolTip(tr("%1 - disconnessione in corso...").arg(windowTitleText));
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Disconnecting from VeloraPBX...";
}

// The library's end of a connection reaches the session directly (queued);
// this entry lets a caller hand one in as the library would.
void MPGui::disconnectedFromM(QString reason)
{
    session->disconnected(reason);
}

void MPGui::onSessionEnded(const SessionRules::SessionEnd &end)
{
    const QString &reason = end.received;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Disconnected from VeloraPBX - Reason:" << reason;
    if (restartRequested)
        return;
    const SessionRules::DisconnectReason &parsed = end.reason;

    setWindowTitle(tr("%1 - disconnesso").arg(MSETTINGS::getLongApplicationName()));
    lblAccountInfo->clear();
    wdgPicture->setProfilePixmap(QPixmap());
    wdgPicture->setPresenceVisible(false);
    wdgPicture->setBlfVisible(false);
    wdgPicture->setText(QStringLiteral("?"));
    wdgPicture->setDirty();
    wdgPicture->update();
    if (messaging)
        messaging->voicemail()->onVoicemailMsgListReceived(VoicemailMessageList());
    lblStatusText->setText(tr("Utente: NON CONNESSO"));
    lblLedStatus->setPixmap(MPGUI::ledPixmap(icons.ledGrayIcon, QStringLiteral(":/images/led_gray.png")));
    if (connectAction)
        connectAction->setEnabled(true);
    if (disconnectAction)
        disconnectAction->setEnabled(false);
    resetServiceButtons(false);
    if (settingsDialog)
        settingsStore->setAccountList(IdentityList());

    const SessionRules::DisconnectNotice notice = end.notice;
    const bool wasUp = end.wasUp;
    const bool automaticAttempt = end.automaticAttempt;

    // Reasons that bring a new attempt keep a softphone's lines; the others
    // end every call.
    if (!parsed.reconnects())
        hangupAllCalls(false);
    else if (!phones->engine())
        removeAllLines();
    emit sigSessionEnded(parsed);
    emit sigDisconnected();
    saveTablesState();

    if (parsed.kind == SessionRules::ReasonKind::AuthFailed) {
        PromptService::Message msg;
        msg.kind = PromptService::Kind::Warning;
        msg.title = tr("Errore autenticazione");
        msg.text = tr("Username o password errati, modificarli per connettersi");
        msg.buttons = QMessageBox::Ok;
        QPointer<MPGui> self(this);
        const bool ok = prompts().message(nullptr, msg) == QMessageBox::Ok;
        // The box ran its own event loop: check the window and its settings
        // again before the credential dialog uses them.
        if (!self)
            return;
        if (ok && settingsDialog) {
            QPointer<dlgAuthentication> dlg(new dlgAuthentication(settingsStore));
            dlg->restoreParameters();
            prompts().execDialog(dlg);
            if (dlg)
                dlg->deleteLater();
            if (!self)
                return;
        }
    }

    const QString shown = SessionRules::shownReason(parsed, reason);
    QString trayText;
    switch (notice) {
    case SessionRules::DisconnectNotice::None:
        if (automaticAttempt && !parsed.isKnown())
            logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Reconnection failed, no message shown this time"
                                   << "- was connected:" << int(wasUp) << "- reason:" << reason;
        break;
    case SessionRules::DisconnectNotice::CannotConnect:
        trayText = tr("Impossibile connettersi a %1. \nMotivo: %2").arg(PbxName, shown);
        break;
    case SessionRules::DisconnectNotice::ConnectionClosed:
        trayText = tr("La connessione con %1 è stata chiusa. \nMotivo: %2").arg(PbxName, shown);
        break;
    }
    if (!trayText.isEmpty())
        prompts().showTrayMessage(trayIcon, MSETTINGS::getLongApplicationName(), trayText, QSystemTrayIcon::Warning,
                                  4000);

    if (trayIcon) {
        trayIcon->setToolTip(tr("%1 - disconnesso").arg(windowTitleText));
        setIcon(appMode == MSETTINGS::AppModeSoftphone ? icons.mctiDisconnectedSoftphoneIcon
                                                       : icons.mctiDisconnectedIcon,
                true);
    }
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Exiting...";
}

// ---------------------------------------------------------------- quit, restart and teardown

bool MPGui::confirmQuit()
{
    const QString title = MSETTINGS::getLongApplicationName() + tr(" - Chiusura applicazione");
    QString text = QStringLiteral("<p align='center'>") + tr("Sei sicuro di voler chiudere l'applicazione<br>");
    if (appMode == MSETTINGS::AppModeSoftphone)
        text += windowTitleText.toHtmlEscaped() + tr("?<br>Tutte chiamate in corso verranno interrotte.");
    else
        text += MSETTINGS::getLongApplicationName().toHtmlEscaped() + QStringLiteral("?");
    text += QStringLiteral("</p>");

    PromptService::Message msg;
    msg.kind = PromptService::Kind::Question;
    msg.title = title;
    msg.text = text;
    msg.format = Qt::RichText;
    msg.buttons = QMessageBox::Yes | QMessageBox::No;
    msg.defaultButton = QMessageBox::No;
    msg.buttonTexts.insert(QMessageBox::Yes, tr("Si"));
    // Only No declines; closing the box counts as No.
    return prompts().message(nullptr, msg) != QMessageBox::No;
}

bool MPGui::quitApplication(bool isRestartRequired, bool askToUser)
{
    QObject *origin = sender();
    if (origin && origin == quitAction)
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Quit action triggered";
    else if (origin && origin == settingsDialog)
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "sigRestarted action triggered";

    if (askToUser && !isRestartRequired && !confirmQuit()) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Velora CTI closing canceled.";
        return false;
    }

    emit sigAboutToExit();
    hangupAllCalls(false);

    if (clipboard) {
        disconnect(clipboard, nullptr, this, nullptr);
        clipboard = nullptr;
    }
    hide();

    if (trayIcon) {
        QSystemTrayIcon *old = trayIcon;
        trayIcon = nullptr;
        old->hide();
        old->deleteLater();
        releasedLater << QPointer<QObject>(old);
    }
    releaseLater(apiServer, releasedLater);
    if (queues)
        queues->releaseSupervisorPanel();

    if (settingsDialog) {
        settingsStore->saveDimension(width(), height());
        settingsStore->savePos(x(), y());
        saveTablesState();
        settingsStore->saveParameters();
        if (appMode == MSETTINGS::AppModeSoftphone && phones->engine())
            settingsStore->saveAudioVolumes(hsldInputAudio->value(), hsldOutputAudio->value());
        MSettingsDialog *old = settingsDialog;
        settingsDialog = nullptr;
        old->disconnect();
        old->deleteLater();
        releasedLater << QPointer<QObject>(old);
    }

    if (messaging && messaging->chatStore()) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Delete ChatDB manager";
        messaging->closeChatDb();
    }

    session->close();
    shutDownCti();

    restartRequested = isRestartRequired;
    if (isRestartRequired) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Restarting Application required";
        if (logger)
            logger->flush();
        QCoreApplication::exit(DesklineStartup::RestartExitCode);
    } else {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Closing Application ...";
        if (logger)
            logger->flush();
        QCoreApplication::quit();
    }
    return true;
}

void MPGui::saveTablesState()
{
    if (!settingsDialog || appMode == MSETTINGS::AppModeCtiOnly)
        return;
    settingsStore->saveTablesHeaders(tvFavourites->header()->saveState(), tvExtensions->header()->saveState(),
                                     tvContacts->header()->saveState(), tvCdr->header()->saveState());
}

MPGui::~MPGui()
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "About to destroy MPGUI object...";

    if (clipboard) {
        disconnect(clipboard, nullptr, this, nullptr);
        clipboard = nullptr;
    }
    if (loaderMovie) {
        loaderMovie->stop();
        delete loaderMovie;
        loaderMovie = nullptr;
    }
    // The subsystems go before what they use: their timers stop, their
    // dialogs, models and stores are released.
    delete updates;
    updates = nullptr;
    delete rapid;
    rapid = nullptr;
    delete dirActions;
    dirActions = nullptr;
    delete control;
    control = nullptr;
    delete events;
    events = nullptr;
    delete messaging;
    messaging = nullptr;
    delete calls;
    calls = nullptr;
    delete directory;
    directory = nullptr;

    if (apiServer) {
        ClientApiServer *old = apiServer;
        apiServer = nullptr;
        old->disconnect();
        old->close();
        delete old;
    }
    if (queues)
        queues->releaseSupervisorPanel();
    releaseNow(settingsDialog);

    pauseAllQueues(false, QStringLiteral("Bye bye"));
    delete queues;
    queues = nullptr;

    session->close();
    shutDownCti();
    delete phones;
    phones = nullptr;
    retiredCti.reset();
    delete session;
    session = nullptr;
    if (trayIcon) {
        QSystemTrayIcon *old = trayIcon;
        trayIcon = nullptr;
        old->hide();
        delete old;
    }
    qDeleteAll(shortcutsMap);
    shortcutsMap.clear();
    // What quitting released and no event loop has deleted yet (a restart
    // destroys the window right after its loop ended).
    for (const QPointer<QObject> &pending : qAsConst(releasedLater))
        delete pending.data();
    releasedLater.clear();

    if (logger) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Now destroying logger and exiting.";
        logger->flush();
        CrashHandler::clearLogTarget();
        Logger *old = logger;
        logger = nullptr;
        delete old;
    }
}
