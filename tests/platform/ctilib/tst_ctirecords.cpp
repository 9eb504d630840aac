// Every CTI record goes through the wire protocol and comes back field by
// field; every record type and signal of the library crosses a queued
// connection.
#include "ctijson.h"
#include "ctilib.h"
#include "ctiprotocol.h"

#include "testmain.h"

#include <QMetaMethod>

#include <functional>

using Check = std::function<void()>;
Q_DECLARE_METATYPE(Check)

namespace
{

// Encodes a record as an event, frames it, reads the frame back and decodes it.
template <typename T> T throughTheWire(const T &value)
{
    const QByteArray wire = CtiProtocol::encodeEvent(QStringLiteral("record"), CtiJson::toJson(value));
    CtiProtocol::FrameReader reader(CtiProtocol::MaxServerFrame);
    // Deliver in two pieces, as a socket would.
    const int half = wire.size() / 2;
    reader.append(wire.left(half));
    QByteArray frame;
    if (reader.next(&frame))
        qFatal("a frame before its end");
    reader.append(wire.mid(half));
    if (!reader.next(&frame))
        qFatal("no frame");
    CtiProtocol::Message msg;
    QString error;
    if (!CtiProtocol::parseMessage(frame, &msg, &error))
        qFatal("parse failed: %s", qPrintable(error));
    T out;
    if (!CtiJson::fromJson(QJsonValue(msg.body), out, &error))
        qFatal("decode failed: %s", qPrintable(error));
    return out;
}

PhoneBookEntry samplePhoneBookEntry()
{
    PhoneBookEntry e;
    e.id = QStringLiteral("id-1");
    e.firstName = QStringLiteral("Mario");
    e.contacts << ContactEntry{QStringLiteral("email"), QStringLiteral("work"), QStringLiteral("m@x.example"), false};
    return e;
}

QueueStatsMember sampleQueueStatsMember()
{
    QueueStatsMember m;
    m.memberId = QStringLiteral("201");
    m.paused = true;
    m.lastCall = QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5), Qt::UTC);
    return m;
}

QueuePeriodicStats sampleQueuePeriodicStats()
{
    QueuePeriodicStats s;
    s.queueId = QStringLiteral("600");
    s.servedMeanWait = 0.1;
    return s;
}

// A default value made as a queued connection makes its copies (zeroed memory
// first, so that enumerations hold a valid value).
void *createDefault(int type)
{
    const int size = QMetaType::sizeOf(type);
    void *mem = ::operator new(size_t(qMax(size, 1)));
    memset(mem, 0, size_t(qMax(size, 1)));
    return QMetaType::construct(type, mem, nullptr);
}

void *createCopy(int type, const void *from)
{
    void *mem = ::operator new(size_t(qMax(QMetaType::sizeOf(type), 1)));
    return QMetaType::construct(type, mem, from);
}

void destroyValue(int type, void *value)
{
    QMetaType::destruct(type, value);
    ::operator delete(value);
}

} // namespace

class TestCtiRecords : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void everyFieldIsOnTheWire_data();
    void everyFieldIsOnTheWire();
    void wrongFieldTypeIsRejected_data();
    void wrongFieldTypeIsRejected();
    void identityListEqualityIsOrdered();
    void registeredNamesCrossQueuedConnections_data();
    void registeredNamesCrossQueuedConnections();
    void everySignalCrossesAQueuedConnection();
    void recordValuesSurviveAQueuedConnection();
    void aliasSpellingsConnectByName_data();
    void aliasSpellingsConnectByName();

public slots:
    void sink() { ++m_sinkCalls; }
    void onMap(const QMap<QString, BuddyStatus> &) { ++m_sinkCalls; }
    void onCodes(const QMap<CTILIB::ServiceDialCodeType, QString> &) { ++m_sinkCalls; }
    void onIdentities(const QList<IdentityEntry> &) { ++m_sinkCalls; }
    void onCdr(const QList<CdrEntry> &) { ++m_sinkCalls; }
    void onBooks(const QList<PhoneBook> &, CTILIB::PhonebookTypeFlags) { ++m_sinkCalls; }

private:
    int m_sinkCalls = 0;
};

