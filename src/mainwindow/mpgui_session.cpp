// The PBX session of the main window: log-in and the steps after it, the
// user's log-out, the reaction to the end of a connection with the automatic
// reconnection, and the refresh slots that run while the session is up.
#include "mpgui.h"

#include "cdrfilterproxymodel.h"
#include "clientapiserver.h"
#include "contactfilterproxymodel.h"
#include "crashhandler.h"
#include "ctilib.h"
#include "customshortcut.h"
#include "dlgcontactedit.h"
#include "dlgredirect.h"
#include "extenfavouritefilterproxymodel.h"
#include "extenfilterproxymodel.h"
#include "globallogger.h"
#include "guiutils.h"
#include "mpchatsqlite.h"
#include "msettings.h"
#include "msettingsdialog.h"
#include "mspmainwidget.h"
#include "pbxsessionrules.h"
#include "promptservice.h"
#include "sslserver.h"
#include "wdgcdrfilter.h"
#include "wdgchatpanel.h"
#include "wdgprofileimage.h"
#include "wdgqueues.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QHeaderView>
#include <QMovie>
#include <QPixmap>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTimer>

namespace
{
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

using PbxSession::RefreshPeriod;

// Takes the CTI client from the window, logged out and shut down, for the
// caller to delete. Disconnected first: the log-out must not run the
// window's disconnection handling.
CtiLib *MPGui::takeCtiLib()
{
    CtiLib *old = ctiLib;
    if (!old)
        return nullptr;
    ctiLib = nullptr;
    old->disconnect();
    disconnect(old, nullptr, this, nullptr);
    old->logout();
    old->shutdown();
    return old;
}

namespace
{
const QString PbxName = QStringLiteral("PBX");
const int LedSize = 18;

QPixmap ledPixmap(const QIcon &icon, const QString &fallbackResource)
{
    QPixmap px = icon.isNull() ? QPixmap(fallbackResource) : icon.pixmap(LedSize, LedSize);
    if (!px.isNull() && px.size() != QSize(LedSize, LedSize))
        px = px.scaled(LedSize, LedSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return px;
}

// Removes `page` from `tabs` when it is there and keeps the tab widget at
// least as wide as its tab bar wants.
void removeTabPage(QTabWidget *tabs, QWidget *page)
{
    if (!tabs || !page)
        return;
    const int index = tabs->indexOf(page);
    if (index < 0)
        return;
    tabs->removeTab(index);
    const int wanted = tabs->tabBar()->sizeHint().width();
    if (tabs->minimumWidth() < wanted)
        tabs->setMinimumWidth(wanted);
}
} // namespace

bool MPGui::checkVeloraFwVers(const QString &firmware)
{
    return PbxSession::isFirmwareSupported(firmware);
}

// ---------------------------------------------------------------- log-in

void MPGui::connectToM()
{
    if (!settingsDialog)
        return;
    if (reconnectTimer)
        reconnectTimer->stop();
    if (ctiLib && ctiLib->isConnected())
        return;
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Connect to MPBX requested";

    const PbxSession::UserAndTenant account = PbxSession::splitUsername(settingsDialog->getMUsername());
    tenant = account.tenant;
    const QString password = settingsDialog->getMPassword();
    const QString address = settingsDialog->getMAddress();
    if (appMode >= 3 || appMode < 0) {
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
    ctiLib->enableMessagesDump(settingsDialog->isCtilibMessagesDumpEnabled());

    const int keepAlive = settingsDialog->getChatKeepAliveSendIntervalSecs();
    if (!PbxSession::isKeepAliveIntervalAccepted(keepAlive)) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Cannot set chat keep-alive send interval to" << keepAlive
                                   << "seconds. It must be at least" << PbxSession::MinKeepAliveSecs << "seconds";
    } else if (!ctiLib->setChatKeepAliveSendIntervalSec(keepAlive)) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Unable to set chat keep-alive send interval to" << keepAlive
                                   << "seconds";
    }

    if (pbxTrust.wait() == 0 && logger)
        *logger << UNQL::LOG_WARNING << Q_FUNC_INFO << "No certificate authority of the PBX could be loaded"
                << UNQL::eom;
    ctiLib->setServerAddress(address);
    ctiLib->connectToServer(account.user, password, tenant, appMode, QString(), 0);

