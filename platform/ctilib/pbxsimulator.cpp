#include "pbxsimulator.h"

#include "pbxsimsip.h"

#include <QFileInfo>

#include "ctijson.h"
#include "ctiprotocol.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpServer>
#include <QTimer>

#include <functional>

static void initPbxSimResources()
{
    Q_INIT_RESOURCE(pbxsim);
}

// --- TLS listener ---------------------------------------------------------------

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

// --- sessions and calls -------------------------------------------------------------

struct SimSession {
    enum Kind { Unknown, Cti, Sip };
    quint64 id = 0;
    QSslSocket *socket = nullptr;
    CtiProtocol::FrameReader reader{CtiProtocol::MaxClientFrame};
    Kind kind = Unknown;
    QString userKey;
    bool loggedIn = false;
    int appMode = 0;
    bool phoneAuthorized = false;
    // Frames waiting for the socket: a large delivery is fed to the socket a
    // few megabytes at a time rather than buffered there whole.
    QList<QByteArray> outbox;
};

struct SimLeg {
    QString exten;  // extension number, empty for an outside party
    QString number; // number shown to the other party
    QString name;
    QString channel;
    QString userKey; // owner of the extension, empty when none
    QString account;
    QString cstaId;
    bool held = false;
};

struct SimCall {
    enum State { Ringing, Up };
    QString uid;
    SimLeg legs[2]; // 0 caller, 1 callee
    State state = Ringing;
    int attrs = 0;
    QString queueId;
    QString calledNum;
    QDateTime start;
    QDateTime answered;
    QTimer *timer = nullptr;
    QString behaviour; // "busy", "noanswer" for special outside numbers
    int sipToken = 0;  // the SIP leg of a softphone in this call, 0 none
    int sipLeg = -1;   // which leg the softphone is
    QString endReason;
};

namespace
{

QJsonObject maskPassword(QJsonObject args)
{
    if (args.contains(QLatin1String("password")))
        args.insert(QStringLiteral("password"), QStringLiteral("***"));
    return args;
}

QString nowText()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
}

} // namespace

// --- set-up --------------------------------------------------------------------------

PbxSimulator::PbxSimulator(QObject *parent) : QObject(parent)
{
    CTILIB::registerMetaTypes();
    m_data = PbxSimData::demo();
    m_chain = builtinCertificateChain();
    m_key = builtinPrivateKey();
}

PbxSimulator::~PbxSimulator()
{
    delete m_sip;
    m_sip = nullptr;
    close();
    qDeleteAll(m_calls);
    m_calls.clear();
    stopTrace();
}

QList<QSslCertificate> PbxSimulator::builtinCertificateChain()
{
    initPbxSimResources();
    QList<QSslCertificate> chain = QSslCertificate::fromPath(QStringLiteral(":/pbxsim/pbxsim.crt.pem"));
    chain += QSslCertificate::fromPath(QStringLiteral(":/pbxsim/intermediate.crt.pem"));
    return chain;
}

QSslKey PbxSimulator::builtinPrivateKey()
{
    initPbxSimResources();
    QFile f(QStringLiteral(":/pbxsim/pbxsim.key.pem"));
    if (!f.open(QIODevice::ReadOnly))
        return QSslKey();
    QByteArray pem = f.readAll();
    const int begin = pem.indexOf("-----BEGIN");
    if (begin > 0)
        pem = pem.mid(begin); // drop the fixture notice
    return QSslKey(pem, QSsl::Rsa, QSsl::Pem);
}

void PbxSimulator::setData(const PbxSimData &data)
{
    m_data = data;
    invalidateCaches();
    // The shared phone book is prepared once, as a PBX keeps it ready.
    m_sharedBookSlices = bookSlices(PhoneBook{m_data.sharedContacts, QStringLiteral("velora"), QStringLiteral("Public"),
                                              QStringLiteral("Rubrica aziendale")});
}

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

bool PbxSimulator::setTraceFile(const QString &path, QString *error)
{
    stopTrace();
    auto *f = new QFile(path);
    if (!f->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        if (error)
            *error = f->errorString();
        delete f;
        return false;
    }
    m_trace = f;
    return true;
}

void PbxSimulator::stopTrace()
{
    delete m_trace;
    m_trace = nullptr;
}

void PbxSimulator::trace(SimSession *s, const QString &cmd, const QJsonObject &args)
{
    if (!m_trace)
        return;
    QJsonObject o;
    o.insert(QStringLiteral("ts"), nowText());
    o.insert(QStringLiteral("session"), double(s ? s->id : 0));
    o.insert(QStringLiteral("user"), s ? s->userKey : QString());
    o.insert(QStringLiteral("cmd"), cmd);
    o.insert(QStringLiteral("args"), maskPassword(args));
    m_trace->write(QJsonDocument(o).toJson(QJsonDocument::Compact));
    m_trace->write("\n");
    m_trace->flush();
}

// --- sessions ------------------------------------------------------------------------------

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

QString PbxSimulator::userKeyOfExten(const QString &exten) const
{
    if (exten.isEmpty())
        return QString();
    for (auto it = m_data.users.constBegin(); it != m_data.users.constEnd(); ++it) {
        if (it.value().extension == exten)
            return it.key();
    }
    return QString();
}

bool PbxSimulator::deskPhoneActive(SimSession *s) const
{
    return s->appMode == CTILIB::AppModeDeskPhone && s->phoneAuthorized;
}

// The counters of a user's mailbox.
static MailboxStatus mailboxStatusOf(const PbxSimData &data, const QString &userKey)
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

// --- requests -------------------------------------------------------------------------------

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

