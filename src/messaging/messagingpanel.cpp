#include "messagingpanel.h"

#include "app/globallogger.h"
#include "calls/calllines.h"
#include "chatextensiondirectory.h"
#include "ctilib.h"
#include "dlgredirect.h"
#include "framework/promptservice.h"
#include "mpchatsqlite.h"
#include "settings/msettings.h"
#include "voicemaillink.h"
#include "voicemailpanel.h"
#include "wdgchatpanel.h"
#include "widgets/mainwindowicons.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRegExpValidator>
#include <QTabBar>
#include <QTabWidget>

MessagingPanel::MessagingPanel(const Widgets &widgets, const MainWindowIcons &windowIcons, CtiLib &ctiClient,
                               const ServicesDialCodesMap &serviceCodes, CallLines &callLines, Host &windowHost,
                               ChatHost &chat, ChatExtensionDirectory &extensionDirectory, const Clock &clock,
                               PromptService &prompts, QObject *parent)
    : QObject(parent), ui(widgets), icons(windowIcons), cti(ctiClient), servicesCodes(serviceCodes), calls(callLines),
      host(windowHost), chatLink(ctiClient), chatHost(chat), extensions(extensionDirectory)
{
    setObjectName(QStringLiteral("messagingPanel"));
    VoicemailPanel::Widgets voicemailWidgets;
    voicemailWidgets.voicemailStckWidget = widgets.voicemailStckWidget;
    voicemailWidgets.pageVoicemailNoResults = widgets.pageVoicemailNoResults;
    voicemailWidgets.pageVoicemail = widgets.pageVoicemail;
    voicemailWidgets.VoicemailLayout = widgets.VoicemailLayout;
    voicemailPanel = new VoicemailPanel(voicemailWidgets, std::make_shared<CtiVoicemailLink>(cti),
                                        VoicemailPlayer::multimedia(), this);

    // The PBX's service, mailbox and voicemail reports.
    connect(&cti, &CtiLib::sigExtenMobileNumberRcvd, this, &MessagingPanel::onExtenMobileNumRcvd);
    connect(&cti, &CtiLib::sigServiceStatusChanged, this, &MessagingPanel::onServiceStatusListRcvd);
    connect(&cti, &CtiLib::sigInCallServiceStatusReceived, this, &MessagingPanel::onInCallServiceStatusRcvd);
    connect(&cti, &CtiLib::sigMailboxStatusChanged, this, &MessagingPanel::onMailboxStatusChanged);
    connect(&cti, &CtiLib::sigVoicemailMsgList, voicemailPanel, &VoicemailPanel::onVoicemailMsgListReceived);
    connect(&cti, &CtiLib::sigVoicemailDownloadCompleted, voicemailPanel,
            &VoicemailPanel::onVoicemailDownloadCompleted);

    for (QTimer *t : {&dndReportTimer, &forkReportTimer}) {
        t->setSingleShot(true);
        t->setInterval(ReportTimeoutMs);
    }
    dndReportTimer.setObjectName(QStringLiteral("dndReportTimer"));
    forkReportTimer.setObjectName(QStringLiteral("forkReportTimer"));
    connect(&dndReportTimer, &QTimer::timeout, this,
            [this] { showServices(services.reportTimedOut(PbxServices::ServiceState::Dnd)); });
    connect(&forkReportTimer, &QTimer::timeout, this,
            [this] { showServices(services.reportTimedOut(PbxServices::ServiceState::Fork)); });
    createChat(clock, prompts);
}

DlgRedirect *MessagingPanel::redirectDialog()
{
    // Built when first needed. The forward number: an optional "+", then
    // digits, "#" and "*".
    if (!dlgRedirect) {
        dlgRedirect = new DlgRedirect(nullptr, Qt::WindowTitleHint | Qt::WindowSystemMenuHint);
        dlgRedirect->numberEdit()->setValidator(new QRegExpValidator(
            QRegExp(QStringLiteral("^\\+?[0-9#*]*$"), Qt::CaseSensitive, QRegExp::RegExp), dlgRedirect));
    }
    return dlgRedirect;
}

void MessagingPanel::setReportTimeout(int msecs)
{
    dndReportTimer.setInterval(msecs);
    forkReportTimer.setInterval(msecs);
}

MessagingPanel::~MessagingPanel()
{
    delete chatCtl;
    chatCtl = nullptr;
    if (dlgRedirect) {
        dlgRedirect->disconnect();
        dlgRedirect->close();
        delete dlgRedirect;
    }
    delete chatDb;
}

void MessagingPanel::openChatDb(const QString &file, const QString &user, const QString &pbxAddress)
{
    chatCtl->setStore(nullptr);
    delete chatDb;
    chatDb = new MPChatSqlite(file, user, pbxAddress);
    chatCtl->setStore(chatDb);
}

