// Value records and enumerations of the CTI client library.
//
// Records are plain copyable value types; fields keep the order in which the
// PBX protocol and the client know them. Every record is a registered
// meta-type, so it can travel through queued connections;
// CTILIB::registerMetaTypes() registers them (also under their list and map
// alias names) and is called by the CtiLib constructor.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFlags>
#include <QList>
#include <QMap>
#include <QMetaType>
#include <QPair>
#include <QString>
#include <QStringList>

namespace CTILIB
{

// Operating mode of the client.
enum AppMode {
    AppModeCtiOnly = 0,
    AppModeDeskPhone = 1,
    AppModeSoftphone = 2,
};

// Busy-lamp state of an extension (device state of the PBX).
enum BlfStatus {
    BlfUnknown = -1, // state not available
    BlfIdle = 0,
    BlfInUse = 1, // in conversation
    BlfBusy = 2,
    BlfInvalid = 3,
    BlfUnavailable = 4, // not registered
    BlfRinging = 8,
    BlfRingInUse = 9,
    BlfOnHold = 16,
    BlfInUseOnHold = 17, // in conversation, another call on hold
};

// Chat presence of a user.
enum ChatPresence {
    PresenceInvalid = -1,
    PresenceOnline = 0,
    PresenceAvailable = 1,
    PresenceAway = 2,
    PresenceBusy = 3,
    PresenceNotAvailable = 4,
    PresenceOffline = 5,
};

// Statistics period.
enum PeriodType {
    PeriodInvalid = -1,
    PeriodLastHour = 0,
    PeriodToday = 1,
    PeriodThisWeek = 2,
    PeriodThisMonth = 3,
    PeriodLast30Days = 4,
    PeriodLast60Days = 5,
    PeriodLast90Days = 6,
    PeriodYesterday = 7,
    PeriodPreviousWeek = 8,
    PeriodPreviousMonth = 9,
};

// Kinds of phone books.
enum PhonebookTypeFlag {
    PhonebookNone = 0,
    PhonebookPbx = 1,        // the PBX's own phone books (shared and personal)
    PhonebookExtensions = 2, // the PBX's extension list
    PhonebookExternal = 4,   // contacts imported from an outside address book
    PhonebookAll = 7,
};
Q_DECLARE_FLAGS(PhonebookTypeFlags, PhonebookTypeFlag)

// DTMF delivery mode of an identity.
enum DtmfMode {
    DtmfModeAuto = 0,
    DtmfModeInband = 1,
    DtmfModeRfc2833 = 2,
    DtmfModeSipInfo = 3,
};

// Attributes of a call.
enum CallAttribute {
    CallAttrNone = 0,
    CallAttrInternal = 0x1, // call from an extension
    CallAttrExternal = 0x2, // call from outside
    CallAttrOutgoing = 0x4,
    CallAttrConference = 0x8,
    CallAttrRecorded = 0x10,
    CallAttrForwarded = 0x20,
    CallAttrQueue = 0x40,           // call through a queue
    CallAttrGroup = 0x80,           // call through a ring group
    CallAttrService = 0x100,        // call to a service dial code
    CallAttrTransferReturn = 0x200, // transferred call coming back
    CallAttrClickToCall = 0x400,    // the PBX rings the user first for a call asked for
};
Q_DECLARE_FLAGS(CallAttributeFlags, CallAttribute)

// Prefix choice of a click-to-call.
enum NumberOutgoingPrefix {
    PrefixAutomatic = 0, // outside-line prefix for numbers that are not extensions
    PrefixExternal = 1,  // always
    PrefixInternal = 2,  // never
};

// Service dial codes of the PBX.
enum ServiceDialCodeType {
    SdcDndToggle = 1,
    SdcVoicemail = 2,
    SdcConference = 3,
    SdcUnused4 = 4,
    SdcForwardOn = 5,
    SdcForwardOff = 6,
    SdcParkFirstSlot = 7,
    SdcParkLastSlot = 8,
    SdcPickup = 9,
    SdcQueueLogin = 10,
    SdcQueueLogout = 11,
    SdcQueuePause = 12,
    SdcQueueUnpause = 13,
    SdcSupervisedPickup = 14,
    SdcIntercom = 15,
    SdcSpy = 16,
    SdcWhisper = 17,
    SdcBarge = 18,
    SdcNightMode = 19,
    SdcFollowMe = 20,
    SdcOutsideLinePrefix = 21,
    SdcAttendedTransfer = 22,
    SdcCancelAttendedTransfer = 23,
    SdcInCallHangup = 24,
    SdcInCallThreeWay = 25,
    SdcInCallSwap = 26,
    SdcFastTransfer = 27,
    SdcCallRecording = 28,
    SdcPark = 29,
    SdcInCallDisconnect = 30,
};

// State of a voicemail message (mark operation).
enum VmMsgType {
    VmMsgNew = 0,
    VmMsgHeard = 1,
    VmMsgUrgent = 2,
};

// Selection of voicemail messages (list operation).
enum VmMsgTypeFlag {
    VmFlagNew = 1,
    VmFlagHeard = 2,
    VmFlagUrgent = 4,
    VmFlagAll = 7,
};

} // namespace CTILIB