    if (trayIcon)
        trayIcon->setToolTip(tr("%1 - connessione in corso...").arg(MSETTINGS::getLongApplicationName()));
}

void MPGui::reconnectToM()
{
    autoReconnect = true;
    if (!ctiLib) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Missing mctilib pointer";
        return;
    }
    connectToM();
}

int MPGui::refreshPeriodMs(int which, int storedSecs) const
{
    bool replaced = false;
    const int secs = PbxSession::sanitizedRefreshSecs(RefreshPeriod(which), storedSecs, &replaced);
    if (replaced && logger)
        *logger << UNQL::LOG_WARNING << Q_FUNC_INFO << "Refresh period" << which << "of" << storedSecs
                << "seconds is not usable: using the default of" << secs << "seconds" << UNQL::eom;
    return secs * 1000;
}

void MPGui::connectedToM(const LoginDetails &details)
{
    if (!ctiLib || !settingsDialog) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Got NULL m_mctic in connectedToM!!!";
        return;
    }

    if (reconnectTimer)
        reconnectTimer->stop();
    autoReconnect = false;
    userLastName = details.lastName;
    userFirstName = details.firstName;

    // Firmware gate.
    if (!checkVeloraFwVers(details.firmwareVersion)) {
        PromptService::Message msg;
        msg.kind = PromptService::Kind::Warning;
        msg.title = windowTitleText + QStringLiteral(" - ") + tr("Versione PBX non compatibile");
        msg.text = tr("Questa versione di %1 richiede che su %2 sia presente una versione firmware uguale o "
                      "superiore alla %3.%4.%5.\nIl programma verrà chiuso.")
                       .arg(windowTitleText, PbxName)
                       .arg(PbxSession::MinFirmwareMajor)
                       .arg(PbxSession::MinFirmwareMinor)
                       .arg(PbxSession::MinFirmwarePatch);
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
        return;
    }

    updateStrings();
    queueRole = details.queueRole;
    pbxCapabilities = ctiLib->getPbxCapabilities();

    const QString firmware = details.firmwareVersion;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "We connected to a Velora with firmware" << firmware;
    if (!PbxSession::firmwareHasVisualVoicemail(firmware)) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Velora firmware" << firmware << " does not support VisualVoiceMail";
        removeTabPage(tabContactsWidget, voiceMailTabWidget);
    }
    if (!PbxSession::firmwareHasQueueGroupCdrFilter(firmware)) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Velora firmware" << firmware
                                << " does not support queue/group calls in cdr: checkboxes not available";
    } else {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Velora firmware" << firmware
                                << " supports queue/group calls in cdr: checkboxes available";
    }

    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Successfully Connected to VeloraPBX with username"
                            << ctiLib->getLoginUsername() << " as" << windowTitleText << " client";

    settingsDialog->updateAppMode(MSETTINGS::AppMode(appMode));
    if (queuesGui)
        queuesGui->setAppMode(appMode);

    initClientApiServer();

    // Queue role.
    if (queueRole == 1 || queueRole == 2) {
        initSupervisorPanel();
        lblLedQueueStatus->show();
        queueCallsCountVisible = settingsDialog->isQCallsCountVisible();
        if (queueRole == 2) {
            settingsDialog->setSupervisorMode(true);
            if (reportAction)
                reportAction->setEnabled(pbxCapabilities & (1u << 2));
            btnSVP->setEnabled(true);
            btnSVP->show();
            btnSVP->setToolTip(tr("Pannello supervisore"));
        } else {
            settingsDialog->setSupervisorMode(false);
            if (reportAction)
                reportAction->setEnabled(false);
            btnSVP->setEnabled(false);
            btnSVP->hide();
            btnSVP->setToolTip(tr("Pannello supervisore non disponibile"));
        }
        btnPauseAll->setEnabled(false);
        btnPauseAll->hide();
        if (pauseAllAction)
            pauseAllAction->setEnabled(false);
    } else {
        lblQueueStatus->hide();
        lblLedQueueStatus->hide();
        btnSVP->setEnabled(false);
        btnSVP->hide();
        btnPauseAll->setEnabled(false);
        btnPauseAll->hide();
        if (pauseAllAction)
            pauseAllAction->setEnabled(false);
    }

    // Service buttons back to their reset state.
    btnDualRingToggle->setToolTip(tr("Servizio Fork To Mobile non configurato"));
    btnDualRingToggle->setAccessibleDescription(tr("Servizio Fork To Mobile non configurato"));
    btnDualRingToggle->setIcon(dualRingOffIcon);
    btnDualRingToggle->setEnabled(false);
    btnDualRingToggle->hide();
    forkToMobileActive = false;
    btnDnd->setEnabled(false);
    btnDnd->hide();
    btnDnd->setIcon(dndOffIcon);
    btnDnd->setToolTip(tr("Do Not Disturb non attivo"));
    btnDnd->setAccessibleDescription(tr("Do Not Disturb non attivo"));
    btnRedirect->setEnabled(true);
    btnRedirect->show();

    if (appMode != 2) {
        btnStartAudioCall->setEnabled(true);
        edtCallerNumber->setEnabled(true);
        btnMail->setEnabled(true);
        btnMail->show();
        btnConference->setEnabled(true);
        btnConference->show();
    }

    if (pbxCapabilities & (1u << 0)) {
        btnSendSMS->setEnabled(true);
        btnSendSMS->show();
        btnSendSMS->setToolTip(tr("Invia SMS"));
    } else {
        btnSendSMS->setEnabled(false);
        btnSendSMS->hide();
        btnSendSMS->setToolTip(tr("Servizio Invia SMS non disponibile"));
    }

    // Connected look.
    setWindowTitle(windowTitleText);
    wdgPicture->setText(userFirstName.isEmpty() ? QStringLiteral("?") : userFirstName.left(1).toUpper());
    wdgPicture->setDirty();
    wdgPicture->update();
    lblStatusText->setText(tr("Utente: CONNESSO"));
    lblLedStatus->setPixmap(ledPixmap(ledGreenIcon, QStringLiteral(":/images/led_green.png")));
    lblQueueStatus->setText(tr("Stato Code: N/D"));
    lblLedQueueStatus->setPixmap(ledPixmap(ledGrayIcon, QStringLiteral(":/images/led_gray.png")));
    if (connectAction)
        connectAction->setEnabled(false);
    if (disconnectAction)
        disconnectAction->setEnabled(true);
    cdrStckWidget->setCurrentWidget(pageCdrNoResults);

    btnAddContact->show();
    if (pbxCapabilities & (1u << 13)) {
        btnAddContact->setEnabled(true);
        btnAddContact->setToolTip(tr("Aggiungi contatto"));
    } else {
        btnAddContact->setEnabled(false);
        btnAddContact->setToolTip(
            tr("Aggiunta contatto non supportata dalla versione di %1 a cui si è attualmente connessi.").arg(PbxName));
    }

    // Refresh timers, each after one immediate refresh.
    const MctiConfig config = settingsDialog->getConfig();
    wasConnected = true;
    refreshIdentities();
    if (identitiesTimer) {
        identitiesTimer->start(
            (pbxCapabilities & (1u << 12))
                ? refreshPeriodMs(int(RefreshPeriod::Identities), config.identitiesRefreshTimeoutSecs)
                : refreshPeriodMs(int(RefreshPeriod::CodecOrder), config.codecOrderRefreshTimeoutSecs));
    }

    lblContactsUpdating->setText(tr("Importazione contatti in corso..."));
    ctiLib->enableOutlookSupport(CtiLib::hasOutlookSupportBuilt() && settingsDialog->isOutlookImportRequested(),
                                 config.excludedOutlookFolders);
    refreshContactsList();
    if (contactsRefreshTimer)
        contactsRefreshTimer->start(refreshPeriodMs(int(RefreshPeriod::Contacts), config.contactsRefreshTimeoutSecs));

    onCdrFilterChanged(settingsDialog->getCdrFilterValue());
    refreshPeriodicData();
    if (periodicDataTimer)
        periodicDataTimer->start(refreshPeriodMs(int(RefreshPeriod::Cdr), config.cdrRefreshTimeoutSecs));

    if ((pbxCapabilities & (1u << 11)) && rebrandingTimer && !rebrandingTimer->isActive())
        rebrandingTimer->start(GuiUtils::randomValue(30000, 30000));

    // Tray.
    if (trayIcon) {
        if (appMode == 2) {
            trayIcon->setToolTip(tr("%1 - Phone non registrato").arg(windowTitleText));
            setIcon(mctiUnregisteredIcon, true);
        } else {
            trayIcon->setToolTip(tr("%1 - connesso").arg(windowTitleText));
            setIcon(mctiRegisteredIcon, true);
        }
    }
    prompts().showTrayMessage(trayIcon, MSETTINGS::getLongApplicationName(),
                              tr("Connesso a %1 in modalità %2").arg(PbxName, windowTitleText),
                              QSystemTrayIcon::Information, 4000);

    volumesVisible = settingsDialog->isVolumesFrameVisible();
    updateVolumesVisibility();
    if (chatPanel)
        chatPanel->enableChatWindows(true);
    edtCallerNumber->setFocus();
    repaint();
}

