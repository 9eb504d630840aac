#include "ctilib.h"

#include "ctijson.h"
#include "ctijsontext.h"
#include "ctiprotocol.h"
#include "uniqlogger.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QJsonArray>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSslCertificate>
#include <QSslError>
#include <QSslSocket>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <utility>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

using CtiProtocol::Message;

namespace
{

const char kVersion[] = "ctilib 1.0.0 (protocol 1)";
// Frames up to this size are decoded on the GUI thread when nothing is
// waiting for the decoder; larger ones always go to the decoder thread.
const int kInlineDecodeLimit = 64 * 1024;
const int kMaxOutstandingRequests = 10000;
// The longest stretch of received frames dispatched in one turn of the event
// loop; a report whose handling takes longer still ends the stretch.
const qint64 kDispatchSliceMs = 8;
// Received bytes taken in ahead of dispatching: the connection keeps flowing
// and the decoder busy while a burst is handled a slice at a time; beyond
// this, what arrives waits in the socket's bounded buffer.
const qint64 kReceivedBacklog = 4 * 1024 * 1024;

// What the decoder thread makes of one frame.
struct DecodedFrame {
    bool ok = false;
    QString error;
    Message msg;
    // For events: emits the decoded records on the CtiLib object.
    std::function<void(CtiLibPrivate *)> emitter;
    // Decoded on a pool thread because it was large: dispatched in a turn of
    // the event loop of its own.
    bool large = false;
};

} // namespace

// ---------------------------------------------------------------------------

class CtiLibPrivate
{
public:
    enum State { Idle, Connecting, LoggingIn, LoggedIn };

    explicit CtiLibPrivate(CtiLib *q) : q(q) {}

    CtiLib *q;
    QString osType, osVersion, appType, appVersion, clientId, settingsDir;
    bool initialized = false;
    Logger *log = nullptr;
    bool dump = false;

    QString address;
    QString host;
    quint16 port = CtiLib::DefaultPort;

    QString username, password, tenant, deviceId;
    int appMode = 0;
    int options = 0;

    State state = Idle;
    QSslSocket *socket = nullptr;
    QList<QSslCertificate> extraAuthorities;
    CtiProtocol::FrameReader reader{CtiProtocol::MaxServerFrame};
    quint64 generation = 0; // changes with every connection attempt
    qint64 nextId = 1;
    qint64 loginId = -1;
    QMap<qint64, QString> outstanding; // request id -> command
    QMap<qint64, QString> smsRequests; // request id -> destination of a text message
    qint64 lastRequestId = -1;
    int framesInDecoder = 0;
    bool pumpScheduled = false; // a slice of dispatching waits for its turn
    // The connection has ended while received frames waited: the session is
    // closed, with this reason, once they are dispatched.
    bool endPending = false;
    QString endReason;

    QTimer connectTimer;
    QTimer keepAliveTimer;
    QTimer keepAliveReplyTimer;
    int keepAliveIntervalMs = 60000;
    int keepAliveTimeoutMs = 20000;
    int connectTimeoutMs = 15000;
    qint64 pingId = -1;

    LoginDetails details;
    quint32 capabilities = 0;
    QString extension;

    QMap<QString, QString> voicemailDirs; // "id/uuid" -> directory
    QString rebrandingDir;

    QThreadPool pool;            // decodes large frames, frees large results
    quint64 decodeSeqNext = 0;   // order of frames sent to the pool
    quint64 dispatchSeqNext = 0; // next frame to dispatch
    QMap<quint64, std::shared_ptr<DecodedFrame>> readyFrames;

    // A phone book delivery in parts: the parts as they came (each a piece
    // of the book of its index), joined on a pool thread once all are here.
    PhoneBookList partBooks;
    QVector<int> partIndexes;
    int partBookCount = 0;
    // The parts are being joined: later frames wait, in order.
    bool joinRunning = false;
    int partsExpected = 0;
    int partNext = 0;
    int partFlags = 0;
    int partEntries = 0;

    void logLine(int priority, const QString &text)
    {
        if (log)
            *log << UNQL::LogMessagePriorityType(priority) << "CtiLib" << text << UNQL::eom;
    }

    void startConnection();
    void closeSession(const QString &reason, bool emitSignal);
    void sendFrame(const QByteArray &frame);
    bool sendRequest(const QString &cmd, const QJsonObject &args, bool evenIfNotLogged = false);
    void onReadyRead();
    // Takes in and dispatches received frames for at most a slice of time,
    // then leaves the rest to a later turn of the event loop.
    void pump();
    void schedulePump();
    // Takes what the socket holds into the frame reader while less than
    // kReceivedBacklog waits there; false after a protocol error.
    bool takeIn();
    void toDecoder(quint64 gen, const QByteArray &frame);
    // Whether received bytes wait to be dispatched (a slice to come, frames in
    // the decoder, the start of a frame).
    bool receivedWaiting() const { return pumpScheduled || joinRunning || framesInDecoder > 0 || reader.pending() > 0; }
    void onEncrypted();
    void onSocketError(QAbstractSocket::SocketError error);
    void onSslErrors(const QList<QSslError> &errors);
    void onDisconnected();
    void endWhenDispatched(const QString &reason);
    void dispatch(quint64 gen, const DecodedFrame &frame);
    void decoded(quint64 gen, quint64 seq, std::shared_ptr<DecodedFrame> frame);
    void joined(quint64 gen, PhoneBookList books, int flags);
    // Takes the entries of `book` (it is left empty).
    void addPhonebookPart(int part, int parts, int index, int flags, PhoneBook &book);
    template <typename T> void releaseOnPool(T value)
    {
        pool.start([v = std::move(value)]() mutable { v = T(); });
    }
    void handleResponse(const Message &msg);
    void handleSessionEvent(const Message &msg);
    void sendPing();
    void protocolError(const QString &text);
    QString dumpText(const QByteArray &frame) const;
};