// One row per field: the field alone is set, the record crosses the wire and
// must come back equal, with that field changed.
void TestCtiRecords::roundTrip_data()
{
    QTest::addColumn<Check>("check");
#define ROW(Type, field, value)                                                                                        \
    QTest::newRow(#Type "." #field) << Check([] {                                                                      \
        Type original;                                                                                                 \
        original.field = value;                                                                                        \
        QVERIFY2(original != Type(), "the sample value equals the default");                                           \
        const Type back = throughTheWire(original);                                                                    \
        QVERIFY(back.field == original.field);                                                                         \
        QVERIFY(back == original);                                                                                     \
    })
    ROW(LoginDetails, username, (QStringLiteral("LoginDetails-username")));
    ROW(LoginDetails, userId, (7));
    ROW(LoginDetails, extension, (QStringLiteral("LoginDetails-extension")));
    ROW(LoginDetails, email, (QStringLiteral("LoginDetails-email")));
    ROW(LoginDetails, mobile, (QStringLiteral("LoginDetails-mobile")));
    ROW(LoginDetails, firstName, (QStringLiteral("LoginDetails-firstName")));
    ROW(LoginDetails, lastName, (QStringLiteral("LoginDetails-lastName")));
    ROW(LoginDetails, tenant, (QStringLiteral("LoginDetails-tenant")));
    ROW(LoginDetails, queueRole, (7));
    ROW(LoginDetails, queues, (QStringList{QStringLiteral("a"), QStringLiteral("b,c")}));
    ROW(LoginDetails, firmwareVersion, (QStringLiteral("LoginDetails-firmwareVersion")));
    ROW(LoginDetails, pbxName, (QStringLiteral("LoginDetails-pbxName")));
    ROW(LoginDetails, pbxSerial, (QStringLiteral("LoginDetails-pbxSerial")));
    ROW(LoginDetails, sessionId, (QStringLiteral("LoginDetails-sessionId")));
    ROW(IdentityEntry, identifier, (QStringLiteral("IdentityEntry-identifier")));
    ROW(IdentityEntry, type, (QStringLiteral("IdentityEntry-type")));
    ROW(IdentityEntry, priority, (quint8(200)));
    ROW(IdentityEntry, sipUsername, (QStringLiteral("IdentityEntry-sipUsername")));
    ROW(IdentityEntry, sipPassword, (QStringLiteral("IdentityEntry-sipPassword")));
    ROW(IdentityEntry, codecList, (QStringList{QStringLiteral("a"), QStringLiteral("b,c")}));
    ROW(IdentityEntry, sipTos, (quint8(200)));
    ROW(IdentityEntry, audioTos, (quint8(200)));
    ROW(IdentityEntry, videoTos, (quint8(200)));
    ROW(IdentityEntry, dtmfMode, (7));
    ROW(IdentityEntry, displayName, (QStringLiteral("IdentityEntry-displayName")));
    ROW(IdentityEntry, phoneIp, (QStringLiteral("IdentityEntry-phoneIp")));
    ROW(IdentityEntry, phonePort, (quint16(6543)));
    ROW(IdentityEntry, phoneUserAgent, (QStringLiteral("IdentityEntry-phoneUserAgent")));
    ROW(IdentityEntry, phoneVendor, (QStringLiteral("IdentityEntry-phoneVendor")));
    ROW(IdentityEntry, phoneModel, (QStringLiteral("IdentityEntry-phoneModel")));
    ROW(IdentityEntry, phoneMac, (QStringLiteral("IdentityEntry-phoneMac")));
    ROW(IdentityEntry, note, (QStringLiteral("IdentityEntry-note")));
    ROW(SipConfiguration, useLocalRegistrar, (true));
    ROW(SipConfiguration, transport, (QStringLiteral("TLS")));
    ROW(SipConfiguration, registrarAddress, (QStringLiteral("SipConfiguration-registrarAddress")));
    ROW(SipConfiguration, registrarPort, (quint16(6543)));
    ROW(SipConfiguration, proxyAddress, (QStringLiteral("SipConfiguration-proxyAddress")));
    ROW(SipConfiguration, proxyPort, (quint16(6543)));
    ROW(IncomingCallEvent, uid, (QStringLiteral("IncomingCallEvent-uid")));
    ROW(IncomingCallEvent, account, (QStringLiteral("IncomingCallEvent-account")));
    ROW(IncomingCallEvent, localChannel, (QStringLiteral("IncomingCallEvent-localChannel")));
    ROW(IncomingCallEvent, remoteChannel, (QStringLiteral("IncomingCallEvent-remoteChannel")));
    ROW(IncomingCallEvent, remoteNum, (QStringLiteral("IncomingCallEvent-remoteNum")));
    ROW(IncomingCallEvent, remoteName, (QStringLiteral("IncomingCallEvent-remoteName")));
    ROW(IncomingCallEvent, calledNum, (QStringLiteral("IncomingCallEvent-calledNum")));
    ROW(IncomingCallEvent, callType, (7));
    ROW(IncomingCallEvent, did, (QStringLiteral("IncomingCallEvent-did")));
    ROW(IncomingCallEvent, queueId, (QStringLiteral("IncomingCallEvent-queueId")));
    ROW(IncomingCallEvent, linkedId, (QStringLiteral("IncomingCallEvent-linkedId")));
    ROW(IncomingCallEvent, transferredFrom, (QStringLiteral("IncomingCallEvent-transferredFrom")));
    ROW(IncomingCallEvent, groupId, (QStringLiteral("IncomingCallEvent-groupId")));
    ROW(OriginateCallEvent, uid, (QStringLiteral("OriginateCallEvent-uid")));
    ROW(OriginateCallEvent, account, (QStringLiteral("OriginateCallEvent-account")));
    ROW(OriginateCallEvent, localChannel, (QStringLiteral("OriginateCallEvent-localChannel")));
    ROW(OriginateCallEvent, calledNum, (QStringLiteral("OriginateCallEvent-calledNum")));
    ROW(AnsweredCallEvent, uid, (QStringLiteral("AnsweredCallEvent-uid")));
    ROW(AnsweredCallEvent, account, (QStringLiteral("AnsweredCallEvent-account")));
    ROW(AnsweredCallEvent, localChan, (QStringLiteral("AnsweredCallEvent-localChan")));
    ROW(AnsweredCallEvent, remoteChan, (QStringLiteral("AnsweredCallEvent-remoteChan")));
    ROW(AnsweredCallEvent, remoteNum, (QStringLiteral("AnsweredCallEvent-remoteNum")));
    ROW(AnsweredCallEvent, remoteName, (QStringLiteral("AnsweredCallEvent-remoteName")));
    ROW(AnsweredCallEvent, calledNum, (QStringLiteral("AnsweredCallEvent-calledNum")));
    ROW(AnsweredCallEvent, callType, (7));
    ROW(AnsweredCallEvent, isCallee, (7));
    ROW(AnsweredCallEvent, answerTime, (qint64(1234567890123)));
    ROW(FinishedCallEvent, uid, (QStringLiteral("FinishedCallEvent-uid")));
    ROW(FinishedCallEvent, account, (QStringLiteral("FinishedCallEvent-account")));
    ROW(FinishedCallEvent, localChan, (QStringLiteral("FinishedCallEvent-localChan")));
    ROW(FinishedCallEvent, remoteNum, (QStringLiteral("FinishedCallEvent-remoteNum")));
    ROW(FinishedCallEvent, remoteName, (QStringLiteral("FinishedCallEvent-remoteName")));
    ROW(FinishedCallEvent, calledNum, (QStringLiteral("FinishedCallEvent-calledNum")));
    ROW(FinishedCallEvent, reason, (QStringLiteral("FinishedCallEvent-reason")));
    ROW(FinishedCallEvent, localHangup, (true));
    ROW(MissedCallEvent, uid, (QStringLiteral("MissedCallEvent-uid")));
    ROW(MissedCallEvent, account, (QStringLiteral("MissedCallEvent-account")));
    ROW(MissedCallEvent, localChan, (QStringLiteral("MissedCallEvent-localChan")));
    ROW(MissedCallEvent, remoteNum, (QStringLiteral("MissedCallEvent-remoteNum")));
    ROW(MissedCallEvent, remoteName, (QStringLiteral("MissedCallEvent-remoteName")));
    ROW(ColpUpdateEvent, uid, (QStringLiteral("ColpUpdateEvent-uid")));
    ROW(ColpUpdateEvent, remoteNum, (QStringLiteral("ColpUpdateEvent-remoteNum")));
    ROW(ColpUpdateEvent, remoteName, (QStringLiteral("ColpUpdateEvent-remoteName")));
    ROW(ColpUpdateEvent, localChan, (QStringLiteral("ColpUpdateEvent-localChan")));
    ROW(ColpUpdateEvent, remoteChan, (QStringLiteral("ColpUpdateEvent-remoteChan")));
    ROW(ColpUpdateEvent, account, (QStringLiteral("ColpUpdateEvent-account")));
    ROW(CallLocalInfoUpdateEvent, uid, (QStringLiteral("CallLocalInfoUpdateEvent-uid")));
    ROW(CallLocalInfoUpdateEvent, oldLocalChan, (QStringLiteral("CallLocalInfoUpdateEvent-oldLocalChan")));
    ROW(CallLocalInfoUpdateEvent, newLocalChan, (QStringLiteral("CallLocalInfoUpdateEvent-newLocalChan")));
    ROW(CallLocalInfoUpdateEvent, account, (QStringLiteral("CallLocalInfoUpdateEvent-account")));
    ROW(ChannelStatus, channel, (QStringLiteral("ChannelStatus-channel")));
    ROW(ChannelStatus, number, (QStringLiteral("ChannelStatus-number")));
    ROW(ChannelStatus, name, (QStringLiteral("ChannelStatus-name")));
    ROW(ChannelStatus, uid, (QStringLiteral("ChannelStatus-uid")));
    ROW(ChannelStatus, status, (7));
    ROW(BuddyStatus, exten, (QStringLiteral("BuddyStatus-exten")));
    ROW(BuddyStatus, presence, (7));
    ROW(BuddyStatus, presenceMsg, (QStringLiteral("BuddyStatus-presenceMsg")));
    ROW(BuddyStatus, chatEnabled, (true));
    ROW(BuddyStatus, blfStatus, (7));
    ROW(BuddyStatus, accounts, (QStringList{QStringLiteral("a"), QStringLiteral("b,c")}));
    ROW(ContactEntry, kind, (QStringLiteral("ContactEntry-kind")));
    ROW(ContactEntry, subtype, (QStringLiteral("ContactEntry-subtype")));
    ROW(ContactEntry, value, (QStringLiteral("ContactEntry-value")));
    ROW(ContactEntry, preferred, (true));
    ROW(PhoneBookEntry, contacts,
        (QList<ContactEntry>{
            ContactEntry{QStringLiteral("phone"), QStringLiteral("mobile"), QStringLiteral("+39 333"), true}}));
    ROW(PhoneBookEntry, firstName, (QStringLiteral("PhoneBookEntry-firstName")));
    ROW(PhoneBookEntry, lastName, (QStringLiteral("PhoneBookEntry-lastName")));
    ROW(PhoneBookEntry, displayName, (QStringLiteral("PhoneBookEntry-displayName")));
    ROW(PhoneBookEntry, company, (QStringLiteral("PhoneBookEntry-company")));
    ROW(PhoneBookEntry, department, (QStringLiteral("PhoneBookEntry-department")));
    ROW(PhoneBookEntry, jobTitle, (QStringLiteral("PhoneBookEntry-jobTitle")));
    ROW(PhoneBookEntry, id, (QStringLiteral("PhoneBookEntry-id")));
    ROW(PhoneBookEntry, lastModified, (qint64(1234567890123)));
    ROW(PhoneBookEntry, email, (QStringLiteral("PhoneBookEntry-email")));
    ROW(PhoneBookEntry, extension, (QStringLiteral("PhoneBookEntry-extension")));
    ROW(PhoneBookEntry, phone, (QStringLiteral("PhoneBookEntry-phone")));
    ROW(PhoneBookEntry, mobile, (QStringLiteral("PhoneBookEntry-mobile")));
    ROW(PhoneBookEntry, home, (QStringLiteral("PhoneBookEntry-home")));
    ROW(PhoneBook, entries, (QList<PhoneBookEntry>{samplePhoneBookEntry()}));
    ROW(PhoneBook, source, (QStringLiteral("PhoneBook-source")));
    ROW(PhoneBook, visibility, (QStringLiteral("PhoneBook-visibility")));
    ROW(PhoneBook, name, (QStringLiteral("PhoneBook-name")));
    ROW(CdrEntry, uid, (QStringLiteral("CdrEntry-uid")));
    ROW(CdrEntry, callerNum, (QStringLiteral("CdrEntry-callerNum")));
    ROW(CdrEntry, calledNum, (QStringLiteral("CdrEntry-calledNum")));
    ROW(CdrEntry, callerName, (QStringLiteral("CdrEntry-callerName")));
    ROW(CdrEntry, calledName, (QStringLiteral("CdrEntry-calledName")));
    ROW(CdrEntry, direction, (QStringLiteral("CdrEntry-direction")));
    ROW(CdrEntry, startTime, (QStringLiteral("CdrEntry-startTime")));
    ROW(CdrEntry, duration, (7));
    ROW(CdrEntry, callAttributes, (7));
    ROW(CdrEntry, callTypeKey, (QStringLiteral("CdrEntry-callTypeKey")));
    ROW(ChatMessage, id, (QStringLiteral("ChatMessage-id")));
    ROW(ChatMessage, sender, (QStringLiteral("ChatMessage-sender")));
    ROW(ChatMessage, exten, (QStringLiteral("ChatMessage-exten")));
    ROW(ChatMessage, body, (QStringLiteral("ChatMessage-body")));
    ROW(ChatMessage, context, (QStringLiteral("ChatMessage-context")));
    ROW(ChatMessage, time, (QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 123), Qt::UTC)));
    ROW(ChatMessage, direction, (7));
    ROW(ChatMessage, type, (7));
    ROW(ServiceStatus, service, (QStringLiteral("ServiceStatus-service")));
    ROW(ServiceStatus, type, (QStringLiteral("ServiceStatus-type")));
    ROW(ServiceStatus, value, (QStringLiteral("ServiceStatus-value")));
    ROW(ServiceStatus, state, (7));
    ROW(InCallServiceStatus, uid, (QStringLiteral("InCallServiceStatus-uid")));
    ROW(InCallServiceStatus, callId, (QStringLiteral("InCallServiceStatus-callId")));
    ROW(InCallServiceStatus, account, (QStringLiteral("InCallServiceStatus-account")));
    ROW(InCallServiceStatus, channel, (QStringLiteral("InCallServiceStatus-channel")));
    ROW(InCallServiceStatus, serviceType, (QStringLiteral("InCallServiceStatus-serviceType")));
    ROW(InCallServiceStatus, state, (7));
    ROW(VoicemailMessage, id, (QStringLiteral("VoicemailMessage-id")));
    ROW(VoicemailMessage, uuid, (QStringLiteral("VoicemailMessage-uuid")));
    ROW(VoicemailMessage, senderNum, (QStringLiteral("VoicemailMessage-senderNum")));
    ROW(VoicemailMessage, senderName, (QStringLiteral("VoicemailMessage-senderName")));
    ROW(VoicemailMessage, arrival, (QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 123), Qt::UTC)));
    ROW(VoicemailMessage, folder, (QStringLiteral("VoicemailMessage-folder")));
    ROW(VoicemailMessage, duration, (7));
    ROW(VoicemailMessage, unheard, (true));
    ROW(VoicemailMessage, urgent, (true));
    ROW(MailboxStatus, mailbox, (QStringLiteral("MailboxStatus-mailbox")));
    ROW(MailboxStatus, totalMessages, (7));
    ROW(MailboxStatus, newMessages, (7));
    ROW(MailboxStatus, oldMessages, (7));
    ROW(MailboxStatus, urgentMessages, (7));
    ROW(QueueMember, account, (QStringLiteral("QueueMember-account")));
    ROW(QueueMember, exten, (QStringLiteral("QueueMember-exten")));
    ROW(QueueMember, queueId, (QStringLiteral("QueueMember-queueId")));
    ROW(QueueMember, memberType, (7));
    ROW(QueueMember, penalty, (7));
    ROW(QueueEvent, queueId, (QStringLiteral("QueueEvent-queueId")));
    ROW(QueueEvent, queueName, (QStringLiteral("QueueEvent-queueName")));
    ROW(QueueEvent, eventType, (QStringLiteral("QueueEvent-eventType")));
    ROW(QueueEvent, uid, (QStringLiteral("QueueEvent-uid")));
    ROW(QueueEvent, callerNum, (QStringLiteral("QueueEvent-callerNum")));
    ROW(QueueEvent, waitingCalls, (7));
    ROW(QueueEvent, oldestCallTime, (QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 123), Qt::UTC)));
    ROW(QueueStatsMember, memberId, (QStringLiteral("QueueStatsMember-memberId")));
    ROW(QueueStatsMember, extension, (QStringLiteral("QueueStatsMember-extension")));
    ROW(QueueStatsMember, name, (QStringLiteral("QueueStatsMember-name")));
    ROW(QueueStatsMember, memberType, (7));
    ROW(QueueStatsMember, penalty, (7));
    ROW(QueueStatsMember, lastCall, (QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 123), Qt::UTC)));
    ROW(QueueStatsMember, lastPauseChange, (QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 123), Qt::UTC)));
    ROW(QueueStatsMember, paused, (true));
    ROW(QueueStatsMember, completedCalls, (7));
    ROW(QueueStats, queueId, (QStringLiteral("QueueStats-queueId")));
    ROW(QueueStats, queueName, (QStringLiteral("QueueStats-queueName")));
    ROW(QueueStats, waitingCalls, (7));
    ROW(QueueStats, oldestCallTime, (QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 123), Qt::UTC)));
    ROW(QueueStats, members, (QList<QueueStatsMember>{sampleQueueStatsMember()}));
    ROW(QueuePeriodicStats, queueId, (QStringLiteral("QueuePeriodicStats-queueId")));
    ROW(QueuePeriodicStats, periodType, (7));
    ROW(QueuePeriodicStats, from, (QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 123), Qt::UTC)));
    ROW(QueuePeriodicStats, to, (QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 123), Qt::UTC)));
    ROW(QueuePeriodicStats, servedCalls, (7));
    ROW(QueuePeriodicStats, servedMeanWait, (3.25));
    ROW(QueuePeriodicStats, servedMeanConversation, (3.25));
    ROW(QueuePeriodicStats, lostCalls, (7));
    ROW(QueuePeriodicStats, lostMeanWait, (3.25));
    ROW(QueuePeriodicStatsList, stats, (QList<QueuePeriodicStats>{sampleQueuePeriodicStats()}));
    ROW(QueuePeriodicStatsList, periodType, (7));
    ROW(QueueOperatorPeriodicStats, memberId, (QStringLiteral("QueueOperatorPeriodicStats-memberId")));
    ROW(QueueOperatorPeriodicStats, extension, (QStringLiteral("QueueOperatorPeriodicStats-extension")));
    ROW(QueueOperatorPeriodicStats, queueId, (QStringLiteral("QueueOperatorPeriodicStats-queueId")));
    ROW(QueueOperatorPeriodicStats, memberType, (7));
    ROW(QueueOperatorPeriodicStats, periodType, (7));
    ROW(QueueOperatorPeriodicStats, from, (QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 123), Qt::UTC)));
    ROW(QueueOperatorPeriodicStats, to, (QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 123), Qt::UTC)));
    ROW(QueueOperatorPeriodicStats, servedCalls, (7));
    ROW(QueueOperatorPeriodicStats, missedCalls, (7));
    ROW(QueueOperatorPeriodicStats, lastCall, (QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 123), Qt::UTC)));
    ROW(CallCenterReport, data, (QByteArray("\x00\x01report\xff", 10)));
    ROW(CallCenterReport, fileName, (QStringLiteral("CallCenterReport-fileName")));
    ROW(CallCenterReport, mimeType, (QStringLiteral("CallCenterReport-mimeType")));
    ROW(CallCenterReport, periodType, (7));
    ROW(CallCenterReport, from, (QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 123), Qt::UTC)));
    ROW(CallCenterReport, to, (QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 123), Qt::UTC)));