bool PbxSimulator::handleCommand(SimSession *s, const QString &cmd, const QJsonObject &args, QString *error)
{
    const QString key = s->userKey;
    SimUser &user = m_data.users[key];
    auto str = [&args](const char *k) { return args.value(QLatin1String(k)).toString(); };
    auto integer = [&args](const char *k, int def) {
        const QJsonValue v = args.value(QLatin1String(k));
        return v.isDouble() ? int(v.toDouble()) : def;
    };

    if (cmd == QLatin1String("getIdentities")) {
        sendEvent(s, QStringLiteral("identities"),
                  {{QStringLiteral("identities"), CtiJson::listToJson(user.identities)}});
        return true;
    }
    if (cmd == QLatin1String("getPhonebooks")) {
        sendPhonebooks(s, integer("flags", CTILIB::PhonebookAll));
        return true;
    }
    if (cmd == QLatin1String("getExtenStatus")) {
        QJsonArray all;
        for (const SimExtension &x : m_data.extensions)
            all.append(buddyStatusJson(x));
        sendEvent(s, QStringLiteral("extenStatusMap"), {{QStringLiteral("statuses"), all}});
        return true;
    }
    if (cmd == QLatin1String("getServiceStatus")) {
        sendServices(key);
        return true;
    }
    if (cmd == QLatin1String("getPeerList") || cmd == QLatin1String("chatDisplayed") ||
        cmd == QLatin1String("chatOpen") || cmd == QLatin1String("chatClose") ||
        cmd == QLatin1String("getRebranding")) {
        return true;
    }
    if (cmd == QLatin1String("getCdr")) {
        sendCdr(key);
        return true;
    }
    if (cmd == QLatin1String("addContact") || cmd == QLatin1String("updateContact") ||
        cmd == QLatin1String("deleteContact")) {
        PhoneBookEntry e;
        if (!CtiJson::fromJson(args.value(QLatin1String("entry")), e, error))
            return false;
        QList<PhoneBookEntry> &mine = m_data.personalContacts[key];
        int index = -1;
        for (int i = 0; i < mine.size(); ++i) {
            if (!e.id.isEmpty() && mine.at(i).id == e.id)
                index = i;
        }
        if (cmd == QLatin1String("addContact")) {
            if (e.id.isEmpty() || index >= 0)
                e.id = QStringLiteral("pc-%1").arg(++m_counter);
            e.lastModified = QDateTime::currentMSecsSinceEpoch();
            mine.append(e);
        } else if (index < 0) {
            *error = QStringLiteral("NoSuchContact");
            return false;
        } else if (cmd == QLatin1String("updateContact")) {
            e.lastModified = QDateTime::currentMSecsSinceEpoch();
            mine[index] = e;
        } else {
            mine.removeAt(index);
        }
        for (SimSession *other : sessionsOf(key))
            sendPhonebooks(other, CTILIB::PhonebookPbx);
        return true;
    }

    if (cmd == QLatin1String("sendSms")) {
        if (!(m_data.capabilities & 0x1)) {
            *error = QStringLiteral("SmsNotAvailable");
            return false;
        }
        const QString destination = str("destination").trimmed();
        const QString text = str("text");
        static const QRegularExpression dialable(QStringLiteral("^\\+?[0-9]{1,32}$"));
        if (!dialable.match(destination).hasMatch()) {
            *error = QStringLiteral("InvalidDestination");
            return false;
        }
        if (text.isEmpty() || text.toUtf8().size() > 160) {
            *error = QStringLiteral("InvalidText");
            return false;
        }
        const SimSms sms{key, destination, text};
        m_sentSms.append(sms);
        trace(s, QStringLiteral("smsSent"),
              {{QStringLiteral("destination"), destination}, {QStringLiteral("text"), text}});
        return true;
    }

    // --- calls of the CTI server
    if (cmd == QLatin1String("newCall")) {
        const QString number = str("number").trimmed();
        if (number.isEmpty() || number.size() > 64) {
            *error = QStringLiteral("InvalidNumber");
            return false;
        }
        const SimExtension x = m_data.extensions.value(user.extension);
        return startCall(user.extension, user.extension, x.name(), number, CTILIB::CallAttrInternal, QString(), true) !=
               nullptr;
    }
    if (cmd == QLatin1String("hangupCall") || cmd == QLatin1String("refuseCall")) {
        int leg = -1;
        SimCall *c = findCallOfUserLeg(key, str("callId"), &leg);
        if (!c)
            c = findCallOfUserLeg(key, str("channel"), &leg);
        if (!c) {
            *error = QStringLiteral("NoSuchCall");
            return false;
        }
        endCall(c, leg,
                cmd == QLatin1String("refuseCall") ? QStringLiteral("CALL_REJECTED")
                                                   : QStringLiteral("NORMAL_CLEARING"));
        return true;
    }
    if (cmd == QLatin1String("parkCall")) {
        int leg = -1;
        SimCall *c = findCallOfUserLeg(key, str("callId"), &leg);
        if (!c || c->state != SimCall::Up) {
            *error = QStringLiteral("NoSuchCall");
            return false;
        }
        park(c, leg);
        return true;
    }
    if (cmd == QLatin1String("redirectCall")) {
        const QString target = str("target");
        const QString number = str("number").trimmed();
        SimCall *c = findCall(target);
        if (!c || number.isEmpty()) {
            *error = QStringLiteral("NoSuchCall");
            return false;
        }
        // The target names the other party's channel (blind transfer) or the
        // call (forward of a ringing call): the user's own leg is redirected.
        int leg = c->legs[0].userKey == key ? 0 : (c->legs[1].userKey == key ? 1 : -1);
        if (leg < 0) {
            *error = QStringLiteral("NotYourCall");
            return false;
        }
        redirect(c, leg, number);
        return true;
    }

    // --- desk phone
    if (cmd.startsWith(QLatin1String("phone"))) {
        if (cmd == QLatin1String("phoneGetDnd")) {
            s->phoneAuthorized = user.deskPhoneAuthorized && s->appMode == CTILIB::AppModeDeskPhone;
            sendEvent(s, QStringLiteral("phoneApiAuthorized"), {{QStringLiteral("authorized"), s->phoneAuthorized}});
            if (s->phoneAuthorized) {
                sendEvent(s, QStringLiteral("phoneDnd"),
                          {{QStringLiteral("on"), user.services.value(QStringLiteral("dnd")).state == 2}});
            }
            return true;
        }
        if (!deskPhoneActive(s)) {
            *error = QStringLiteral("PhoneNotAuthorized");
            return false;
        }
        if (cmd == QLatin1String("phoneMakeCall")) {
            const QString number = str("number").trimmed();
            if (number.isEmpty() || number.size() > 64) {
                *error = QStringLiteral("InvalidNumber");
                return false;
            }
            return startCall(user.extension, user.extension, m_data.extensions.value(user.extension).name(), number,
                             CTILIB::CallAttrInternal, QString(), true) != nullptr;
        }
        if (cmd == QLatin1String("phonePressKeys")) {
            QStringList keys;
            if (!CtiJson::readStringList(args, "keys", keys, error))
                return false;
            if (keys.contains(QLatin1String("DNDOn")) || keys.contains(QLatin1String("DNDOff"))) {
                const bool on = keys.contains(QLatin1String("DNDOn"));
                ServiceStatus st{QStringLiteral("dnd"), QStringLiteral("phone"), QString(), on ? 2 : 0};
                user.services.insert(st.service, st);
                sendEventToUser(key, QStringLiteral("phoneDnd"), {{QStringLiteral("on"), on}});
                sendServices(key);
                return true;
            }
            if (keys.size() >= 2 && keys.first() == QLatin1String("TRANSFER")) {
                QString digits;
                for (int i = 1; i < keys.size() && keys.at(i) != QLatin1String("POUND"); ++i)
                    digits += keys.at(i);
                for (SimCall *c : m_calls) {
                    for (int leg = 0; leg < 2; ++leg) {
                        if (c->legs[leg].userKey == key && !digits.isEmpty()) {
                            redirect(c, leg, digits);
                            return true;
                        }
                    }
                }
            }
            return true; // other keys only reach the phone's display
        }
        int leg = -1;
        SimCall *c = findCallOfUserLeg(key, str("cstaId"), &leg);
        if (!c) {
            *error = QStringLiteral("NoSuchCall");
            return false;
        }
        if (cmd == QLatin1String("phoneAnswer")) {
            if (c->state != SimCall::Ringing || leg != 1) {
                *error = QStringLiteral("NotRinging");
                return false;
            }
            answerCall(c);
            return true;
        }
        if (cmd == QLatin1String("phoneHangup")) {
            endCall(c, leg, QStringLiteral("NORMAL_CLEARING"));
            return true;
        }
        if (cmd == QLatin1String("phoneHold") || cmd == QLatin1String("phoneResume")) {
            setHold(c, leg, cmd == QLatin1String("phoneHold"));
            return true;
        }
        if (cmd == QLatin1String("phoneTransfer")) {
            const QString number = str("number").trimmed();
            if (number.isEmpty()) {
                *error = QStringLiteral("InvalidNumber");
                return false;
            }
            redirect(c, leg, number);
            return true;
        }
        if (cmd == QLatin1String("phoneSendDtmf")) {
            QStringList dtmfs;
            if (!CtiJson::readStringList(args, "dtmfs", dtmfs, error))
                return false;
            if (dtmfs.join(QString()) == m_data.serviceCodes.value(CTILIB::SdcPark) && c->state == SimCall::Up)
                park(c, leg);
            return true;
        }
        *error = QStringLiteral("UnknownCommand");
        return false;
    }

    // --- chat and presence
    if (cmd == QLatin1String("chatSend")) {
        const QString to = str("exten");
        const QString text = str("text");
        if (!m_data.extensions.contains(to) || text.isEmpty() || text.size() > 4000) {
            *error = QStringLiteral("InvalidChatMessage");
            return false;
        }
        return sendChat(user.extension, to, text);
    }
    if (cmd == QLatin1String("chatComposing")) {
        const QString to = str("exten");
        const QString toUser = userKeyOfExten(to);
        sendEventToUser(toUser, QStringLiteral("chatComposing"),
                        {{QStringLiteral("exten"), user.extension},
                         {QStringLiteral("context"), QString()},
                         {QStringLiteral("composing"), args.value(QLatin1String("composing")).toBool()}});
        return true;
    }
    if (cmd == QLatin1String("setPresence")) {
        const int p = integer("presence", -1);
        if (p < 0 || p > 5) {
            *error = QStringLiteral("InvalidPresence");
            return false;
        }
        setPresence(user.extension, p, str("message"));
        return true;
    }
    if (cmd == QLatin1String("getChatHistory")) {
        QDateTime from;
        if (!CtiJson::readDateTime(args, "from", from, error))
            return false;
        ChatMessageList out;
        for (ChatMessage m : m_data.chats.value(key)) {
            if (!from.isValid() || m.time >= from) {
                m.type = 2;
                out << m;
            }
        }
        sendEvent(s, QStringLiteral("chatHistory"), {{QStringLiteral("messages"), CtiJson::listToJson(out)}});
        return true;
    }

    // --- services
    if (cmd == QLatin1String("setService")) {
        const QString service = str("service");
        const bool on = args.value(QLatin1String("on")).toBool();
        ServiceStatus st;
        st.service = service;
        st.type = QStringLiteral("pbx");
        st.state = on ? 2 : 0;
        if (service == QLatin1String("ufwd")) {
            st.value = on ? str("value") : QString();
            if (on && st.value.isEmpty()) {
                *error = QStringLiteral("InvalidNumber");
                return false;
            }
        } else if (service == QLatin1String("forktomobile")) {
            st.value = user.mobile;
            if (user.mobile.isEmpty()) {
                *error = QStringLiteral("NoMobileNumber");
                return false;
            }
        } else if (service == QLatin1String("dnd")) {
            st.type = QStringLiteral("phone");
        } else {
            *error = QStringLiteral("UnknownService");
            return false;
        }
        user.services.insert(service, st);
        sendServices(key);
        return true;
    }

    // --- voicemail
    // The list on its request; the counters on theirs and when the mailbox
    // changes (heard, deleted, a new message).
    if (cmd == QLatin1String("getVoicemail")) {
        sendVoicemailList(s);
        if (m_echoMailboxStatus)
            sendMailboxStatus(key, s);
        return true;
    }
    if (cmd == QLatin1String("getMailboxStatus")) {
        sendMailboxStatus(key, s);
        return true;
    }
    if (cmd == QLatin1String("downloadVoicemail")) {
        for (const VoicemailMessage &m : m_data.voicemail.value(key)) {
            if (m.id == str("id")) {
                const QByteArray wav = PbxSimData::voicemailWav(qMin(m.duration, 60));
                sendEvent(s, QStringLiteral("voicemailAudio"),
                          {{QStringLiteral("id"), m.id},
                           {QStringLiteral("uuid"), m.uuid},
                           {QStringLiteral("data"), QString::fromLatin1(wav.toBase64())}});
                return true;
            }
        }
        *error = QStringLiteral("NoSuchMessage");
        return false;
    }
    if (cmd == QLatin1String("markVoicemail") || cmd == QLatin1String("deleteVoicemail")) {
        VoicemailMessageList &list = m_data.voicemail[key];
        for (int i = 0; i < list.size(); ++i) {
            if (list.at(i).id != str("id"))
                continue;
            const MailboxStatus before = mailboxStatusOf(m_data, key);
            if (cmd == QLatin1String("deleteVoicemail"))
                list.removeAt(i);
            else
                list[i].unheard = integer("type", 1) == CTILIB::VmMsgNew;
            if (mailboxStatusOf(m_data, key) != before)
                sendMailboxStatus(key);
            return true;
        }
        *error = QStringLiteral("NoSuchMessage");
        return false;
    }

    // --- queues and statistics
    if (cmd == QLatin1String("pauseQueues")) {
        QStringList accounts;
        if (!CtiJson::readStringList(args, "accounts", accounts, error))
            return false;
        if (accounts.isEmpty())
            accounts = user.accounts();
        else if (user.queueRole != 2 && accounts != user.accounts()) {
            *error = QStringLiteral("PermissionDenied");
            return false;
        }
        const bool pause = args.value(QLatin1String("pause")).toBool();
        const QString queueId = str("queueId");
        for (SimQueue &q : m_data.queues) {
            if (!queueId.isEmpty() && q.id != queueId)
                continue;
            for (QueueStatsMember &m : q.members) {
                if (!accounts.contains(m.memberId))
                    continue;
                m.paused = pause;
                m.lastPauseChange = QDateTime::currentDateTime();
                const QueueMember qm{m.memberId, m.extension, q.id, m.memberType, m.penalty};
                broadcast(QStringLiteral("queueMemberPause"),
                          {{QStringLiteral("member"), CtiJson::toJson(qm)}, {QStringLiteral("paused"), pause}});
            }
        }
        return true;
    }
    if (cmd == QLatin1String("addQueueMember") || cmd == QLatin1String("removeQueueMember")) {
        const QString queueId = str("queueId");
        const QString account = str("account");
        if (!m_data.queues.contains(queueId) || account.isEmpty()) {
            *error = QStringLiteral("NoSuchQueue");
            return false;
        }
        SimQueue &q = m_data.queues[queueId];
        if (cmd == QLatin1String("addQueueMember")) {
            for (const QueueStatsMember &m : q.members) {
                if (m.memberId == account) {
                    *error = QStringLiteral("AlreadyMember");
                    return false;
                }
            }
            QueueStatsMember m;
            m.memberId = account;
            m.extension = account;
            for (const SimUser &u : m_data.users) {
                if (u.accounts().contains(account))
                    m.extension = u.extension;
            }
            m.name = m_data.extensions.value(m.extension).name();
            m.memberType = 1;
            m.penalty = qMax(0, integer("penalty", 0));
            q.members << m;
            broadcast(QStringLiteral("queueMemberAdded"),
                      CtiJson::toJson(QueueMember{account, m.extension, queueId, 1, m.penalty}));
            return true;
        }
        for (int i = 0; i < q.members.size(); ++i) {
            if (q.members.at(i).memberId == account) {
                const QueueStatsMember m = q.members.takeAt(i);
                broadcast(QStringLiteral("queueMemberRemoved"),
                          CtiJson::toJson(QueueMember{account, m.extension, queueId, m.memberType, m.penalty}));
                return true;
            }
        }
        *error = QStringLiteral("NotAMember");
        return false;
    }
    if (cmd == QLatin1String("getQueuesStats")) {
        QueueStatsList list;
        for (const SimQueue &q : m_data.queues) {
            QueueStats st;
            st.queueId = q.id;
            st.queueName = q.name;
            st.members = q.members;
            for (const SimCall *c : m_calls) {
                if (c->queueId == q.id && c->state == SimCall::Ringing) {
                    ++st.waitingCalls;
                    if (!st.oldestCallTime.isValid() || c->start < st.oldestCallTime)
                        st.oldestCallTime = c->start;
                }
            }
            list << st;
        }
        sendEvent(s, QStringLiteral("queuesStats"), {{QStringLiteral("queues"), CtiJson::listToJson(list)}});
        return true;
    }
    if (cmd == QLatin1String("getQueuePeriodicStats") || cmd == QLatin1String("getOperatorPeriodicStats")) {
        const int period = integer("period", -1);
        if (period < 0 || period > 9) {
            *error = QStringLiteral("InvalidPeriod");
            return false;
        }
        QDateTime from, to;
        if (!CtiJson::readDateTime(args, "from", from, error) || !CtiJson::readDateTime(args, "to", to, error))
            return false;
        if (!from.isValid())
            from = QDateTime(QDate::currentDate(), QTime(0, 0));
        if (!to.isValid())
            to = QDateTime::currentDateTime();
        const bool all = args.value(QLatin1String("all")).toBool();
        if (cmd == QLatin1String("getQueuePeriodicStats")) {
            QStringList ids = all ? m_data.queues.keys() : QStringList();
            if (!all && !CtiJson::readStringList(args, "queues", ids, error))
                return false;
            QueuePeriodicStatsList list;
            list.periodType = period;
            for (const QString &id : ids) {
                if (!m_data.queues.contains(id) || m_periodStatsHidden.contains(id))
                    continue;
                const uint seed = qHash(id) + uint(period);
                QueuePeriodicStats st{id,
                                      period,
                                      from,
                                      to,
                                      int(5 + seed % 40),
                                      12.5 + seed % 20,
                                      95.0 + seed % 120,
                                      int(seed % 7),
                                      30.0 + seed % 25};
                if (all)
                    list.stats << st;
                else
                    sendEvent(s, QStringLiteral("queuePeriodicStats"), CtiJson::toJson(st));
            }
            if (all)
                sendEvent(s, QStringLiteral("allQueuesPeriodicStats"), CtiJson::toJson(list));
            return true;
        }
        QMap<QString, QStringList> members;
        if (all) {
            for (const SimQueue &q : m_data.queues) {
                for (const QueueStatsMember &m : q.members)
                    members[q.id] << m.memberId;
            }
        } else {
            const QJsonObject mo = args.value(QLatin1String("members")).toObject();
            for (auto it = mo.constBegin(); it != mo.constEnd(); ++it) {
                for (const QJsonValue &v : it.value().toArray())
                    members[it.key()] << v.toString();
            }
        }
        QueueOperatorPeriodicStatsList list;
        for (auto it = members.constBegin(); it != members.constEnd(); ++it) {
            for (const QString &m : it.value()) {
                const uint seed = qHash(m) + qHash(it.key()) + uint(period);
                QueueOperatorPeriodicStats st{m,
                                              m,
                                              it.key(),
                                              0,
                                              period,
                                              from,
                                              to,
                                              int(seed % 25),
                                              int(seed % 4),
                                              QDateTime::currentDateTime().addSecs(-int(seed % 5000))};
                if (all)
                    list << st;
                else
                    sendEvent(s, QStringLiteral("operatorPeriodicStats"), CtiJson::toJson(st));
            }
        }
        if (all)
            sendEvent(s, QStringLiteral("allOperatorsPeriodicStats"),
                      {{QStringLiteral("stats"), CtiJson::listToJson(list)}});
        return true;
    }
    if (cmd == QLatin1String("getCCReport")) {
        const int period = integer("period", -1);
        if (user.queueRole != 2) {
            sendEvent(s, QStringLiteral("ccReportFailure"),
                      {{QStringLiteral("error"), QStringLiteral("Permission denied")}});
            return true;
        }
        if (period < 0 || period > 9) {
            sendEvent(s, QStringLiteral("ccReportFailure"),
                      {{QStringLiteral("error"), QStringLiteral("Invalid period")}});
            return true;
        }
        QByteArray csv = "queue;name;served;lost\n";
        for (const SimQueue &q : m_data.queues) {
            const uint seed = qHash(q.id) + uint(period);
            csv += QStringLiteral("%1;%2;%3;%4\n").arg(q.id, q.name).arg(5 + seed % 40).arg(seed % 7).toUtf8();
        }
        CallCenterReport r;
        r.data = csv;
        r.fileName = QStringLiteral("report-%1.csv").arg(CTILIB::periodTypeToString(period));
        r.mimeType = QStringLiteral("text/csv");
        r.periodType = period;
        sendEvent(s, QStringLiteral("ccReport"), CtiJson::toJson(r));
        return true;
    }
    *error = QStringLiteral("UnknownCommand");
    return false;
}