namespace
{

template <typename T> bool decodeData(const QJsonObject &data, T &out, QString *error)
{
    return CtiJson::fromJson(QJsonValue(data), out, error);
}

template <typename T> bool decodeList(const QJsonObject &data, const char *key, QList<T> &out, QString *error)
{
    return CtiJson::listFromJson(data.value(QLatin1String(key)), out, error);
}

// Turns one event into its emission. Runs on any thread: touches nothing but
// its arguments.
std::function<void(CtiLibPrivate *)> decodeEvent(const QString &name, const QJsonObject &data, QString *error)
{
#define RECORD_EVENT(evtName, Type, signal)                                                                            \
    if (name == QLatin1String(evtName)) {                                                                              \
        Type v;                                                                                                        \
        if (!decodeData(data, v, error))                                                                               \
            return nullptr;                                                                                            \
        return [v](CtiLibPrivate *d) { emit d->q->signal(v); };                                                        \
    }
#define LIST_EVENT(evtName, key, Type, signal)                                                                         \
    if (name == QLatin1String(evtName)) {                                                                              \
        QList<Type> v;                                                                                                 \
        if (!decodeList(data, key, v, error))                                                                          \
            return nullptr;                                                                                            \
        return [v](CtiLibPrivate *d) { emit d->q->signal(v); };                                                        \
    }
    RECORD_EVENT("incomingCall", IncomingCallEvent, sigIncomingCall)
    RECORD_EVENT("outgoingCall", OriginateCallEvent, sigOutgoingCall)
    RECORD_EVENT("answeredCall", AnsweredCallEvent, sigAnsweredCall)
    RECORD_EVENT("finishedCall", FinishedCallEvent, sigFinishedCall)
    RECORD_EVENT("missedCall", MissedCallEvent, sigMissedCall)
    RECORD_EVENT("colpUpdate", ColpUpdateEvent, sigColpUpdate)
    RECORD_EVENT("localInfoUpdate", CallLocalInfoUpdateEvent, sigCallLocalInfoUpdate)
    RECORD_EVENT("extenStatus", BuddyStatus, sigExtenStatusChanged)
    RECORD_EVENT("channelStatus", ChannelStatus, sigChannelStatusReceived)
    RECORD_EVENT("sipSettings", SipConfiguration, sigSipSettingsReceived)
    RECORD_EVENT("inCallServiceStatus", InCallServiceStatus, sigInCallServiceStatusReceived)
    RECORD_EVENT("ccReport", CallCenterReport, sigCCReportSucceded)
    RECORD_EVENT("chatMessage", ChatMessage, sigChatMessage)
    RECORD_EVENT("mailboxStatus", MailboxStatus, sigMailboxStatusChanged)
    RECORD_EVENT("queuePeriodicStats", QueuePeriodicStats, sigQueuePeriodicStatsReceived)
    RECORD_EVENT("allQueuesPeriodicStats", QueuePeriodicStatsList, sigAllQueuesPeriodicStatsReceived)
    RECORD_EVENT("operatorPeriodicStats", QueueOperatorPeriodicStats, sigQueueOperatorPeriodicStatsReceived)
    RECORD_EVENT("queueMemberAdded", QueueMember, sigQueueMemberAdded)
    RECORD_EVENT("queueMemberRemoved", QueueMember, sigQueueMemberRemoved)
    RECORD_EVENT("queueEvent", QueueEvent, sigQueueEvent)
    LIST_EVENT("cdr", "entries", CdrEntry, sigCdrChanged)
    LIST_EVENT("serviceStatus", "services", ServiceStatus, sigServiceStatusChanged)
    LIST_EVENT("chatHistory", "messages", ChatMessage, sigChatHistory)
    LIST_EVENT("voicemailList", "messages", VoicemailMessage, sigVoicemailMsgList)
    LIST_EVENT("identities", "identities", IdentityEntry, sigIdentitiesChanged)
    LIST_EVENT("queuesStats", "queues", QueueStats, sigAllQueuesStatsReceived)
    LIST_EVENT("allOperatorsPeriodicStats", "stats", QueueOperatorPeriodicStats,
               sigAllQueueOperatorsPeriodicStatsReceived)
#undef RECORD_EVENT
#undef LIST_EVENT

    if (name == QLatin1String("phonebook")) {
        PhoneBookList books;
        int flags = 0;
        if (!decodeList(data, "phonebooks", books, error) || !CtiJson::readInt(data, "flags", flags, error))
            return nullptr;
        const CTILIB::PhonebookTypeFlags f(flags & CTILIB::PhonebookAll);
        return [books, f](CtiLibPrivate *d) { emit d->q->sigPhonebookChanged(books, f); };
    }
    if (name == QLatin1String("phonebookPart")) {
        int part = -1, parts = 0, index = -1, flags = 0;
        PhoneBook book;
        if (!CtiJson::readInt(data, "part", part, error) || !CtiJson::readInt(data, "parts", parts, error) ||
            !CtiJson::readInt(data, "index", index, error) || !CtiJson::readInt(data, "flags", flags, error) ||
            !CtiJson::fromJson(data.value(QLatin1String("book")), book, error))
            return nullptr;
        if (parts < 1 || parts > 100000 || part < 0 || part >= parts || index < 0 || index > 1000) {
            *error = QStringLiteral("invalid phone book part");
            return nullptr;
        }
        // Emitted once: the part's entries go on to the join, not copied.
        return [part, parts, index, flags, book](CtiLibPrivate *d) mutable {
            d->addPhonebookPart(part, parts, index, flags & CTILIB::PhonebookAll, book);
        };
    }
    if (name == QLatin1String("extenStatusMap")) {
        BuddyStatusMap map;
        if (!CtiJson::fromJson(data.value(QLatin1String("statuses")), map, error))
            return nullptr;
        return [map](CtiLibPrivate *d) { emit d->q->sigExtenStatusMapChanged(map); };
    }
    if (name == QLatin1String("servicesCodes")) {
        ServicesDialCodesMap codes;
        QStringList skipped;
        if (!CtiJson::fromJson(data.value(QLatin1String("codes")), codes, error, &skipped))
            return nullptr;
        return [codes, skipped](CtiLibPrivate *d) {
            for (const QString &key : skipped)
                d->logLine(UNQL::LOG_WARNING,
                           QStringLiteral("Skipping unknown service code %1").arg(CtiProtocol::sanitizeText(key, 32)));
            emit d->q->sigServicesCodesReceived(codes);
        };
    }
    if (name == QLatin1String("parkCall")) {
        QString number, room, timeout;
        if (!CtiJson::readString(data, "number", number, error) ||
            !CtiJson::readString(data, "parkRoom", room, error) ||
            !CtiJson::readString(data, "timeout", timeout, error))
            return nullptr;
        return [number, room, timeout](CtiLibPrivate *d) { emit d->q->sigNewParkCall(number, room, timeout); };
    }
    if (name == QLatin1String("mobileNumber")) {
        QString number;
        if (!CtiJson::readString(data, "number", number, error))
            return nullptr;
        return [number](CtiLibPrivate *d) { emit d->q->sigExtenMobileNumberRcvd(number); };
    }
    if (name == QLatin1String("ccReportFailure")) {
        QString text;
        if (!CtiJson::readString(data, "error", text, error))
            return nullptr;
        text = CtiProtocol::sanitizeText(text);
        return [text](CtiLibPrivate *d) { emit d->q->sigCCReportFailure(text); };
    }
    if (name == QLatin1String("chatConnected"))
        return [](CtiLibPrivate *d) { emit d->q->sigChatConnected(); };
    if (name == QLatin1String("chatDisconnected")) {
        QString reason;
        if (!CtiJson::readString(data, "reason", reason, error))
            return nullptr;
        reason = CtiProtocol::sanitizeText(reason);
        return [reason](CtiLibPrivate *d) { emit d->q->sigChatDisconnected(reason); };
    }
    if (name == QLatin1String("chatComposing")) {
        QString exten, context;
        bool composing = false;
        if (!CtiJson::readString(data, "exten", exten, error) ||
            !CtiJson::readString(data, "context", context, error) ||
            !CtiJson::readBool(data, "composing", composing, error))
            return nullptr;
        return [exten, context, composing](CtiLibPrivate *d) {
            emit d->q->sigChatContactComposing(exten, context, composing);
        };
    }
    if (name == QLatin1String("rebrandingChanged"))
        return [](CtiLibPrivate *d) { emit d->q->sigRebrandingPackageChanged(); };
    if (name == QLatin1String("phoneApiAuthorized")) {
        bool authorized = false;
        if (!CtiJson::readBool(data, "authorized", authorized, error))
            return nullptr;
        return [authorized](CtiLibPrivate *d) { emit d->q->sigPhoneApiAutorized(authorized); };
    }
    if (name == QLatin1String("phoneDnd")) {
        bool on = false;
        if (!CtiJson::readBool(data, "on", on, error))
            return nullptr;
        return [on](CtiLibPrivate *d) { emit d->q->phoneEventDnd(on); };
    }
    if (name == QLatin1String("queueMemberPause")) {
        QueueMember member;
        bool paused = false;
        if (!CtiJson::fromJson(data.value(QLatin1String("member")), member, error) ||
            !CtiJson::readBool(data, "paused", paused, error))
            return nullptr;
        return [member, paused](CtiLibPrivate *d) { emit d->q->sigQueueMemberPauseChanged(member, paused); };
    }
    if (name == QLatin1String("phoneEvent")) {
        QString kind, num, remoteName, csta;
        if (!CtiJson::readString(data, "event", kind, error) || !CtiJson::readString(data, "remoteNum", num, error) ||
            !CtiJson::readString(data, "remoteName", remoteName, error) ||
            !CtiJson::readString(data, "cstaId", csta, error))
            return nullptr;
        using Sig = void (CtiLib::*)(const QString &, const QString &, const QString &);
        static const QMap<QString, Sig> kinds = {
            {QStringLiteral("incoming"), &CtiLib::phoneEventIncomingCall},
            {QStringLiteral("outgoing"), &CtiLib::phoneEventOutgoingCall},
            {QStringLiteral("established"), &CtiLib::phoneEventEstablishedCall},
            {QStringLiteral("ended"), &CtiLib::phoneEventEndedCall},
            {QStringLiteral("missed"), &CtiLib::phoneEventMissedCall},
            {QStringLiteral("hold"), &CtiLib::phoneEventHoldCall},
            {QStringLiteral("unhold"), &CtiLib::phoneEventUnholdCall},
        };
        const auto it = kinds.constFind(kind);
        if (it == kinds.constEnd()) {
            *error = QStringLiteral("unknown phone event '%1'").arg(CtiProtocol::sanitizeText(kind, 32));
            return nullptr;
        }
        const Sig sig = it.value();
        return [sig, num, remoteName, csta](CtiLibPrivate *d) { (d->q->*sig)(num, remoteName, csta); };
    }
    *error = QStringLiteral("unknown event '%1'").arg(CtiProtocol::sanitizeText(name, 64));
    return nullptr;
}

// Events that the client handles itself rather than by a plain emission.
bool isSessionEvent(const QString &name)
{
    return name == QLatin1String("disconnect") || name == QLatin1String("voicemailAudio") ||
           name == QLatin1String("rebrandingPackage");
}

// One member of an event's data read from text: its key, how its value is
// read, whether it must be there.
struct TextMember {
    const char *key;
    std::function<bool(CtiJson::TextReader &)> read;
    bool required = false;
    bool seen = false;
};

// The data object of an event from text: the members listed are read, the
// others checked and passed over; no key twice.
bool readMembers(CtiJson::TextReader &t, std::vector<TextMember> &members)
{
    using CtiJson::TextReader;
    if (!t.beginObject())
        return false;
    TextReader::KeySet keys;
    bool more = false;
    while (t.nextMember(&more) && more) {
        TextReader::Key key;
        if (!t.readKey(key) || !keys.insert(key))
            return false;
        auto it = std::find_if(members.begin(), members.end(),
                               [&key](const TextMember &m) { return key.equals(QLatin1String(m.key)); });
        if (it == members.end()) {
            if (!t.skipValue())
                return false;
            continue;
        }
        if (!it->read(t))
            return false;
        it->seen = true;
    }
    if (t.failed())
        return false;
    return std::all_of(members.cbegin(), members.cend(), [](const TextMember &m) { return m.seen || !m.required; });
}

// The large deliveries (phone books, call records, extension statuses)
// decoded straight from the frame's text; null when the event is not one of
// them or its text is not taken (the frame is then decoded the general way).
std::function<void(CtiLibPrivate *)> decodeEventText(const QString &name, CtiJson::TextReader &t)
{
    if (name == QLatin1String("phonebook")) {
        PhoneBookList books;
        int flags = 0;
        std::vector<TextMember> members{
            {"phonebooks", [&](CtiJson::TextReader &r) { return CtiJson::fromJsonText(r, books); }, true},
            {"flags", [&](CtiJson::TextReader &r) { return CtiJson::fromJsonText(r, flags); }}};
        if (!readMembers(t, members))
            return nullptr;
        const CTILIB::PhonebookTypeFlags f(flags & CTILIB::PhonebookAll);
        return [books, f](CtiLibPrivate *d) { emit d->q->sigPhonebookChanged(books, f); };
    }
    if (name == QLatin1String("phonebookPart")) {
        int part = -1, parts = 0, index = -1, flags = 0;
        PhoneBook book;
        const auto number = [](int &out) {
            return [&out](CtiJson::TextReader &r) { return CtiJson::fromJsonText(r, out); };
        };
        std::vector<TextMember> members{
            {"part", number(part)},
            {"parts", number(parts)},
            {"index", number(index)},
            {"flags", number(flags)},
            {"book", [&](CtiJson::TextReader &r) { return CtiJson::fromJsonText(r, book); }, true}};
        if (!readMembers(t, members))
            return nullptr;
        if (parts < 1 || parts > 100000 || part < 0 || part >= parts || index < 0 || index > 1000)
            return nullptr;
        // Emitted once: the part's entries go on to the join, not copied.
        return [part, parts, index, flags, book](CtiLibPrivate *d) mutable {
            d->addPhonebookPart(part, parts, index, flags & CTILIB::PhonebookAll, book);
        };
    }
    if (name == QLatin1String("cdr")) {
        Cdr entries;
        std::vector<TextMember> members{
            {"entries", [&](CtiJson::TextReader &r) { return CtiJson::fromJsonText(r, entries); }, true}};
        if (!readMembers(t, members))
            return nullptr;
        return [entries](CtiLibPrivate *d) { emit d->q->sigCdrChanged(entries); };
    }
    if (name == QLatin1String("extenStatusMap")) {
        BuddyStatusMap map;
        std::vector<TextMember> members{
            {"statuses", [&](CtiJson::TextReader &r) { return CtiJson::fromJsonText(r, map); }, true}};
        if (!readMembers(t, members))
            return nullptr;
        return [map](CtiLibPrivate *d) { emit d->q->sigExtenStatusMapChanged(map); };
    }
    return nullptr;
}

DecodedFrame decodeFrame(const QByteArray &frame)
{
    DecodedFrame r;
    // A large delivery is read in one pass over its text.
    if (frame.size() > kInlineDecodeLimit) {
        QString name;
        std::function<void(CtiLibPrivate *)> emitter;
        const bool taken = CtiProtocol::readEventText(frame, &name, [&](const QString &evt, CtiJson::TextReader &t) {
            emitter = decodeEventText(evt, t);
            return bool(emitter);
        });
        if (taken) {
            r.msg.type = Message::Event;
            r.msg.name = name;
            r.emitter = std::move(emitter);
            r.ok = true;
            return r;
        }
    }
    if (!CtiProtocol::parseMessage(frame, &r.msg, &r.error))
        return r;
    if (r.msg.type == Message::Event && !isSessionEvent(r.msg.name)) {
        QString error;
        r.emitter = decodeEvent(r.msg.name, r.msg.body, &error);
        if (!r.emitter) {
            r.error = QStringLiteral("event '%1': %2").arg(CtiProtocol::sanitizeText(r.msg.name, 64), error);
            return r;
        }
        r.msg.body = QJsonObject(); // not needed any more
    }
    r.ok = true;
    return r;
}

// A file name made from a peer's text: ASCII letters, digits, '.', '_' and
// '-' only, at most 64 of them, never a leading dot; "file" when nothing is
// left. It cannot leave the directory it is put in.
QString safeFileName(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        const bool ok = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '-' ||
                        u == '_' || u == '.';
        if (ok)
            out.append(c);
        if (out.size() >= 64)
            break;
    }
    while (out.startsWith(QLatin1Char('.')))
        out.remove(0, 1);
    return out.isEmpty() ? QStringLiteral("file") : out;
}

} // namespace