#undef ROW
}

void TestCtiRecords::roundTrip()
{
    QFETCH(Check, check);
    check();
}

// The JSON form carries exactly the fields that the table above covers, so a
// field added to a record without a wire form (or a test row) is noticed.
void TestCtiRecords::everyFieldIsOnTheWire_data()
{
    QTest::addColumn<int>("keys");
    QTest::addColumn<int>("fields");
#define COUNT(Type, n) QTest::newRow(#Type) << CtiJson::toJsonWithDefaults(Type()).size() << (n)
    COUNT(LoginDetails, 14);
    COUNT(IdentityEntry, 18);
    COUNT(SipConfiguration, 6);
    COUNT(IncomingCallEvent, 13);
    COUNT(OriginateCallEvent, 4);
    COUNT(AnsweredCallEvent, 10);
    COUNT(FinishedCallEvent, 8);
    COUNT(MissedCallEvent, 5);
    COUNT(ColpUpdateEvent, 6);
    COUNT(CallLocalInfoUpdateEvent, 4);
    COUNT(ChannelStatus, 5);
    COUNT(BuddyStatus, 6);
    COUNT(ContactEntry, 4);
    COUNT(PhoneBookEntry, 14);
    COUNT(PhoneBook, 4);
    COUNT(CdrEntry, 10);
    COUNT(ChatMessage, 8);
    COUNT(ServiceStatus, 4);
    COUNT(InCallServiceStatus, 6);
    COUNT(VoicemailMessage, 9);
    COUNT(MailboxStatus, 5);
    COUNT(QueueMember, 5);
    COUNT(QueueEvent, 7);
    COUNT(QueueStatsMember, 9);
    COUNT(QueueStats, 5);
    COUNT(QueuePeriodicStats, 9);
    COUNT(QueuePeriodicStatsList, 2);
    COUNT(QueueOperatorPeriodicStats, 10);
    COUNT(CallCenterReport, 6);
#undef COUNT
}

