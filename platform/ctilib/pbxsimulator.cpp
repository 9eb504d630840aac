// PBX simulator: set-up, trace, what the office does by itself (lamps,
// presence, chat, park notices, queue updates, voicemail) and inspection.
#include "pbxsimulator.h"
#include "pbxsimulator_p.h"

#include "ctijson.h"
#include "pbxsimsip.h"

#include <QFile>
#include <QJsonDocument>
#include <QTimer>

static void initPbxSimResources()
{
    Q_INIT_RESOURCE(pbxsim);
}

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

// --- set-up ----------------------------------------------------------------------------------

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

// --- trace -----------------------------------------------------------------------------------

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

// --- the office ------------------------------------------------------------------------------

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

// --- inspection ------------------------------------------------------------------------------

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
