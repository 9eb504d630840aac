// The CTI link of the simulator: the TLS listener, the clients' sessions
// and their frames, the log-in, and the events the PBX sends (directories,
// states, the events of a user's calls). The requests of a logged-in client
// go on to handleCommand() (pbxsimrequests.cpp).
#include "pbxsimulator.h"
#include "pbxsimulator_p.h"

#include "ctijson.h"

#include <QJsonDocument>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpServer>
#include <QTimer>

#include <functional>

// --- TLS listener ----------------------------------------------------------------------------

class PbxSimTlsServer : public QTcpServer
{
public:
    explicit PbxSimTlsServer(QObject *parent) : QTcpServer(parent) {}
    std::function<void(QSslSocket *)> onSocket;
    QList<QSslCertificate> chain;
    QSslKey key;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *socket = new QSslSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        socket->setLocalCertificateChain(chain);
        socket->setPrivateKey(key);
        socket->setProtocol(QSsl::TlsV1_2OrLater);
        socket->setPeerVerifyMode(QSslSocket::VerifyNone); // clients are not asked for certificates
        socket->setReadBufferSize(0);
        onSocket(socket);
        socket->startServerEncryption();
    }
};

void PbxSimulator::setCertificate(const QList<QSslCertificate> &chain, const QSslKey &key)
{
    m_chain = chain;
    m_key = key;
    if (m_server) {
        m_server->chain = chain;
        m_server->key = key;
    }
}

bool PbxSimulator::listen(const QHostAddress &address, quint16 port, QString *error)
{
    if (!address.isLoopback()) {
        if (error)
            *error = QStringLiteral("the simulator listens on a loopback address only");
        return false;
    }
    if (m_chain.isEmpty() || m_key.isNull()) {
        if (error)
            *error = QStringLiteral("no certificate or private key");
        return false;
    }
    close();
    m_server = new PbxSimTlsServer(this);
    m_server->chain = m_chain;
    m_server->key = m_key;
    m_server->onSocket = [this](QSslSocket *s) { onNewConnection(s); };
    if (!m_server->listen(address, port)) {
        if (error)
            *error = m_server->errorString();
        delete m_server;
        m_server = nullptr;
        return false;
    }
    return true;
}

quint16 PbxSimulator::serverPort() const
{
    return m_server ? m_server->serverPort() : 0;
}

void PbxSimulator::close()
{
    const QList<SimSession *> sessions = m_sessions;
    for (SimSession *s : sessions)
        dropSession(s, QStringLiteral("closed"));
    if (m_server) {
        m_server->close();
        delete m_server;
        m_server = nullptr;
    }
}

// --- sessions --------------------------------------------------------------------------------

void PbxSimulator::onNewConnection(QSslSocket *socket)
{
    auto *s = new SimSession;
    s->id = ++m_counter;
    s->socket = socket;
    m_sessions.append(s);
    connect(socket, &QSslSocket::readyRead, this, [this, s] { onReadyRead(s); });
    connect(socket, &QSslSocket::encryptedBytesWritten, this, [this, s] {
        if (m_sessions.contains(s))
            pump(s);
    });
    connect(socket, &QAbstractSocket::disconnected, this, [this, s] {
        if (m_sessions.contains(s))
            dropSession(s, QStringLiteral("peer closed"));
    });
    connect(socket, &QAbstractSocket::errorOccurred, this, [this, s](QAbstractSocket::SocketError) {
        if (m_sessions.contains(s) && s->socket->state() != QAbstractSocket::ConnectedState)
            dropSession(s, s->socket->errorString());
    });
}

void PbxSimulator::dropSession(SimSession *s, const QString &why)
{
    if (!m_sessions.removeOne(s))
        return;
    Q_UNUSED(why);
    QSslSocket *socket = s->socket;
    QObject::disconnect(socket, nullptr, this, nullptr);
    socket->disconnectFromHost();
    socket->deleteLater();
    const QString user = s->userKey;
    const bool wasLogged = s->loggedIn;
    delete s;
    if (wasLogged) {
        if (sessionsOf(user).isEmpty()) {
            const QString exten = m_data.users.value(user).extension;
            if (m_data.extensions.contains(exten)) {
                m_data.extensions[exten].presence = CTILIB::PresenceOffline;
                broadcastExtenStatus(exten);
            }
        }
        emit clientDisconnected(user);
    }
}

