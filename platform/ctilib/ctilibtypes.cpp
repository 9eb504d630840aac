#include "ctilibtypes.h"

#include "peertext.h"

#include <QRegularExpression>

// ---------------------------------------------------------------------------
// Record equality: every field, in declaration order.

bool LoginDetails::operator==(const LoginDetails &o) const
{
    return username == o.username && userId == o.userId && extension == o.extension && email == o.email &&
           mobile == o.mobile && firstName == o.firstName && lastName == o.lastName && tenant == o.tenant &&
           queueRole == o.queueRole && queues == o.queues && firmwareVersion == o.firmwareVersion &&
           pbxName == o.pbxName && pbxSerial == o.pbxSerial && sessionId == o.sessionId;
}

bool IdentityEntry::operator==(const IdentityEntry &o) const
{
    return identifier == o.identifier && type == o.type && priority == o.priority && sipUsername == o.sipUsername &&
           sipPassword == o.sipPassword && codecList == o.codecList && sipTos == o.sipTos && audioTos == o.audioTos &&
           videoTos == o.videoTos && dtmfMode == o.dtmfMode && displayName == o.displayName && phoneIp == o.phoneIp &&
           phonePort == o.phonePort && phoneUserAgent == o.phoneUserAgent && phoneVendor == o.phoneVendor &&
           phoneModel == o.phoneModel && phoneMac == o.phoneMac && note == o.note;
}

bool SipConfiguration::operator==(const SipConfiguration &o) const
{
    return useLocalRegistrar == o.useLocalRegistrar && transport == o.transport &&
           registrarAddress == o.registrarAddress && registrarPort == o.registrarPort &&
           proxyAddress == o.proxyAddress && proxyPort == o.proxyPort;
}

bool IncomingCallEvent::operator==(const IncomingCallEvent &o) const
{
    return uid == o.uid && account == o.account && localChannel == o.localChannel && remoteChannel == o.remoteChannel &&
           remoteNum == o.remoteNum && remoteName == o.remoteName && calledNum == o.calledNum &&
           callType == o.callType && did == o.did && queueId == o.queueId && linkedId == o.linkedId &&
           transferredFrom == o.transferredFrom && groupId == o.groupId;
}

bool OriginateCallEvent::operator==(const OriginateCallEvent &o) const
{
    return uid == o.uid && account == o.account && localChannel == o.localChannel && calledNum == o.calledNum;
}

bool AnsweredCallEvent::operator==(const AnsweredCallEvent &o) const
{
    return uid == o.uid && account == o.account && localChan == o.localChan && remoteChan == o.remoteChan &&
           remoteNum == o.remoteNum && remoteName == o.remoteName && calledNum == o.calledNum &&
           callType == o.callType && isCallee == o.isCallee && answerTime == o.answerTime;
}

bool FinishedCallEvent::operator==(const FinishedCallEvent &o) const
{
    return uid == o.uid && account == o.account && localChan == o.localChan && remoteNum == o.remoteNum &&
           remoteName == o.remoteName && calledNum == o.calledNum && reason == o.reason && localHangup == o.localHangup;
}

bool MissedCallEvent::operator==(const MissedCallEvent &o) const
{
    return uid == o.uid && account == o.account && localChan == o.localChan && remoteNum == o.remoteNum &&
           remoteName == o.remoteName;
}

bool ColpUpdateEvent::operator==(const ColpUpdateEvent &o) const
{
    return uid == o.uid && remoteNum == o.remoteNum && remoteName == o.remoteName && localChan == o.localChan &&
           remoteChan == o.remoteChan && account == o.account;
}

bool CallLocalInfoUpdateEvent::operator==(const CallLocalInfoUpdateEvent &o) const
{
    return uid == o.uid && oldLocalChan == o.oldLocalChan && newLocalChan == o.newLocalChan && account == o.account;
}

bool ChannelStatus::operator==(const ChannelStatus &o) const
{
    return channel == o.channel && number == o.number && name == o.name && uid == o.uid && status == o.status;
}

bool BuddyStatus::operator==(const BuddyStatus &o) const
{
    return exten == o.exten && presence == o.presence && presenceMsg == o.presenceMsg && chatEnabled == o.chatEnabled &&
           blfStatus == o.blfStatus && accounts == o.accounts;
}

bool ContactEntry::operator==(const ContactEntry &o) const
{
    return kind == o.kind && subtype == o.subtype && value == o.value && preferred == o.preferred;
}

bool PhoneBookEntry::operator==(const PhoneBookEntry &o) const
{
    return contacts == o.contacts && firstName == o.firstName && lastName == o.lastName &&
           displayName == o.displayName && company == o.company && department == o.department &&
           jobTitle == o.jobTitle && id == o.id && lastModified == o.lastModified && email == o.email &&
           extension == o.extension && phone == o.phone && mobile == o.mobile && home == o.home;
}

