// CTI client library: the client's session with the PBX's CTI server.
//
// One CtiLib object per client. It lives on the GUI thread: every call is
// made there and every signal is emitted there. Requests return at once; the
// PBX's answers arrive later as signals. Large deliveries (phone books, call
// records) are decoded on a worker thread before the signal is emitted.
//
//     CtiLib cti(QSysInfo::productType(), QSysInfo::productVersion(), "MCTI",
//                "4.5.23", "DESKLINE-{uuid}", settingsDir);
//     cti.init();
//     cti.setServerAddress("pbx.example.com:5443");
//     cti.connectToServer("mario", "secret", "tenant", 0, QString(), 0);
//     // -> loggedToServer(LoginDetails) or disconnectedFromServer(reason)
//
// A disconnection reason is a code, optionally followed by " - " and a text:
// "UserRequest", "AuthFailed", "UpgradeNeeded", "WrongConfig",
// "Host not found", "Permission denied", "Connection refused",
// "KeepAliveReplyTimeout", "RemoteHostClosed", "ProtocolError - ...",
// "SslHandshakeFailed - ...", "ConnectTimeout", "NetworkError - ...".
#pragma once

#include "ctilibtypes.h"

#include <QObject>
#include <QScopedPointer>

class CtiLibPrivate;
class QSslCertificate;

class CtiLib : public QObject
{
    Q_OBJECT
public:
    // The default TCP port of the CTI server when the address names none.
    static constexpr quint16 DefaultPort = 5443;

    CtiLib(const QString &osType, const QString &osVersion, const QString &appType, const QString &appVersion,
           const QString &clientId, const QString &settingsDir, QObject *parent = nullptr);
    ~CtiLib() override;

    // Version text of the library.
    static QString getVersion();

    // Masks every digit of a number except the last three (for log lines).
    static QString numAnonymizer(const QString &number);

    // Whether the library can import contacts from an outside address book.
    static bool hasOutlookSupportBuilt();

    // Prepares the library (worker thread, logger); true on success. Calling
    // it again does nothing.
    bool init();

    // "host", "host:port", "[v6addr]:port"; the port defaults to DefaultPort.
    void setServerAddress(const QString &address);
    QString serverAddress() const;
    // Certificate authorities the connections to the server trust besides
    // the system's store (the server's own authorities); peer verification
    // is always on. Takes effect at the next connection.
    void setExtraCaCertificates(const QList<QSslCertificate> &authorities);

    // Starts a log-in, answered by loggedToServer or disconnectedFromServer.
    // `appMode` is the client's operating mode (CTILIB::AppMode). A log-in
    // already under way is abandoned silently.
    void connectToServer(const QString &username, const QString &password, const QString &tenant, int appMode,
                         const QString &deviceId = QString(), int options = 0);
    // True from the log-in until the session ends.
    bool isConnected() const;
    // Ends the session; disconnectedFromServer("UserRequest") follows.
    void logout();
    // Ends everything at once without emitting a signal (used when quitting).
    void shutdown();

    // Writes every message exchanged with the PBX to the library's log.
    void enableMessagesDump(bool enable);
    // Interval of the keep-alive request while logged in; refused (false)
    // below 60 or above 3600 seconds.
    bool setChatKeepAliveSendIntervalSec(int seconds);
    // Keep-alive interval and reply time-out in milliseconds (tests and tools).
    void setKeepAliveTimings(int sendIntervalMs, int replyTimeoutMs);
    // Time allowed for the connection and log-in, in milliseconds.
    void setConnectTimeout(int ms);
    // Largest frame accepted from the server, in bytes (tests and tools).
    void setMaxFrameSize(int bytes);

