#include "ctijson.h"

#include "ctijsontext.h"
#include "peertext.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <limits>
#include <vector>

namespace CtiJson
{

namespace
{

// --- plain values -----------------------------------------------------------

QJsonValue toJ(const QString &v)
{
    return v;
}
QJsonValue toJ(int v)
{
    return v;
}
QJsonValue toJ(bool v)
{
    return v;
}
QJsonValue toJ(qint64 v)
{
    return double(v);
}
QJsonValue toJ(quint8 v)
{
    return int(v);
}
QJsonValue toJ(quint16 v)
{
    return int(v);
}
QJsonValue toJ(double v)
{
    return v;
}
QJsonValue toJ(const QDateTime &v)
{
    return dateTimeToJson(v);
}
QJsonValue toJ(const QByteArray &v)
{
    return QString::fromLatin1(v.toBase64());
}
QJsonValue toJ(const QStringList &v)
{
    return QJsonArray::fromStringList(v);
}
template <typename T> QJsonValue toJ(const QList<T> &v)
{
    return listToJson(v);
}

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

bool fromJ(const QJsonValue &j, QString &out, QString *error)
{
    if (!j.isString())
        return fail(error, QStringLiteral("expected a string"));
    out = j.toString();
    return true;
}

template <typename I> bool readInteger(const QJsonValue &j, I &out, QString *error, double lo, double hi)
{
    if (!j.isDouble())
        return fail(error, QStringLiteral("expected a number"));
    const double d = j.toDouble();
    if (!(d >= lo && d <= hi) || d != double(qint64(d)))
        return fail(error, QStringLiteral("integer out of range"));
    out = I(qint64(d));
    return true;
}

bool fromJ(const QJsonValue &j, int &out, QString *error)
{
    return readInteger(j, out, error, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
}
bool fromJ(const QJsonValue &j, qint64 &out, QString *error)
{
    return readInteger(j, out, error, -9007199254740992.0, 9007199254740992.0);
}
bool fromJ(const QJsonValue &j, quint8 &out, QString *error)
{
    return readInteger(j, out, error, 0, 255);
}
bool fromJ(const QJsonValue &j, quint16 &out, QString *error)
{
    return readInteger(j, out, error, 0, 65535);
}

bool fromJ(const QJsonValue &j, bool &out, QString *error)
{
    if (!j.isBool())
        return fail(error, QStringLiteral("expected a boolean"));
    out = j.toBool();
    return true;
}

bool fromJ(const QJsonValue &j, double &out, QString *error)
{
    if (!j.isDouble())
        return fail(error, QStringLiteral("expected a number"));
    out = j.toDouble();
    return true;
}

bool fromJ(const QJsonValue &j, QDateTime &out, QString *error)
{
    if (j.isNull()) {
        out = QDateTime();
        return true;
    }
    if (!j.isString())
        return fail(error, QStringLiteral("expected a date-time text"));
    const QString s = j.toString();
    if (s.isEmpty()) {
        out = QDateTime();
        return true;
    }
    if (s.size() > 64)
        return fail(error, QStringLiteral("date-time text too long"));
    out = QDateTime::fromString(s, Qt::ISODateWithMs);
    if (!out.isValid())
        return fail(error, QStringLiteral("invalid date-time"));
    return true;
}

bool fromJ(const QJsonValue &j, QByteArray &out, QString *error)
{
    if (!j.isString())
        return fail(error, QStringLiteral("expected a base64 text"));
    const QByteArray raw = j.toString().toLatin1();
    auto result = QByteArray::fromBase64Encoding(raw, QByteArray::AbortOnBase64DecodingErrors);
    if (!result)
        return fail(error, QStringLiteral("invalid base64"));
    out = *result;
    return true;
}

bool fromJ(const QJsonValue &j, QStringList &out, QString *error)
{
    out.clear();
    if (!j.isArray())
        return fail(error, QStringLiteral("expected an array of strings"));
    const QJsonArray a = j.toArray();
    if (a.size() > MaxListElements)
        return fail(error, QStringLiteral("too many elements"));
    out.reserve(a.size());
    for (const QJsonValue &v : a) {
        if (!v.isString())
            return fail(error, QStringLiteral("expected an array of strings"));
        out.append(v.toString());
    }
    return true;
}

template <typename T> bool fromJ(const QJsonValue &j, QList<T> &out, QString *error)
{
    return listFromJson(j, out, error);
}

// A field of a record or event: its texts are cut and cleaned by the rule of
// the field's name.
template <typename T> bool fromField(const PeerText::Rule &, const QJsonValue &j, T &out, QString *error)
{
    return fromJ(j, out, error);
}

bool fromField(const PeerText::Rule &rule, const QJsonValue &j, QString &out, QString *error)
{
    if (!fromJ(j, out, error))
        return false;
    out = PeerText::clean(out, rule);
    return true;
}

bool fromField(const PeerText::Rule &rule, const QJsonValue &j, QStringList &out, QString *error)
{
    if (!fromJ(j, out, error))
        return false;
    for (QString &text : out)
        text = PeerText::clean(text, rule);
    return true;
}

// --- the same values read from JSON text ------------------------------------

bool fromT(TextReader &r, QString &out)
{
    return r.readString(out);
}

template <typename I> bool readIntegerT(TextReader &r, I &out, double lo, double hi)
{
    double d = 0;
    if (!r.readNumber(d))
        return false;
    if (!(d >= lo && d <= hi) || d != double(qint64(d)))
        return false;
    out = I(qint64(d));
    return true;
}

bool fromT(TextReader &r, int &out)
{
    return readIntegerT(r, out, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
}
bool fromT(TextReader &r, qint64 &out)
{
    return readIntegerT(r, out, -9007199254740992.0, 9007199254740992.0);
}
bool fromT(TextReader &r, quint8 &out)
{
    return readIntegerT(r, out, 0, 255);
}
bool fromT(TextReader &r, quint16 &out)
{
    return readIntegerT(r, out, 0, 65535);
}

bool fromT(TextReader &r, bool &out)
{
    return r.readBool(out);
}

bool fromT(TextReader &r, double &out)
{
    return r.readNumber(out);
}

bool fromT(TextReader &r, QDateTime &out)
{
    if (r.peek() == TextReader::Kind::Null) {
        out = QDateTime();
        return r.readNull();
    }
    QString s;
    if (!r.readString(s))
        return false;
    if (s.isEmpty()) {
        out = QDateTime();
        return true;
    }
    if (s.size() > 64)
        return false;
    out = QDateTime::fromString(s, Qt::ISODateWithMs);
    return out.isValid();
}

bool fromT(TextReader &r, QByteArray &out)
{
    QString s;
    if (!r.readString(s))
        return false;
    auto result = QByteArray::fromBase64Encoding(s.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!result)
        return false;
    out = *result;
    return true;
}

bool fromT(TextReader &r, QStringList &out)
{
    out.clear();
    if (!r.beginArray())
        return false;
    bool more = false;
    while (r.nextElement(&more) && more) {
        if (out.size() >= MaxListElements)
            return false;
        QString s;
        if (!r.readString(s))
            return false;
        out.append(s);
    }
    return !r.failed();
}

template <typename T> bool fromT(TextReader &r, QList<T> &out)
{
    out.clear();
    if (!r.beginArray())
        return false;
    bool more = false;
    while (r.nextElement(&more) && more) {
        if (out.size() >= MaxListElements)
            return false;
        out.append(T());
        if (!fromJsonText(r, out.last()))
            return false;
    }
    return !r.failed();
}

template <typename T> bool fromFieldT(const PeerText::Rule &, bool, TextReader &r, T &out)
{
    return fromT(r, out);
}

bool fromFieldT(const PeerText::Rule &rule, bool repeats, TextReader &r, QString &out)
{
    if (!(repeats ? r.readRepeatedString(out) : fromT(r, out)))
        return false;
    out = PeerText::clean(out, rule);
    return true;
}

bool fromFieldT(const PeerText::Rule &rule, bool, TextReader &r, QStringList &out)
{
    if (!fromT(r, out))
        return false;
    for (QString &text : out)
        text = PeerText::clean(text, rule);
    return true;
}

// The few words that kind fields carry (a contact's kind and subtype, a
// call's direction) stand once in memory: tens of thousands of records
// share them instead of holding a copy each.
bool isWordField(const char *key)
{
    return qstrcmp(key, "kind") == 0 || qstrcmp(key, "subtype") == 0 || qstrcmp(key, "direction") == 0;
}

// Fields whose texts recur across a long list (first names, companies,
// departments, the parties of the call history): read from text, each
// distinct one stands once in memory.
bool isRepeatedField(const char *key)
{
    static const char *const keys[] = {"firstName",  "company",    "department", "jobTitle",   "source",
                                       "visibility", "callerName", "calledName", "callTypeKey"};
    return std::any_of(std::begin(keys), std::end(keys), [key](const char *k) { return qstrcmp(k, key) == 0; });
}

template <typename T> void shareWord(T &) {}

void shareWord(QString &text)
{
    static const QString words[] = {
        QStringLiteral("phone"), QStringLiteral("email"),  QStringLiteral("im"),          QStringLiteral("other"),
        QStringLiteral("exten"), QStringLiteral("mobile"), QStringLiteral("fax"),         QStringLiteral("main"),
        QStringLiteral("home"),  QStringLiteral("work"),   QStringLiteral("work_mobile"), QStringLiteral("in"),
        QStringLiteral("out"),
    };
    for (const QString &word : words) {
        if (word == text) {
            text = word;
            return;
        }
    }
}

// --- record tables ------------------------------------------------------------

// The field table of one record: key, encoder and decoder of each field, in
// the record's order.
template <typename R> class Codec
{
public:
    template <typename M> Codec &add(const char *key, M R::*member)
    {
        Field f;
        f.key = QString::fromLatin1(key);
        f.encode = [member](const R &r) { return toJ(r.*member); };
        // The field's rule is looked up once, when the table is made.
        f.decode = [member, rule = PeerText::ruleFor(QLatin1String(key)),
                    word = isWordField(key)](R &r, const QJsonValue &v, QString *error) {
            if (!fromField(rule, v, r.*member, error))
                return false;
            if (word)
                shareWord(r.*member);
            return true;
        };
        f.name = QByteArray(key);
        f.decodeText = [member, rule = PeerText::ruleFor(QLatin1String(key)), word = isWordField(key),
                        repeats = isRepeatedField(key)](R &r, TextReader &t) {
            if (!fromFieldT(rule, repeats, t, r.*member))
                return false;
            if (word)
                shareWord(r.*member);
            return true;
        };
        f.defaultValue = f.encode(R());
        m_fields.push_back(std::move(f));
        return *this;
    }

    // Fields that hold their default value are left out: the receiver
    // restores them, and large deliveries shrink to what they carry.
    QJsonObject encode(const R &r) const
    {
        QJsonObject o;
        for (const Field &f : m_fields) {
            const QJsonValue v = f.encode(r);
            if (v != f.defaultValue)
                o.insert(f.key, v);
        }
        return o;
    }

    int size() const { return int(m_fields.size()); }

    // The JSON form of every field, defaults included.
    QJsonObject encodeAll(const R &r) const
    {
        QJsonObject o;
        for (const Field &f : m_fields)
            o.insert(f.key, f.encode(r));
        return o;
    }

    bool decode(const QJsonValue &json, R &out, QString *error) const
    {
        out = R();
        if (!json.isObject())
            return fail(error, QStringLiteral("expected an object"));
        const QJsonObject o = json.toObject();
        for (const Field &f : m_fields) {
            const auto it = o.constFind(f.key);
            if (it == o.constEnd())
                continue;
            if (!f.decode(out, it.value(), error)) {
                if (error)
                    *error = QStringLiteral("%1: %2").arg(f.key, *error);
                return false;
            }
        }
        return true;
    }

    // The same from JSON text: every key at most once, unknown members
    // checked and passed over.
    bool decodeText(TextReader &t, R &out) const
    {
        out = R();
        if (!t.beginObject())
            return false;
        quint64 seen = 0;
        TextReader::KeySet others;
        bool more = false;
        while (t.nextMember(&more) && more) {
            TextReader::Key key;
            if (!t.readKey(key))
                return false;
            int field = -1;
            for (int i = 0; i < int(m_fields.size()); ++i) {
                if (key.equals(QLatin1String(m_fields[size_t(i)].name))) {
                    field = i;
                    break;
                }
            }
            if (field < 0) {
                if (!others.insert(key) || !t.skipValue())
                    return false;
                continue;
            }
            const quint64 bit = quint64(1) << field;
            if (seen & bit)
                return false;
            seen |= bit;
            if (!m_fields[size_t(field)].decodeText(out, t))
                return false;
        }
        return !t.failed();
    }

private:
    struct Field {
        QString key;
        QByteArray name;
        std::function<bool(R &, TextReader &)> decodeText;
        std::function<QJsonValue(const R &)> encode;
        std::function<bool(R &, const QJsonValue &, QString *)> decode;
        QJsonValue defaultValue;
    };
    std::vector<Field> m_fields;
};

#define F(Type, field) add(#field, &Type::field)

const Codec<LoginDetails> &loginDetailsCodec()
{
    static const Codec<LoginDetails> c = Codec<LoginDetails>()
                                             .F(LoginDetails, username)
                                             .F(LoginDetails, userId)
                                             .F(LoginDetails, extension)
                                             .F(LoginDetails, email)
                                             .F(LoginDetails, mobile)
                                             .F(LoginDetails, firstName)
                                             .F(LoginDetails, lastName)
                                             .F(LoginDetails, tenant)
                                             .F(LoginDetails, queueRole)
                                             .F(LoginDetails, queues)
                                             .F(LoginDetails, firmwareVersion)
                                             .F(LoginDetails, pbxName)
                                             .F(LoginDetails, pbxSerial)
                                             .F(LoginDetails, sessionId);
    return c;
}

const Codec<IdentityEntry> &identityCodec()
{
    static const Codec<IdentityEntry> c = Codec<IdentityEntry>()
                                              .F(IdentityEntry, identifier)
                                              .F(IdentityEntry, type)
                                              .F(IdentityEntry, priority)
                                              .F(IdentityEntry, sipUsername)
                                              .F(IdentityEntry, sipPassword)
                                              .F(IdentityEntry, codecList)
                                              .F(IdentityEntry, sipTos)
                                              .F(IdentityEntry, audioTos)
                                              .F(IdentityEntry, videoTos)
                                              .F(IdentityEntry, dtmfMode)
                                              .F(IdentityEntry, displayName)
                                              .F(IdentityEntry, phoneIp)
                                              .F(IdentityEntry, phonePort)
                                              .F(IdentityEntry, phoneUserAgent)
                                              .F(IdentityEntry, phoneVendor)
                                              .F(IdentityEntry, phoneModel)
                                              .F(IdentityEntry, phoneMac)
                                              .F(IdentityEntry, note);
    return c;
}

const Codec<SipConfiguration> &sipCodec()
{
    static const Codec<SipConfiguration> c = Codec<SipConfiguration>()
                                                 .F(SipConfiguration, useLocalRegistrar)
                                                 .F(SipConfiguration, transport)
                                                 .F(SipConfiguration, registrarAddress)
                                                 .F(SipConfiguration, registrarPort)
                                                 .F(SipConfiguration, proxyAddress)
                                                 .F(SipConfiguration, proxyPort);
    return c;
}

const Codec<IncomingCallEvent> &incomingCodec()
{
    static const Codec<IncomingCallEvent> c = Codec<IncomingCallEvent>()
                                                  .F(IncomingCallEvent, uid)
                                                  .F(IncomingCallEvent, account)
                                                  .F(IncomingCallEvent, localChannel)
                                                  .F(IncomingCallEvent, remoteChannel)
                                                  .F(IncomingCallEvent, remoteNum)
                                                  .F(IncomingCallEvent, remoteName)
                                                  .F(IncomingCallEvent, calledNum)
                                                  .F(IncomingCallEvent, callType)
                                                  .F(IncomingCallEvent, did)
                                                  .F(IncomingCallEvent, queueId)
                                                  .F(IncomingCallEvent, linkedId)
                                                  .F(IncomingCallEvent, transferredFrom)
                                                  .F(IncomingCallEvent, groupId);
    return c;
}

const Codec<OriginateCallEvent> &originateCodec()
{
    static const Codec<OriginateCallEvent> c = Codec<OriginateCallEvent>()
                                                   .F(OriginateCallEvent, uid)
                                                   .F(OriginateCallEvent, account)
                                                   .F(OriginateCallEvent, localChannel)
                                                   .F(OriginateCallEvent, calledNum);
    return c;
}

const Codec<AnsweredCallEvent> &answeredCodec()
{
    static const Codec<AnsweredCallEvent> c = Codec<AnsweredCallEvent>()
                                                  .F(AnsweredCallEvent, uid)
                                                  .F(AnsweredCallEvent, account)
                                                  .F(AnsweredCallEvent, localChan)
                                                  .F(AnsweredCallEvent, remoteChan)
                                                  .F(AnsweredCallEvent, remoteNum)
                                                  .F(AnsweredCallEvent, remoteName)
                                                  .F(AnsweredCallEvent, calledNum)
                                                  .F(AnsweredCallEvent, callType)
                                                  .F(AnsweredCallEvent, isCallee)
                                                  .F(AnsweredCallEvent, answerTime);
    return c;
}

const Codec<FinishedCallEvent> &finishedCodec()
{
    static const Codec<FinishedCallEvent> c = Codec<FinishedCallEvent>()
                                                  .F(FinishedCallEvent, uid)
                                                  .F(FinishedCallEvent, account)
                                                  .F(FinishedCallEvent, localChan)
                                                  .F(FinishedCallEvent, remoteNum)
                                                  .F(FinishedCallEvent, remoteName)
                                                  .F(FinishedCallEvent, calledNum)
                                                  .F(FinishedCallEvent, reason)
                                                  .F(FinishedCallEvent, localHangup);
    return c;
}

const Codec<MissedCallEvent> &missedCodec()
{
    static const Codec<MissedCallEvent> c = Codec<MissedCallEvent>()
                                                .F(MissedCallEvent, uid)
                                                .F(MissedCallEvent, account)
                                                .F(MissedCallEvent, localChan)
                                                .F(MissedCallEvent, remoteNum)
                                                .F(MissedCallEvent, remoteName);
    return c;
}

const Codec<ColpUpdateEvent> &colpCodec()
{
    static const Codec<ColpUpdateEvent> c = Codec<ColpUpdateEvent>()
                                                .F(ColpUpdateEvent, uid)
                                                .F(ColpUpdateEvent, remoteNum)
                                                .F(ColpUpdateEvent, remoteName)
                                                .F(ColpUpdateEvent, localChan)
                                                .F(ColpUpdateEvent, remoteChan)
                                                .F(ColpUpdateEvent, account);
    return c;
}

const Codec<CallLocalInfoUpdateEvent> &localInfoCodec()
{
    static const Codec<CallLocalInfoUpdateEvent> c = Codec<CallLocalInfoUpdateEvent>()
                                                         .F(CallLocalInfoUpdateEvent, uid)
                                                         .F(CallLocalInfoUpdateEvent, oldLocalChan)
                                                         .F(CallLocalInfoUpdateEvent, newLocalChan)
                                                         .F(CallLocalInfoUpdateEvent, account);
    return c;
}

const Codec<ChannelStatus> &channelCodec()
{
    static const Codec<ChannelStatus> c = Codec<ChannelStatus>()
                                              .F(ChannelStatus, channel)
                                              .F(ChannelStatus, number)
                                              .F(ChannelStatus, name)
                                              .F(ChannelStatus, uid)
                                              .F(ChannelStatus, status);
    return c;
}

const Codec<BuddyStatus> &buddyCodec()
{
    static const Codec<BuddyStatus> c = Codec<BuddyStatus>()
                                            .F(BuddyStatus, exten)
                                            .F(BuddyStatus, presence)
                                            .F(BuddyStatus, presenceMsg)
                                            .F(BuddyStatus, chatEnabled)
                                            .F(BuddyStatus, blfStatus)
                                            .F(BuddyStatus, accounts);
    return c;
}

const Codec<ContactEntry> &contactCodec()
{
    static const Codec<ContactEntry> c = Codec<ContactEntry>()
                                             .F(ContactEntry, kind)
                                             .F(ContactEntry, subtype)
                                             .F(ContactEntry, value)
                                             .F(ContactEntry, preferred);
    return c;
}

const Codec<PhoneBookEntry> &phoneBookEntryCodec()
{
    static const Codec<PhoneBookEntry> c = Codec<PhoneBookEntry>()
                                               .F(PhoneBookEntry, contacts)
                                               .F(PhoneBookEntry, firstName)
                                               .F(PhoneBookEntry, lastName)
                                               .F(PhoneBookEntry, displayName)
                                               .F(PhoneBookEntry, company)
                                               .F(PhoneBookEntry, department)
                                               .F(PhoneBookEntry, jobTitle)
                                               .F(PhoneBookEntry, id)
                                               .F(PhoneBookEntry, lastModified)
                                               .F(PhoneBookEntry, email)
                                               .F(PhoneBookEntry, extension)
                                               .F(PhoneBookEntry, phone)
                                               .F(PhoneBookEntry, mobile)
                                               .F(PhoneBookEntry, home);
    return c;
}

const Codec<PhoneBook> &phoneBookCodec()
{
    static const Codec<PhoneBook> c =
        Codec<PhoneBook>().F(PhoneBook, entries).F(PhoneBook, source).F(PhoneBook, visibility).F(PhoneBook, name);
    return c;
}

const Codec<CdrEntry> &cdrCodec()
{
    static const Codec<CdrEntry> c = Codec<CdrEntry>()
                                         .F(CdrEntry, uid)
                                         .F(CdrEntry, callerNum)
                                         .F(CdrEntry, calledNum)
                                         .F(CdrEntry, callerName)
                                         .F(CdrEntry, calledName)
                                         .F(CdrEntry, direction)
                                         .F(CdrEntry, startTime)
                                         .F(CdrEntry, duration)
                                         .F(CdrEntry, callAttributes)
                                         .F(CdrEntry, callTypeKey);
    return c;
}

const Codec<ChatMessage> &chatCodec()
{
    static const Codec<ChatMessage> c = Codec<ChatMessage>()
                                            .F(ChatMessage, id)
                                            .F(ChatMessage, sender)
                                            .F(ChatMessage, exten)
                                            .F(ChatMessage, body)
                                            .F(ChatMessage, context)
                                            .F(ChatMessage, time)
                                            .F(ChatMessage, direction)
                                            .F(ChatMessage, type);
    return c;
}

const Codec<ServiceStatus> &serviceCodec()
{
    static const Codec<ServiceStatus> c = Codec<ServiceStatus>()
                                              .F(ServiceStatus, service)
                                              .F(ServiceStatus, type)
                                              .F(ServiceStatus, value)
                                              .F(ServiceStatus, state);
    return c;
}

const Codec<InCallServiceStatus> &inCallCodec()
{
    static const Codec<InCallServiceStatus> c = Codec<InCallServiceStatus>()
                                                    .F(InCallServiceStatus, uid)
                                                    .F(InCallServiceStatus, callId)
                                                    .F(InCallServiceStatus, account)
                                                    .F(InCallServiceStatus, channel)
                                                    .F(InCallServiceStatus, serviceType)
                                                    .F(InCallServiceStatus, state);
    return c;
}

const Codec<VoicemailMessage> &voicemailCodec()
{
    static const Codec<VoicemailMessage> c = Codec<VoicemailMessage>()
                                                 .F(VoicemailMessage, id)
                                                 .F(VoicemailMessage, uuid)
                                                 .F(VoicemailMessage, senderNum)
                                                 .F(VoicemailMessage, senderName)
                                                 .F(VoicemailMessage, arrival)
                                                 .F(VoicemailMessage, folder)
                                                 .F(VoicemailMessage, duration)
                                                 .F(VoicemailMessage, unheard)
                                                 .F(VoicemailMessage, urgent);
    return c;
}

const Codec<MailboxStatus> &mailboxCodec()
{
    static const Codec<MailboxStatus> c = Codec<MailboxStatus>()
                                              .F(MailboxStatus, mailbox)
                                              .F(MailboxStatus, totalMessages)
                                              .F(MailboxStatus, newMessages)
                                              .F(MailboxStatus, oldMessages)
                                              .F(MailboxStatus, urgentMessages);
    return c;
}

const Codec<QueueMember> &queueMemberCodec()
{
    static const Codec<QueueMember> c = Codec<QueueMember>()
                                            .F(QueueMember, account)
                                            .F(QueueMember, exten)
                                            .F(QueueMember, queueId)
                                            .F(QueueMember, memberType)
                                            .F(QueueMember, penalty);
    return c;
}

const Codec<QueueEvent> &queueEventCodec()
{
    static const Codec<QueueEvent> c = Codec<QueueEvent>()
                                           .F(QueueEvent, queueId)
                                           .F(QueueEvent, queueName)
                                           .F(QueueEvent, eventType)
                                           .F(QueueEvent, uid)
                                           .F(QueueEvent, callerNum)
                                           .F(QueueEvent, waitingCalls)
                                           .F(QueueEvent, oldestCallTime);
    return c;
}

const Codec<QueueStatsMember> &queueStatsMemberCodec()
{
    static const Codec<QueueStatsMember> c = Codec<QueueStatsMember>()
                                                 .F(QueueStatsMember, memberId)
                                                 .F(QueueStatsMember, extension)
                                                 .F(QueueStatsMember, name)
                                                 .F(QueueStatsMember, memberType)
                                                 .F(QueueStatsMember, penalty)
                                                 .F(QueueStatsMember, lastCall)
                                                 .F(QueueStatsMember, lastPauseChange)
                                                 .F(QueueStatsMember, paused)
                                                 .F(QueueStatsMember, completedCalls);
    return c;
}

const Codec<QueueStats> &queueStatsCodec()
{
    static const Codec<QueueStats> c = Codec<QueueStats>()
                                           .F(QueueStats, queueId)
                                           .F(QueueStats, queueName)
                                           .F(QueueStats, waitingCalls)
                                           .F(QueueStats, oldestCallTime)
                                           .F(QueueStats, members);
    return c;
}

const Codec<QueuePeriodicStats> &queuePeriodicCodec()
{
    static const Codec<QueuePeriodicStats> c = Codec<QueuePeriodicStats>()
                                                   .F(QueuePeriodicStats, queueId)
                                                   .F(QueuePeriodicStats, periodType)
                                                   .F(QueuePeriodicStats, from)
                                                   .F(QueuePeriodicStats, to)
                                                   .F(QueuePeriodicStats, servedCalls)
                                                   .F(QueuePeriodicStats, servedMeanWait)
                                                   .F(QueuePeriodicStats, servedMeanConversation)
                                                   .F(QueuePeriodicStats, lostCalls)
                                                   .F(QueuePeriodicStats, lostMeanWait);
    return c;
}

const Codec<QueuePeriodicStatsList> &queuePeriodicListCodec()
{
    static const Codec<QueuePeriodicStatsList> c =
        Codec<QueuePeriodicStatsList>().F(QueuePeriodicStatsList, stats).F(QueuePeriodicStatsList, periodType);
    return c;
}

const Codec<QueueOperatorPeriodicStats> &operatorPeriodicCodec()
{
    static const Codec<QueueOperatorPeriodicStats> c = Codec<QueueOperatorPeriodicStats>()
                                                           .F(QueueOperatorPeriodicStats, memberId)
                                                           .F(QueueOperatorPeriodicStats, extension)
                                                           .F(QueueOperatorPeriodicStats, queueId)
                                                           .F(QueueOperatorPeriodicStats, memberType)
                                                           .F(QueueOperatorPeriodicStats, periodType)
                                                           .F(QueueOperatorPeriodicStats, from)
                                                           .F(QueueOperatorPeriodicStats, to)
                                                           .F(QueueOperatorPeriodicStats, servedCalls)
                                                           .F(QueueOperatorPeriodicStats, missedCalls)
                                                           .F(QueueOperatorPeriodicStats, lastCall);
    return c;
}

const Codec<CallCenterReport> &reportCodec()
{
    static const Codec<CallCenterReport> c = Codec<CallCenterReport>()
                                                 .F(CallCenterReport, data)
                                                 .F(CallCenterReport, fileName)
                                                 .F(CallCenterReport, mimeType)
                                                 .F(CallCenterReport, periodType)
                                                 .F(CallCenterReport, from)
                                                 .F(CallCenterReport, to);
    return c;
}

#undef F

} // namespace

#define CTIJSON_DEFINE(Type, codec)                                                                                    \
    QJsonObject toJson(const Type &value)                                                                              \
    {                                                                                                                  \
        return codec().encode(value);                                                                                  \
    }                                                                                                                  \
    QJsonObject toJsonWithDefaults(const Type &value)                                                                  \
    {                                                                                                                  \
        return codec().encodeAll(value);                                                                               \
    }                                                                                                                  \
    bool fromJson(const QJsonValue &json, Type &out, QString *error)                                                   \
    {                                                                                                                  \
        return codec().decode(json, out, error);                                                                       \
    }                                                                                                                  \
    bool fromJsonText(TextReader &reader, Type &out)                                                                   \
    {                                                                                                                  \
        return codec().decodeText(reader, out);                                                                        \
    }

CTIJSON_DEFINE(LoginDetails, loginDetailsCodec)
CTIJSON_DEFINE(IdentityEntry, identityCodec)
CTIJSON_DEFINE(SipConfiguration, sipCodec)
CTIJSON_DEFINE(IncomingCallEvent, incomingCodec)
CTIJSON_DEFINE(OriginateCallEvent, originateCodec)
CTIJSON_DEFINE(AnsweredCallEvent, answeredCodec)
CTIJSON_DEFINE(FinishedCallEvent, finishedCodec)
CTIJSON_DEFINE(MissedCallEvent, missedCodec)
CTIJSON_DEFINE(ColpUpdateEvent, colpCodec)
CTIJSON_DEFINE(CallLocalInfoUpdateEvent, localInfoCodec)
CTIJSON_DEFINE(ChannelStatus, channelCodec)
CTIJSON_DEFINE(BuddyStatus, buddyCodec)
CTIJSON_DEFINE(ContactEntry, contactCodec)
CTIJSON_DEFINE(PhoneBookEntry, phoneBookEntryCodec)
CTIJSON_DEFINE(PhoneBook, phoneBookCodec)
CTIJSON_DEFINE(CdrEntry, cdrCodec)
CTIJSON_DEFINE(ChatMessage, chatCodec)
CTIJSON_DEFINE(ServiceStatus, serviceCodec)
CTIJSON_DEFINE(InCallServiceStatus, inCallCodec)
CTIJSON_DEFINE(VoicemailMessage, voicemailCodec)
CTIJSON_DEFINE(MailboxStatus, mailboxCodec)
CTIJSON_DEFINE(QueueMember, queueMemberCodec)
CTIJSON_DEFINE(QueueEvent, queueEventCodec)
CTIJSON_DEFINE(QueueStatsMember, queueStatsMemberCodec)
CTIJSON_DEFINE(QueueStats, queueStatsCodec)
CTIJSON_DEFINE(QueuePeriodicStats, queuePeriodicCodec)
CTIJSON_DEFINE(QueuePeriodicStatsList, queuePeriodicListCodec)
CTIJSON_DEFINE(QueueOperatorPeriodicStats, operatorPeriodicCodec)
CTIJSON_DEFINE(CallCenterReport, reportCodec)

#undef CTIJSON_DEFINE

QJsonObject toJson(const ServicesDialCodesMap &codes)
{
    QJsonObject o;
    for (auto it = codes.constBegin(); it != codes.constEnd(); ++it)
        o.insert(QString::number(int(it.key())), it.value());
    return o;
}

bool isServiceDialCodeType(int value)
{
    // Spelled out so that a value the enumeration lacks never becomes one.
    switch (CTILIB::ServiceDialCodeType(value)) {
    case CTILIB::SdcDndToggle:
    case CTILIB::SdcVoicemail:
    case CTILIB::SdcConference:
    case CTILIB::SdcUnused4:
    case CTILIB::SdcForwardOn:
    case CTILIB::SdcForwardOff:
    case CTILIB::SdcParkFirstSlot:
    case CTILIB::SdcParkLastSlot:
    case CTILIB::SdcPickup:
    case CTILIB::SdcQueueLogin:
    case CTILIB::SdcQueueLogout:
    case CTILIB::SdcQueuePause:
    case CTILIB::SdcQueueUnpause:
    case CTILIB::SdcSupervisedPickup:
    case CTILIB::SdcIntercom:
    case CTILIB::SdcSpy:
    case CTILIB::SdcWhisper:
    case CTILIB::SdcBarge:
    case CTILIB::SdcNightMode:
    case CTILIB::SdcFollowMe:
    case CTILIB::SdcOutsideLinePrefix:
    case CTILIB::SdcAttendedTransfer:
    case CTILIB::SdcCancelAttendedTransfer:
    case CTILIB::SdcInCallHangup:
    case CTILIB::SdcInCallThreeWay:
    case CTILIB::SdcInCallSwap:
    case CTILIB::SdcFastTransfer:
    case CTILIB::SdcCallRecording:
    case CTILIB::SdcPark:
    case CTILIB::SdcInCallDisconnect:
        return true;
    }
    return false;
}

bool fromJson(const QJsonValue &json, ServicesDialCodesMap &out, QString *error, QStringList *skipped)
{
    out.clear();
    if (!json.isObject())
        return fail(error, QStringLiteral("expected an object"));
    const QJsonObject o = json.toObject();
    for (auto it = o.constBegin(); it != o.constEnd(); ++it) {
        bool ok = false;
        const int key = it.key().toInt(&ok);
        if (!ok || !isServiceDialCodeType(key)) {
            // A code this client does not know: left out, the others still count.
            if (skipped)
                skipped->append(it.key());
            continue;
        }
        if (!it.value().isString())
            return fail(error, QStringLiteral("service code %1: expected a string").arg(key));
        out.insert(CTILIB::ServiceDialCodeType(key),
                   PeerText::clean(it.value().toString(), {PeerText::NumberLength, PeerText::Shape::Line}));
    }
    return true;
}

QJsonArray toJson(const BuddyStatusMap &statuses)
{
    QJsonArray a;
    for (const BuddyStatus &s : statuses)
        a.append(toJson(s));
    return a;
}

// The statuses of a list, by extension (a later one of the same extension wins).
static void byExtension(const QList<BuddyStatus> &list, BuddyStatusMap &out)
{
    for (const BuddyStatus &s : list)
        out.insert(s.exten, s);
}

bool fromJson(const QJsonValue &json, BuddyStatusMap &out, QString *error)
{
    out.clear();
    QList<BuddyStatus> list;
    if (!listFromJson(json, list, error))
        return false;
    byExtension(list, out);
    return true;
}

bool fromJsonText(TextReader &reader, PhoneBookList &out)
{
    return fromT(reader, out);
}

bool fromJsonText(TextReader &reader, Cdr &out)
{
    return fromT(reader, out);
}

bool fromJsonText(TextReader &reader, BuddyStatusMap &out)
{
    out.clear();
    QList<BuddyStatus> list;
    if (!fromT(reader, list))
        return false;
    byExtension(list, out);
    return true;
}

bool fromJsonText(TextReader &reader, int &out)
{
    return fromT(reader, out);
}

namespace
{
// Reads an optional key; a missing key leaves `out` alone, or resets it to its
// empty value when `resetWhenMissing` is set.
template <typename T> bool readKey(const QJsonObject &o, const char *key, T &out, QString *error, bool resetWhenMissing)
{
    const auto it = o.constFind(QLatin1String(key));
    if (it == o.constEnd()) {
        if (resetWhenMissing)
            out = T();
        return true;
    }
    if (!fromField(PeerText::ruleFor(QLatin1String(key)), it.value(), out, error)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QLatin1String(key), *error);
        return false;
    }
    return true;
}
} // namespace

bool readString(const QJsonObject &o, const char *key, QString &out, QString *error)
{
    return readKey(o, key, out, error, true);
}

bool readInt(const QJsonObject &o, const char *key, int &out, QString *error)
{
    return readKey(o, key, out, error, false);
}

bool readBool(const QJsonObject &o, const char *key, bool &out, QString *error)
{
    return readKey(o, key, out, error, false);
}

bool readStringList(const QJsonObject &o, const char *key, QStringList &out, QString *error)
{
    return readKey(o, key, out, error, true);
}

bool readDateTime(const QJsonObject &o, const char *key, QDateTime &out, QString *error)
{
    return readKey(o, key, out, error, true);
}

QJsonValue dateTimeToJson(const QDateTime &dt)
{
    if (!dt.isValid())
        return QJsonValue(QJsonValue::Null);
    return dt.toUTC().toString(Qt::ISODateWithMs);
}

} // namespace CtiJson