void CtiLibPrivate::startConnection()
{
    ++generation;
    reader.clear();
    outstanding.clear();
    framesInDecoder = 0;
    pumpScheduled = false;
    endPending = false;
    endReason.clear();
    decodeSeqNext = dispatchSeqNext = 0;
    readyFrames.clear();
    partBooks.clear();
    partIndexes.clear();
    partBookCount = 0;
    joinRunning = false;
    partsExpected = partNext = 0;
    loginId = -1;
    pingId = -1;
    state = Connecting;

    socket = new QSslSocket(q);
    if (!extraAuthorities.isEmpty()) {
        // Added to this socket alone, on top of the system's store that Qt
        // loads on demand: a configuration given its own list would have to
        // read the whole store first, which takes long. Qt 5 offers the
        // per-socket addition only through this call.
        QT_WARNING_PUSH
        QT_WARNING_DISABLE_DEPRECATED
        socket->addCaCertificates(extraAuthorities);
        QT_WARNING_POP
    }
    socket->setPeerVerifyMode(QSslSocket::VerifyPeer);
    socket->setProtocol(QSsl::TlsV1_2OrLater);
    // Bounded, so that one read notification never decrypts and takes in more
    // than this much of a large delivery: with a megabyte, a phone book's
    // notifications held the GUI thread 11-13 ms each, often two in one pass
    // of the event loop; a smaller read also keeps the frames flowing to the
    // decoder sooner.
    socket->setReadBufferSize(128 * 1024);
    QObject::connect(socket, &QSslSocket::encrypted, q, [this] { onEncrypted(); });
    QObject::connect(socket, &QSslSocket::readyRead, q, [this] { onReadyRead(); });
    QObject::connect(socket, QOverload<const QList<QSslError> &>::of(&QSslSocket::sslErrors), q,
                     [this](const QList<QSslError> &errors) { onSslErrors(errors); });
    QObject::connect(socket, &QAbstractSocket::errorOccurred, q,
                     [this](QAbstractSocket::SocketError e) { onSocketError(e); });
    QObject::connect(socket, &QAbstractSocket::disconnected, q, [this] { onDisconnected(); });

    connectTimer.start(connectTimeoutMs);
    logLine(UNQL::LOG_INFO, QStringLiteral("Connecting to %1:%2 as %3").arg(host).arg(port).arg(username));
    socket->connectToHostEncrypted(host, port, host);
}