// Deleting the store writes its pending rows into the file.
void MessagingPanel::closeChatDb()
{
    chatCtl->setStore(nullptr);
    delete chatDb;
    chatDb = nullptr;
}

void MessagingPanel::createChat(const Clock &clock, PromptService &prompts)
{
    chatCtl = new ChatController(&chatLink, chatDb, ui.chatPanel, &chatHost, extensions, clock, prompts, this);
    chatCtl->setObjectName(QStringLiteral("chatController"));
    connect(chatCtl, &ChatController::trayAlertShown, this, [this](const QString &exten) { lastTrayExten = exten; });
    // The PBX's chat reports.
    connect(&cti, &CtiLib::sigChatConnected, chatCtl, &ChatController::onChatConnected);
    connect(&cti, &CtiLib::sigChatDisconnected, chatCtl, &ChatController::onChatDisconnected);
    connect(&cti, &CtiLib::sigChatMessage, chatCtl, &ChatController::onChatMessage);
    connect(&cti, &CtiLib::sigChatContactComposing, chatCtl, &ChatController::onChatContactComposing);
    connect(&cti, &CtiLib::sigChatHistory, chatCtl, &ChatController::onChatHistoryReceived);
}

bool MessagingPanel::hasActiveCall() const
{
    return !calls.activeLines().isEmpty();
}

bool MessagingPanel::onTrayMessageClicked()
{
    const QString exten = lastTrayExten;
    lastTrayExten.clear();
    if (exten.isEmpty() || !ui.chatPanel->hasChatSession(exten))
        return false;
    chatHost.showChatTab();
    ui.chatPanel->putOnTop(exten);
    return true;
}

void MessagingPanel::onSessionStarted(const SessionRules::SessionStart &session)
{
    const SessionRules::SessionFeatures features = SessionRules::sessionFeatures(session);
    if (!features.visualVoicemail) {
        const int index = ui.tabContactsWidget->indexOf(ui.voiceMailTabWidget);
        if (index >= 0) {
            ui.tabContactsWidget->removeTab(index);
            const int wanted = ui.tabContactsWidget->tabBar()->sizeHint().width();
            if (ui.tabContactsWidget->minimumWidth() < wanted)
                ui.tabContactsWidget->setMinimumWidth(wanted);
        }
    }

    // Service buttons: forward shown, DND and fork wait for their reports.
    appMode = int(session.mode);
    visualVoicemail = features.visualVoicemail;
    voicemailPanel->resetSession();
    voicemailPanel->setAvailable(visualVoicemail);
    dndReportTimer.stop();
    forkReportTimer.stop();
    services.loggedIn();
    showServices(PbxServices::ServiceState::Dnd | PbxServices::ServiceState::Forward | PbxServices::ServiceState::Fork);
    ui.btnDualRingToggle->setToolTip(tr("Servizio Fork To Mobile non configurato"));
    ui.btnDualRingToggle->setAccessibleDescription(tr("Servizio Fork To Mobile non configurato"));

    if (features.dialFromWindow) {
        ui.btnMail->setEnabled(true);
        ui.btnMail->show();
        ui.btnConference->setEnabled(true);
        ui.btnConference->show();
    }
    chatCtl->onLoggedIn();
}

// The chat puts its detached windows back whatever the reason.
void MessagingPanel::onSessionEnded(const SessionRules::DisconnectReason &)
{
    lastTrayExten.clear();
    voicemailPanel->resetSession();
    resetServiceButtons(false);
    chatCtl->onLoggedOut();
}

void MessagingPanel::closeDialogs()
{
    if (dlgRedirect)
        dlgRedirect->reject();
}

// ---------------------------------------------------------------- PBX services

QWidget *MessagingPanel::window() const
{
    return ui.chatPanel ? ui.chatPanel->window() : nullptr;
}

void MessagingPanel::showServices(int which)
{
    using PbxServices::ButtonLook;
    auto apply = [](QPushButton *button, const ButtonLook &look, const QIcon &on, const QIcon &off) {
        if (!button)
            return;
        button->setIcon(look.on ? on : off);
        button->setToolTip(look.toolTip);
        button->setAccessibleDescription(look.accessibleDescription);
        button->setEnabled(look.enabled);
        button->setVisible(look.visible);
    };
    if (which & PbxServices::ServiceState::Dnd)
        apply(ui.btnDnd, services.dndLook(), icons.dndOnIcon, icons.dndOffIcon);
    if (which & PbxServices::ServiceState::Forward)
        apply(ui.btnRedirect, services.forwardLook(), icons.redirectOnButtonIcon, icons.redirectOffIcon);
    if (which & PbxServices::ServiceState::Fork)
        apply(ui.btnDualRingToggle, services.forkLook(), icons.dualRingGreenIcon, icons.dualRingRedIcon);
    // The window title names the target of an active forward too.
    const int shown = (services.isDndActive() ? 1 : 0) | (services.isForwardActive() ? 2 : 0);
    const QString forwardTip = ui.btnRedirect ? ui.btnRedirect->toolTip() : QString();
    const bool targetChanged = services.isForwardActive() && forwardTip != shownForwardTip;
    shownForwardTip = forwardTip;
    if (shown != shownActive || targetChanged) {
        shownActive = shown;
        emit servicesShownChanged();
    }
}

