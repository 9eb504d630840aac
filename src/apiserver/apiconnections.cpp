#include "apiconnections.h"

#include "uniqlogger.h"

#include <QHostAddress>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

void ApiConnections::closeDescriptor(qintptr descriptor)
{
    const int fd = int(descriptor);
    if (fd < 0 || (::fcntl(fd, F_GETFD) == -1 && errno == EBADF))
        return;
    ::close(fd);
}

ApiConnections::ApiConnections(std::shared_ptr<std::atomic<int>> open, QObject *parent)
    : QObject(parent), open(std::move(open))
{
}

ApiConnections::~ApiConnections()
{
    disconnect(this, nullptr, nullptr, nullptr); // nobody is told any more
    closeAll();
}

void ApiConnections::accept(qintptr descriptor, quint64 id, const Settings &settings)
{
    if (connections.size() >= settings.maxConnections && !evictOldestIdle()) {
        // Every place holds a request being answered: this one waits outside.
        emit logMessage(UNQL::LOG_WARNING, QStringLiteral("Too many local API connections: one refused"));
        closeDescriptor(descriptor);
        --*open;
        emit connectionClosed(id);
        return;
    }
    auto *c = new Connection(settings.maxRequestBytes);
    c->id = id;
    c->settings = settings;
    c->socket = new QSslSocket(this);
    c->timer = new QTimer(this);
    c->timer->setSingleShot(true);
    c->age.start();
    connections.insert(id, c);

    if (!c->socket->setSocketDescriptor(descriptor, QAbstractSocket::ConnectedState, QIODevice::ReadWrite)) {
        emit logMessage(UNQL::LOG_CRITICAL,
                        QStringLiteral("Cannot take over an accepted connection: %1").arg(c->socket->errorString()));
        closeDescriptor(descriptor);
        finish(c, true, false);
        return;
    }
    // The server listens on the local host only; anything else is refused.
    if (!c->socket->peerAddress().isLoopback()) {
        emit logMessage(UNQL::LOG_CRITICAL, QStringLiteral("Connection from a non-local address refused"));
        finish(c, true, false);
        return;
    }

    // Small records (handshake tail, reply, close) go out at once instead of
    // waiting for the peer's delayed acknowledgement.
    c->socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);

    connect(c->socket, &QSslSocket::readyRead, this, [this, c] { onReadyRead(c); });
    connect(c->socket, &QSslSocket::disconnected, this, [this, c] { finish(c, false); });
    connect(c->socket, &QAbstractSocket::errorOccurred, this, [this, c](QAbstractSocket::SocketError error) {
        if (error != QAbstractSocket::RemoteHostClosedError)
            emit logMessage(UNQL::LOG_WARNING,
                            QStringLiteral("Local API connection error: %1").arg(c->socket->errorString()));
        finish(c, true);
    });
    connect(c->timer, &QTimer::timeout, this, [this, c] { onTimeout(c); });

    if (settings.plain) {
        onEncrypted(c);
        return;
    }
    connect(c->socket, &QSslSocket::encrypted, this, [this, c] { onEncrypted(c); });
    armTimer(c, settings.handshakeTimeoutMs);
    QSslConfiguration tls = c->socket->sslConfiguration();
    tls.setProtocol(QSsl::SecureProtocols);
    tls.setLocalCertificate(settings.certificate);
    tls.setPrivateKey(settings.privateKey);
    // Clients present no certificate: no trust store to build per connection.
    tls.setCaCertificates(QList<QSslCertificate>());
    c->socket->setSslConfiguration(tls);
    c->socket->startServerEncryption();
}

void ApiConnections::onEncrypted(Connection *c)
{
    armTimer(c, c->settings.firstLineTimeoutMs);
}

bool ApiConnections::evictOldestIdle()
{
    Connection *oldest = nullptr;
    for (Connection *c : qAsConst(connections)) {
        if ((!c->handedOn || c->parked) && (!oldest || c->id < oldest->id))
            oldest = c;
    }
    if (!oldest)
        return false;
    emit logMessage(UNQL::LOG_WARNING,
                    QStringLiteral("Local API connections all taken: the oldest idle one closed for a new one"));
    finish(oldest, true, false);
    return true;
}