Q_DECLARE_OPERATORS_FOR_FLAGS(CTILIB::PhonebookTypeFlags)
Q_DECLARE_OPERATORS_FOR_FLAGS(CTILIB::CallAttributeFlags)

// ---------------------------------------------------------------------------
// Session

struct LoginDetails {
    QString username; // log-in name as the PBX knows it
    int userId = 0;
    QString extension;
    QString email;
    QString mobile;
    QString firstName;
    QString lastName;
    QString tenant;
    int queueRole = 0;       // 0 none, 1 queue operator, 2 supervisor
    QStringList queues;      // queues the user belongs to
    QString firmwareVersion; // "4.7.16" or "4.7.16-rc1"
    QString pbxName;
    QString pbxSerial;
    QString sessionId;

    bool operator==(const LoginDetails &o) const;
    bool operator!=(const LoginDetails &o) const { return !(*this == o); }
};

// One account of the PBX user with the device registered on it.
struct IdentityEntry {
    QString identifier; // account name
    QString type;       // "SIP" for an account the softphone can use
    quint8 priority = 0;
    QString sipUsername;
    QString sipPassword;
    QStringList codecList;
    quint8 sipTos = 0;
    quint8 audioTos = 0;
    quint8 videoTos = 0;
    int dtmfMode = 0; // CTILIB::DtmfMode
    QString displayName;
    QString phoneIp; // address of the device registered on the account
    quint16 phonePort = 0;
    QString phoneUserAgent;
    QString phoneVendor;
    QString phoneModel;
    QString phoneMac;
    QString note;

    // Compares every field in order, stopping at the first difference.
    bool operator==(const IdentityEntry &o) const;
    bool operator!=(const IdentityEntry &o) const { return !(*this == o); }
};
typedef QList<IdentityEntry> IdentityList;

struct SipConfiguration {
    bool useLocalRegistrar = false;
    QString transport = QStringLiteral("UDP");
    QString registrarAddress;
    quint16 registrarPort = 5060;
    QString proxyAddress;
    quint16 proxyPort = 5060;

    bool operator==(const SipConfiguration &o) const;
    bool operator!=(const SipConfiguration &o) const { return !(*this == o); }
};

typedef QMap<CTILIB::ServiceDialCodeType, QString> ServicesDialCodesMap;

// ---------------------------------------------------------------------------
// Call events of the CTI server

struct IncomingCallEvent {
    QString uid;
    QString account;
    QString localChannel;
    QString remoteChannel;
    QString remoteNum;
    QString remoteName;
    QString calledNum;
    int callType = 0; // CTILIB::CallAttributeFlags
    QString did;
    QString queueId;
    QString linkedId;
    QString transferredFrom;
    QString groupId;