void MessagingPanel::requestVoiceMail()
{
    const QString number = PbxServices::voicemailNumber(servicesCodes, cti.getUserExtension());
    if (number.isEmpty()) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Voicemail service code not found!";
        return;
    }
    emit serviceCallRequested(number);
}

void MessagingPanel::requestConference()
{
    const QString number = servicesCodes.value(CTILIB::ServiceDialCodeType(3));
    if (number.isEmpty()) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Conference service code not found!";
        return;
    }
    emit serviceCallRequested(number);
}

void MessagingPanel::toggleDnd()
{
    enableDnd(!services.isDndActive());
}

void MessagingPanel::toggleUfwd()
{
    enableUfwd(!services.isForwardActive());
}

void MessagingPanel::toggleForkMobile()
{
    enableForkMobile(!services.isForkActive());
}

void MessagingPanel::enableDnd(bool on)
{
    const bool connected = cti.isConnected();
    switch (PbxServices::dndRoute(appMode)) {
    case PbxServices::DndRoute::Softphone:
        if (host.setSoftphoneDnd(on))
            updateDndStatus(on);
        return;
    case PbxServices::DndRoute::DeskPhoneKey:
        // The phone reports its state back; until then the button waits.
        if (!connected || !host.pressDeskPhoneKey(PbxServices::dndKey(on)))
            return;
        break;
    case PbxServices::DndRoute::PbxService:
        if (!connected)
            return;
        cti.setDND(on);
        break;
    case PbxServices::DndRoute::None:
        return;
    }
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "DND" << (on ? "enable" : "disable") << "requested";
    services.dndRequested();
    dndReportTimer.start();
    showServices(PbxServices::ServiceState::Dnd);
}

void MessagingPanel::updateDndStatus(bool on)
{
    dndReportTimer.stop();
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << (on ? "DND enabled" : "DND disabled");
    showServices(services.setDnd(on));
}

void MessagingPanel::enableUfwd(bool on)
{
    QString number;
    if (on) {
        if (prompts().execDialog(redirectDialog()) != QDialog::Accepted)
            return;
        if (!PbxServices::normalizeForwardNumber(dlgRedirect->numberEdit()->text(), &number)) {
            QWidget *w = window();
            prompts().warning(w, (w ? w->windowTitle() : QString()) + QStringLiteral(" - ") + tr("Errore"),
                              tr("Il campo contenente il numero verso cui redirigere la chiamata non può essere "
                                 "vuoto."));
            return;
        }
        dlgRedirect->numberEdit()->setText(number);
    }
    if (!cti.isConnected())
        return;
    if (on) {
        services.forwardRequested(number);
        cti.setUFWD(number);
        // A colleague's extension is logged in clear, any other number masked.
        ChatExtensionDirectory::Contact colleague;
        const bool extension = extensions.findExtension(number, &colleague);
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Ufwd to" << (extension ? number : CtiLib::numAnonymizer(number))
                                << "requested";
    } else {
        cti.unsetUFWD();
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Ufwd disabled";
    }
}

void MessagingPanel::updateUfwdStatus(bool on, const QString &number)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << (on ? "Ufwd enabled" : "Ufwd disabled");
    showServices(services.setForward(on, number));
}

void MessagingPanel::enableForkMobile(bool on)
{
    if (!cti.isConnected())
        return; // nothing sent: the button stays as it is
    if (on)
        cti.setForkToMobile();
    else
        cti.unsetForkToMobile();
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Fork to mobile" << (services.isForkActive() ? "disable" : "enable")
                            << "requested";
    services.forkRequested();
    forkReportTimer.start();
    showServices(PbxServices::ServiceState::Fork);
}

void MessagingPanel::updateForkMobileStatus(bool on)
{
    forkReportTimer.stop();
    showServices(services.setFork(on));
}

void MessagingPanel::onExtenMobileNumRcvd(const QString &number)
{
    if (number == services.mobileNumber())
        return;
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "onExtenMobileNumRcvd " << CtiLib::numAnonymizer(number);
    showServices(services.setMobileNumber(number));
}