void TestCtiRecords::everyFieldIsOnTheWire()
{
    QFETCH(int, keys);
    QFETCH(int, fields);
    QCOMPARE(keys, fields);
}

void TestCtiRecords::wrongFieldTypeIsRejected_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("field");
    QTest::newRow("string as number") << QByteArray(R"({"uid":5})") << "uid";
    QTest::newRow("int as string") << QByteArray(R"({"callType":"7"})") << "callType";
    QTest::newRow("int not integral") << QByteArray(R"({"callType":1.5})") << "callType";
    QTest::newRow("int out of range") << QByteArray(R"({"callType":1e12})") << "callType";
    QTest::newRow("list not a list") << QByteArray(R"({"linkedId":["a"]})") << "linkedId";
    QTest::newRow("not an object") << QByteArray(R"([1,2])") << "";
}

void TestCtiRecords::wrongFieldTypeIsRejected()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, field);
    const QJsonDocument doc = QJsonDocument::fromJson(json);
    const QJsonValue v = doc.isObject() ? QJsonValue(doc.object()) : QJsonValue(doc.array());
    IncomingCallEvent e;
    QString error;
    QVERIFY(!CtiJson::fromJson(v, e, &error));
    QVERIFY2(error.startsWith(field), qPrintable(error));
    // Nested records and bounded numbers too.
    QueueStats q;
    QVERIFY(!CtiJson::fromJson(QJsonDocument::fromJson(R"({"members":[{"paused":"yes"}]})").object(), q, &error));
    QVERIFY2(error.contains(QLatin1String("paused")), qPrintable(error));
    IdentityEntry id;
    QVERIFY(!CtiJson::fromJson(QJsonDocument::fromJson(R"({"sipTos":256})").object(), id, &error));
    CallCenterReport r;
    QVERIFY(!CtiJson::fromJson(QJsonDocument::fromJson(R"({"data":"***"})").object(), r, &error));
    ChatMessage m;
    QVERIFY(!CtiJson::fromJson(QJsonDocument::fromJson(R"({"time":"yesterday"})").object(), m, &error));
}