void CtiLibPrivate::closeSession(const QString &reason, bool emitSignal)
{
    if (state == Idle)
        return;
    const bool wasLogged = state == LoggedIn;
    state = Idle;
    ++generation; // results still in the decoder belong to the old session
    connectTimer.stop();
    keepAliveTimer.stop();
    keepAliveReplyTimer.stop();
    outstanding.clear();
    reader.clear();
    voicemailDirs.clear();
    framesInDecoder = 0;
    pumpScheduled = false;
    endPending = false;
    endReason.clear();
    decodeSeqNext = dispatchSeqNext = 0;
    readyFrames.clear();
    releaseOnPool(std::move(partBooks));
    partBooks = PhoneBookList();
    partIndexes.clear();
    partBookCount = 0;
    joinRunning = false;
    partsExpected = partNext = 0;
    if (socket) {
        QSslSocket *s = socket;
        socket = nullptr;
        QObject::disconnect(s, nullptr, q, nullptr);
        s->abort();
        s->deleteLater();
    }
    details = LoginDetails();
    capabilities = 0;
    extension.clear();
    const QMap<qint64, QString> unansweredSms = std::exchange(smsRequests, {});
    logLine(UNQL::LOG_INFO, QStringLiteral("Session closed - reason: %1").arg(reason));
    for (const QString &destination : unansweredSms)
        emit q->sigSmsSendResult(destination, false, QStringLiteral("Disconnected"));
    if (emitSignal) {
        if (wasLogged)
            emit q->sigChatDisconnected(reason);
        emit q->disconnectedFromServer(reason);
    }
}

void CtiLibPrivate::protocolError(const QString &text)
{
    logLine(UNQL::LOG_CRITICAL, QStringLiteral("Protocol error: %1").arg(text));
    closeSession(QStringLiteral("ProtocolError - %1").arg(CtiProtocol::sanitizeText(text)), true);
}

QString CtiLibPrivate::dumpText(const QByteArray &frame) const
{
    QString text = QString::fromUtf8(frame.left(4000));
    static const QRegularExpression pwd(QStringLiteral("\"password\":\"(?:[^\"\\\\]|\\\\.)*\""));
    text.replace(pwd, QStringLiteral("\"password\":\"***\""));
    return text.trimmed();
}

void CtiLibPrivate::sendFrame(const QByteArray &frame)
{
    if (!socket)
        return;
    if (dump)
        logLine(UNQL::LOG_INFO, QStringLiteral(">> %1").arg(dumpText(frame)));
    socket->write(frame);
}

bool CtiLibPrivate::sendRequest(const QString &cmd, const QJsonObject &args, bool evenIfNotLogged)
{
    if (!socket || (state != LoggedIn && !evenIfNotLogged)) {
        logLine(UNQL::LOG_WARNING, QStringLiteral("Request %1 dropped: not connected").arg(cmd));
        return false;
    }
    if (outstanding.size() >= kMaxOutstandingRequests) {
        logLine(UNQL::LOG_WARNING, QStringLiteral("Request %1 dropped: too many outstanding requests").arg(cmd));
        return false;
    }
    const qint64 id = nextId++;
    outstanding.insert(id, cmd);
    lastRequestId = id;
    if (cmd == QLatin1String("login"))
        loginId = id;
    else if (cmd == QLatin1String("ping"))
        pingId = id;
    sendFrame(CtiProtocol::encodeRequest(id, cmd, args));
    return true;
}

void CtiLibPrivate::onEncrypted()
{
    state = LoggingIn;
    QJsonObject client;
    client.insert(QStringLiteral("osType"), osType);
    client.insert(QStringLiteral("osVersion"), osVersion);
    client.insert(QStringLiteral("appType"), appType);
    client.insert(QStringLiteral("appVersion"), appVersion);
    client.insert(QStringLiteral("clientId"), clientId);
    client.insert(QStringLiteral("library"), QString::fromLatin1(kVersion));
    QJsonObject args;
    args.insert(QStringLiteral("user"), username);
    args.insert(QStringLiteral("password"), password);
    args.insert(QStringLiteral("tenant"), tenant);
    args.insert(QStringLiteral("appMode"), appMode);
    args.insert(QStringLiteral("deviceId"), deviceId);
    args.insert(QStringLiteral("options"), options);
    args.insert(QStringLiteral("client"), client);
    sendRequest(QStringLiteral("login"), args, true);
}

void CtiLibPrivate::onReadyRead()
{
    if (!pumpScheduled)
        pump();
    else
        takeIn(); // the connection keeps flowing until the slice comes
}

bool CtiLibPrivate::takeIn()
{
    if (!socket || reader.pending() >= kReceivedBacklog || socket->bytesAvailable() <= 0)
        return true;
    if (!reader.readFrom(socket)) {
        protocolError(reader.error());
        return false;
    }
    return true;
}

void CtiLibPrivate::toDecoder(quint64 gen, const QByteArray &frame)
{
    ++framesInDecoder;
    const quint64 seq = decodeSeqNext++;
    CtiLib *lib = q;
    pool.start([lib, gen, seq, frame] {
        auto r = std::make_shared<DecodedFrame>(decodeFrame(frame));
        r->large = frame.size() > kInlineDecodeLimit;
        QMetaObject::invokeMethod(
            lib, [lib, gen, seq, r]() mutable { lib->d->decoded(gen, seq, std::move(r)); }, Qt::QueuedConnection);
    });
}

void CtiLibPrivate::pump()
{
    if (!socket)
        return;
    const quint64 gen = generation;
    QElapsedTimer slice;
    slice.start();
    QByteArray frame;
    while (gen == generation) {
        if (!takeIn())
            return;
        // While frames are in the decoder every frame goes there, so that
        // they keep their order; handing one over costs little, and the
        // decoder is kept busy while the GUI thread dispatches.
        if (framesInDecoder > 0 && reader.next(&frame)) {
            if (dump)
                logLine(UNQL::LOG_INFO, QStringLiteral("<< %1").arg(dumpText(frame)));
            toDecoder(gen, frame);
            continue;
        }
        // Frames are decoded in parallel but dispatched in arrival order;
        // while a phone book is being joined, the frames behind it wait.
        if (!joinRunning && readyFrames.contains(dispatchSeqNext)) {
            std::shared_ptr<DecodedFrame> f = readyFrames.take(dispatchSeqNext++);
            --framesInDecoder;
            const bool large = f->large;
            dispatch(gen, *f);
            // Large records are freed on a pool thread: freeing a big delivery
            // takes longer than the GUI thread may stall.
            releaseOnPool(std::move(f));
            // A large delivery has the turn to itself: a run of them decoded
            // together does not hold the GUI thread for all of them at once.
            if (large && gen == generation) {
                schedulePump();
                return;
            }
        } else if (reader.next(&frame)) {
            if (dump)
                logLine(UNQL::LOG_INFO, QStringLiteral("<< %1").arg(dumpText(frame)));
            if (framesInDecoder == 0 && !joinRunning && frame.size() <= kInlineDecodeLimit)
                dispatch(gen, decodeFrame(frame));
            else
                toDecoder(gen, frame);
        } else if (reader.failed()) {
            protocolError(reader.error());
            return;
        } else if (socket && socket->bytesAvailable() > 0) {
            // The rest of a frame larger than what is taken in ahead.
            if (!reader.readFrom(socket)) {
                protocolError(reader.error());
                return;
            }
        } else {
            // Nothing more until the socket, the decoder or the join has some.
            if (endPending && framesInDecoder == 0 && !joinRunning)
                closeSession(endReason, true);
            return;
        }
        // A burst of reports is handled a slice per turn of the event loop,
        // so that timers, painting and input keep their turns.
        if (gen == generation && slice.elapsed() >= kDispatchSliceMs) {
            schedulePump();
            return;
        }
    }
}