void MPGui::initClientApiServer()
{
    if (apiServer || !settingsDialog)
        return;

    QdServerConfig config;
    config.address = QHostAddress::LocalHost;
    config.port = settingsDialog->getClientApiServerLocalPort();
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

    apiServer = new ClientApiServer(settingsDialog->getMUsername(), settingsDialog->getMPassword(), config, this);
    connect(apiServer, &ClientApiServer::sigHangupCallRequested, this, &MPGui::hangupActiveCall, Qt::QueuedConnection);
    connect(apiServer, &ClientApiServer::sigBlindTransferCallRequested, this, &MPGui::unattendedTransferCall,
            Qt::QueuedConnection);
    connect(apiServer, &ClientApiServer::sigAttendedTransferCallRequested, this, &MPGui::attendedTransferCall,
            Qt::QueuedConnection);
    connect(
        apiServer, &ClientApiServer::sigQueuesPauseRequested, this, [this](bool pause) { pauseAllQueues(pause); },
        Qt::QueuedConnection);
}

void MPGui::initSupervisorPanel()
{
    releaseLater(supervisorPanel, releasedLater);
    if (!settingsDialog)
        return;

    supervisorPanel = new MspMainWidget(ctiLib, nullptr, settingsDialog->getConfig(), nullptr);
    supervisorPanel->setMinimumSize(950, 650);
    supervisorPanel->resize(1024, 768);
    supervisorPanel->updateLogoFile(QStringLiteral(":/images/velora-pbx-CCenter.png"));
    supervisorPanel->updateThresholdLists(settingsDialog->getAnswCallsTimeThresholdList(),
                                          settingsDialog->getLostCallsTimeThresholdList());
    supervisorPanel->setWindowIcon(windowIcon());
    supervisorPanel->setWindowTitle(QStringLiteral("Supervisor Panel"));
    supervisorPanel->hide();
}