void PbxSimulator::onReadyRead(SimSession *s)
{
    if (!m_sessions.contains(s))
        return;
    if (!s->reader.append(s->socket->readAll())) {
        dropSession(s, s->reader.error());
        return;
    }
    QByteArray frame;
    while (m_sessions.contains(s) && s->reader.next(&frame)) {
        CtiProtocol::Message msg;
        QString error;
        if (!CtiProtocol::parseMessage(frame, &msg, &error) || msg.type != CtiProtocol::Message::Request) {
            dropSession(s, error.isEmpty() ? QStringLiteral("unexpected message") : error);
            return;
        }
        handleRequest(s, msg.id, msg.name, msg.body);
    }
    if (m_sessions.contains(s) && s->reader.failed())
        dropSession(s, s->reader.error());
}

static const qint64 kSocketBacklog = 2 * 1024 * 1024;

void PbxSimulator::send(SimSession *s, const QByteArray &frame)
{
    if (!s || !s->socket)
        return;
    if (s->outbox.isEmpty() && s->socket->bytesToWrite() < kSocketBacklog)
        s->socket->write(frame);
    else
        s->outbox.append(frame);
}

// Everything queued goes to the socket now (before a session ends).
static void flushAll(SimSession *s)
{
    while (!s->outbox.isEmpty())
        s->socket->write(s->outbox.takeFirst());
    s->socket->flush();
}

void PbxSimulator::pump(SimSession *s)
{
    while (!s->outbox.isEmpty() && s->socket->bytesToWrite() < kSocketBacklog)
        s->socket->write(s->outbox.takeFirst());
}

void PbxSimulator::sendEvent(SimSession *s, const QString &name, const QJsonObject &data)
{
    send(s, CtiProtocol::encodeEvent(name, data));
}

QList<SimSession *> PbxSimulator::sessionsOf(const QString &userKey) const
{
    QList<SimSession *> out;
    if (userKey.isEmpty())
        return out;
    for (SimSession *s : m_sessions) {
        if (s->loggedIn && s->userKey == userKey)
            out << s;
    }
    return out;
}

void PbxSimulator::sendEventToUser(const QString &userKey, const QString &name, const QJsonObject &data)
{
    const QList<SimSession *> list = sessionsOf(userKey);
    if (list.isEmpty())
        return;
    const QByteArray frame = CtiProtocol::encodeEvent(name, data);
    for (SimSession *s : list)
        send(s, frame);
}

void PbxSimulator::broadcast(const QString &name, const QJsonObject &data)
{
    const QByteArray frame = CtiProtocol::encodeEvent(name, data);
    for (SimSession *s : m_sessions) {
        if (s->loggedIn)
            send(s, frame);
    }
}

bool PbxSimulator::deskPhoneActive(SimSession *s) const
{
    return s->appMode == CTILIB::AppModeDeskPhone && s->phoneAuthorized;
}

// --- requests --------------------------------------------------------------------------------

void PbxSimulator::handleRequest(SimSession *s, qint64 id, const QString &cmd, const QJsonObject &args)
{
    trace(s, cmd, args);
    if (cmd == QLatin1String("login")) {
        handleLogin(s, id, args);
        return;
    }
    if (!s->loggedIn) {
        send(s, CtiProtocol::encodeResponse(id, false, {}, QStringLiteral("NotLoggedIn")));
        dropSession(s, QStringLiteral("request before log-in"));
        return;
    }
    if (cmd == QLatin1String("ping")) {
        if (m_answerKeepAlives)
            send(s, CtiProtocol::encodeResponse(id, true, {}));
        return;
    }
    emit commandReceived(s->userKey, cmd, args);
    if (cmd == QLatin1String("logout")) {
        send(s, CtiProtocol::encodeResponse(id, true, {}));
        flushAll(s);
        dropSession(s, QStringLiteral("logout"));
        return;
    }
    QString error;
    const bool ok = handleCommand(s, cmd, args, &error);
    if (m_sessions.contains(s))
        send(s, CtiProtocol::encodeResponse(id, ok, {}, error));
}