void CtiLibPrivate::schedulePump()
{
    if (pumpScheduled)
        return;
    pumpScheduled = true;
    const quint64 gen = generation;
    QMetaObject::invokeMethod(
        q,
        [this, gen] {
            if (gen != generation)
                return; // the session it was for has ended
            pumpScheduled = false;
            pump();
        },
        Qt::QueuedConnection);
}

void CtiLibPrivate::decoded(quint64 gen, quint64 seq, std::shared_ptr<DecodedFrame> frame)
{
    if (gen != generation)
        return; // a frame of a session that has ended
    readyFrames.insert(seq, std::move(frame));
    if (!pumpScheduled)
        pump();
}

void CtiLibPrivate::addPhonebookPart(int part, int parts, int index, int flags, PhoneBook &book)
{
    if (part == 0) {
        releaseOnPool(std::move(partBooks));
        partBooks = PhoneBookList();
        partIndexes.clear();
        partBookCount = 0;
        partsExpected = parts;
        partNext = 0;
        partFlags = flags;
        partEntries = 0;
    }
    if (part != partNext || parts != partsExpected || flags != partFlags) {
        protocolError(QStringLiteral("phone book part out of order"));
        return;
    }
    partEntries += book.entries.size();
    if (partEntries > CtiJson::MaxListElements) {
        protocolError(QStringLiteral("phone book too large"));
        return;
    }
    ++partNext;
    if (index == partBookCount) {
        ++partBookCount;
    } else if (index == partBookCount - 1) {
        const PhoneBook &last = partBooks.last();
        if (last.source != book.source || last.visibility != book.visibility || last.name != book.name) {
            protocolError(QStringLiteral("phone book part does not continue its book"));
            return;
        }
    } else {
        protocolError(QStringLiteral("phone book part out of order"));
        return;
    }
    partBooks.append(PhoneBook());
    std::swap(partBooks.last(), book);
    partIndexes.append(index);
    if (partNext < partsExpected)
        return;
    PhoneBookList pieces;
    pieces.swap(partBooks);
    const QVector<int> indexes = std::exchange(partIndexes, {});
    partBookCount = 0;
    partsExpected = 0;
    partNext = 0;
    // Joining tens of thousands of entries takes longer than the GUI thread
    // may stall: a pool thread joins them, the frames behind wait.
    joinRunning = true;
    CtiLib *lib = q;
    const quint64 gen = generation;
    pool.start([lib, gen, flags, pieces = std::move(pieces), indexes]() mutable {
        // The entries move over to the joined books, nothing is copied.
        PhoneBookList books;
        for (int i = 0; i < pieces.size(); ++i) {
            PhoneBook &piece = pieces[i];
            if (indexes.at(i) == books.size()) {
                books.append(PhoneBook());
                std::swap(books.last(), piece);
                continue;
            }
            QList<PhoneBookEntry> &entries = books.last().entries;
            entries.reserve(entries.size() + piece.entries.size());
            for (PhoneBookEntry &entry : piece.entries) {
                entries.append(PhoneBookEntry());
                std::swap(entries.last(), entry);
            }
        }
        pieces = PhoneBookList();
        // Handed over, not copied: the GUI thread never holds the last
        // reference to the entries.
        auto result = std::make_shared<PhoneBookList>(std::move(books));
        QMetaObject::invokeMethod(
            lib, [lib, gen, result, flags] { lib->d->joined(gen, std::move(*result), flags); }, Qt::QueuedConnection);
    });
}

void CtiLibPrivate::joined(quint64 gen, PhoneBookList books, int flags)
{
    if (gen == generation) {
        joinRunning = false;
        emit q->sigPhonebookChanged(books, CTILIB::PhonebookTypeFlags(flags));
    }
    releaseOnPool(std::move(books));
    if (gen == generation && !pumpScheduled)
        pump();
}

void CtiLibPrivate::dispatch(quint64 gen, const DecodedFrame &frame)
{
    if (gen != generation || state == Idle)
        return; // a frame of a session that has ended
    if (!frame.ok) {
        protocolError(frame.error);
        return;
    }
    const Message &msg = frame.msg;
    switch (msg.type) {
    case Message::Request:
        protocolError(QStringLiteral("unexpected request '%1'").arg(CtiProtocol::sanitizeText(msg.name, 64)));
        return;
    case Message::Response:
        handleResponse(msg);
        return;
    case Message::Event:
        if (state != LoggedIn) {
            protocolError(QStringLiteral("event before log-in"));
            return;
        }
        if (frame.emitter)
            frame.emitter(this);
        else
            handleSessionEvent(msg);
        return;
    }
}

void CtiLibPrivate::handleResponse(const Message &msg)
{
    const auto it = outstanding.find(msg.id);
    if (it == outstanding.end()) {
        protocolError(QStringLiteral("response to an unknown request %1").arg(msg.id));
        return;
    }
    const QString cmd = it.value();
    outstanding.erase(it);
    if (msg.id == loginId) {
        loginId = -1;
        if (!msg.ok) {
            const QString reason = msg.error.isEmpty() ? QStringLiteral("AuthFailed") : msg.error;
            logLine(UNQL::LOG_WARNING, QStringLiteral("Log-in refused: %1").arg(reason));
            closeSession(reason, true);
            return;
        }
        LoginDetails ld;
        QString error;
        QString exten;
        if (!CtiJson::fromJson(msg.body.value(QLatin1String("details")), ld, &error) ||
            !CtiJson::readString(msg.body, "extension", exten, &error)) {
            protocolError(QStringLiteral("log-in answer: %1").arg(error));
            return;
        }
        const QJsonValue capsValue = msg.body.value(QLatin1String("capabilities"));
        if (!capsValue.isDouble() || capsValue.toDouble() < 0 || capsValue.toDouble() > 4294967295.0) {
            protocolError(QStringLiteral("log-in answer: invalid capabilities"));
            return;
        }
        connectTimer.stop();
        details = ld;
        capabilities = quint32(capsValue.toDouble());
        extension = exten;
        state = LoggedIn;
        keepAliveTimer.start(keepAliveIntervalMs);
        logLine(UNQL::LOG_INFO, QStringLiteral("Logged in as %1, extension %2, firmware %3")
                                    .arg(details.username, extension, details.firmwareVersion));
        emit q->loggedToServer(details);
        return;
    }
    if (msg.id == pingId) {
        pingId = -1;
        keepAliveReplyTimer.stop();
        return;
    }
    if (!msg.ok)
        logLine(UNQL::LOG_WARNING, QStringLiteral("Request %1 refused by the PBX: %2").arg(cmd, msg.error));
    const auto sms = smsRequests.find(msg.id);
    if (sms != smsRequests.end()) {
        const QString destination = sms.value();
        smsRequests.erase(sms);
        emit q->sigSmsSendResult(
            destination, msg.ok,
            msg.ok ? QString()
                   : CtiProtocol::sanitizeText(msg.error.isEmpty() ? QStringLiteral("Refused") : msg.error));
    }
}

void CtiLibPrivate::handleSessionEvent(const Message &msg)
{
    QString error;
    if (msg.name == QLatin1String("disconnect")) {
        QString reason;
        if (!CtiJson::readString(msg.body, "reason", reason, &error)) {
            protocolError(error);
            return;
        }
        reason = CtiProtocol::sanitizeText(reason);
        if (reason.trimmed().isEmpty())
            reason = QStringLiteral("ServerRequest");
        closeSession(reason, true);
        return;
    }
    if (msg.name == QLatin1String("voicemailAudio")) {
        QString id, uuid, data;
        if (!CtiJson::readString(msg.body, "id", id, &error) || !CtiJson::readString(msg.body, "uuid", uuid, &error) ||
            !CtiJson::readString(msg.body, "data", data, &error)) {
            protocolError(error);
            return;
        }
        const QString key = id + QLatin1Char('/') + uuid;
        if (!voicemailDirs.contains(key)) {
            logLine(UNQL::LOG_WARNING, QStringLiteral("Voicemail audio that was not asked for: dropped"));
            return;
        }
        const QString dir = voicemailDirs.take(key);
        auto bytes = QByteArray::fromBase64Encoding(data.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (!bytes) {
            protocolError(QStringLiteral("voicemail audio: invalid base64"));
            return;
        }
        QDir().mkpath(dir);
        const QString path = QDir(dir).filePath(safeFileName(id) + QStringLiteral(".wav"));
        QSaveFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(*bytes) != bytes.decoded.size() || !f.commit()) {
            logLine(UNQL::LOG_WARNING, QStringLiteral("Cannot store voicemail message in %1").arg(path));
            return;
        }
        emit q->sigVoicemailDownloadCompleted(id, uuid, path);
        return;
    }
    if (msg.name == QLatin1String("rebrandingPackage")) {
        QString data;
        if (!CtiJson::readString(msg.body, "data", data, &error)) {
            protocolError(error);
            return;
        }
        if (rebrandingDir.isEmpty())
            return;
        auto bytes = QByteArray::fromBase64Encoding(data.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (!bytes) {
            protocolError(QStringLiteral("rebranding package: invalid base64"));
            return;
        }
        QDir().mkpath(rebrandingDir);
        const QString path = QDir(rebrandingDir).filePath(QStringLiteral("rebranding-download.zip"));
        QSaveFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(*bytes) != bytes.decoded.size() || !f.commit()) {
            logLine(UNQL::LOG_WARNING, QStringLiteral("Cannot store rebranding package in %1").arg(path));
            return;
        }
        emit q->sigRebrandingDownloadCompleted(path);
    }
}