void MPGui::refreshIdentities()
{
    if (!ctiLib || !wasConnected)
        return;
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Asking for identities refresh";
    ctiLib->getIdentities();
}

void MPGui::refreshPeriodicData()
{
    if (!ctiLib || !wasConnected)
        return;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Request periodic data from MCtiserver";
    // Call records and the mailbox status.
    ctiLib->getCDR(false);
    ctiLib->getMailboxStatus();
}

void MPGui::onMctiServicesChanged()
{
    if (!ctiLib || !settingsDialog)
        return;
    lblContactsUpdating->setText(tr("Importazione contatti in corso..."));
    ctiLib->enableOutlookSupport(CtiLib::hasOutlookSupportBuilt() && settingsDialog->isOutlookImportRequested(),
                                 settingsDialog->getConfig().excludedOutlookFolders);
    ctiLib->getContactsList(false, 4);
}

void MPGui::pauseAllQueues(bool pause, const QString &reason)
{
    if (queueRole != 1 && queueRole != 2)
        return;
    if (!ctiLib || !ctiLib->isConnected())
        return;
    ctiLib->pauseQueues(pause, QString(), reason, QString());
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Pause/unpause on queues requested due to" << reason;
}

// ---------------------------------------------------------------- log-out and disconnection

void MPGui::disconnectFromM()
{
    if (!ctiLib || !ctiLib->isConnected())
        return;
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Disconnect from MPBX requested";
    if (settingsDialog && settingsDialog->isPauseOnLogoffRequired() && (queueRole == 1 || queueRole == 2) &&
        !queuesPausedAny)
        pauseAllQueues(true, QStringLiteral("PauseOnLogoff"));
    ctiLib->logout();
    if (trayIcon)
        trayIcon->setToolTip(tr("%1 - disconnessione in corso...").arg(windowTitleText));
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Disconnecting from VeloraPBX...";
}