void PbxSimulator::handleLogin(SimSession *s, qint64 id, const QJsonObject &args)
{
    if (s->loggedIn) {
        send(s, CtiProtocol::encodeResponse(id, false, {}, QStringLiteral("AlreadyLoggedIn")));
        return;
    }
    QString user, password, tenant, error;
    int appMode = 0;
    if (!CtiJson::readString(args, "user", user, &error) || !CtiJson::readString(args, "password", password, &error) ||
        !CtiJson::readString(args, "tenant", tenant, &error) || !CtiJson::readInt(args, "appMode", appMode, &error)) {
        send(s, CtiProtocol::encodeResponse(id, false, {}, QStringLiteral("WrongConfig - %1").arg(error)));
        return;
    }
    const QString key = PbxSimData::userKey(user, tenant);
    const auto it = m_data.users.constFind(key);
    if (it == m_data.users.constEnd() || it.value().password != password) {
        send(s, CtiProtocol::encodeResponse(id, false, {}, QStringLiteral("AuthFailed")));
        flushAll(s);
        return;
    }
    const SimUser &u = it.value();
    s->kind = SimSession::Cti;
    s->loggedIn = true;
    s->userKey = key;
    s->appMode = qBound(0, appMode, 2);

    LoginDetails ld;
    ld.username = u.username;
    ld.userId = int(qHash(key) & 0xffff);
    ld.extension = u.extension;
    ld.email = u.email;
    ld.mobile = u.mobile;
    ld.firstName = u.firstName;
    ld.lastName = u.lastName;
    ld.tenant = u.tenant;
    ld.queueRole = u.queueRole;
    for (const SimQueue &q : m_data.queues) {
        for (const QueueStatsMember &m : q.members) {
            if (u.accounts().contains(m.memberId)) {
                ld.queues << q.id;
                break;
            }
        }
    }
    ld.firmwareVersion = m_data.firmwareVersion;
    ld.pbxName = m_data.pbxName;
    ld.pbxSerial = QStringLiteral("SIM-0001");
    ld.sessionId = QStringLiteral("session-%1").arg(s->id);
    QJsonObject result;
    result.insert(QStringLiteral("details"), CtiJson::toJson(ld));
    result.insert(QStringLiteral("capabilities"), double(m_data.capabilities));
    result.insert(QStringLiteral("extension"), u.extension);
    send(s, CtiProtocol::encodeResponse(id, true, result));

    // What a PBX tells a client right after its log-in.
    sendEvent(s, QStringLiteral("servicesCodes"), {{QStringLiteral("codes"), CtiJson::toJson(m_data.serviceCodes)}});
    sendEvent(s, QStringLiteral("sipSettings"), CtiJson::toJson(m_data.sip));
    sendEvent(s, QStringLiteral("mobileNumber"), {{QStringLiteral("number"), u.mobile}});
    sendServices(key);
    sendEvent(s, QStringLiteral("chatConnected"), {});
    if (m_data.extensions.contains(u.extension) && m_data.extensions[u.extension].presence == CTILIB::PresenceOffline) {
        m_data.extensions[u.extension].presence = CTILIB::PresenceOnline;
        broadcastExtenStatus(u.extension);
    }
    emit clientLoggedIn(key);
}

// --- forced disconnections -------------------------------------------------------------------