    bool operator==(const IncomingCallEvent &o) const;
    bool operator!=(const IncomingCallEvent &o) const { return !(*this == o); }
};

struct OriginateCallEvent {
    QString uid;
    QString account;
    QString localChannel;
    QString calledNum;

    bool operator==(const OriginateCallEvent &o) const;
    bool operator!=(const OriginateCallEvent &o) const { return !(*this == o); }
};

struct AnsweredCallEvent {
    QString uid;
    QString account;
    QString localChan;
    QString remoteChan;
    QString remoteNum;
    QString remoteName;
    QString calledNum;
    int callType = 0;
    int isCallee = -1;     // 1: the event's account is the called party
    qint64 answerTime = 0; // milliseconds since the epoch

    bool operator==(const AnsweredCallEvent &o) const;
    bool operator!=(const AnsweredCallEvent &o) const { return !(*this == o); }
};

struct FinishedCallEvent {
    QString uid;
    QString account;
    QString localChan;
    QString remoteNum;
    QString remoteName;
    QString calledNum;
    QString reason; // hang-up reason
    bool localHangup = false;

    bool operator==(const FinishedCallEvent &o) const;
    bool operator!=(const FinishedCallEvent &o) const { return !(*this == o); }
};

struct MissedCallEvent {
    QString uid;
    QString account;
    QString localChan;
    QString remoteNum;
    QString remoteName;

    bool operator==(const MissedCallEvent &o) const;
    bool operator!=(const MissedCallEvent &o) const { return !(*this == o); }
};

struct ColpUpdateEvent {
    QString uid;
    QString remoteNum;
    QString remoteName;
    QString localChan;
    QString remoteChan;
    QString account;

    bool operator==(const ColpUpdateEvent &o) const;
    bool operator!=(const ColpUpdateEvent &o) const { return !(*this == o); }
};

struct CallLocalInfoUpdateEvent {
    QString uid;
    QString oldLocalChan;
    QString newLocalChan;
    QString account;

    bool operator==(const CallLocalInfoUpdateEvent &o) const;
    bool operator!=(const CallLocalInfoUpdateEvent &o) const { return !(*this == o); }
};

struct ChannelStatus {
    QString channel;
    QString number;
    QString name;
    QString uid;
    int status = 0;

    bool operator==(const ChannelStatus &o) const;
    bool operator!=(const ChannelStatus &o) const { return !(*this == o); }
};

// ---------------------------------------------------------------------------
// Directories

struct BuddyStatus {
    QString exten;
    int presence = -1; // CTILIB::ChatPresence
    QString presenceMsg;
    bool chatEnabled = false;
    int blfStatus = -1; // CTILIB::BlfStatus
    QStringList accounts;

    bool operator==(const BuddyStatus &o) const;
    bool operator!=(const BuddyStatus &o) const { return !(*this == o); }
};
typedef QMap<QString, BuddyStatus> BuddyStatusMap;

// One number or address of a contact.
struct ContactEntry {
    QString kind;    // "phone", "email", "im", "other"
    QString subtype; // "exten", "mobile", "fax", "main", "home", "work", "work_mobile"
    QString value;
    bool preferred = false;

    bool operator==(const ContactEntry &o) const;
    bool operator!=(const ContactEntry &o) const { return !(*this == o); }
};

struct PhoneBookEntry {
    QList<ContactEntry> contacts;
    QString firstName;
    QString lastName;
    QString displayName;
    QString company;
    QString department;
    QString jobTitle;
    QString id;              // unique per contact
    qint64 lastModified = 0; // milliseconds since the epoch
    QString email;           // summary of the contact fields
    QString extension;
    QString phone;
    QString mobile;
    QString home;