bool PhoneBook::operator==(const PhoneBook &o) const
{
    return entries == o.entries && source == o.source && visibility == o.visibility && name == o.name;
}

bool CdrEntry::operator==(const CdrEntry &o) const
{
    return uid == o.uid && callerNum == o.callerNum && calledNum == o.calledNum && callerName == o.callerName &&
           calledName == o.calledName && direction == o.direction && startTime == o.startTime &&
           duration == o.duration && callAttributes == o.callAttributes && callTypeKey == o.callTypeKey;
}

bool ChatMessage::operator==(const ChatMessage &o) const
{
    return id == o.id && sender == o.sender && exten == o.exten && body == o.body && context == o.context &&
           time == o.time && direction == o.direction && type == o.type;
}

bool ServiceStatus::operator==(const ServiceStatus &o) const
{
    return service == o.service && type == o.type && value == o.value && state == o.state;
}

bool InCallServiceStatus::operator==(const InCallServiceStatus &o) const
{
    return uid == o.uid && callId == o.callId && account == o.account && channel == o.channel &&
           serviceType == o.serviceType && state == o.state;
}

bool VoicemailMessage::operator==(const VoicemailMessage &o) const
{
    return id == o.id && uuid == o.uuid && senderNum == o.senderNum && senderName == o.senderName &&
           arrival == o.arrival && folder == o.folder && duration == o.duration && unheard == o.unheard &&
           urgent == o.urgent;
}

bool MailboxStatus::operator==(const MailboxStatus &o) const
{
    return mailbox == o.mailbox && totalMessages == o.totalMessages && newMessages == o.newMessages &&
           oldMessages == o.oldMessages && urgentMessages == o.urgentMessages;
}

bool QueueMember::operator==(const QueueMember &o) const
{
    return account == o.account && exten == o.exten && queueId == o.queueId && memberType == o.memberType &&
           penalty == o.penalty;
}

bool QueueEvent::operator==(const QueueEvent &o) const
{
    return queueId == o.queueId && queueName == o.queueName && eventType == o.eventType && uid == o.uid &&
           callerNum == o.callerNum && waitingCalls == o.waitingCalls && oldestCallTime == o.oldestCallTime;
}

bool QueueStatsMember::operator==(const QueueStatsMember &o) const
{
    return memberId == o.memberId && extension == o.extension && name == o.name && memberType == o.memberType &&
           penalty == o.penalty && lastCall == o.lastCall && lastPauseChange == o.lastPauseChange &&
           paused == o.paused && completedCalls == o.completedCalls;
}

bool QueueStats::operator==(const QueueStats &o) const
{
    return queueId == o.queueId && queueName == o.queueName && waitingCalls == o.waitingCalls &&
           oldestCallTime == o.oldestCallTime && members == o.members;
}

bool QueuePeriodicStats::operator==(const QueuePeriodicStats &o) const
{
    return queueId == o.queueId && periodType == o.periodType && from == o.from && to == o.to &&
           servedCalls == o.servedCalls && servedMeanWait == o.servedMeanWait &&
           servedMeanConversation == o.servedMeanConversation && lostCalls == o.lostCalls &&
           lostMeanWait == o.lostMeanWait;
}

bool QueuePeriodicStatsList::operator==(const QueuePeriodicStatsList &o) const
{
    return stats == o.stats && periodType == o.periodType;
}

bool QueueOperatorPeriodicStats::operator==(const QueueOperatorPeriodicStats &o) const
{
    return memberId == o.memberId && extension == o.extension && queueId == o.queueId && memberType == o.memberType &&
           periodType == o.periodType && from == o.from && to == o.to && servedCalls == o.servedCalls &&
           missedCalls == o.missedCalls && lastCall == o.lastCall;
}

bool CallCenterReport::operator==(const CallCenterReport &o) const
{
    return data == o.data && fileName == o.fileName && mimeType == o.mimeType && periodType == o.periodType &&
           from == o.from && to == o.to;
}

// ---------------------------------------------------------------------------