void CtiLibPrivate::onSslErrors(const QList<QSslError> &errors)
{
    // Never ignored: the handshake fails and the error handler reports it.
    QStringList texts;
    for (const QSslError &e : errors)
        texts << e.errorString();
    logLine(UNQL::LOG_CRITICAL, QStringLiteral("TLS verification failed: %1").arg(texts.join(QStringLiteral("; "))));
    if (state != Idle) {
        closeSession(QStringLiteral("SslHandshakeFailed - %1")
                         .arg(CtiProtocol::sanitizeText(errors.isEmpty() ? QString() : errors.first().errorString())),
                     true);
    }
}

void CtiLibPrivate::onSocketError(QAbstractSocket::SocketError error)
{
    if (state == Idle || !socket)
        return;
    QString reason;
    switch (error) {
    case QAbstractSocket::HostNotFoundError:
        reason = QStringLiteral("Host not found");
        break;
    case QAbstractSocket::ConnectionRefusedError:
        reason = QStringLiteral("Connection refused");
        break;
    case QAbstractSocket::SocketAccessError:
        reason = QStringLiteral("Permission denied");
        break;
    case QAbstractSocket::RemoteHostClosedError:
        reason = QStringLiteral("RemoteHostClosed");
        break;
    case QAbstractSocket::SocketTimeoutError:
        reason = QStringLiteral("ConnectTimeout");
        break;
    case QAbstractSocket::SslHandshakeFailedError:
        reason = QStringLiteral("SslHandshakeFailed - %1").arg(CtiProtocol::sanitizeText(socket->errorString()));
        break;
    default:
        reason = QStringLiteral("NetworkError - %1").arg(CtiProtocol::sanitizeText(socket->errorString()));
        break;
    }
    endWhenDispatched(reason);
}

void CtiLibPrivate::onDisconnected()
{
    if (state != Idle)
        endWhenDispatched(QStringLiteral("RemoteHostClosed"));
}

void CtiLibPrivate::endWhenDispatched(const QString &reason)
{
    // What the PBX sent before the connection ended (the reason it gives for
    // ending it among them) is handled first.
    if (socket && socket->bytesAvailable() > 0 && !reader.append(socket->readAll())) {
        protocolError(reader.error());
        return;
    }
    if (!receivedWaiting()) {
        closeSession(reason, true);
        return;
    }
    if (!endPending) {
        endPending = true;
        endReason = reason;
    }
    schedulePump();
}

void CtiLibPrivate::sendPing()
{
    if (state != LoggedIn)
        return;
    if (pingId >= 0)
        return; // the reply timer is running
    sendRequest(QStringLiteral("ping"), QJsonObject());
    keepAliveReplyTimer.start(keepAliveTimeoutMs);
}

// ---------------------------------------------------------------------------

CtiLib::CtiLib(const QString &osType, const QString &osVersion, const QString &appType, const QString &appVersion,
               const QString &clientId, const QString &settingsDir, QObject *parent)
    : QObject(parent), d(new CtiLibPrivate(this))
{
    CTILIB::registerMetaTypes();
    d->osType = osType;
    d->osVersion = osVersion;
    d->appType = appType;
    d->appVersion = appVersion;
    d->clientId = clientId;
    d->settingsDir = settingsDir;

    d->connectTimer.setSingleShot(true);
    d->keepAliveReplyTimer.setSingleShot(true);
    connect(&d->connectTimer, &QTimer::timeout, this, [this] {
        if (d->state == CtiLibPrivate::Connecting || d->state == CtiLibPrivate::LoggingIn)
            d->closeSession(QStringLiteral("ConnectTimeout"), true);
    });
    connect(&d->keepAliveTimer, &QTimer::timeout, this, [this] { d->sendPing(); });
    connect(&d->keepAliveReplyTimer, &QTimer::timeout, this, [this] {
        // Received frames still waiting for their turn may hold the reply:
        // the PBX has spoken, the reply is looked for once they are handled.
        if (d->receivedWaiting()) {
            d->keepAliveReplyTimer.start(d->keepAliveTimeoutMs);
            return;
        }
        d->logLine(UNQL::LOG_WARNING, QStringLiteral("No keep-alive reply from the PBX"));
        d->closeSession(QStringLiteral("KeepAliveReplyTimeout"), true);
    });

    // Leaves processor time to the GUI thread while a large delivery is decoded.
    d->pool.setMaxThreadCount(qBound(2, QThread::idealThreadCount() / 2, 4));
}

CtiLib::~CtiLib()
{
    d->closeSession(QString(), false);
    d->pool.waitForDone();
    delete d->log;
}

QString CtiLib::getVersion()
{
    return QString::fromLatin1(kVersion);
}

QString CtiLib::numAnonymizer(const QString &number)
{
    int digits = 0;
    for (const QChar c : number)
        digits += c.isDigit() ? 1 : 0;
    QString out = number;
    int seen = 0;
    for (QChar &c : out) {
        if (c.isDigit()) {
            ++seen;
            if (seen <= digits - 3)
                c = QLatin1Char('x');
        }
    }
    return out;
}

bool CtiLib::hasOutlookSupportBuilt()
{
    return false;
}

bool CtiLib::init()
{
    if (d->initialized)
        return true;
    d->initialized = true;
    if (!d->settingsDir.isEmpty() && QDir(d->settingsDir).exists()) {
        UniqLogger *ul = UniqLogger::instance(QStringLiteral("CTILIB"), 0);
        int status = 0;
        d->log =
            ul->createFileLogger(QStringLiteral("CTILIB"), QDir(d->settingsDir).filePath(QStringLiteral("ctilib.log")),
                                 WriterConfig(), status);
        if (d->log)
            d->log->setVerbosityAcceptedLevel(UNQL::LOG_INFO);
    }
    d->logLine(UNQL::LOG_INFO, QStringLiteral("%1 initialised for %2 %3 on %4 %5")
                                   .arg(getVersion(), d->appType, d->appVersion, d->osType, d->osVersion));
    return true;
}

void CtiLib::setServerAddress(const QString &address)
{
    d->address = address.trimmed();
    quint16 port = 0;
    d->host = CTILIB::getIpPort(d->address, &port);
    d->port = port ? port : DefaultPort;
}

void CtiLib::setExtraCaCertificates(const QList<QSslCertificate> &authorities)
{
    d->extraAuthorities = authorities;
}

QString CtiLib::serverAddress() const
{
    return d->address;
}

void CtiLib::connectToServer(const QString &username, const QString &password, const QString &tenant, int appMode,
                             const QString &deviceId, int options)
{
    if (d->state != CtiLibPrivate::Idle)
        d->closeSession(QString(), false);
    d->username = username;
    d->password = password;
    d->tenant = tenant;
    d->appMode = appMode;
    d->deviceId = deviceId;
    d->options = options;

    QString problem;
    if (d->host.isEmpty())
        problem = QStringLiteral("no PBX address");
    else if (username.isEmpty())
        problem = QStringLiteral("no user name");
    else if (appMode < 0 || appMode > 2)
        problem = QStringLiteral("invalid operating mode");
    if (!problem.isEmpty()) {
        d->logLine(UNQL::LOG_WARNING, QStringLiteral("Cannot connect: %1").arg(problem));
        const QString reason = QStringLiteral("WrongConfig - %1").arg(problem);
        QTimer::singleShot(0, this, [this, reason] { emit disconnectedFromServer(reason); });
        return;
    }
    d->startConnection();
}

