// The main window's side of the CTI client library: creating the client
// object, the record types that travel in its signals, the connections of its
// signals to the window's slots.
#include "mpgui.h"
#include "session/pbxsession.h"

#include "app/globallogger.h"
#include "ctilib.h"
#include "settings/msettings.h"
#include "updater/updatescheduler.h"

#include <QCoreApplication>
#include <QSysInfo>
#include <QUuid>

void MPGui::initMctiLib()
{
    if (ctiLib)
        return;

    qRegisterMetaType<LoginDetails>("LoginDetails");
    qRegisterMetaType<Cdr>("Cdr");
    qRegisterMetaType<PhoneBookList>("PhoneBookList");
    qRegisterMetaType<CTILIB::PhonebookTypeFlags>("CTILIB::PhonebookTypeFlags");
    qRegisterMetaType<CTILIB::BlfStatus>("CTILIB::BlfStatus");
    qRegisterMetaType<IdentityList>("IdentityList");
    qRegisterMetaType<SipConfiguration>("SipConfiguration");
    qRegisterMetaType<ServicesDialCodesMap>("ServicesDialCodesMap");
    qRegisterMetaType<BuddyStatusMap>("BuddyStatusMap");
    qRegisterMetaType<BuddyStatus>("BuddyStatus");
    qRegisterMetaType<VoicemailMessageList>("VoicemailMessageList");
    qRegisterMetaType<MailboxStatus>("MailboxStatus");
    qRegisterMetaType<ChatMessage>("ChatMessage");
    qRegisterMetaType<ServiceStatusList>("ServiceStatusList");
    qRegisterMetaType<ServiceStatus>("ServiceStatus");
    qRegisterMetaType<InCallServiceStatus>("InCallServiceStatus");
    qRegisterMetaType<ChannelStatus>("ChannelStatus");
    qRegisterMetaType<IncomingCallEvent>("IncomingCallEvent");
    qRegisterMetaType<OriginateCallEvent>("OriginateCallEvent");
    qRegisterMetaType<AnsweredCallEvent>("AnsweredCallEvent");
    qRegisterMetaType<FinishedCallEvent>("FinishedCallEvent");
    qRegisterMetaType<MissedCallEvent>("MissedCallEvent");
    qRegisterMetaType<ColpUpdateEvent>("ColpUpdateEvent");
    qRegisterMetaType<CallLocalInfoUpdateEvent>("CallLocalInfoUpdateEvent");
    qRegisterMetaType<CallCenterReport>("CallCenterReport");

    const QString clientId = QStringLiteral("%1-%2").arg(MSETTINGS::getShortApplicationName(),
                                                         QUuid::createUuid().toString(QUuid::WithBraces));
    ctiLib = new CtiLib(QSysInfo::productType(), QSysInfo::productVersion(), MSETTINGS::getApplicationType(),
                        MSETTINGS::getApplicationVersion(), clientId, MSETTINGS::getSettingsDirPath());
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "This is MCTI using ctilib: " << CtiLib::getVersion();

    // The library's signals that the window listens to; the log-in's answers
    // and the service codes go to the session (PbxSession::connectClient).
    connect(ctiLib, &CtiLib::sigSipSettingsReceived, this, &MPGui::onSipSettingsReceived);
    connect(ctiLib, &CtiLib::sigIdentitiesChanged, this, &MPGui::onIdentitiesReceived);
    connect(ctiLib, &CtiLib::sigRebrandingDownloadCompleted, this, &MPGui::onRebrandingDownloadCompleted);
    connect(ctiLib, &CtiLib::sigRebrandingPackageChanged, updates, &UpdateScheduler::refreshRebrandingPackAfterAWhile);
    session->attachClient(*ctiLib);

    ctiLib->init();
}