namespace CTILIB
{

namespace
{

template <typename T> void registerAs(const char *name)
{
    qRegisterMetaType<T>(name);
}

struct NamedValue {
    int value;
    const char *name;
};

const NamedValue kPeriodNames[] = {
    {PeriodLastHour, "last_hour"},         {PeriodToday, "today"},
    {PeriodThisWeek, "this_week"},         {PeriodThisMonth, "this_month"},
    {PeriodLast30Days, "last_30_days"},    {PeriodLast60Days, "last_60_days"},
    {PeriodLast90Days, "last_90_days"},    {PeriodYesterday, "yesterday"},
    {PeriodPreviousWeek, "previous_week"}, {PeriodPreviousMonth, "previous_month"},
};

const NamedValue kPresenceNames[] = {
    {PresenceOnline, "online"}, {PresenceAvailable, "available"},       {PresenceAway, "away"},
    {PresenceBusy, "busy"},     {PresenceNotAvailable, "notavailable"}, {PresenceOffline, "offline"},
};

const NamedValue kBlfNames[] = {
    {BlfUnknown, "unknown"}, {BlfIdle, "idle"},
    {BlfInUse, "inuse"},     {BlfBusy, "busy"},
    {BlfInvalid, "invalid"}, {BlfUnavailable, "unavailable"},
    {BlfRinging, "ringing"}, {BlfRingInUse, "ringinuse"},
    {BlfOnHold, "onhold"},   {BlfInUseOnHold, "inuse_onhold"},
};

template <size_t N> QString nameOf(const NamedValue (&table)[N], int value, const char *fallback)
{
    for (const NamedValue &nv : table) {
        if (nv.value == value)
            return QString::fromLatin1(nv.name);
    }
    return QString::fromLatin1(fallback);
}

template <size_t N> int valueOf(const NamedValue (&table)[N], const QString &text, int fallback)
{
    const QString t = text.trimmed().toLower();
    for (const NamedValue &nv : table) {
        if (t == QLatin1String(nv.name))
            return nv.value;
    }
    return fallback;
}

} // namespace

void registerMetaTypes()
{
    registerAs<CTILIB::AppMode>("CTILIB::AppMode");
    registerAs<CTILIB::BlfStatus>("CTILIB::BlfStatus");
    registerAs<CTILIB::ChatPresence>("CTILIB::ChatPresence");
    registerAs<CTILIB::PeriodType>("CTILIB::PeriodType");
    registerAs<CTILIB::PhonebookTypeFlags>("CTILIB::PhonebookTypeFlags");
    registerAs<CTILIB::DtmfMode>("CTILIB::DtmfMode");
    registerAs<CTILIB::CallAttributeFlags>("CTILIB::CallAttributeFlags");
    registerAs<CTILIB::NumberOutgoingPrefix>("CTILIB::NumberOutgoingPrefix");
    registerAs<CTILIB::ServiceDialCodeType>("CTILIB::ServiceDialCodeType");
    registerAs<CTILIB::VmMsgType>("CTILIB::VmMsgType");
    registerAs<CTILIB::VmMsgTypeFlag>("CTILIB::VmMsgTypeFlag");

    registerAs<LoginDetails>("LoginDetails");
    registerAs<IdentityEntry>("IdentityEntry");
    registerAs<IdentityList>("IdentityList");
    registerAs<SipConfiguration>("SipConfiguration");
    registerAs<ServicesDialCodesMap>("ServicesDialCodesMap");
    registerAs<IncomingCallEvent>("IncomingCallEvent");
    registerAs<OriginateCallEvent>("OriginateCallEvent");
    registerAs<AnsweredCallEvent>("AnsweredCallEvent");
    registerAs<FinishedCallEvent>("FinishedCallEvent");
    registerAs<MissedCallEvent>("MissedCallEvent");
    registerAs<ColpUpdateEvent>("ColpUpdateEvent");
    registerAs<CallLocalInfoUpdateEvent>("CallLocalInfoUpdateEvent");
    registerAs<ChannelStatus>("ChannelStatus");
    registerAs<BuddyStatus>("BuddyStatus");
    registerAs<BuddyStatusMap>("BuddyStatusMap");
    registerAs<ContactEntry>("ContactEntry");
    registerAs<PhoneBookEntry>("PhoneBookEntry");
    registerAs<PhoneBook>("PhoneBook");
    registerAs<PhoneBookList>("PhoneBookList");
    registerAs<CdrEntry>("CdrEntry");
    registerAs<Cdr>("Cdr");
    registerAs<ChatMessage>("ChatMessage");
    registerAs<ChatMessageList>("ChatMessageList");
    registerAs<ServiceStatus>("ServiceStatus");
    registerAs<ServiceStatusList>("ServiceStatusList");
    registerAs<InCallServiceStatus>("InCallServiceStatus");
    registerAs<VoicemailMessage>("VoicemailMessage");
    registerAs<VoicemailMessageList>("VoicemailMessageList");
    registerAs<MailboxStatus>("MailboxStatus");
    registerAs<QueueMember>("QueueMember");
    registerAs<QueueEvent>("QueueEvent");
    registerAs<QueueStatsMember>("QueueStatsMember");
    registerAs<QueueStats>("QueueStats");
    registerAs<QueueStatsList>("QueueStatsList");
    registerAs<QueuePeriodicStats>("QueuePeriodicStats");
    registerAs<QueuePeriodicStatsList>("QueuePeriodicStatsList");
    registerAs<QueueOperatorPeriodicStats>("QueueOperatorPeriodicStats");
    registerAs<QueueOperatorPeriodicStatsList>("QueueOperatorPeriodicStatsList");
    registerAs<CallCenterReport>("CallCenterReport");
    // Full spellings used in some signatures.
    qRegisterMetaType<QMap<QString, BuddyStatus>>();
    qRegisterMetaType<QMap<QString, QStringList>>("QMap<QString,QStringList>");
    qRegisterMetaType<QList<int>>("QList<int>");
}

QString periodTypeToString(PeriodType type)
{
    return nameOf(kPeriodNames, type, "");
}

PeriodType periodTypeFromString(const QString &text)
{
    return PeriodType(valueOf(kPeriodNames, text, PeriodInvalid));
}

QString chatPresenceToString(ChatPresence presence)
{
    return nameOf(kPresenceNames, presence, "offline");
}

ChatPresence chatPresenceFromString(const QString &text)
{
    return ChatPresence(valueOf(kPresenceNames, text, PresenceInvalid));
}

QString blfStatusToString(BlfStatus status)
{
    return nameOf(kBlfNames, status, "offline");
}

QString appModeToString(AppMode mode)
{
    switch (mode) {
    case AppModeCtiOnly:
        return QStringLiteral("CTI");
    case AppModeDeskPhone:
        return QStringLiteral("PHONE");
    case AppModeSoftphone:
        return QStringLiteral("SOFTPHONE");
    }
    return QStringLiteral("UNKNOWN(%1)").arg(int(mode));
}

QString dtmfModeToString(DtmfMode mode)
{
    switch (mode) {
    case DtmfModeAuto:
        return QStringLiteral("auto");
    case DtmfModeInband:
        return QStringLiteral("inband");
    case DtmfModeRfc2833:
        return QStringLiteral("rfc2833");
    case DtmfModeSipInfo:
        return QStringLiteral("sipinfo");
    }
    return QStringLiteral("unknown(%1)").arg(int(mode));
}

QString getIpPort(const QString &address, quint16 *port)
{
    if (port)
        *port = 0;
    QString a = address.trimmed();
    QString host;
    QString portText;
    if (a.startsWith(QLatin1Char('['))) {
        const int close = a.indexOf(QLatin1Char(']'));
        if (close < 0)
            return QString();
        host = a.mid(1, close - 1);
        const QString rest = a.mid(close + 1);
        if (rest.startsWith(QLatin1Char(':')))
            portText = rest.mid(1);
    } else if (a.count(QLatin1Char(':')) == 1) {
        const int colon = a.indexOf(QLatin1Char(':'));
        host = a.left(colon);
        portText = a.mid(colon + 1);
    } else {
        host = a; // a name, an IPv4 address or a bare IPv6 address
    }
    if (port && !portText.isEmpty()) {
        bool ok = false;
        const uint p = portText.toUInt(&ok);
        *port = (ok && p > 0 && p <= 65535) ? quint16(p) : 0;
    }
    return host;
}

QPair<QString, QString> getNameNumPairFromUri(const QString &uri)
{
    QString text = uri.trimmed();
    QString name;
    QString addr = text;
    const int lt = text.indexOf(QLatin1Char('<'));
    if (lt >= 0) {
        name = text.left(lt).trimmed();
        const int gt = text.indexOf(QLatin1Char('>'), lt);
        addr = text.mid(lt + 1, gt < 0 ? -1 : gt - lt - 1).trimmed();
        if (name.size() >= 2 && name.startsWith(QLatin1Char('"')) && name.endsWith(QLatin1Char('"')))
            name = name.mid(1, name.size() - 2);
    }
    static const QRegularExpression scheme(QStringLiteral("^(sips?|tel):"), QRegularExpression::CaseInsensitiveOption);
    addr.remove(scheme);
    const int semi = addr.indexOf(QLatin1Char(';'));
    if (semi >= 0)
        addr = addr.left(semi);
    const int at = addr.indexOf(QLatin1Char('@'));
    const QString number = at >= 0 ? addr.left(at) : addr;
    // A SIP peer's display name and number are shown like the PBX's texts.
    return qMakePair(PeerText::cleanField(QLatin1String("remoteName"), name.trimmed()),
                     PeerText::cleanField(QLatin1String("remoteNum"), number.trimmed()));
}

} // namespace CTILIB