void MessagingPanel::onServiceStatusListRcvd(const ServiceStatusList &statuses)
{
    for (const ServiceStatus &status : statuses)
        onServiceStatusRcvd(status);
}

void MessagingPanel::onServiceStatusRcvd(const ServiceStatus &status)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Service status changed. serviceName:" << status.service
                           << "- type:" << status.type << "- state:" << status.state
                           << "- value:" << CtiLib::numAnonymizer(status.value);
    if (status.service == QLatin1String("forktomobile")) {
        if (!status.value.isEmpty() && status.value != services.mobileNumber())
            logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "ForkToMobile value is different from exten mobile number!"
                                       << "Fork2Mobile value:" << CtiLib::numAnonymizer(status.value)
                                       << "- exten mobileNum:" << CtiLib::numAnonymizer(services.mobileNumber());
        forkReportTimer.stop();
    } else if (status.service == QLatin1String("ufwd")) {
        if (!status.value.isEmpty())
            redirectDialog()->numberEdit()->setText(status.value);
    }
    // The softphone's own engine holds its DND; the PBX's report is the desk phone's.
    const bool dndFromPbx = appMode != MSETTINGS::AppModeSoftphone;
    const int changed = services.applyReport(status, dndFromPbx);
    if (changed & PbxServices::ServiceState::Dnd) {
        dndReportTimer.stop();
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << (services.isDndActive() ? "DND enabled" : "DND disabled");
    }
    if (changed & PbxServices::ServiceState::Forward)
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << (services.isForwardActive() ? "Ufwd enabled" : "Ufwd disabled");
    showServices(changed);
}

void MessagingPanel::onInCallServiceStatusRcvd(const InCallServiceStatus &status)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "In call service status changed. uid:" << status.uid
                           << "- channel:" << status.channel << "- account:" << status.account
                           << "- type:" << status.serviceType << "- state:" << CTILIB::blfStatusToString(status.state);
    const qint64 lineId = calls.getLineIdFromChannel(status.channel);
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "channel:" << status.channel << "=> lineId:" << lineId;
    if (lineId == -1) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Unable to find a call entry into internal map for uid"
                                   << status.uid << "and channel" << status.channel;
        return;
    }
    if (!calls.activeLines().value(lineId)) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "No active line found for lineId" << lineId;
        return;
    }
    // Recording on demand: state 2 running, 0 available, anything else unavailable.
    if (status.serviceType == QLatin1String("ondemandCallRecording"))
        host.showRecordingStatus(lineId, status.state == 2 || status.state == 0, status.state == 2);
}

void MessagingPanel::resetServiceButtons(bool partial)
{
    dndReportTimer.stop();
    if (!partial)
        forkReportTimer.stop();
    services.reset(partial);
    showServices(partial ? int(PbxServices::ServiceState::Dnd)
                         : PbxServices::ServiceState::Dnd | PbxServices::ServiceState::Forward |
                               PbxServices::ServiceState::Fork);
    for (QPushButton *button : {ui.btnMail, ui.btnConference}) {
        if (button) {
            button->setEnabled(false);
            button->hide();
        }
    }
    if (ui.btnMail) {
        ui.btnMail->setToolTip(tr("Casella vocale"));
        ui.btnMail->setAccessibleDescription(tr("Casella vocale"));
    }
    if (ui.btnConference) {
        ui.btnConference->setToolTip(tr("Servizio Audioconferenza"));
        ui.btnConference->setAccessibleDescription(tr("Servizio Audioconferenza"));
    }
}

// ---------------------------------------------------------------- mailbox

void MessagingPanel::onMailboxStatusChanged(const MailboxStatus &status)
{
    voicemailPanel->onMailboxStatusChanged(status);
    recvdMailBoxStatus(false, status.newMessages, status.oldMessages);
}

void MessagingPanel::recvdMailBoxStatus(bool, int newMsgs, int)
{
    if (!ui.btnMail)
        return;
    if (newMsgs > 0) {
        ui.btnMail->setIcon(icons.mailInIcon);
        ui.btnMail->setToolTip(tr("Sono presenti %1 nuovi messaggi in segreteria").arg(newMsgs));
        ui.btnMail->setAccessibleDescription(tr("Casella vocale - %1 nuovi messaggi in segreteria").arg(newMsgs));
    } else {
        ui.btnMail->setIcon(icons.mailEmptyIcon);
        ui.btnMail->setToolTip(tr("Nessun nuovo messaggio in segreteria"));
        ui.btnMail->setAccessibleDescription(tr("Casella vocale - Nessun nuovo messaggio in segreteria"));
    }
}
