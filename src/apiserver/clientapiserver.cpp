#include "clientapiserver.h"

#include "app/globallogger.h"

#include <QFile>
#include <QSslSocket>
#include <QTimer>
#include <QtDebug>

namespace
{

// The server is for the programs of this computer only.
QdServerConfig loopbackOnly(QdServerConfig config)
{
    if (!config.address.isLoopback())
        config.address = QHostAddress::LocalHost;
    return config;
}

QHostAddress loopbackOnly(const QHostAddress &address)
{
    return address.isLoopback() ? address : QHostAddress(QHostAddress::LocalHost);
}

QByteArray readAll(const QString &path)
{
    if (path.isEmpty())
        return QByteArray();
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

ClientApiServer::ClientApiServer(const QString &user, const QString &password, const QdServerConfig &config,
                                 QObject *parent)
    : SslServer(loopbackOnly(config), parent), apiUser(user), apiPasswordDigest(ApiProtocol::passwordDigest(password))
{

    if (!serverConfig().plainConnections) {
        const QByteArray certPem = readAll(serverConfig().certificatePath);
        const QByteArray keyPem = readAll(serverConfig().privateKeyPath);
        certificate = QSslCertificate(certPem, QSsl::Pem);
        privateKey = QSslKey(keyPem, QSsl::Rsa, QSsl::Pem, QSsl::PrivateKey, serverConfig().keyPassPhrase);
        if (certificate.isNull() || privateKey.isNull())
            ::logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Local API server: certificate or private key unusable:"
                                          << serverConfig().certificatePath << serverConfig().privateKeyPath;
    }

    connections = new ApiConnections(openConnections);
    connections->moveToThread(&ioThread);
    ioThread.setObjectName(QStringLiteral("LocalApiConnections"));
    connect(connections, &ApiConnections::requestReceived, this, &ClientApiServer::onRequestReceived);
    connect(connections, &ApiConnections::replySent, this, &ClientApiServer::onReplySent);
    connect(connections, &ApiConnections::logMessage, this, [](int priority, const QString &text) {
        ::logLine(UNQL::LogMessagePriorityType(priority)) << "ApiConnections:" << text;
    });
    ioThread.start();

    if (!QSslSocket::supportsSsl())
        ::logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "SSL NOT SUPPORTED";
    ::logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Binding MCTI on desired port" << serverConfig().port;
    if (!listen()) {
        // Another copy of the client or another program holds the port: local
        // programs cannot reach this client, which is worth being loud about.
        const QString why = errorString();
        ::logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Cannot bind MCTI on desired port... aborting"
                                      << serverConfig().port << why;
        SslServer::logLine(UNQL::LOG_CRITICAL,
                           QStringLiteral("Local API server cannot listen on port %1:").arg(serverConfig().port), why);
        qWarning("Local API server cannot listen on 127.0.0.1:%d: %s", serverConfig().port, qPrintable(why));
    }
}

ClientApiServer::~ClientApiServer()
{
    close();
    // The connections go on their own thread, then the thread ends.
    ApiConnections *doomed = connections;
    connections = nullptr;
    QMetaObject::invokeMethod(
        doomed, [doomed] { delete doomed; }, Qt::BlockingQueuedConnection);
    ioThread.quit();
    ioThread.wait();
}

bool ClientApiServer::listen()
{
    return SslServer::listen();
}

bool ClientApiServer::listen(const QHostAddress &address, quint16 port)
{
    return SslServer::listen(loopbackOnly(address), port);
}

void ClientApiServer::setLimits(const Limits &limits)
{
    bounds = limits;
}

ApiConnections::Settings ClientApiServer::connectionSettings() const
{
    ApiConnections::Settings s;
    s.certificate = certificate;
    s.privateKey = privateKey;
    s.handshakeTimeoutMs = bounds.handshakeTimeoutMs;
    s.firstLineTimeoutMs = bounds.firstLineTimeoutMs;
    s.maxConnections = bounds.maxConnections;
    s.idleTimeoutMs = bounds.idleTimeoutMs;
    s.lifetimeMs = bounds.lifetimeMs;
    s.maxRequestBytes = bounds.maxRequestBytes;
    s.plain = serverConfig().plainConnections;
    return s;
}

void ClientApiServer::incomingConnection(qintptr socketDescriptor)
{
    ::logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Connection requested";
    // The connections' thread keeps the cap, making room when it can; here
    // only the descriptors it has not taken over yet are bounded.
    if (openConnections->load() >= 2 * bounds.maxConnections) {
        ::logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Too many local API connections: one refused";
        ApiConnections::closeDescriptor(socketDescriptor);
        return;
    }
    ++*openConnections;
    const quint64 id = nextConnectionId++;
    const ApiConnections::Settings settings = connectionSettings();
    ApiConnections *target = connections;
    QMetaObject::invokeMethod(
        target, [target, socketDescriptor, id, settings] { target->accept(socketDescriptor, id, settings); },
        Qt::QueuedConnection);
    emit connectedClient();
}

void ClientApiServer::onRequestReceived(quint64 id, const QString &peer, const QByteArray &bytes)
{
    const QString text = ApiProtocol::requestText(bytes);
    ::logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Action Url received from"
                              << peer + QStringLiteral(":\n") + ApiProtocol::maskedForLog(text);

    const ApiProtocol::Request request = ApiProtocol::parseRequest(text, apiUser, apiPasswordDigest);
    switch (request.outcome) {
    case ApiProtocol::Request::NotPost:
        ::logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Action Url is not a POST request. Discarding it...";
        sendReply(id, ApiProtocol::notFoundReply());
        return;
    case ApiProtocol::Request::NoRequestElement:
        ::logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO
                                     << "Action Url doesn't start with the expected tag. Discarding it...";
        sendReply(id, ApiProtocol::notFoundReply());
        return;
    default:
        break;
    }
    qDebug("POST MESSAGE");
    judge(id, peer, request);
}

void ClientApiServer::judge(quint64 id, const QString &peer, const ApiProtocol::Request &request)
{
    if (request.outcome == ApiProtocol::Request::Authenticated) {
        sendReply(id, runCommand(id, request));
        return;
    }
    // Wrong credentials: answered late on this connection alone (so that a
    // guesser waiting for its answers guesses slowly), never holding up a
    // request with the right ones; a flood of them is cut short.
    ++failedAuthentications;
    ::logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Local API authentication failed for user" << request.user << "from"
                                 << peer;
    if (failingRequests >= bounds.maxFailingRequests) {
        // Left waiting without an answer (a guesser that waits for one gains
        // nothing by coming back at once); its place goes to whoever needs it.
        ++droppedFailures;
        parkConnection(id);
        return;
    }
    ++failingRequests;
    const QByteArray reply =
        ApiProtocol::reply(request.replyName, ApiProtocol::AuthenticationFailed, QString(), QString());
    // The whole delay, never less: a coarse timer may fire up to 5 % early.
    QTimer::singleShot(bounds.failedAuthDelayMs, Qt::PreciseTimer, this, [this, id, reply] {
        --failingRequests;
        sendReply(id, reply);
    });
}

void ClientApiServer::parkConnection(quint64 id)
{
    ApiConnections *target = connections;
    if (!target)
        return;
    QMetaObject::invokeMethod(
        target, [target, id] { target->park(id); }, Qt::QueuedConnection);
}

QByteArray ClientApiServer::runCommand(quint64 id, const ApiProtocol::Request &request)
{
    using ApiProtocol::Command;
    const Command &command = request.command;
    switch (command.kind) {
    case Command::None:
        return ApiProtocol::reply(request.replyName, ApiProtocol::UnknownCommand, QString(), QString());
    case Command::ActiveCallInfo: {
        MctiCallDetails call; // no call: line -1, every text empty
        emit sigGetCurrentCallInfo(call);
        if (call.lineId == -1)
            return ApiProtocol::reply(request.replyName, ApiProtocol::NothingFound, QStringLiteral("No active calls"),
                                      QString());
        return ApiProtocol::reply(request.replyName, ApiProtocol::Success, QString(),
                                  ApiProtocol::activeCallData(call));
    }
    case Command::QueuedCallsInfo: {
        ::logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Getting Info about Queue: " << command.argument;
        QueueStatus queue; // no queue: empty id
        emit sigGetQueuedCallInfo(command.argument, queue);
        if (queue.id.isEmpty())
            return ApiProtocol::reply(request.replyName, ApiProtocol::NothingFound, QStringLiteral("No such queue"),
                                      QString());
        return ApiProtocol::reply(request.replyName, ApiProtocol::Success, QString(),
                                  ApiProtocol::queuedCallsData(queue));
    }
    default:
        // An action: handed on once the reply has left.
        actionsAfterReply.insert(id, command);
        return ApiProtocol::reply(request.replyName, ApiProtocol::Success, QString(), QString());
    }
}

void ClientApiServer::sendReply(quint64 id, const QByteArray &reply)
{
    ApiConnections *target = connections;
    if (!target)
        return;
    QMetaObject::invokeMethod(
        target, [target, id, reply] { target->sendReply(id, reply); }, Qt::QueuedConnection);
}

void ClientApiServer::onReplySent(quint64 id)
{
    const auto it = actionsAfterReply.find(id);
    if (it == actionsAfterReply.end())
        return;
    const ApiProtocol::Command command = it.value();
    actionsAfterReply.erase(it);
    emitAction(command);
}

void ClientApiServer::emitAction(const ApiProtocol::Command &command)
{
    using ApiProtocol::Command;
    switch (command.kind) {
    case Command::MakeCall:
        emit sigMakeCallRequested(command.argument);
        break;
    case Command::PauseQueues:
        emit sigQueuesPauseRequested(command.on);
        break;
    case Command::SetDnd:
        emit sigDNDRequested(command.on);
        break;
    case Command::Hangup:
        emit sigHangupCallRequested();
        break;
    case Command::TriggerRecording:
        emit sigTriggerRecCallRequested();
        break;
    case Command::BlindTransfer:
        emit sigBlindTransferCallRequested(command.argument);
        break;
    case Command::AttendedTransfer:
        emit sigAttendedTransferCallRequested(command.argument);
        break;
    default:
        break;
    }
}
