#include "sslserver.h"

#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QtGlobal>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace
{

// Closes a descriptor that no socket object adopted. Qt closes it itself on
// some of its failure paths, so only a descriptor that is still open is closed.
void closeUnadoptedDescriptor(qintptr descriptor)
{
    if (descriptor < 0)
        return;
    const int fd = int(descriptor);
    if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF)
        return;
    ::close(fd);
}

bool isSelfSignedError(const QSslError &e)
{
    return e.error() == QSslError::SelfSignedCertificate || e.error() == QSslError::SelfSignedCertificateInChain;
}

} // namespace

SslServer::SslServer(const QdServerConfig &cfg, QObject *parent) : QTcpServer(parent), config(cfg)
{
    UniqLogger *ul = UniqLogger::instance(config.loggerName, 0);
    int status = UniqLogger::DEFAULT_OK;
    fileLogger.reset(ul->createFileLogger(QStringLiteral("SSL"), config.logFileName, config.writerConfig, status));
    consoleLogger.reset(
        ul->createConsoleLogger(QStringLiteral("SSL"), UNQL::ConsoleColorScheme(), WriterConfig(), status));
}

SslServer::~SslServer() = default;

void SslServer::logLine(int priority, const QString &text)
{
    for (Logger *log : {fileLogger.get(), consoleLogger.get()}) {
        if (log)
            *log << UNQL::LogMessagePriorityType(priority) << text << UNQL::eom;
    }
}

void SslServer::logLine(int priority, const QString &text, const QString &value)
{
    for (Logger *log : {fileLogger.get(), consoleLogger.get()}) {
        if (log)
            *log << UNQL::LogMessagePriorityType(priority) << text << value << UNQL::eom;
    }
}

bool SslServer::listen()
{
    if (config.portMode != 1) {
        if (config.port < 0 || config.port > 65535)
            return false;
        return QTcpServer::listen(config.address, quint16(config.port));
    }
    return listenOnRange(config.address, config.firstPort, config.lastPort);
}

bool SslServer::listen(const QHostAddress &address, quint16 firstPort, quint16 lastPort)
{
    return listenOnRange(address, firstPort, lastPort);
}

bool SslServer::listen(const QHostAddress &address, quint16 port)
{
    return QTcpServer::listen(address, port);
}

bool SslServer::listenOnRange(const QHostAddress &address, int firstPort, int lastPort)
{
    if (lastPort <= firstPort)
        return false;
    // Counted in a full int and bounded by the highest port, so a range that
    // reaches past 65535 ends there instead of wrapping round to port 0.
    const int end = qMin(lastPort, 65536);
    for (int p = qMax(firstPort, 0); p < end; ++p) {
        if (QTcpServer::listen(address, quint16(p)))
            return true;
    }
    return false;
}

void SslServer::setLogLevel(int level)
{
    if (fileLogger)
        fileLogger->setVerbosityAcceptedLevel(level);
}

void SslServer::incomingConnection(qintptr socketDescriptor)
{
    auto *socket = new QSslSocket();
    socket->setProtocol(QSsl::AnyProtocol);

    if (!socket->setSocketDescriptor(socketDescriptor, QAbstractSocket::ConnectedState, QIODevice::ReadWrite)) {
        logLine(UNQL::LOG_CRITICAL, QStringLiteral("Invalid set socket descriptor operation"));
        qCritical("%s Could not set socket descriptor!!! ", Q_FUNC_INFO);
        delete socket;
        // The descriptor was accepted for us: nobody else will close it.
        closeUnadoptedDescriptor(socketDescriptor);
        return;
    }

    if (socket->peerAddress().toString().isEmpty()) {
        logLine(UNQL::LOG_CRITICAL, QStringLiteral("Connecting socket seems to be disconnected: aborting!"));
        qCritical("%s #########> Connecting socket seems to be disconnected: aborting!", Q_FUNC_INFO);
        socket->abort();
        socket->close();
        socket->deleteLater();
        return;
    }

    qRegisterMetaType<QAbstractSocket::SocketError>("QAbstractSocket::SocketError");
    connect(socket, &QAbstractSocket::errorOccurred, this, &SslServer::onSocketError);

    if (config.plainConnections) {
        addPendingConnection(socket);
        emit connectedClient();
        return;
    }

    connect(socket, QOverload<const QList<QSslError> &>::of(&QSslSocket::sslErrors), this, &SslServer::onSslErrors);

    socket->setLocalCertificate(config.certificatePath, QSsl::Pem);
    socket->setPrivateKey(config.privateKeyPath, QSsl::Rsa, QSsl::Pem, config.keyPassPhrase);

    if (socket->localCertificate().isBlacklisted())
        logLine(UNQL::LOG_CRITICAL, QStringLiteral("BlackListed certificate"), config.certificatePath);
    if (socket->privateKey().isNull())
        logLine(UNQL::LOG_CRITICAL, QStringLiteral("Invalid private key (NULL)"), config.privateKeyPath);

    socket->startServerEncryption();
    addPendingConnection(socket);
    emit connectedClient();
}

void SslServer::onSocketError(QAbstractSocket::SocketError)
{
    auto *socket = qobject_cast<QAbstractSocket *>(sender());
    if (!socket) {
        logLine(UNQL::LOG_CRITICAL, QStringLiteral("Socket error event received but the socket is invalid (null)"));
        return;
    }
    logLine(UNQL::LOG_WARNING, QStringLiteral("Server reports error: %1 / peer address: %2:%3")
                                   .arg(socket->errorString(), socket->peerAddress().toString())
                                   .arg(socket->peerPort()));
}

SslServer::SslErrorDecision SslServer::decideSslErrors(const QList<QSslError> &errors, bool acceptSelfSigned,
                                                       bool ignoreAllSslErrors)
{
    SslErrorDecision decision;
    decision.ignoreAll = ignoreAllSslErrors;
    if (!acceptSelfSigned)
        return decision;
    for (const QSslError &e : errors) {
        if (isSelfSignedError(e))
            decision.toIgnore.append(e);
    }
    return decision;
}

void SslServer::onSslErrors(const QList<QSslError> &errors)
{
    for (const QSslError &e : errors) {
        if (e.error() == QSslError::NoError)
            continue;
        logLine(UNQL::LOG_CRITICAL, QStringLiteral("Server reports SSL error:"), e.errorString());
        if (config.acceptSelfSigned && isSelfSignedError(e))
            logLine(UNQL::LOG_INFO, QStringLiteral("Client certificate is untrusted but we're ok with that"));
    }
    const SslErrorDecision decision = decideSslErrors(errors, config.acceptSelfSigned, config.ignoreAllSslErrors);

    auto *socket = qobject_cast<QSslSocket *>(sender());
    if (!socket)
        return;
    if (!decision.ignoreAll) {
        logLine(UNQL::LOG_WARNING, QStringLiteral("Ignoring some SSL errors..."));
        if (!decision.toIgnore.isEmpty())
            socket->ignoreSslErrors(decision.toIgnore);
    } else {
        logLine(UNQL::LOG_WARNING, QStringLiteral("There were SSL errors but server is configured to ignore them all"));
        socket->ignoreSslErrors();
    }
}