    bool operator==(const PhoneBookEntry &o) const;
    bool operator!=(const PhoneBookEntry &o) const { return !(*this == o); }
};

struct PhoneBook {
    QList<PhoneBookEntry> entries;
    QString source;     // "velora", "exten", "outlook", "zarafa"
    QString visibility; // "Public", "Private"
    QString name;

    bool operator==(const PhoneBook &o) const;
    bool operator!=(const PhoneBook &o) const { return !(*this == o); }
};
typedef QList<PhoneBook> PhoneBookList;

struct CdrEntry {
    QString uid;
    QString callerNum;
    QString calledNum;
    QString callerName;
    QString calledName;
    QString direction;      // "in", "out"; empty marks an invalid entry
    QString startTime;      // "yyyy-MM-dd hh:mm:ss", local time
    int duration = 0;       // seconds
    int callAttributes = 0; // CTILIB::CallAttributeFlags
    QString callTypeKey;    // "ANSWER_IN", "NOANSWER_OUT", ...

    bool operator==(const CdrEntry &o) const;
    bool operator!=(const CdrEntry &o) const { return !(*this == o); }
};
typedef QList<CdrEntry> Cdr;

// ---------------------------------------------------------------------------
// Chat, services, voicemail

struct ChatMessage {
    QString id;
    QString sender;
    QString exten; // the other party
    QString body;
    QString context;
    QDateTime time;    // UTC
    int direction = 2; // 0 received, 1 sent
    int type = 4;      // 0 normal, 1 copy, 2 history, 3 feedback

    bool operator==(const ChatMessage &o) const;
    bool operator!=(const ChatMessage &o) const { return !(*this == o); }
};
typedef QList<ChatMessage> ChatMessageList;

struct ServiceStatus {
    QString service; // "ufwd", "forktomobile", "dnd", ...
    QString type;
    QString value; // forward target or mobile number
    int state = 0; // 2 active

    bool operator==(const ServiceStatus &o) const;
    bool operator!=(const ServiceStatus &o) const { return !(*this == o); }
};
typedef QList<ServiceStatus> ServiceStatusList;

struct InCallServiceStatus {
    QString uid;
    QString callId;
    QString account;
    QString channel;
    QString serviceType; // e.g. "ondemandCallRecording"
    int state = 0;

    bool operator==(const InCallServiceStatus &o) const;
    bool operator!=(const InCallServiceStatus &o) const { return !(*this == o); }
};

struct VoicemailMessage {
    QString id;
    QString uuid;
    QString senderNum;
    QString senderName;
    QDateTime arrival;
    QString folder;
    int duration = 0;     // seconds
    bool unheard = false; // marked as heard once played
    bool urgent = false;

    bool operator==(const VoicemailMessage &o) const;
    bool operator!=(const VoicemailMessage &o) const { return !(*this == o); }
};
typedef QList<VoicemailMessage> VoicemailMessageList;

struct MailboxStatus {
    QString mailbox;
    int totalMessages = 0;
    int newMessages = 0;
    int oldMessages = 0;
    int urgentMessages = 0;

    bool operator==(const MailboxStatus &o) const;
    bool operator!=(const MailboxStatus &o) const { return !(*this == o); }
};

// ---------------------------------------------------------------------------
// Queues and statistics

struct QueueMember {
    QString account;
    QString exten;
    QString queueId;
    int memberType = -1; // non-zero: dynamic member
    int penalty = 0;

    bool operator==(const QueueMember &o) const;
    bool operator!=(const QueueMember &o) const { return !(*this == o); }
};

struct QueueEvent {
    QString queueId;
    QString queueName;
    QString eventType; // "join", "leave", "abandon", "connect"
    QString uid;
    QString callerNum;
    int waitingCalls = 0;
    QDateTime oldestCallTime;

    bool operator==(const QueueEvent &o) const;
    bool operator!=(const QueueEvent &o) const { return !(*this == o); }
};