bool CtiLib::isConnected() const
{
    return d->state == CtiLibPrivate::LoggedIn;
}

void CtiLib::logout()
{
    if (d->state == CtiLibPrivate::Idle)
        return;
    if (d->state == CtiLibPrivate::LoggedIn)
        d->sendRequest(QStringLiteral("logout"), QJsonObject());
    if (d->socket)
        d->socket->flush();
    d->closeSession(QStringLiteral("UserRequest"), true);
}

void CtiLib::shutdown()
{
    if (d->state == CtiLibPrivate::LoggedIn) {
        d->sendRequest(QStringLiteral("logout"), QJsonObject());
        if (d->socket)
            d->socket->flush();
    }
    d->closeSession(QString(), false);
}

void CtiLib::enableMessagesDump(bool enable)
{
    d->dump = enable;
}

bool CtiLib::setChatKeepAliveSendIntervalSec(int seconds)
{
    if (seconds < 60 || seconds > 3600)
        return false;
    d->keepAliveIntervalMs = seconds * 1000;
    if (d->keepAliveTimer.isActive())
        d->keepAliveTimer.start(d->keepAliveIntervalMs);
    return true;
}

void CtiLib::setKeepAliveTimings(int sendIntervalMs, int replyTimeoutMs)
{
    d->keepAliveIntervalMs = qMax(10, sendIntervalMs);
    d->keepAliveTimeoutMs = qMax(10, replyTimeoutMs);
    if (d->keepAliveTimer.isActive())
        d->keepAliveTimer.start(d->keepAliveIntervalMs);
}

void CtiLib::setConnectTimeout(int ms)
{
    d->connectTimeoutMs = qMax(10, ms);
}

void CtiLib::setMaxFrameSize(int bytes)
{
    d->reader.setMaxFrame(qBound(1024, bytes, CtiProtocol::MaxServerFrame));
}

QString CtiLib::getLoginUsername() const
{
    return d->details.username;
}

QString CtiLib::getUserExtension() const
{
    return d->extension;
}

quint32 CtiLib::getPbxCapabilities() const
{
    return d->capabilities;
}

QString CtiLib::getPbxFirmwareVersion() const
{
    return d->details.firmwareVersion;
}

int CtiLib::getQueueRole() const
{
    return d->details.queueRole;
}

LoginDetails CtiLib::getLoginDetails() const
{
    return d->details;
}

// --- requests ----------------------------------------------------------------

namespace
{
QJsonObject obj(std::initializer_list<QPair<QString, QJsonValue>> items)
{
    QJsonObject o;
    for (const auto &i : items)
        o.insert(i.first, i.second);
    return o;
}
QJsonValue dt(const QDateTime &v)
{
    return CtiJson::dateTimeToJson(v);
}
QJsonArray intList(const QList<int> &l)
{
    QJsonArray a;
    for (int v : l)
        a.append(v);
    return a;
}
} // namespace

#define KV(k, v) qMakePair(QStringLiteral(k), QJsonValue(v))

void CtiLib::getIdentities()
{
    d->sendRequest(QStringLiteral("getIdentities"), {});
}

void CtiLib::enableOutlookSupport(bool enable, const QStringList &excludedFolders)
{
    // No outside address book on this platform: the setting is only logged.
    d->logLine(UNQL::LOG_INFO, QStringLiteral("Outside address book import %1 (%2 folders excluded)")
                                   .arg(enable ? QStringLiteral("requested") : QStringLiteral("off"))
                                   .arg(excludedFolders.size()));
}

void CtiLib::getContactsList(bool forceRefresh, CTILIB::PhonebookTypeFlags flags)
{
    d->sendRequest(QStringLiteral("getPhonebooks"), obj({KV("force", forceRefresh), KV("flags", int(flags))}));
}

void CtiLib::getContactsList(bool forceRefresh, int flags)
{
    getContactsList(forceRefresh, CTILIB::PhonebookTypeFlags(flags & CTILIB::PhonebookAll));
}

void CtiLib::getExtenStatus()
{
    d->sendRequest(QStringLiteral("getExtenStatus"), {});
}
void CtiLib::getServiceStatus()
{
    d->sendRequest(QStringLiteral("getServiceStatus"), {});
}
void CtiLib::getPeerList()
{
    d->sendRequest(QStringLiteral("getPeerList"), {});
}

void CtiLib::getCDR(bool forceRefresh, const QString &since)
{
    d->sendRequest(QStringLiteral("getCdr"), obj({KV("force", forceRefresh), KV("since", since)}));
}

void CtiLib::addPhoneBookContact(const PhoneBookEntry &entry)
{
    d->sendRequest(QStringLiteral("addContact"), obj({KV("entry", CtiJson::toJson(entry))}));
}

void CtiLib::updatePhoneBookContact(const PhoneBookEntry &entry)
{
    d->sendRequest(QStringLiteral("updateContact"), obj({KV("entry", CtiJson::toJson(entry))}));
}

void CtiLib::deletePhoneBookContact(const PhoneBookEntry &entry)
{
    d->sendRequest(QStringLiteral("deleteContact"), obj({KV("entry", CtiJson::toJson(entry))}));
}

bool CtiLib::sendSms(const QString &destination, const QString &text)
{
    if (!d->sendRequest(QStringLiteral("sendSms"), obj({KV("destination", destination), KV("text", text)})))
        return false;
    d->smsRequests.insert(d->lastRequestId, destination);
    return true;
}

void CtiLib::downloadRebrandingPackage(const QString &md5, const QString &directory)
{
    d->rebrandingDir = directory;
    d->sendRequest(QStringLiteral("getRebranding"), obj({KV("md5", md5)}));
}

bool CtiLib::newCall(const QString &number, CTILIB::NumberOutgoingPrefix prefixType, const QString &account)
{
    return d->sendRequest(QStringLiteral("newCall"),
                          obj({KV("number", number), KV("prefix", int(prefixType)), KV("account", account)}));
}

bool CtiLib::hangupCall(const QString &callId, const QString &channel)
{
    return d->sendRequest(QStringLiteral("hangupCall"), obj({KV("callId", callId), KV("channel", channel)}));
}

bool CtiLib::refuseCall(const QString &callId, const QString &channel)
{
    return d->sendRequest(QStringLiteral("refuseCall"), obj({KV("callId", callId), KV("channel", channel)}));
}

bool CtiLib::parkCall(const QString &callId)
{
    return d->sendRequest(QStringLiteral("parkCall"), obj({KV("callId", callId)}));
}

bool CtiLib::redirectCall(const QString &target, const QString &number)
{
    return d->sendRequest(QStringLiteral("redirectCall"), obj({KV("target", target), KV("number", number)}));
}

bool CtiLib::phoneCommandGetDndStatus()
{
    return d->sendRequest(QStringLiteral("phoneGetDnd"), {});
}

bool CtiLib::phoneCommandAnswerIncomingCall(const QString &cstaId)
{
    return d->sendRequest(QStringLiteral("phoneAnswer"), obj({KV("cstaId", cstaId)}));
}

bool CtiLib::phoneCommandHangupCall(const QString &cstaId)
{
    return d->sendRequest(QStringLiteral("phoneHangup"), obj({KV("cstaId", cstaId)}));
}

bool CtiLib::phoneCommandPutOnHold(const QString &cstaId)
{
    return d->sendRequest(QStringLiteral("phoneHold"), obj({KV("cstaId", cstaId)}));
}

bool CtiLib::phoneCommandResumeFromHold(const QString &cstaId)
{
    return d->sendRequest(QStringLiteral("phoneResume"), obj({KV("cstaId", cstaId)}));
}

bool CtiLib::phoneCommandUnattendedTransfer(const QString &cstaId, const QString &number)
{
    return d->sendRequest(QStringLiteral("phoneTransfer"), obj({KV("cstaId", cstaId), KV("number", number)}));
}

bool CtiLib::phoneCommandMakeCall(const QString &number, const QString &account)
{
    return d->sendRequest(QStringLiteral("phoneMakeCall"), obj({KV("number", number), KV("account", account)}));
}