int PbxSimulator::disconnectClients(const QString &user, const QString &reason)
{
    int n = 0;
    const QList<SimSession *> sessions = m_sessions;
    for (SimSession *s : sessions) {
        if (!s->loggedIn || (user != QLatin1String("*") && s->userKey != user))
            continue;
        sendEvent(s, QStringLiteral("disconnect"), {{QStringLiteral("reason"), reason}});
        flushAll(s);
        dropSession(s, reason);
        ++n;
    }
    return n;
}

void PbxSimulator::restart()
{
    const QList<SimCall *> calls = m_calls;
    for (SimCall *c : calls)
        removeCall(c);
    m_parked.clear();
    for (SimExtension &x : m_data.extensions)
        x.blf = CTILIB::BlfIdle;
    const QList<SimSession *> sessions = m_sessions;
    for (SimSession *s : sessions) {
        if (s->loggedIn) {
            sendEvent(s, QStringLiteral("disconnect"), {{QStringLiteral("reason"), QStringLiteral("ServerRestart")}});
            flushAll(s);
        }
        dropSession(s, QStringLiteral("restart"));
    }
    invalidateCaches();
}

// --- directories -----------------------------------------------------------------------------

// The counters of a user's mailbox.
MailboxStatus pbxsim::mailboxStatusOf(const PbxSimData &data, const QString &userKey)
{
    MailboxStatus mb;
    mb.mailbox = data.users.value(userKey).extension;
    for (const VoicemailMessage &m : data.voicemail.value(userKey)) {
        ++mb.totalMessages;
        if (m.unheard)
            ++mb.newMessages;
        else
            ++mb.oldMessages;
        if (m.urgent)
            ++mb.urgentMessages;
    }
    return mb;
}

void PbxSimulator::invalidateCaches()
{
    m_sharedBookSlices.clear();
    m_cdrCache.clear();
}

QList<QByteArray> PbxSimulator::bookSlices(const PhoneBook &book)
{
    QList<QByteArray> out;
    const int n = book.entries.size();
    for (int from = 0; from == 0 || from < n; from += kPhonebookSlice) {
        PhoneBook slice{book.entries.mid(from, kPhonebookSlice), book.source, book.visibility, book.name};
        out << QJsonDocument(CtiJson::toJson(slice)).toJson(QJsonDocument::Compact);
    }
    return out;
}

void PbxSimulator::sendPhonebooks(SimSession *s, int flags)
{
    flags &= CTILIB::PhonebookAll;
    const SimUser &user = m_data.users[s->userKey];
    // Each book as slices of JSON text; a large delivery goes out in parts
    // of one slice each, a small one as a single event.
    QList<QList<QByteArray>> books;
    if (flags & CTILIB::PhonebookPbx) {
        if (m_sharedBookSlices.isEmpty()) {
            m_sharedBookSlices = bookSlices(PhoneBook{m_data.sharedContacts, QStringLiteral("velora"),
                                                      QStringLiteral("Public"), QStringLiteral("Rubrica aziendale")});
        }
        books << m_sharedBookSlices;
        books << bookSlices(PhoneBook{m_data.personalContacts.value(s->userKey), QStringLiteral("velora"),
                                      QStringLiteral("Private"), QStringLiteral("Contatti personali")});
    }
    if (flags & CTILIB::PhonebookExtensions) {
        // Every extension except the user's own.
        PhoneBook exten{{}, QStringLiteral("exten"), QStringLiteral("Public"), QStringLiteral("Interni")};
        exten.entries.reserve(m_data.extensions.size());
        for (const SimExtension &x : m_data.extensions) {
            if (x.number == user.extension)
                continue;
            PhoneBookEntry e;
            e.id = QStringLiteral("ext-%1").arg(x.number);
            e.firstName = x.firstName;
            e.lastName = x.lastName;
            e.displayName = x.name();
            e.company = x.company;
            e.department = x.department;
            e.extension = x.number;
            e.email = x.email;
            e.mobile = x.mobile;
            e.contacts.append({QStringLiteral("phone"), QStringLiteral("exten"), x.number, true});
            if (!x.mobile.isEmpty())
                e.contacts.append({QStringLiteral("phone"), QStringLiteral("mobile"), x.mobile, false});
            if (!x.email.isEmpty())
                e.contacts.append({QStringLiteral("email"), QStringLiteral("work"), x.email, false});
            exten.entries << e;
        }
        books << bookSlices(exten);
    }
    int slices = 0;
    for (const QList<QByteArray> &b : books)
        slices += b.size();
    // The events are written by hand so that the prepared phone book is not
    // encoded again for every client.
    if (slices == books.size()) {
        QByteArray frame = "{\"v\":1,\"t\":\"evt\",\"evt\":\"phonebook\",\"data\":{\"flags\":";
        frame += QByteArray::number(flags);
        frame += ",\"phonebooks\":[";
        for (int i = 0; i < books.size(); ++i) {
            if (i)
                frame += ',';
            frame += books.at(i).first();
        }
        frame += "]}}\n";
        send(s, frame);
        return;
    }
    int part = 0;
    for (int index = 0; index < books.size(); ++index) {
        for (const QByteArray &slice : books.at(index)) {
            QByteArray frame = "{\"v\":1,\"t\":\"evt\",\"evt\":\"phonebookPart\",\"data\":{\"flags\":";
            frame += QByteArray::number(flags) + ",\"part\":" + QByteArray::number(part++) +
                     ",\"parts\":" + QByteArray::number(slices) + ",\"index\":" + QByteArray::number(index) +
                     ",\"book\":";
            frame += slice;
            frame += "}}\n";
            send(s, frame);
        }
    }
}