void ApiConnections::armTimer(Connection *c, int ms)
{
    // Never past the lifetime of a request that has not arrived yet.
    if (!c->handedOn)
        ms = int(qMin<qint64>(ms, qMax<qint64>(0, c->settings.lifetimeMs - c->age.elapsed())));
    c->timer->start(ms);
}

void ApiConnections::onReadyRead(Connection *c)
{
    const QByteArray chunk = c->socket->readAll();
    if (c->handedOn || chunk.isEmpty())
        return; // one request per connection: what follows it is dropped
    const ApiProtocol::RequestBuffer::State state = c->buffer.append(chunk);
    if (state == ApiProtocol::RequestBuffer::Incomplete) {
        // Until the first line is in, the short deadline set at the
        // handshake keeps running, however the bytes trickle in.
        if (!c->firstLine && c->buffer.bytes().contains('\n'))
            c->firstLine = true;
        if (c->firstLine)
            armTimer(c, c->settings.idleTimeoutMs);
        return;
    }
    c->firstLine = true;
    c->handedOn = true;
    if (state == ApiProtocol::RequestBuffer::TooLarge) {
        emit logMessage(
            UNQL::LOG_WARNING,
            QStringLiteral("Local API request larger than %1 bytes refused").arg(c->settings.maxRequestBytes));
        c->replied = true;
        c->socket->write(ApiProtocol::tooLargeReply());
        armTimer(c, c->settings.idleTimeoutMs);
        c->socket->disconnectFromHost();
        return;
    }
    // Waiting for the server's answer, the reply and its delivery.
    armTimer(c, c->settings.idleTimeoutMs);
    emit requestReceived(c->id, c->socket->peerAddress().toString(), c->buffer.bytes());
}

void ApiConnections::sendReply(quint64 id, const QByteArray &reply)
{
    Connection *c = connections.value(id);
    if (c && !c->replied) {
        c->replied = true;
        c->socket->write(reply);
        armTimer(c, c->settings.idleTimeoutMs); // the reply must leave in time
        emit replySent(id);
        c->socket->disconnectFromHost(); // sends what is pending, then closes
        return;
    }
    emit replySent(id);
}

void ApiConnections::onTimeout(Connection *c)
{
    QString why = QStringLiteral("Idle local API connection closed");
    if (c->handedOn)
        why = QStringLiteral("Local API connection closed: no reply in time");
    else if (!c->settings.plain && !c->socket->isEncrypted())
        why = QStringLiteral("Local API connection closed: no TLS handshake in time");
    else if (!c->firstLine)
        why = QStringLiteral("Local API connection closed: no request line in time");
    emit logMessage(UNQL::LOG_INFO, why);
    finish(c, true);
}

void ApiConnections::finish(Connection *c, bool abort, bool fromSocketSignal)
{
    if (!connections.contains(c->id) || connections.value(c->id) != c)
        return;
    connections.remove(c->id);
    c->timer->stop();
    c->timer->disconnect(this);
    c->socket->disconnect(this);
    if (abort)
        c->socket->abort();
    if (fromSocketSignal) {
        // Inside the socket's or the timer's own signal: delete them afterwards.
        c->socket->deleteLater();
        c->timer->deleteLater();
    } else {
        delete c->socket;
        delete c->timer;
    }
    const quint64 id = c->id;
    delete c;
    --*open;
    emit connectionClosed(id);
}

void ApiConnections::park(quint64 id)
{
    Connection *c = connections.value(id);
    if (!c || c->replied)
        return;
    c->parked = true;
    armTimer(c, c->settings.idleTimeoutMs);
}

void ApiConnections::closeAll()
{
    const QList<Connection *> all = connections.values();
    for (Connection *c : all)
        finish(c, true, false);
}