// One member entry of a queue's live statistics.
struct QueueStatsMember {
    QString memberId; // the member's account
    QString extension;
    QString name;
    int memberType = 0; // non-zero: dynamic member
    int penalty = 0;
    QDateTime lastCall;
    QDateTime lastPauseChange;
    bool paused = false;
    int completedCalls = 0;

    bool operator==(const QueueStatsMember &o) const;
    bool operator!=(const QueueStatsMember &o) const { return !(*this == o); }
};

struct QueueStats {
    QString queueId;
    QString queueName;
    int waitingCalls = 0;
    QDateTime oldestCallTime;
    QList<QueueStatsMember> members;

    bool operator==(const QueueStats &o) const;
    bool operator!=(const QueueStats &o) const { return !(*this == o); }
};
typedef QList<QueueStats> QueueStatsList;

struct QueuePeriodicStats {
    QString queueId;
    int periodType = -1; // CTILIB::PeriodType, -1 invalid
    QDateTime from;
    QDateTime to;
    int servedCalls = 0;
    double servedMeanWait = 0;         // seconds
    double servedMeanConversation = 0; // seconds
    int lostCalls = 0;
    double lostMeanWait = 0; // seconds

    bool operator==(const QueuePeriodicStats &o) const;
    bool operator!=(const QueuePeriodicStats &o) const { return !(*this == o); }
};

struct QueuePeriodicStatsList {
    QList<QueuePeriodicStats> stats;
    int periodType = -1;

    bool operator==(const QueuePeriodicStatsList &o) const;
    bool operator!=(const QueuePeriodicStatsList &o) const { return !(*this == o); }
};

struct QueueOperatorPeriodicStats {
    QString memberId;
    QString extension;
    QString queueId;
    int memberType = 0;
    int periodType = -1; // CTILIB::PeriodType, -1 invalid
    QDateTime from;
    QDateTime to;
    int servedCalls = 0;
    int missedCalls = 0;
    QDateTime lastCall;

    bool operator==(const QueueOperatorPeriodicStats &o) const;
    bool operator!=(const QueueOperatorPeriodicStats &o) const { return !(*this == o); }
};
typedef QList<QueueOperatorPeriodicStats> QueueOperatorPeriodicStatsList;

struct CallCenterReport {
    QByteArray data; // the report document
    QString fileName;
    QString mimeType;
    int periodType = -1;
    QDateTime from;
    QDateTime to;

    bool operator==(const CallCenterReport &o) const;
    bool operator!=(const CallCenterReport &o) const { return !(*this == o); }
};

// ---------------------------------------------------------------------------
// Free functions

namespace CTILIB
{

// Registers every record, list, map and enumeration of the library as a
// meta-type, under the alias names as well. Safe to call more than once.
void registerMetaTypes();

// Period type as a stable text ("today", "last_hour", ...) and back; an
// unknown text gives PeriodInvalid (-1).
QString periodTypeToString(CTILIB::PeriodType type);
inline QString periodTypeToString(int type)
{
    return periodTypeToString(CTILIB::PeriodType(type));
}
CTILIB::PeriodType periodTypeFromString(const QString &text);

// Presence as a text ("online", "available", ...) and back; an unknown text
// gives PresenceInvalid (-1).
QString chatPresenceToString(CTILIB::ChatPresence presence);
inline QString chatPresenceToString(int presence)
{
    return chatPresenceToString(CTILIB::ChatPresence(presence));
}
CTILIB::ChatPresence chatPresenceFromString(const QString &text);

// Name of a busy-lamp state for logs ("idle", "ringing", ...).
QString blfStatusToString(CTILIB::BlfStatus status);
inline QString blfStatusToString(int status)
{
    return blfStatusToString(CTILIB::BlfStatus(status));
}

// Name of an operating mode for logs ("CTI", "PHONE", "SOFTPHONE").
QString appModeToString(CTILIB::AppMode mode);
inline QString appModeToString(int mode)
{
    return appModeToString(CTILIB::AppMode(mode));
}

// Name of a DTMF mode ("auto", "inband", "rfc2833", "sipinfo").
QString dtmfModeToString(CTILIB::DtmfMode mode);
inline QString dtmfModeToString(int mode)
{
    return dtmfModeToString(CTILIB::DtmfMode(mode));
}

// Host part of an address "host", "host:port" or "[v6]:port" (the SIP
// registrar of a PBX is its host). When `port` is given it receives the port,
// 0 when the address has none or an invalid one.
QString getIpPort(const QString &address, quint16 *port = nullptr);

// (name, number) of a SIP URI such as "\"Mario Rossi\" <sip:201@pbx>",
// "<sip:201@pbx>", "sip:201@pbx" or a bare number. The name is empty when the
// URI carries none.
QPair<QString, QString> getNameNumPairFromUri(const QString &uri);

} // namespace CTILIB