    // Facts of the session (empty/0 while not logged in).
    QString getLoginUsername() const;
    QString getUserExtension() const;
    quint32 getPbxCapabilities() const;
    QString getPbxFirmwareVersion() const;
    int getQueueRole() const;
    LoginDetails getLoginDetails() const;

public slots:
    // --- identities, directories, call records
    void getIdentities();
    void enableOutlookSupport(bool enable, const QStringList &excludedFolders);
    void getContactsList(bool forceRefresh, CTILIB::PhonebookTypeFlags flags);
    void getContactsList(bool forceRefresh, int flags);
    void getExtenStatus();
    void getServiceStatus();
    void getPeerList();
    void getCDR(bool forceRefresh = false, const QString &since = QString());
    void addPhoneBookContact(const PhoneBookEntry &entry);
    void updatePhoneBookContact(const PhoneBookEntry &entry);
    void deletePhoneBookContact(const PhoneBookEntry &entry);
    // Sends a text message to a number through the PBX. Answered by
    // sigSmsSendResult(); false (and no answer) when it could not be sent at
    // all (not logged in, too many requests).
    bool sendSms(const QString &destination, const QString &text);
    void downloadRebrandingPackage(const QString &md5, const QString &directory);

    // --- call commands of the CTI server
    bool newCall(const QString &number, CTILIB::NumberOutgoingPrefix prefixType, const QString &account = QString());
    bool hangupCall(const QString &callId, const QString &channel = QString());
    bool refuseCall(const QString &callId, const QString &channel = QString());
    bool parkCall(const QString &callId);
    bool redirectCall(const QString &target, const QString &number);

    // --- desk phone commands (answered by phone events)
    bool phoneCommandGetDndStatus();
    bool phoneCommandAnswerIncomingCall(const QString &cstaId);
    bool phoneCommandHangupCall(const QString &cstaId);
    bool phoneCommandPutOnHold(const QString &cstaId);
    bool phoneCommandResumeFromHold(const QString &cstaId);
    bool phoneCommandUnattendedTransfer(const QString &cstaId, const QString &number);
    bool phoneCommandMakeCall(const QString &number, const QString &account);
    bool phoneCommandPressKeys(const QStringList &keys);
    bool phoneCommandSendDtmfs(const QString &cstaId, const QStringList &dtmfs);

    // --- chat and presence
    void sendChatMessage(const QString &exten, const QString &text);
    void sendChatMessageDisplayed(const QString &exten);
    void sendChatOpenConversation(const QString &exten);
    void sendChatCloseConversation(const QString &exten);
    void sendChatStartComposing(const QString &exten);
    void sendChatStopComposing(const QString &exten);
    void setClientPresence(CTILIB::ChatPresence presence, const QString &message);
    void getChatHistory(const QDateTime &from);

    // --- services
    void setUFWD(const QString &number);
    void unsetUFWD();
    void setForkToMobile();
    void unsetForkToMobile();
    // Do-not-disturb as a PBX service (without a phone the client drives).
    void setDND(bool on);

    // --- voicemail
    void getVoicemail(CTILIB::VmMsgTypeFlag flags);
    void getVoicemail(int flags);
    void getMailboxStatus();
    void downloadVoicemailMessage(const QString &id, const QString &uuid, const QString &directory);
    void markVoicemailMessage(const QString &id, CTILIB::VmMsgType type);
    void markVoicemailMessage(const QString &id, int type);
    void deleteVoicemailMessage(const QString &id);

    // --- queues, statistics, reports
    void pauseQueues(bool pause, const QString &accounts, const QString &reason, const QString &queueId);
    void pauseOperators(bool pause, const QStringList &accounts, const QString &reason, const QString &queueId);
    void addQueueDynamicMember(const QString &queueId, const QString &account, int penalty);
    void removeQueueDynamicMember(const QString &queueId, const QString &account);
    void getAllQueuesStats();
    void getAllQueuePeriodicStats(CTILIB::PeriodType period, QDateTime from, QDateTime to);
    void getAllQueueOperatorPeriodicStats(CTILIB::PeriodType period, QDateTime from, QDateTime to);
    void getQueuePeriodicStats(const QStringList &queueIds, CTILIB::PeriodType period, QDateTime from, QDateTime to);
    void getQueueOperatorPeriodicStats(const QMap<QString, QStringList> &queueMembers, CTILIB::PeriodType period,
                                       QDateTime from, QDateTime to);
    void requestCCReport(CTILIB::PeriodType period, const QList<int> &answeredThresholds,
                         const QList<int> &lostThresholds, const QString &language, const QDateTime &from,
                         const QDateTime &to);

signals:
    // --- call events of the CTI server
    void sigIncomingCall(const IncomingCallEvent &event);
    void sigOutgoingCall(const OriginateCallEvent &event);
    void sigAnsweredCall(const AnsweredCallEvent &event);
    void sigFinishedCall(const FinishedCallEvent &event);
    void sigMissedCall(const MissedCallEvent &event);
    void sigColpUpdate(const ColpUpdateEvent &event);
    void sigCallLocalInfoUpdate(const CallLocalInfoUpdateEvent &event);