void MPGui::disconnectedFromM(QString reason)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Disconnected from VeloraPBX - Reason:" << reason;
    if (restartRequested)
        return;

    stackedContacts->setCurrentWidget(pageContacts);
    setWindowTitle(tr("%1 - disconnesso").arg(MSETTINGS::getLongApplicationName()));
    lblAccountInfo->clear();

    for (QTimer *t : {periodicDataTimer, contactsRefreshTimer, identitiesTimer, rebrandingTimer}) {
        if (t)
            t->stop();
    }

    wdgPicture->setProfilePixmap(QPixmap());
    wdgPicture->setPresenceVisible(false);
    wdgPicture->setText(QStringLiteral("?"));
    wdgPicture->setDirty();
    wdgPicture->update();
    btnAddContact->hide();
    btnAddContact->setEnabled(false);
    onVoicemailMsgListReceived(VoicemailMessageList());

    lblStatusText->setText(tr("Utente: NON CONNESSO"));
    const QPixmap grey = ledPixmap(ledGrayIcon, QStringLiteral(":/images/led_gray.png"));
    lblLedStatus->setPixmap(grey);
    lblLedQueueStatus->setPixmap(grey);
    lblQueueStatus->setText(tr("Stato Code: N/D"));

    if (connectAction)
        connectAction->setEnabled(true);
    for (QAction *a : {disconnectAction, pauseAllAction, reportAction}) {
        if (a)
            a->setEnabled(false);
    }
    edtCallerNumber->setEnabled(false);
    btnStartAudioCall->setEnabled(false);

    queueRole = 0;
    queueCallsCountVisible = false;
    resetServiceButtons(false);
    sipRegistered = false;
    if (settingsDialog)
        settingsDialog->setAccountList(IdentityList());

    if (chatPanel)
        chatPanel->enableChatWindows(false);
    emit sigDisconnected();

    releaseLater(supervisorPanel, releasedLater);
    saveTablesState();

    const PbxSession::DisconnectReason parsed = PbxSession::parseDisconnectReason(reason);
    if (parsed.kind == PbxSession::ReasonKind::AuthFailed) {
        PromptService::Message msg;
        msg.kind = PromptService::Kind::Warning;
        msg.title = tr("Errore autenticazione");
        msg.text = tr("Username o password errati, modificarli per connettersi");
        msg.buttons = QMessageBox::Ok;
        prompts().message(nullptr, msg);
    }

    const QString shown = PbxSession::shownReason(parsed, reason);
    const QString title = MSETTINGS::getLongApplicationName();
    QString trayText;
    if (parsed.kind == PbxSession::ReasonKind::UserRequest) {
        // The user asked for it: nothing to tell.
    } else if (parsed.isKnown()) {
        trayText = tr("Impossibile connettersi a %1. \nMotivo: %2").arg(PbxName, shown);
    } else if (autoReconnect) {
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Reconnection failed, no message shown this time"
                               << "- was connected:" << int(wasConnected) << "- reason:" << reason;
    } else if (wasConnected) {
        trayText = tr("La connessione con %1 è stata chiusa. \nMotivo: %2").arg(PbxName, shown);
    } else {
        trayText = tr("Impossibile connettersi a %1. \nMotivo: %2").arg(PbxName, shown);
    }
    if (!trayText.isEmpty())
        prompts().showTrayMessage(trayIcon, title, trayText, QSystemTrayIcon::Warning, 4000);

    if (chatPanel)
        chatPanel->deleteAllChatSession();

    if (parsed.isKnown()) {
        if (chatPanel)
            chatPanel->closeAllDetachedWindows();
        removeTabPage(tabContactsWidget, queueTabWidget);
        if (pauseAllAction)
            pauseAllAction->setEnabled(false);
        for (QStandardItemModel *m : {extenModel, contactsModel, cdrModel}) {
            if (m)
                m->setRowCount(0);
        }
    }

    if (trayIcon) {
        trayIcon->setToolTip(tr("%1 - disconnesso").arg(windowTitleText));
        setIcon(appMode == 2 ? mctiDisconnectedSoftphoneIcon : mctiDisconnectedIcon, true);
    }
    wasConnected = false;
    if (queuesGui)
        queuesGui->clear();

    if (reconnectTimer) {
        if (parsed.reconnects())
            reconnectTimer->start(PbxSession::reconnectDelayMs());
        else
            reconnectTimer->stop();
    }
    autoReconnect = false;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Exiting...";
}