Q_DECLARE_METATYPE(CTILIB::AppMode)
Q_DECLARE_METATYPE(CTILIB::BlfStatus)
Q_DECLARE_METATYPE(CTILIB::ChatPresence)
Q_DECLARE_METATYPE(CTILIB::PeriodType)
Q_DECLARE_METATYPE(CTILIB::PhonebookTypeFlags)
Q_DECLARE_METATYPE(CTILIB::DtmfMode)
Q_DECLARE_METATYPE(CTILIB::CallAttributeFlags)
Q_DECLARE_METATYPE(CTILIB::NumberOutgoingPrefix)
Q_DECLARE_METATYPE(CTILIB::ServiceDialCodeType)
Q_DECLARE_METATYPE(CTILIB::VmMsgType)
Q_DECLARE_METATYPE(CTILIB::VmMsgTypeFlag)
Q_DECLARE_METATYPE(LoginDetails)
Q_DECLARE_METATYPE(IdentityEntry)
Q_DECLARE_METATYPE(SipConfiguration)
Q_DECLARE_METATYPE(IncomingCallEvent)
Q_DECLARE_METATYPE(OriginateCallEvent)
Q_DECLARE_METATYPE(AnsweredCallEvent)
Q_DECLARE_METATYPE(FinishedCallEvent)
Q_DECLARE_METATYPE(MissedCallEvent)
Q_DECLARE_METATYPE(ColpUpdateEvent)
Q_DECLARE_METATYPE(CallLocalInfoUpdateEvent)
Q_DECLARE_METATYPE(ChannelStatus)
Q_DECLARE_METATYPE(BuddyStatus)
Q_DECLARE_METATYPE(ContactEntry)
Q_DECLARE_METATYPE(PhoneBookEntry)
Q_DECLARE_METATYPE(PhoneBook)
Q_DECLARE_METATYPE(CdrEntry)
Q_DECLARE_METATYPE(ChatMessage)
Q_DECLARE_METATYPE(ServiceStatus)
Q_DECLARE_METATYPE(InCallServiceStatus)
Q_DECLARE_METATYPE(VoicemailMessage)
Q_DECLARE_METATYPE(MailboxStatus)
Q_DECLARE_METATYPE(QueueMember)
Q_DECLARE_METATYPE(QueueEvent)
Q_DECLARE_METATYPE(QueueStatsMember)
Q_DECLARE_METATYPE(QueueStats)
Q_DECLARE_METATYPE(QueuePeriodicStats)
Q_DECLARE_METATYPE(QueuePeriodicStatsList)
Q_DECLARE_METATYPE(QueueOperatorPeriodicStats)
Q_DECLARE_METATYPE(CallCenterReport)
// QList/QMap of the records above are meta-types automatically; the alias
// names (IdentityList, Cdr, BuddyStatusMap, ...) are registered by
// CTILIB::registerMetaTypes().