void TestCtiRecords::identityListEqualityIsOrdered()
{
    IdentityEntry a;
    a.identifier = QStringLiteral("201");
    IdentityEntry b;
    b.identifier = QStringLiteral("202");
    QVERIFY((IdentityList{a, b}) == (IdentityList{a, b}));
    QVERIFY((IdentityList{a, b}) != (IdentityList{b, a}));
    QVERIFY((IdentityList{a}) != (IdentityList{a, a}));
    IdentityEntry c = a;
    c.note = QStringLiteral("x"); // the last field counts too
    QVERIFY(a != c);
}

// The names under which the main window registers the library's types.
void TestCtiRecords::registeredNamesCrossQueuedConnections_data()
{
    QTest::addColumn<QByteArray>("name");
    for (const char *n : {"LoginDetails",
                          "Cdr",
                          "PhoneBookList",
                          "CTILIB::PhonebookTypeFlags",
                          "CTILIB::BlfStatus",
                          "IdentityList",
                          "SipConfiguration",
                          "ServicesDialCodesMap",
                          "BuddyStatusMap",
                          "BuddyStatus",
                          "VoicemailMessageList",
                          "MailboxStatus",
                          "ChatMessage",
                          "ServiceStatusList",
                          "ServiceStatus",
                          "InCallServiceStatus",
                          "ChannelStatus",
                          "IncomingCallEvent",
                          "OriginateCallEvent",
                          "AnsweredCallEvent",
                          "FinishedCallEvent",
                          "MissedCallEvent",
                          "ColpUpdateEvent",
                          "CallLocalInfoUpdateEvent",
                          "CallCenterReport",
                          "QueueStatsList",
                          "QueuePeriodicStats",
                          "QueuePeriodicStatsList",
                          "QueueOperatorPeriodicStats",
                          "QueueOperatorPeriodicStatsList",
                          "QueueMember",
                          "QueueEvent",
                          "CTILIB::PeriodType",
                          "ChatMessageList",
                          "PhoneBookEntry"})
        QTest::newRow(n) << QByteArray(n);
}