// --- directories ------------------------------------------------------------------------------

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
    const QJsonObject status = CtiJson::toJson(mailboxStatusOf(m_data, userKey));
    if (only)
        sendEvent(only, QStringLiteral("mailboxStatus"), status);
    else
        sendEventToUser(userKey, QStringLiteral("mailboxStatus"), status);
}

QString PbxSimulator::leaveVoicemail(const QString &toExten, const QString &fromNumber, int seconds,
                                     const QString &senderName)
{
    const QString key = userKeyOfExten(toExten);
    if (key.isEmpty())
        return QString();
    VoicemailMessage m;
    m.id = QString::number(++m_counter + 1000);
    m.uuid = QStringLiteral("vm-%1").arg(m.id);
    m.senderNum = fromNumber;
    m.senderName = senderName;
    m.arrival = QDateTime::currentDateTime();
    m.folder = QStringLiteral("INBOX");
    m.duration = qBound(1, seconds, 600);
    m.unheard = true;
    m_data.voicemail[key].prepend(m);
    sendMailboxStatus(key);
    return m.uuid;
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

// --- calls -------------------------------------------------------------------------------------

QString PbxSimulator::newChannel(const QString &exten)
{
    return QStringLiteral("PJSIP/%1-%2")
        .arg(exten.isEmpty() ? QStringLiteral("trunk") : exten)
        .arg(++m_counter, 8, 16, QLatin1Char('0'));
}

SimCall *PbxSimulator::findCall(const QString &idOrChannel) const
{
    if (idOrChannel.isEmpty())
        return nullptr;
    for (SimCall *c : m_calls) {
        if (c->uid == idOrChannel || c->legs[0].channel == idOrChannel || c->legs[1].channel == idOrChannel ||
            c->legs[0].cstaId == idOrChannel || c->legs[1].cstaId == idOrChannel)
            return c;
    }
    return nullptr;
}

SimCall *PbxSimulator::findCallOfUserLeg(const QString &userKey, const QString &id, int *leg) const
{
    if (id.isEmpty())
        return nullptr;
    for (SimCall *c : m_calls) {
        const bool match = c->uid == id || c->legs[0].channel == id || c->legs[1].channel == id ||
                           c->legs[0].cstaId == id || c->legs[1].cstaId == id;
        if (!match)
            continue;
        for (int l = 0; l < 2; ++l) {
            if (c->legs[l].userKey == userKey) {
                *leg = l;
                return c;
            }
        }
    }
    return nullptr;
}

static void schedule(PbxSimulator *sim, SimCall *c, int ms, std::function<void()> fn)
{
    c->timer->stop();
    QObject::disconnect(c->timer, nullptr, nullptr, nullptr);
    QObject::connect(c->timer, &QTimer::timeout, sim, std::move(fn));
    c->timer->start(qMax(0, ms));
}

SimCall *PbxSimulator::startCall(const QString &callerExten, const QString &callerNum, const QString &callerName,
                                 const QString &target, int attrs, const QString &queueId, bool announceCaller)
{
    const QString callerKey = userKeyOfExten(callerExten);

    // Pick-up of a ringing extension: the pick-up code followed by the extension.
    const QString pickup = m_data.serviceCodes.value(CTILIB::SdcPickup);
    if (!callerKey.isEmpty() && !pickup.isEmpty() && target.startsWith(pickup) && target.size() > pickup.size()) {
        const QString ringing = target.mid(pickup.size());
        for (SimCall *c : m_calls) {
            if (c->state == SimCall::Ringing && c->legs[1].exten == ringing) {
                sendLegEvents(c, 1, QStringLiteral("finished"), QStringLiteral("PICKED_UP"), false);
                if (m_data.extensions.contains(ringing)) {
                    m_data.extensions[ringing].blf = CTILIB::BlfIdle;
                    broadcastExtenStatus(ringing);
                }
                SimLeg &leg = c->legs[1];
                leg = SimLeg();
                leg.exten = callerExten;
                leg.number = callerNum;
                leg.name = callerName;
                leg.channel = newChannel(callerExten);
                leg.userKey = callerKey;
                leg.account = m_data.users.value(callerKey).account();
                leg.cstaId = QStringLiteral("csta-%1").arg(++m_counter);
                c->calledNum = target;
                sendLegEvents(c, 1, QStringLiteral("originate"));
                answerCall(c);
                return c;
            }
        }
    }
    // Retrieval of a parked call: the park slot number.
    if (!callerKey.isEmpty() && m_parked.contains(target)) {
        SimCall *c = m_parked.take(target);
        SimLeg &leg = c->legs[1];
        leg = SimLeg();
        leg.exten = callerExten;
        leg.number = callerNum;
        leg.name = callerName;
        leg.channel = newChannel(callerExten);
        leg.userKey = callerKey;
        leg.account = m_data.users.value(callerKey).account();
        leg.cstaId = QStringLiteral("csta-%1").arg(++m_counter);
        c->calledNum = target;
        c->state = SimCall::Ringing;
        sendLegEvents(c, 1, QStringLiteral("originate"));
        answerCall(c);
        return c;
    }

    auto *c = new SimCall;
    c->uid = QStringLiteral("%1.%2").arg(QDateTime::currentSecsSinceEpoch()).arg(++m_counter);
    c->timer = new QTimer(this);
    c->timer->setSingleShot(true);
    c->start = QDateTime::currentDateTime();
    c->attrs = attrs;
    c->queueId = queueId;
    c->calledNum = target;

    SimLeg &a = c->legs[0];
    a.exten = callerExten;
    a.number = callerNum;
    a.name = callerName;
    a.channel = newChannel(callerExten);
    a.userKey = callerKey;
    a.account = m_data.users.value(callerKey).account();
    a.cstaId = QStringLiteral("csta-%1").arg(++m_counter);

    SimLeg &b = c->legs[1];
    b.number = target;
    if (m_data.extensions.contains(target)) {
        const SimExtension &x = m_data.extensions[target];
        b.exten = target;
        b.name = x.name();
        b.userKey = userKeyOfExten(target);
        b.account = m_data.users.value(b.userKey).account();
        if (b.account.isEmpty())
            b.account = target;
    } else if (target.endsWith(QLatin1String("486"))) {
        c->behaviour = QStringLiteral("busy");
    } else if (target.endsWith(QLatin1String("408"))) {
        c->behaviour = QStringLiteral("noanswer");
    }
    b.channel = newChannel(b.exten);
    b.cstaId = QStringLiteral("csta-%1").arg(++m_counter);
    m_calls << c;

    // The PBX's order: the caller's originate, then the callee's ring.
    if (!a.userKey.isEmpty() && announceCaller)
        sendLegEvents(c, 0, QStringLiteral("originate"));
    if (!a.exten.isEmpty() && m_data.extensions.contains(a.exten)) {
        m_data.extensions[a.exten].blf = CTILIB::BlfInUse;
        broadcastExtenStatus(a.exten);
    }
    if (!b.exten.isEmpty()) {
        m_data.extensions[b.exten].blf = CTILIB::BlfRinging;
        broadcastExtenStatus(b.exten);
    }
    if (!b.userKey.isEmpty())
        sendLegEvents(c, 1, QStringLiteral("incoming"));
    if (!queueId.isEmpty() && m_data.queues.contains(queueId)) {
        int waiting = 0;
        for (const SimCall *w : m_calls)
            waiting += (w->queueId == queueId && w->state == SimCall::Ringing) ? 1 : 0;
        QueueEvent ev{queueId, m_data.queues.value(queueId).name, QStringLiteral("join"), c->uid, callerNum, waiting,
                      c->start};
        broadcast(QStringLiteral("queueEvent"), CtiJson::toJson(ev));
    }

    // A softphone registered on the called extension rings by SIP.
    if (m_sip && !m_sipPlacing && !b.exten.isEmpty() && m_sip->isRegistered(b.exten)) {
        c->sipToken = m_sip->invite(b.exten, a.number, a.name);
        c->sipLeg = c->sipToken ? 1 : -1;
    }
    const bool calleeIsPerson = (!b.userKey.isEmpty() && !sessionsOf(b.userKey).isEmpty()) || c->sipToken != 0;
    if (c->behaviour == QLatin1String("busy")) {
        schedule(this, c, m_answerDelayMs, [this, c] { endCall(c, 1, QStringLiteral("USER_BUSY")); });
    } else if (calleeIsPerson || c->behaviour == QLatin1String("noanswer")) {
        schedule(this, c, m_ringTimeoutMs, [this, c] { missCall(c); });
    } else {
        schedule(this, c, m_answerDelayMs, [this, c] { answerCall(c); });
    }
    return c;
}

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

void PbxSimulator::answerCall(SimCall *c)
{
    if (c->state == SimCall::Up)
        return;
    c->state = SimCall::Up;
    c->answered = QDateTime::currentDateTime();
    c->timer->stop();
    if (m_sip && c->sipToken && c->sipLeg == 0)
        m_sip->answer(c->sipToken);
    for (int leg = 0; leg < 2; ++leg) {
        sendLegEvents(c, leg, QStringLiteral("answered"));
        const QString exten = c->legs[leg].exten;
        if (!exten.isEmpty() && m_data.extensions.contains(exten)) {
            m_data.extensions[exten].blf = CTILIB::BlfInUse;
            broadcastExtenStatus(exten);
        }
    }
    const bool simulatedParty = c->legs[1].userKey.isEmpty() || sessionsOf(c->legs[1].userKey).isEmpty();
    if (m_talkTimeMs > 0 && simulatedParty)
        schedule(this, c, m_talkTimeMs, [this, c] { endCall(c, 1, QStringLiteral("NORMAL_CLEARING")); });
}

void PbxSimulator::appendCdr(SimCall *c, int leg)
{
    const SimLeg &me = c->legs[leg];
    if (me.userKey.isEmpty())
        return;
    const bool answered = c->answered.isValid();
    const bool local = !c->legs[0].exten.isEmpty() && !c->legs[1].exten.isEmpty();
    CdrEntry e;
    e.uid = c->uid;
    e.callerNum = c->legs[0].number;
    e.callerName = c->legs[0].name;
    e.calledNum = c->legs[1].number;
    e.calledName = c->legs[1].name;
    e.direction = leg == 1 ? QStringLiteral("in") : QStringLiteral("out");
    e.startTime = c->start.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    e.duration = answered ? int(c->answered.secsTo(QDateTime::currentDateTime())) : 0;
    e.callAttributes = c->attrs;
    e.callTypeKey = QStringLiteral("%1%2_%3").arg(answered ? QStringLiteral("ANSWER") : QStringLiteral("NOANSWER"),
                                                  local ? QStringLiteral("_LOCAL") : QString(),
                                                  leg == 1 ? QStringLiteral("IN") : QStringLiteral("OUT"));
    Cdr &list = m_data.cdrs[me.userKey];
    list << e;
    m_cdrCache.remove(me.userKey);
    while (list.size() > 100000)
        list.removeFirst();
    sendCdr(me.userKey);
}

void PbxSimulator::endCall(SimCall *c, int hangupLeg, const QString &reason)
{
    if (!m_calls.contains(c))
        return;
    c->timer->stop();
    c->endReason = reason;
    for (int leg = 0; leg < 2; ++leg)
        sendLegEvents(c, leg, QStringLiteral("finished"), reason, leg == hangupLeg);
    closeLegs(c);
}

void PbxSimulator::missCall(SimCall *c)
{
    if (!m_calls.contains(c))
        return;
    c->timer->stop();
    c->endReason = QStringLiteral("NO_ANSWER");
    sendLegEvents(c, 1, QStringLiteral("missed"));
    sendLegEvents(c, 1, QStringLiteral("finished"), QStringLiteral("NO_ANSWER"), false);
    sendLegEvents(c, 0, QStringLiteral("finished"), QStringLiteral("NO_ANSWER"), false);
    closeLegs(c);
}

// Frees both parties' lamps, records the call for each and forgets it.
void PbxSimulator::closeLegs(SimCall *c)
{
    for (int leg = 0; leg < 2; ++leg) {
        const QString exten = c->legs[leg].exten;
        if (!exten.isEmpty() && m_data.extensions.contains(exten)) {
            m_data.extensions[exten].blf = CTILIB::BlfIdle;
            broadcastExtenStatus(exten);
        }
        appendCdr(c, leg);
    }
    removeCall(c);
}

void PbxSimulator::removeCall(SimCall *c)
{
    if (m_sip && c->sipToken) {
        const QString r = c->endReason;
        const int code = r == QLatin1String("USER_BUSY")     ? 486
                         : r == QLatin1String("NO_ANSWER")   ? 480
                         : r == QLatin1String("UNALLOCATED") ? 404
                                                             : 603;
        m_sip->end(c->sipToken, code);
        c->sipToken = 0;
    }
    m_calls.removeOne(c);
    for (auto it = m_parked.begin(); it != m_parked.end();) {
        if (it.value() == c)
            it = m_parked.erase(it);
        else
            ++it;
    }
    c->timer->stop();
    c->timer->deleteLater();
    delete c;
}

void PbxSimulator::redirect(SimCall *c, int leg, const QString &number)
{
    // The user's leg leaves the call; the other party now calls `number`.
    const SimLeg other = c->legs[1 - leg];
    sendLegEvents(c, leg, QStringLiteral("finished"),
                  c->state == SimCall::Up ? QStringLiteral("TRANSFERRED") : QStringLiteral("REDIRECTED"), true);
    const QString exten = c->legs[leg].exten;
    if (!exten.isEmpty() && m_data.extensions.contains(exten)) {
        m_data.extensions[exten].blf = CTILIB::BlfIdle;
        broadcastExtenStatus(exten);
    }
    appendCdr(c, leg);
    const int attrs = c->attrs;
    const QString queueId = c->queueId;
    // The remaining party keeps its leg; it is dropped silently from the old call.
    c->legs[leg].userKey.clear();
    c->legs[1 - leg].userKey.clear();
    removeCall(c);
    SimCall *n = startCall(other.exten, other.number, other.name, number, attrs, queueId, false);
    if (n && !other.userKey.isEmpty()) {
        // The remaining user sees the new party on the same channel.
        n->legs[0].userKey = other.userKey;
        n->legs[0].account = other.account;
        n->legs[0].channel = other.channel;
        n->legs[0].cstaId = other.cstaId;
        sendLegEvents(n, 0, QStringLiteral("colp"));
    }
}

void PbxSimulator::park(SimCall *c, int leg)
{
    QString slot;
    const int first = m_data.serviceCodes.value(CTILIB::SdcParkFirstSlot).toInt();
    const int last = m_data.serviceCodes.value(CTILIB::SdcParkLastSlot).toInt();
    for (int n = first; n >= 1 && n <= last; ++n) {
        if (!m_parked.contains(QString::number(n))) {
            slot = QString::number(n);
            break;
        }
    }
    if (slot.isEmpty())
        return;
    const SimLeg parker = c->legs[leg];
    const SimLeg parked = c->legs[1 - leg];
    sendLegEvents(c, leg, QStringLiteral("finished"), QStringLiteral("PARKED"), true);
    if (!parker.exten.isEmpty() && m_data.extensions.contains(parker.exten)) {
        m_data.extensions[parker.exten].blf = CTILIB::BlfIdle;
        broadcastExtenStatus(parker.exten);
    }
    appendCdr(c, leg);
    // The parked party becomes the caller of a call waiting in the slot.
    c->legs[0] = parked;
    c->legs[1] = SimLeg();
    c->legs[1].number = slot;
    c->state = SimCall::Ringing;
    c->answered = QDateTime();
    c->start = QDateTime::currentDateTime();
    m_parked.insert(slot, c);
    const int timeoutSecs = qMax(1, m_parkTimeoutMs / 1000);
    sendEventToUser(parker.userKey, QStringLiteral("parkCall"),
                    {{QStringLiteral("number"), parked.number},
                     {QStringLiteral("parkRoom"), slot},
                     {QStringLiteral("timeout"), QString::number(timeoutSecs)}});
    const QString parkerExten = parker.exten;
    schedule(this, c, m_parkTimeoutMs, [this, c, slot, parkerExten] {
        // Nobody took it: the call rings back the one who parked it.
        if (m_parked.value(slot) != c)
            return;
        m_parked.remove(slot);
        const SimLeg p = c->legs[0];
        const int attrs = c->attrs | CTILIB::CallAttrTransferReturn;
        removeCall(c);
        startCall(p.exten, p.number, p.name, parkerExten, attrs, QString(), false);
    });
}

void PbxSimulator::setHold(SimCall *c, int leg, bool held)
{
    if (c->state != SimCall::Up || c->legs[leg].held == held)
        return;
    c->legs[leg].held = held;
    sendLegEvents(c, leg, held ? QStringLiteral("hold") : QStringLiteral("unhold"));
    const QString exten = c->legs[leg].exten;
    if (!exten.isEmpty() && m_data.extensions.contains(exten)) {
        m_data.extensions[exten].blf = held ? CTILIB::BlfOnHold : CTILIB::BlfInUse;
        broadcastExtenStatus(exten);
    }
}

// --- control ------------------------------------------------------------------------------------

QString PbxSimulator::injectIncomingCall(const QString &from, const QString &toExten, const QString &queueId,
                                         const QString &callerName)
{
    if (!m_data.extensions.contains(toExten) || from.trimmed().isEmpty())
        return QString();
    int attrs = m_data.extensions.contains(from) ? CTILIB::CallAttrInternal : CTILIB::CallAttrExternal;
    if (!queueId.isEmpty())
        attrs |= CTILIB::CallAttrQueue;
    const QString name = m_data.extensions.contains(from) ? m_data.extensions.value(from).name() : callerName;
    SimCall *c =
        startCall(m_data.extensions.contains(from) ? from : QString(), from, name, toExten, attrs, queueId, true);
    return c ? c->uid : QString();
}

bool PbxSimulator::answerRinging(const QString &exten)
{
    for (SimCall *c : m_calls) {
        if (c->state == SimCall::Ringing && c->legs[1].exten == exten && !m_parked.values().contains(c)) {
            answerCall(c);
            return true;
        }
    }
    return false;
}

int PbxSimulator::transferParty(const QString &party, const QString &target)
{
    if (party.isEmpty() || target.isEmpty())
        return 0;
    int n = 0;
    const QList<SimCall *> calls = m_calls;
    for (SimCall *c : calls) {
        if (!m_calls.contains(c) || c->state != SimCall::Up)
            continue;
        for (int leg = 0; leg < 2; ++leg) {
            const SimLeg &l = c->legs[leg];
            if (l.exten == party || (l.exten.isEmpty() && l.number == party)) {
                redirect(c, leg, target);
                ++n;
                break;
            }
        }
    }
    return n;
}

int PbxSimulator::hangup(const QString &extenOrUid)
{
    int n = 0;
    const QList<SimCall *> calls = m_calls;
    for (SimCall *c : calls) {
        if (!m_calls.contains(c))
            continue;
        if (c->uid == extenOrUid) {
            endCall(c, 1, QStringLiteral("NORMAL_CLEARING"));
            ++n;
            continue;
        }
        for (int leg = 0; leg < 2; ++leg) {
            if (c->legs[leg].exten == extenOrUid ||
                (c->legs[leg].exten.isEmpty() && c->legs[leg].number == extenOrUid)) {
                endCall(c, leg, QStringLiteral("NORMAL_CLEARING"));
                ++n;
                break;
            }
        }
    }
    return n;
}

void PbxSimulator::setBlf(const QString &exten, int state)
{
    if (!m_data.extensions.contains(exten))
        return;
    m_data.extensions[exten].blf = state;
    broadcastExtenStatus(exten);
}

void PbxSimulator::setPeriodStatsShown(const QString &queueId, bool shown)
{
    if (shown)
        m_periodStatsHidden.remove(queueId);
    else
        m_periodStatsHidden.insert(queueId);
}

void PbxSimulator::setPresence(const QString &exten, int presence, const QString &message)
{
    if (!m_data.extensions.contains(exten))
        return;
    m_data.extensions[exten].presence = presence;
    m_data.extensions[exten].presenceMsg = message.left(200);
    broadcastExtenStatus(exten);
}

bool PbxSimulator::sendRawEvent(const QString &toExten, const QString &name, const QJsonObject &data)
{
    const QString key = userKeyOfExten(toExten);
    if (key.isEmpty())
        return false;
    sendEventToUser(key, name, data);
    return true;
}

bool PbxSimulator::sendChat(const QString &fromExten, const QString &toExten, const QString &text)
{
    if (!m_data.extensions.contains(toExten) || !m_data.extensions.contains(fromExten) || text.isEmpty())
        return false;
    const QString fromKey = userKeyOfExten(fromExten);
    const QString toKey = userKeyOfExten(toExten);
    ChatMessage m;
    m.id = QStringLiteral("chat-%1").arg(++m_counter);
    m.sender = fromExten;
    m.body = text.left(4000);
    m.time = QDateTime::currentDateTimeUtc();
    m.type = 0;
    if (!fromKey.isEmpty()) {
        ChatMessage echo = m;
        echo.exten = toExten;
        echo.direction = 1;
        m_data.chats[fromKey] << echo;
        sendEventToUser(fromKey, QStringLiteral("chatMessage"), CtiJson::toJson(echo));
    }
    if (!toKey.isEmpty()) {
        ChatMessage in = m;
        in.exten = fromExten;
        in.direction = 0;
        m_data.chats[toKey] << in;
        sendEventToUser(toKey, QStringLiteral("chatMessage"), CtiJson::toJson(in));
    }
    const bool colleagueAway = toKey.isEmpty() || sessionsOf(toKey).isEmpty();
    if (m_data.extensions.value(toExten).colleague && colleagueAway && !fromKey.isEmpty()) {
        const QString reply = QStringLiteral("Ciao! Ho ricevuto: \"%1\"").arg(text.left(100));
        QTimer::singleShot(m_chatReplyDelayMs, this, [this, toExten, fromExten, reply] {
            // The colleague answers as the PBX would deliver it.
            const QString fromKey2 = userKeyOfExten(fromExten);
            ChatMessage r;
            r.id = QStringLiteral("chat-%1").arg(++m_counter);
            r.sender = toExten;
            r.exten = toExten;
            r.body = reply;
            r.time = QDateTime::currentDateTimeUtc();
            r.direction = 0;
            r.type = 0;
            m_data.chats[fromKey2] << r;
            sendEventToUser(fromKey2, QStringLiteral("chatMessage"), CtiJson::toJson(r));
        });
    }
    return true;
}

bool PbxSimulator::sendParkNotice(const QString &toExten, const QString &number, const QString &slot, int timeoutSecs)
{
    const QString key = userKeyOfExten(toExten);
    if (key.isEmpty())
        return false;
    sendEventToUser(key, QStringLiteral("parkCall"),
                    {{QStringLiteral("number"), number},
                     {QStringLiteral("parkRoom"), slot},
                     {QStringLiteral("timeout"), QString::number(timeoutSecs)}});
    return true;
}

bool PbxSimulator::sendQueueEvent(const QString &queueId, int waitingCalls)
{
    if (!m_data.queues.contains(queueId))
        return false;
    QueueEvent ev{queueId,
                  m_data.queues.value(queueId).name,
                  QStringLiteral("update"),
                  QString(),
                  QString(),
                  qMax(0, waitingCalls),
                  waitingCalls > 0 ? QDateTime::currentDateTime().addSecs(-30) : QDateTime()};
    broadcast(QStringLiteral("queueEvent"), CtiJson::toJson(ev));
    return true;
}

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

int PbxSimulator::sessionCount() const
{
    return m_sessions.size();
}

QStringList PbxSimulator::loggedInUsers() const
{
    QStringList out;
    for (const SimSession *s : m_sessions) {
        if (s->loggedIn)
            out << s->userKey;
    }
    return out;
}

int PbxSimulator::activeCallCount() const
{
    return m_calls.size();
}

QString PbxSimulator::controlHelp()
{
    return QStringLiteral(
        "call <from-number> <to-exten> [queue=<id>] [name=<caller name>]  incoming call to an extension\n"
        "answer <exten>                      the extension's device answers its ringing call\n"
        "hangup <exten|uid|number>           end the calls of an extension or party\n"
        "transfer <exten|number> <target>    that party hands its answered call on to the target\n"
        "blf <exten> <state>                 busy-lamp state (-1, 0, 1, 2, 4, 8, 9, 16, 17)\n"
        "presence <exten> <0-5|name> [text]  chat presence and message\n"
        "chat <from-exten> <to-exten> <text> chat message\n"
        "parknotice <exten> <number> <slot> [seconds]  park notice to a user\n"
        "queueevent <queue-id> <waiting>     queue waiting-calls update\n"
        "voicemail <exten> <from-number> [seconds] [name=<sender name>]  a new voicemail message\n"
        "echo mailbox on|off                 answer each voicemail list request with a mailbox status too\n"
        "periodstats <queue-id> on|off       the queue in the period statistics replies or not\n"
        "disconnect <user|*> <reason>        force a disconnection with a reason\n"
        "restart                             PBX restart (everybody is disconnected)\n"
        "keepalive on|off                    answer keep-alives or not\n"
        "delay answer|ring|talk|park|chat <ms>  timing of the simulated parties\n"
        "trace <file>|off                    trace of the commands received\n"
        "status                              sessions, users and calls\n"
        "sip status                          SIP ports and registered extensions\n"
        "sip registers <exten>               REGISTER requests received for the extension's SIP account\n"
        "sip tone <hz>                       the far end of softphone calls plays a tone (0: silence, -1: no RTP)\n"
        "sip play <wav-file>                 the far end plays a WAV file (8 kHz mono 16-bit)\n"
        "sip codecs <name>...                the far end's codecs in order (PCMA PCMU GSM G726 G722)\n"
        "sip check <uid> <hz>                power (0-1) of a tone received from the softphone\n"
        "sip digits <uid>                    DTMF digits received from the softphone\n"
        "sip hold <uid> on|off               the far end holds the softphone or takes it back\n"
        "quit                                end the simulator\n");
}

QString PbxSimulator::executeControl(const QString &line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
        return QString();
    QStringList w = trimmed.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString cmd = w.takeFirst().toLower();
    auto rest = [&w](int from) { return w.mid(from).join(QLatin1Char(' ')); };
    auto ok = [](const QString &t = QString()) {
        return t.isEmpty() ? QStringLiteral("OK") : QStringLiteral("OK ") + t;
    };
    auto err = [](const QString &t) { return QStringLiteral("ERROR ") + t; };

    if (cmd == QLatin1String("help"))
        return controlHelp().trimmed();
    if (cmd == QLatin1String("status")) {
        return ok(QStringLiteral("port=%1 sessions=%2 users=%3 calls=%4")
                      .arg(serverPort())
                      .arg(sessionCount())
                      .arg(loggedInUsers().join(QLatin1Char(',')))
                      .arg(activeCallCount()));
    }
    if (cmd == QLatin1String("call")) {
        if (w.size() < 2)
            return err(QStringLiteral("usage: call <from-number> <to-exten> [queue=<id>] [name=<caller name>]"));
        QString queue, name;
        for (int i = 2; i < w.size(); ++i) {
            if (w.at(i).startsWith(QLatin1String("queue=")))
                queue = w.at(i).mid(6);
            else if (w.at(i).startsWith(QLatin1String("name="))) {
                name = QStringList(w.mid(i)).join(QLatin1Char(' ')).mid(5);
                break;
            }
        }
        if (!queue.isEmpty() && !m_data.queues.contains(queue))
            return err(QStringLiteral("no queue %1").arg(queue));
        const QString uid = injectIncomingCall(w.at(0), w.at(1), queue, name);
        return uid.isEmpty() ? err(QStringLiteral("no extension %1").arg(w.at(1))) : ok(uid);
    }
    if (cmd == QLatin1String("answer"))
        return w.size() == 1 && answerRinging(w.at(0)) ? ok() : err(QStringLiteral("no ringing call"));
    if (cmd == QLatin1String("hangup"))
        return w.size() == 1 ? ok(QString::number(hangup(w.at(0)))) : err(QStringLiteral("usage: hangup <exten|uid>"));
    if (cmd == QLatin1String("transfer"))
        return w.size() == 2 ? ok(QString::number(transferParty(w.at(0), w.at(1))))
                             : err(QStringLiteral("usage: transfer <exten|number> <target>"));
    if (cmd == QLatin1String("blf")) {
        bool isInt = false;
        const int state = w.value(1).toInt(&isInt);
        if (w.size() != 2 || !isInt || !m_data.extensions.contains(w.at(0)))
            return err(QStringLiteral("usage: blf <exten> <state>"));
        setBlf(w.at(0), state);
        return ok();
    }
    if (cmd == QLatin1String("presence")) {
        bool isInt = false;
        int p = w.value(1).toInt(&isInt);
        if (!isInt)
            p = CTILIB::chatPresenceFromString(w.value(1));
        if (w.size() < 2 || p < 0 || p > 5 || !m_data.extensions.contains(w.at(0)))
            return err(QStringLiteral("usage: presence <exten> <0-5|name> [text]"));
        setPresence(w.at(0), p, rest(2));
        return ok();
    }
    if (cmd == QLatin1String("chat")) {
        if (w.size() < 3 || !sendChat(w.at(0), w.at(1), rest(2)))
            return err(QStringLiteral("usage: chat <from-exten> <to-exten> <text>"));
        return ok();
    }
    if (cmd == QLatin1String("parknotice")) {
        if (w.size() < 3 || !sendParkNotice(w.at(0), w.at(1), w.at(2), w.size() > 3 ? w.at(3).toInt() : 45))
            return err(QStringLiteral("usage: parknotice <exten> <number> <slot> [seconds]"));
        return ok();
    }
    if (cmd == QLatin1String("queueevent")) {
        if (w.size() != 2 || !sendQueueEvent(w.at(0), w.at(1).toInt()))
            return err(QStringLiteral("usage: queueevent <queue-id> <waiting>"));
        return ok();
    }
    if (cmd == QLatin1String("voicemail")) {
        QString name;
        for (int i = 0; i < w.size(); ++i) {
            if (w.at(i).startsWith(QLatin1String("name="))) {
                name = rest(i).mid(5);
                w = w.mid(0, i);
                break;
            }
        }
        bool isInt = true;
        const int seconds = w.size() >= 3 ? w.at(2).toInt(&isInt) : 10;
        const QString uuid =
            w.size() >= 2 && w.size() <= 3 && isInt ? leaveVoicemail(w.at(0), w.at(1), seconds, name) : QString();
        if (uuid.isEmpty())
            return err(QStringLiteral("usage: voicemail <exten> <from-number> [seconds] [name=<sender name>]"));
        return ok(uuid);
    }
    if (cmd == QLatin1String("echo")) {
        if (w.size() != 2 || w.at(0) != QLatin1String("mailbox") ||
            (w.at(1) != QLatin1String("on") && w.at(1) != QLatin1String("off")))
            return err(QStringLiteral("usage: echo mailbox on|off"));
        setEchoMailboxStatus(w.at(1) == QLatin1String("on"));
        return ok();
    }
    if (cmd == QLatin1String("periodstats")) {
        if (w.size() != 2 || !m_data.queues.contains(w.at(0)) ||
            (w.at(1) != QLatin1String("on") && w.at(1) != QLatin1String("off")))
            return err(QStringLiteral("usage: periodstats <queue-id> on|off"));
        setPeriodStatsShown(w.at(0), w.at(1) == QLatin1String("on"));
        return ok();
    }
    if (cmd == QLatin1String("disconnect")) {
        if (w.size() < 2)
            return err(QStringLiteral("usage: disconnect <user|*> <reason>"));
        return ok(QString::number(disconnectClients(w.at(0), rest(1))));
    }
    if (cmd == QLatin1String("restart")) {
        restart();
        return ok();
    }
    if (cmd == QLatin1String("keepalive")) {
        if (w.size() != 1 || (w.at(0) != QLatin1String("on") && w.at(0) != QLatin1String("off")))
            return err(QStringLiteral("usage: keepalive on|off"));
        setAnswerKeepAlives(w.at(0) == QLatin1String("on"));
        return ok();
    }
    if (cmd == QLatin1String("delay")) {
        bool isInt = false;
        const int ms = w.value(1).toInt(&isInt);
        if (w.size() != 2 || !isInt || ms < 0)
            return err(QStringLiteral("usage: delay answer|ring|talk|park|chat <ms>"));
        const QString what = w.at(0);
        if (what == QLatin1String("answer"))
            m_answerDelayMs = ms;
        else if (what == QLatin1String("ring"))
            m_ringTimeoutMs = ms;
        else if (what == QLatin1String("talk"))
            m_talkTimeMs = ms;
        else if (what == QLatin1String("park"))
            m_parkTimeoutMs = ms;
        else if (what == QLatin1String("chat"))
            m_chatReplyDelayMs = ms;
        else
            return err(QStringLiteral("unknown delay %1").arg(what));
        return ok();
    }
    if (cmd == QLatin1String("trace")) {
        if (w.size() != 1)
            return err(QStringLiteral("usage: trace <file>|off"));
        if (w.at(0) == QLatin1String("off")) {
            stopTrace();
            return ok();
        }
        QString error;
        return setTraceFile(w.at(0), &error) ? ok() : err(error);
    }
    if (cmd == QLatin1String("sip")) {
        const QString sub = w.value(0).toLower();
        if (!m_sip)
            return err(QStringLiteral("the SIP side is not listening"));
        if (sub == QLatin1String("status")) {
            QStringList regs;
            for (auto it = m_data.extensions.cbegin(); it != m_data.extensions.cend(); ++it) {
                if (m_sip->isRegistered(it.key()))
                    regs << it.key();
            }
            return ok(QStringLiteral("udp-tcp=%1 tls=%2 registered=%3")
                          .arg(sipPort())
                          .arg(sipTlsPort())
                          .arg(regs.join(QLatin1Char(','))));
        }
        if (sub == QLatin1String("registers") && w.size() == 2)
            return ok(QString::number(sipRegisterRequests(w.at(1))));
        if (sub == QLatin1String("tone") && w.size() == 2) {
            bool isInt = false;
            const int hz = w.at(1).toInt(&isInt);
            if (!isInt || hz < -1 || hz > 3900)
                return err(QStringLiteral("usage: sip tone <0-3900|-1>"));
            setSipPlayTone(hz);
            return ok();
        }
        if (sub == QLatin1String("play") && w.size() >= 2) {
            const QString path = rest(1);
            if (!QFileInfo(path).isFile())
                return err(QStringLiteral("no file %1").arg(path));
            setSipPlayFile(path);
            return ok();
        }
        if (sub == QLatin1String("check") && w.size() == 3) {
            bool isNum = false;
            const double hz = w.at(2).toDouble(&isNum);
            if (!isNum || hz <= 0 || hz >= 4000)
                return err(QStringLiteral("usage: sip check <uid> <hz>"));
            const double p = sipReceivedTonePower(w.at(1), hz);
            return p < 0 ? err(QStringLiteral("no audio for %1").arg(w.at(1))) : ok(QString::number(p, 'f', 3));
        }
        if (sub == QLatin1String("codecs") && w.size() >= 2)
            return setSipCodecs(w.mid(1)) ? ok() : err(QStringLiteral("usage: sip codecs PCMA|PCMU|GSM|G726|G722 ..."));
        if (sub == QLatin1String("digits") && w.size() == 2)
            return ok(sipReceivedDigits(w.at(1)));
        if (sub == QLatin1String("hold") && w.size() == 3 &&
            (w.at(2) == QLatin1String("on") || w.at(2) == QLatin1String("off")))
            return sipHold(w.at(1), w.at(2) == QLatin1String("on")) ? ok() : err(QStringLiteral("no such SIP call"));
        return err(QStringLiteral("usage: sip status|registers|tone|play|codecs|check|digits|hold ..."));
    }
    if (cmd == QLatin1String("quit")) {
        emit quitRequested();
        return ok();
    }
    return err(QStringLiteral("unknown command '%1' (try help)").arg(cmd));
}

// --- SIP side ----------------------------------------------------------------------------------

bool PbxSimulator::listenSip(const QHostAddress &address, quint16 port, QString *error)
{
    if (m_sip)
        return true;
    PbxSipServer::Events ev;
    ev.outgoing = [this](int token, const QString &exten, const QString &target) {
        onSipOutgoing(token, exten, target);
    };
    ev.answered = [this](int token) {
        if (SimCall *c = callOfSipToken(token))
            answerCall(c);
    };
    ev.rejected = [this](int token, int code, const QString &contact) {
        SimCall *c = callOfSipToken(token);
        if (!c)
            return;
        c->sipToken = 0;
        if (code >= 300 && code < 400 && !contact.isEmpty())
            redirect(c, c->sipLeg, contact);
        else
            endCall(c, c->sipLeg, code == 486 ? QStringLiteral("USER_BUSY") : QStringLiteral("CALL_REJECTED"));
    };
    ev.ended = [this](int token) {
        SimCall *c = callOfSipToken(token);
        if (!c)
            return;
        c->sipToken = 0;
        const bool cancelled = c->state == SimCall::Ringing && c->sipLeg == 0;
        endCall(c, c->sipLeg, cancelled ? QStringLiteral("ORIGINATOR_CANCEL") : QStringLiteral("NORMAL_CLEARING"));
    };
    ev.hold = [this](int token, bool held) {
        if (SimCall *c = callOfSipToken(token))
            setHold(c, c->sipLeg, held);
    };
    ev.digit = [this](int token, QChar digit) {
        SimCall *c = callOfSipToken(token);
        if (!c)
            return;
        const QString uid = c->uid;
        m_sipDigits[uid] += digit;
        m_sipDigitLog[uid] += digit;
        if (m_trace)
            trace(nullptr, QStringLiteral("sipDtmf"),
                  {{QStringLiteral("uid"), uid}, {QStringLiteral("digit"), QString(digit)}});
        emit sipDigitReceived(uid, digit);
        // In-call service codes dialled as DTMF: park and recording.
        const QString digits = m_sipDigits.value(uid);
        const QString parkCode = m_data.serviceCodes.value(CTILIB::SdcPark);
        const QString recordCode = m_data.serviceCodes.value(CTILIB::SdcCallRecording);
        if (!parkCode.isEmpty() && digits.endsWith(parkCode) && c->state == SimCall::Up) {
            m_sipDigits[uid].clear();
            const int leg = c->sipLeg;
            c->sipToken = 0;
            m_sip->end(token, 0); // the phone's leg leaves with BYE
            park(c, leg);
        } else if (!recordCode.isEmpty() && digits.endsWith(recordCode)) {
            m_sipDigits[uid].clear();
            m_sipRecording[uid] = !m_sipRecording.value(uid);
            if (m_trace)
                trace(nullptr, QStringLiteral("sipRecord"),
                      {{QStringLiteral("uid"), uid}, {QStringLiteral("on"), m_sipRecording.value(uid)}});
        }
    };
    ev.transfer = [this](int token, const QString &target, int replacesToken) {
        onSipTransfer(token, target, replacesToken);
    };
    ev.registration = [this](const QString &exten, bool registered) {
        if (m_trace)
            trace(nullptr, QStringLiteral("sipRegister"),
                  {{QStringLiteral("exten"), exten}, {QStringLiteral("registered"), registered}});
        emit sipRegistrationChanged(exten, registered);
    };
    m_sip = new PbxSipServer(this, ev);
    QList<PbxSipServer::Account> accounts;
    for (const SimUser &u : qAsConst(m_data.users)) {
        for (const IdentityEntry &id : u.identities) {
            if (id.type.compare(QLatin1String("SIP"), Qt::CaseInsensitive) == 0 && !id.sipUsername.isEmpty())
                accounts << PbxSipServer::Account{id.sipUsername, id.sipPassword, u.extension};
        }
    }
    m_sip->setAccounts(accounts);
    QByteArray chain;
    for (const QSslCertificate &cert : qAsConst(m_chain))
        chain += cert.toPem();
    if (!m_sip->start(address, port, chain, m_key.toPem(), error)) {
        delete m_sip;
        m_sip = nullptr;
        return false;
    }
    return true;
}

quint16 PbxSimulator::sipPort() const
{
    return m_sip ? m_sip->port() : 0;
}

quint16 PbxSimulator::sipTlsPort() const
{
    return m_sip ? m_sip->tlsPort() : 0;
}

bool PbxSimulator::isSipRegistered(const QString &exten) const
{
    return m_sip && m_sip->isRegistered(exten);
}

int PbxSimulator::sipRegisterRequests(const QString &exten) const
{
    return m_sip ? m_sip->registerRequests(exten) : 0;
}

QString PbxSimulator::sipContactOf(const QString &exten) const
{
    return m_sip ? m_sip->contactOf(exten) : QString();
}

void PbxSimulator::setSipPlayTone(int hz)
{
    if (m_sip)
        m_sip->setPlayTone(hz);
}

void PbxSimulator::setSipPlayFile(const QString &wavPath)
{
    if (m_sip)
        m_sip->setPlayFile(wavPath);
}

bool PbxSimulator::setSipCodecs(const QStringList &codecs)
{
    return m_sip && m_sip->setCodecs(codecs);
}

double PbxSimulator::sipReceivedTonePower(const QString &uid, double hz) const
{
    const SimCall *c = findCall(uid);
    return m_sip && c && c->sipToken ? m_sip->receivedTonePower(c->sipToken, hz) : -1.0;
}

QString PbxSimulator::sipReceivedDigits(const QString &uid) const
{
    return m_sipDigitLog.value(uid);
}

bool PbxSimulator::isSipRecording(const QString &uid) const
{
    return m_sipRecording.value(uid);
}

bool PbxSimulator::sipHold(const QString &uid, bool held)
{
    SimCall *c = findCall(uid);
    if (!m_sip || !c || !c->sipToken || c->state != SimCall::Up)
        return false;
    m_sip->hold(c->sipToken, held);
    setHold(c, 1 - c->sipLeg, held);
    return true;
}

QString PbxSimulator::sipCallOf(const QString &exten) const
{
    for (const SimCall *c : m_calls) {
        if (c->sipToken && c->legs[c->sipLeg].exten == exten)
            return c->uid;
    }
    return QString();
}

SimCall *PbxSimulator::callOfSipToken(int token) const
{
    for (SimCall *c : m_calls) {
        if (token && c->sipToken == token)
            return c;
    }
    return nullptr;
}

void PbxSimulator::onSipOutgoing(int token, const QString &exten, const QString &target)
{
    const QString name = m_data.extensions.value(exten).name();
    if (m_trace)
        trace(nullptr, QStringLiteral("sipInvite"),
              {{QStringLiteral("exten"), exten}, {QStringLiteral("target"), target}});
    m_sipPlacing = true;
    SimCall *c = startCall(exten, exten, name, target, CTILIB::CallAttrInternal, QString(), true);
    m_sipPlacing = false;
    if (!c) {
        m_sip->end(token, 404);
        return;
    }
    c->sipToken = token;
    c->sipLeg = 0;
    if (c->state == SimCall::Up)
        m_sip->answer(token);
    else
        m_sip->ringing(token);
}

void PbxSimulator::onSipTransfer(int token, const QString &target, int replacesToken)
{
    SimCall *c = callOfSipToken(token);
    if (!c)
        return;
    c->sipToken = 0; // the softphone leaves by itself
    if (!replacesToken) {
        redirect(c, c->sipLeg, target);
        return;
    }
    // Attended: the two far ends now talk to each other; both of the
    // softphone's legs end as transferred.
    SimCall *other = callOfSipToken(replacesToken);
    for (SimCall *x : {c, other}) {
        if (!x)
            continue;
        x->sipToken = 0;
        x->timer->stop();
        x->endReason = QStringLiteral("TRANSFERRED");
        sendLegEvents(x, x->sipLeg, QStringLiteral("finished"), QStringLiteral("TRANSFERRED"), true);
        x->legs[1 - x->sipLeg].userKey.clear();
        closeLegs(x);
    }
}