// ---------------------------------------------------------------- quit, restart and teardown

bool MPGui::confirmQuit()
{
    const QString title = MSETTINGS::getLongApplicationName() + tr(" - Chiusura applicazione");
    QString text = QStringLiteral("<p align='center'>") + tr("Sei sicuro di voler chiudere l'applicazione<br>");
    if (appMode == 2)
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
    if (logger) {
        QObject *origin = sender();
        if (origin && origin == quitAction)
            *logger << UNQL::LOG_INFO << Q_FUNC_INFO << "Quit action triggered" << UNQL::eom;
        else if (origin && origin == settingsDialog)
            *logger << UNQL::LOG_INFO << Q_FUNC_INFO << "sigRestarted action triggered" << UNQL::eom;
    }

    if (askToUser && !isRestartRequired && !confirmQuit()) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Velora CTI closing canceled.";
        return false;
    }

    emit sigAboutToExit();

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
    releaseLater(supervisorPanel, releasedLater);

    if (settingsDialog) {
        settingsDialog->saveDimension(width(), height());
        settingsDialog->savePos(x(), y());
        saveTablesState();
        settingsDialog->saveParameters();
        if (appMode == 2 && phoneEngine)
            settingsDialog->saveAudioVolumes(hsldInputAudio->value(), hsldOutputAudio->value());
        MSettingsDialog *old = settingsDialog;
        settingsDialog = nullptr;
        old->disconnect();
        old->deleteLater();
        releasedLater << QPointer<QObject>(old);
    }

    if (chatDb) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Delete ChatDB manager";
        delete chatDb;
        chatDb = nullptr;
    }

    if (CtiLib *old = takeCtiLib()) {
        old->deleteLater();
        releasedLater << QPointer<QObject>(old);
    }

    restartRequested = isRestartRequired;
    if (isRestartRequired) {
        if (logger) {
            *logger << UNQL::LOG_INFO << Q_FUNC_INFO << "Restarting Application required" << UNQL::eom;
            logger->flush();
        }
        QCoreApplication::exit(RestartExitCode);
    } else {
        if (logger) {
            *logger << UNQL::LOG_INFO << Q_FUNC_INFO << "Closing Application ..." << UNQL::eom;
            logger->flush();
        }
        QCoreApplication::quit();
    }
    return true;
}

void MPGui::saveTablesState()
{
    if (!settingsDialog || (appMode != 1 && appMode != 2))
        return;
    settingsDialog->saveTablesHeaders(tvFavourites->header()->saveState(), tvExtensions->header()->saveState(),
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
    QTimer **timers[] = {&periodicDataTimer, &identitiesTimer,    &contactsRefreshTimer, &rebrandingTimer,
                         &reconnectTimer,    &contactSearchTimer, &extenSearchTimer,     &cdrSearchTimer,
                         &cdrDateTimer,      &updateCheckTimer,   &tabAnimTimer,         &clipboardInactivityTimer};
    for (QTimer **timer : timers) {
        if (*timer) {
            (*timer)->stop();
            delete *timer;
            *timer = nullptr;
        }
    }
    releaseNow(dlgContactEdit);
    releaseNow(dlgRedirect);

    if (apiServer) {
        ClientApiServer *old = apiServer;
        apiServer = nullptr;
        old->disconnect();
        old->close();
        delete old;
    }
    releaseNow(supervisorPanel);
    releaseNow(settingsDialog);

    pauseAllQueues(false, QStringLiteral("Bye bye"));

    delete takeCtiLib();
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

    delete contactsProxy;
    contactsProxy = nullptr;
    delete contactsModel;
    contactsModel = nullptr;
    delete extenModel;
    extenModel = nullptr;
    delete extenProxy;
    extenProxy = nullptr;
    delete favouritesProxy;
    favouritesProxy = nullptr;
    delete cdrProxy;
    cdrProxy = nullptr;
    delete cdrModel;
    cdrModel = nullptr;
    delete cdrFilter;
    cdrFilter = nullptr;
    delete chatDb;
    chatDb = nullptr;

    if (logger) {
        *logger << UNQL::LOG_INFO << Q_FUNC_INFO << "Now destroying logger and exiting." << UNQL::eom;
        logger->flush();
        CrashHandler::clearLogTarget();
        Logger *old = logger;
        logger = nullptr;
        delete old;
    }
}