void TestCtiRecords::registeredNamesCrossQueuedConnections()
{
    QFETCH(QByteArray, name);
    CTILIB::registerMetaTypes();
    const int id = QMetaType::type(name.constData());
    QVERIFY2(id != QMetaType::UnknownType, name.constData());
    // A default value is copied by the meta-type system, as a queued
    // connection does.
    void *value = createDefault(id);
    void *copy = createCopy(id, value);
    QVERIFY(copy);
    destroyValue(id, copy);
    destroyValue(id, value);
}

// Each signal of the library, connected by name with a queued connection and
// emitted with default values, reaches its receiver once.
void TestCtiRecords::everySignalCrossesAQueuedConnection()
{
    CtiLib cti{QString(), QString(), QString(), QString(), QString(), QString()};
    const QMetaObject *mo = cti.metaObject();
    int signals_ = 0;
    for (int i = mo->methodOffset(); i < mo->methodCount(); ++i) {
        const QMetaMethod m = mo->method(i);
        if (m.methodType() != QMetaMethod::Signal)
            continue;
        ++signals_;
        const QByteArray sig = "2" + m.methodSignature();
        QVERIFY2(QObject::connect(&cti, sig.constData(), this, SLOT(sink()), Qt::QueuedConnection),
                 m.methodSignature().constData());
        QVector<void *> values;
        QVector<QGenericArgument> args(10);
        for (int p = 0; p < m.parameterCount(); ++p) {
            values << createDefault(m.parameterType(p));
            args[p] = QGenericArgument(QMetaType::typeName(m.parameterType(p)), values.last());
        }
        m_sinkCalls = 0;
        QVERIFY(m.invoke(&cti, Qt::DirectConnection, args[0], args[1], args[2], args[3], args[4], args[5], args[6],
                         args[7], args[8], args[9]));
        QCOMPARE(m_sinkCalls, 0); // queued: nothing yet
        QCoreApplication::processEvents();
        QCOMPARE(m_sinkCalls, 1);
        for (int p = 0; p < values.size(); ++p)
            destroyValue(m.parameterType(p), values.at(p));
        QObject::disconnect(&cti, sig.constData(), this, SLOT(sink()));
    }
    QVERIFY(signals_ >= 34 + 9 + 8);
}