void PbxSimulator::sendCdr(const QString &userKey)
{
    const QList<SimSession *> list = sessionsOf(userKey);
    if (list.isEmpty())
        return;
    // The records of a user are encoded once until they change.
    QByteArray &frame = m_cdrCache[userKey];
    if (frame.isEmpty()) {
        frame = CtiProtocol::encodeEvent(
            QStringLiteral("cdr"), {{QStringLiteral("entries"), CtiJson::listToJson(m_data.cdrs.value(userKey))}});
    }
    for (SimSession *s : list)
        send(s, frame);
}

void PbxSimulator::sendServices(const QString &userKey)
{
    const SimUser &u = m_data.users[userKey];
    ServiceStatusList list;
    for (const QString &name : {QStringLiteral("dnd"), QStringLiteral("ufwd"), QStringLiteral("forktomobile")}) {
        ServiceStatus st = u.services.value(name);
        if (st.service.isEmpty()) {
            st.service = name;
            st.type = name == QLatin1String("dnd") ? QStringLiteral("phone") : QStringLiteral("pbx");
            if (name == QLatin1String("forktomobile"))
                st.value = u.mobile;
        }
        list << st;
    }
    sendEventToUser(userKey, QStringLiteral("serviceStatus"),
                    {{QStringLiteral("services"), CtiJson::listToJson(list)}});
}

void PbxSimulator::sendVoicemailList(SimSession *s)
{
    sendEvent(s, QStringLiteral("voicemailList"),
              {{QStringLiteral("messages"), CtiJson::listToJson(m_data.voicemail.value(s->userKey))}});
}

// To one session (an answer) or to every session of the user (a change).
void PbxSimulator::sendMailboxStatus(const QString &userKey, SimSession *only)
{
    const QJsonObject status = CtiJson::toJson(pbxsim::mailboxStatusOf(m_data, userKey));
    if (only)
        sendEvent(only, QStringLiteral("mailboxStatus"), status);
    else
        sendEventToUser(userKey, QStringLiteral("mailboxStatus"), status);
}

QJsonObject PbxSimulator::buddyStatusJson(const SimExtension &x) const
{
    BuddyStatus b;
    b.exten = x.number;
    b.presence = x.presence;
    b.presenceMsg = x.presenceMsg;
    b.chatEnabled = true;
    b.blfStatus = x.blf;
    const QString key = userKeyOfExten(x.number);
    b.accounts = key.isEmpty() ? QStringList{x.number} : m_data.users.value(key).accounts();
    return CtiJson::toJson(b);
}