bool CtiLib::phoneCommandPressKeys(const QStringList &keys)
{
    return d->sendRequest(QStringLiteral("phonePressKeys"), obj({KV("keys", QJsonArray::fromStringList(keys))}));
}

bool CtiLib::phoneCommandSendDtmfs(const QString &cstaId, const QStringList &dtmfs)
{
    return d->sendRequest(QStringLiteral("phoneSendDtmf"),
                          obj({KV("cstaId", cstaId), KV("dtmfs", QJsonArray::fromStringList(dtmfs))}));
}

void CtiLib::sendChatMessage(const QString &exten, const QString &text)
{
    d->sendRequest(QStringLiteral("chatSend"), obj({KV("exten", exten), KV("text", text)}));
}

void CtiLib::sendChatMessageDisplayed(const QString &exten)
{
    d->sendRequest(QStringLiteral("chatDisplayed"), obj({KV("exten", exten)}));
}

void CtiLib::sendChatOpenConversation(const QString &exten)
{
    d->sendRequest(QStringLiteral("chatOpen"), obj({KV("exten", exten)}));
}

void CtiLib::sendChatCloseConversation(const QString &exten)
{
    d->sendRequest(QStringLiteral("chatClose"), obj({KV("exten", exten)}));
}

void CtiLib::sendChatStartComposing(const QString &exten)
{
    d->sendRequest(QStringLiteral("chatComposing"), obj({KV("exten", exten), KV("composing", true)}));
}

void CtiLib::sendChatStopComposing(const QString &exten)
{
    d->sendRequest(QStringLiteral("chatComposing"), obj({KV("exten", exten), KV("composing", false)}));
}

void CtiLib::setClientPresence(CTILIB::ChatPresence presence, const QString &message)
{
    d->sendRequest(QStringLiteral("setPresence"), obj({KV("presence", int(presence)), KV("message", message)}));
}

void CtiLib::getChatHistory(const QDateTime &from)
{
    d->sendRequest(QStringLiteral("getChatHistory"), obj({KV("from", dt(from))}));
}

void CtiLib::setUFWD(const QString &number)
{
    d->sendRequest(QStringLiteral("setService"),
                   obj({KV("service", QStringLiteral("ufwd")), KV("on", true), KV("value", number)}));
}

void CtiLib::unsetUFWD()
{
    d->sendRequest(QStringLiteral("setService"), obj({KV("service", QStringLiteral("ufwd")), KV("on", false)}));
}

void CtiLib::setForkToMobile()
{
    d->sendRequest(QStringLiteral("setService"), obj({KV("service", QStringLiteral("forktomobile")), KV("on", true)}));
}

void CtiLib::unsetForkToMobile()
{
    d->sendRequest(QStringLiteral("setService"), obj({KV("service", QStringLiteral("forktomobile")), KV("on", false)}));
}

void CtiLib::setDND(bool on)
{
    d->sendRequest(QStringLiteral("setService"), obj({KV("service", QStringLiteral("dnd")), KV("on", on)}));
}

void CtiLib::getVoicemail(CTILIB::VmMsgTypeFlag flags)
{
    getVoicemail(int(flags));
}

void CtiLib::getVoicemail(int flags)
{
    d->sendRequest(QStringLiteral("getVoicemail"), obj({KV("flags", flags & CTILIB::VmFlagAll)}));
}

void CtiLib::getMailboxStatus()
{
    d->sendRequest(QStringLiteral("getMailboxStatus"), {});
}

void CtiLib::downloadVoicemailMessage(const QString &id, const QString &uuid, const QString &directory)
{
    if (d->state != CtiLibPrivate::LoggedIn)
        return;
    if (d->voicemailDirs.size() > 1000)
        d->voicemailDirs.clear();
    d->voicemailDirs.insert(id + QLatin1Char('/') + uuid, directory);
    d->sendRequest(QStringLiteral("downloadVoicemail"), obj({KV("id", id), KV("uuid", uuid)}));
}

void CtiLib::markVoicemailMessage(const QString &id, CTILIB::VmMsgType type)
{
    markVoicemailMessage(id, int(type));
}

void CtiLib::markVoicemailMessage(const QString &id, int type)
{
    d->sendRequest(QStringLiteral("markVoicemail"), obj({KV("id", id), KV("type", type)}));
}

void CtiLib::deleteVoicemailMessage(const QString &id)
{
    d->sendRequest(QStringLiteral("deleteVoicemail"), obj({KV("id", id)}));
}

void CtiLib::pauseQueues(bool pause, const QString &accounts, const QString &reason, const QString &queueId)
{
    QStringList list;
    if (!accounts.isEmpty())
        list = accounts.split(QLatin1Char(','), Qt::SkipEmptyParts);
    d->sendRequest(QStringLiteral("pauseQueues"),
                   obj({KV("pause", pause), KV("accounts", QJsonArray::fromStringList(list)), KV("reason", reason),
                        KV("queueId", queueId)}));
}

void CtiLib::pauseOperators(bool pause, const QStringList &accounts, const QString &reason, const QString &queueId)
{
    d->sendRequest(QStringLiteral("pauseQueues"),
                   obj({KV("pause", pause), KV("accounts", QJsonArray::fromStringList(accounts)), KV("reason", reason),
                        KV("queueId", queueId)}));
}

void CtiLib::addQueueDynamicMember(const QString &queueId, const QString &account, int penalty)
{
    d->sendRequest(QStringLiteral("addQueueMember"),
                   obj({KV("queueId", queueId), KV("account", account), KV("penalty", penalty)}));
}

void CtiLib::removeQueueDynamicMember(const QString &queueId, const QString &account)
{
    d->sendRequest(QStringLiteral("removeQueueMember"), obj({KV("queueId", queueId), KV("account", account)}));
}

void CtiLib::getAllQueuesStats()
{
    d->sendRequest(QStringLiteral("getQueuesStats"), {});
}

void CtiLib::getAllQueuePeriodicStats(CTILIB::PeriodType period, QDateTime from, QDateTime to)
{
    d->sendRequest(QStringLiteral("getQueuePeriodicStats"),
                   obj({KV("period", int(period)), KV("from", dt(from)), KV("to", dt(to)), KV("all", true)}));
}

void CtiLib::getAllQueueOperatorPeriodicStats(CTILIB::PeriodType period, QDateTime from, QDateTime to)
{
    d->sendRequest(QStringLiteral("getOperatorPeriodicStats"),
                   obj({KV("period", int(period)), KV("from", dt(from)), KV("to", dt(to)), KV("all", true)}));
}

void CtiLib::getQueuePeriodicStats(const QStringList &queueIds, CTILIB::PeriodType period, QDateTime from, QDateTime to)
{
    d->sendRequest(QStringLiteral("getQueuePeriodicStats"),
                   obj({KV("period", int(period)), KV("from", dt(from)), KV("to", dt(to)), KV("all", false),
                        KV("queues", QJsonArray::fromStringList(queueIds))}));
}

void CtiLib::getQueueOperatorPeriodicStats(const QMap<QString, QStringList> &queueMembers, CTILIB::PeriodType period,
                                           QDateTime from, QDateTime to)
{
    QJsonObject members;
    for (auto it = queueMembers.constBegin(); it != queueMembers.constEnd(); ++it)
        members.insert(it.key(), QJsonArray::fromStringList(it.value()));
    d->sendRequest(QStringLiteral("getOperatorPeriodicStats"),
                   obj({KV("period", int(period)), KV("from", dt(from)), KV("to", dt(to)), KV("all", false),
                        KV("members", members)}));
}

void CtiLib::requestCCReport(CTILIB::PeriodType period, const QList<int> &answeredThresholds,
                             const QList<int> &lostThresholds, const QString &language, const QDateTime &from,
                             const QDateTime &to)
{
    if (!d->sendRequest(QStringLiteral("getCCReport"),
                        obj({KV("period", int(period)), KV("answered", intList(answeredThresholds)),
                             KV("lost", intList(lostThresholds)), KV("language", language), KV("from", dt(from)),
                             KV("to", dt(to))}))) {
        QTimer::singleShot(0, this, [this] { emit sigCCReportFailure(QStringLiteral("Not connected")); });
    }
}