void TestCtiRecords::recordValuesSurviveAQueuedConnection()
{
    CtiLib cti{QString(), QString(), QString(), QString(), QString(), QString()};
    PhoneBookList received;
    CTILIB::PhonebookTypeFlags flags;
    connect(
        &cti, &CtiLib::sigPhonebookChanged, this,
        [&](const PhoneBookList &l, CTILIB::PhonebookTypeFlags f) {
            received = l;
            flags = f;
        },
        Qt::QueuedConnection);
    PhoneBook book;
    book.source = QStringLiteral("velora");
    book.entries << samplePhoneBookEntry();
    emit cti.sigPhonebookChanged({book}, CTILIB::PhonebookPbx | CTILIB::PhonebookExternal);
    QCoreApplication::processEvents();
    QCOMPARE(received.size(), 1);
    QVERIFY(received.first() == book);
    QCOMPARE(int(flags), 5);
}

// A receiver may spell a list or map type in full instead of by its alias;
// the by-name connection is made either way, also queued.
void TestCtiRecords::aliasSpellingsConnectByName_data()
{
    QTest::addColumn<QByteArray>("signal");
    QTest::addColumn<QByteArray>("slot");
    QTest::newRow("map") << QByteArray(SIGNAL(sigExtenStatusMapChanged(QMap<QString, BuddyStatus>)))
                         << QByteArray(SLOT(onMap(QMap<QString, BuddyStatus>)));
    QTest::newRow("alias to full") << QByteArray(SIGNAL(sigExtenStatusMapChanged(BuddyStatusMap)))
                                   << QByteArray(SLOT(onMap(QMap<QString, BuddyStatus>)));
    QTest::newRow("codes") << QByteArray(SIGNAL(sigServicesCodesReceived(QMap<CTILIB::ServiceDialCodeType, QString>)))
                           << QByteArray(SLOT(onCodes(QMap<CTILIB::ServiceDialCodeType, QString>)));
    QTest::newRow("identities") << QByteArray(SIGNAL(sigIdentitiesChanged(QList<IdentityEntry>)))
                                << QByteArray(SLOT(onIdentities(QList<IdentityEntry>)));
    QTest::newRow("cdr") << QByteArray(SIGNAL(sigCdrChanged(Cdr))) << QByteArray(SLOT(onCdr(QList<CdrEntry>)));
    QTest::newRow("books") << QByteArray(SIGNAL(sigPhonebookChanged(QList<PhoneBook>, CTILIB::PhonebookTypeFlags)))
                           << QByteArray(SLOT(onBooks(PhoneBookList, CTILIB::PhonebookTypeFlags)));
}

void TestCtiRecords::aliasSpellingsConnectByName()
{
    QFETCH(QByteArray, signal);
    QFETCH(QByteArray, slot);
    CtiLib cti{QString(), QString(), QString(), QString(), QString(), QString()};
    QVERIFY(QObject::connect(&cti, signal.constData(), this, slot.constData(), Qt::QueuedConnection));
    m_sinkCalls = 0;
    emit cti.sigExtenStatusMapChanged(BuddyStatusMap());
    emit cti.sigServicesCodesReceived(ServicesDialCodesMap());
    emit cti.sigIdentitiesChanged(IdentityList());
    emit cti.sigCdrChanged(Cdr());
    emit cti.sigPhonebookChanged(PhoneBookList(), CTILIB::PhonebookAll);
    QCoreApplication::processEvents();
    QCOMPARE(m_sinkCalls, 1);
}

DESKLINE_TEST_MAIN(TestCtiRecords)
#include "tst_ctirecords.moc"