void PbxSimulator::broadcastExtenStatus(const QString &exten)
{
    if (!m_data.extensions.contains(exten))
        return;
    broadcast(QStringLiteral("extenStatus"), buddyStatusJson(m_data.extensions.value(exten)));
}

// --- events of a user's calls ----------------------------------------------------------------

void PbxSimulator::sendLegEvents(SimCall *c, int leg, const QString &what, const QString &reason, bool localHangup)
{
    const SimLeg &me = c->legs[leg];
    const SimLeg &other = c->legs[1 - leg];
    if (me.userKey.isEmpty())
        return;
    QString name;
    QJsonObject data;
    QString phoneKind;
    QString phoneNum = other.number;
    QString phoneName = other.name;
    if (what == QLatin1String("originate")) {
        name = QStringLiteral("outgoingCall");
        data = CtiJson::toJson(OriginateCallEvent{c->uid, me.account, me.channel, c->calledNum});
        phoneKind = QStringLiteral("outgoing");
        phoneName.clear();
    } else if (what == QLatin1String("incoming")) {
        name = QStringLiteral("incomingCall");
        IncomingCallEvent e;
        e.uid = c->uid;
        e.account = me.account;
        e.localChannel = me.channel;
        e.remoteChannel = other.channel;
        e.remoteNum = other.number;
        e.remoteName = other.name;
        e.calledNum = c->calledNum;
        e.callType = c->attrs;
        e.did = c->calledNum;
        e.queueId = c->queueId;
        e.linkedId = c->uid;
        data = CtiJson::toJson(e);
        phoneKind = QStringLiteral("incoming");
    } else if (what == QLatin1String("answered")) {
        name = QStringLiteral("answeredCall");
        AnsweredCallEvent e;
        e.uid = c->uid;
        e.account = me.account;
        e.localChan = me.channel;
        e.remoteChan = other.channel;
        e.remoteNum = other.number;
        e.remoteName = other.name;
        e.calledNum = c->calledNum;
        e.callType = c->attrs;
        e.isCallee = leg == 1 ? 1 : 0;
        e.answerTime = c->answered.toMSecsSinceEpoch();
        data = CtiJson::toJson(e);
        phoneKind = QStringLiteral("established");
    } else if (what == QLatin1String("finished")) {
        name = QStringLiteral("finishedCall");
        data = CtiJson::toJson(FinishedCallEvent{c->uid, me.account, me.channel, other.number, other.name, c->calledNum,
                                                 reason, localHangup});
        phoneKind = QStringLiteral("ended");
    } else if (what == QLatin1String("missed")) {
        name = QStringLiteral("missedCall");
        data = CtiJson::toJson(MissedCallEvent{c->uid, me.account, me.channel, other.number, other.name});
        phoneKind = QStringLiteral("missed");
    } else if (what == QLatin1String("colp")) {
        name = QStringLiteral("colpUpdate");
        data =
            CtiJson::toJson(ColpUpdateEvent{c->uid, other.number, other.name, me.channel, other.channel, me.account});
    } else if (what == QLatin1String("hold") || what == QLatin1String("unhold")) {
        phoneKind = what;
    }
    const QByteArray cti = name.isEmpty() ? QByteArray() : CtiProtocol::encodeEvent(name, data);
    const QByteArray phone = phoneKind.isEmpty() ? QByteArray()
                                                 : CtiProtocol::encodeEvent(QStringLiteral("phoneEvent"),
                                                                            {{QStringLiteral("event"), phoneKind},
                                                                             {QStringLiteral("remoteNum"), phoneNum},
                                                                             {QStringLiteral("remoteName"), phoneName},
                                                                             {QStringLiteral("cstaId"), me.cstaId}});
    for (SimSession *s : sessionsOf(me.userKey)) {
        // The phone reports first, as a desk phone is faster than the PBX.
        if (!phone.isEmpty() && deskPhoneActive(s))
            send(s, phone);
        if (!cti.isEmpty())
            send(s, cti);
    }
}