    // --- session
    void loggedToServer(const LoginDetails &details);
    void disconnectedFromServer(const QString &reason);

    // --- directories
    void sigPhonebookChanged(const PhoneBookList &phonebooks, CTILIB::PhonebookTypeFlags flags);
    void sigExtenStatusMapChanged(const BuddyStatusMap &statuses);
    void sigExtenStatusChanged(const BuddyStatus &status);
    void sigCdrChanged(const Cdr &cdr);
    void sigNewParkCall(const QString &number, const QString &parkRoom, const QString &timeoutSeconds);
    void sigServicesCodesReceived(const ServicesDialCodesMap &codes);
    void sigChannelStatusReceived(const ChannelStatus &status);
    void sigSipSettingsReceived(const SipConfiguration &config);
    void sigExtenMobileNumberRcvd(const QString &number);
    void sigServiceStatusChanged(const ServiceStatusList &statuses);
    void sigInCallServiceStatusReceived(const InCallServiceStatus &status);
    void sigCCReportSucceded(const CallCenterReport &report);
    void sigCCReportFailure(const QString &error);
    // The PBX's answer to sendSms(): sent, or refused with a reason. A session
    // that ends first answers the messages still waiting with "Disconnected".
    void sigSmsSendResult(const QString &destination, bool sent, const QString &reason);

    // --- chat
    void sigChatConnected();
    void sigChatDisconnected(const QString &reason);
    void sigChatMessage(const ChatMessage &message);
    void sigChatContactComposing(const QString &exten, const QString &context, bool composing);
    void sigChatHistory(const ChatMessageList &messages);

    // --- voicemail, identities, rebranding, desk phone authorisation
    void sigVoicemailMsgList(const VoicemailMessageList &messages);
    void sigIdentitiesChanged(const IdentityList &identities);
    void sigMailboxStatusChanged(const MailboxStatus &status);
    void sigVoicemailDownloadCompleted(const QString &id, const QString &uuid, const QString &filePath);
    void sigRebrandingDownloadCompleted(const QString &file);
    void sigRebrandingPackageChanged();
    void sigPhoneApiAutorized(bool authorized);

    // --- queues and statistics
    void sigAllQueuesStatsReceived(const QueueStatsList &stats);
    void sigQueuePeriodicStatsReceived(const QueuePeriodicStats &stats);
    void sigAllQueuesPeriodicStatsReceived(const QueuePeriodicStatsList &stats);
    void sigQueueOperatorPeriodicStatsReceived(const QueueOperatorPeriodicStats &stats);
    void sigAllQueueOperatorsPeriodicStatsReceived(const QueueOperatorPeriodicStatsList &stats);
    void sigQueueMemberPauseChanged(const QueueMember &member, bool isPaused);
    void sigQueueMemberAdded(const QueueMember &member);
    void sigQueueMemberRemoved(const QueueMember &member);
    void sigQueueEvent(const QueueEvent &event);

    // --- desk phone events (remote number, remote name, CSTA call id)
    void phoneEventIncomingCall(const QString &remoteNum, const QString &remoteName, const QString &cstaId);
    void phoneEventOutgoingCall(const QString &remoteNum, const QString &remoteName, const QString &cstaId);
    void phoneEventEstablishedCall(const QString &remoteNum, const QString &remoteName, const QString &cstaId);
    void phoneEventEndedCall(const QString &remoteNum, const QString &remoteName, const QString &cstaId);
    void phoneEventMissedCall(const QString &remoteNum, const QString &remoteName, const QString &cstaId);
    void phoneEventHoldCall(const QString &remoteNum, const QString &remoteName, const QString &cstaId);
    void phoneEventUnholdCall(const QString &remoteNum, const QString &remoteName, const QString &cstaId);
    void phoneEventDnd(bool on);

private:
    friend class CtiLibPrivate;
    QScopedPointer<CtiLibPrivate> d;
};
