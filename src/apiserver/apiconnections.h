// The connections of the local API server, served on a thread of their own so
// that TLS handshakes and slow clients never hold up the window: each accepted
// descriptor becomes a TLS socket here, its bytes are collected until one
// request is complete, the request is handed to the server (on the GUI
// thread), and the reply that comes back is written before the connection is
// closed. A connection has a short time to finish its TLS handshake and the
// first line of its request; after that, idle connections are closed after a
// timeout. When every place is taken, the oldest connection still waiting
// for its request (or left without an answer) makes room for a new one, so
// that nobody can hold all the places with idle or trickling connections.
#pragma once

#include "apiprotocol.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>

#include <atomic>
#include <memory>

class QSslSocket;
class QTimer;

class ApiConnections : public QObject
{
    Q_OBJECT
public:
    struct Settings {
        QSslCertificate certificate;
        QSslKey privateKey;
        int handshakeTimeoutMs = 3000; // accept to the end of the TLS handshake
        int firstLineTimeoutMs = 3000; // handshake to the first line of the request
        int idleTimeoutMs = 10000;     // silence between pieces, reply delivery
        int lifetimeMs = 30000;        // the longest a request may take to arrive
        int maxRequestBytes = 64 * 1024;
        int maxConnections = 64; // open at once; beyond, the oldest idle one goes
        bool plain = false;      // no TLS (only for the server's own tests of framing)
    };

    // `open` counts the connections not yet closed: whoever accepts one adds
    // it, this object takes it off the moment the connection is closed.
    explicit ApiConnections(std::shared_ptr<std::atomic<int>> open, QObject *parent = nullptr);
    ~ApiConnections() override;

    // All of these run on the object's thread.
    void accept(qintptr descriptor, quint64 id, const Settings &settings);
    // Writes the reply of connection `id` and closes it; replySent(id) follows
    // in any case, also when the connection is gone already.
    void sendReply(quint64 id, const QByteArray &reply);
    // Leaves connection `id` without a reply and counts it as idle again: it
    // is closed at the idle timeout, or sooner when its place is needed.
    void park(quint64 id);
    // Aborts every connection.
    void closeAll();
    int openCount() const { return connections.size(); }
    // Closes an accepted descriptor that no socket took over (any thread).
    static void closeDescriptor(qintptr descriptor);

signals:
    // A complete request (its bytes) from a peer address.
    void requestReceived(quint64 id, const QString &peer, const QByteArray &request);
    void replySent(quint64 id);
    // The connection is closed and forgotten; emitted once per accepted id.
    void connectionClosed(quint64 id);
    void logMessage(int priority, const QString &text);

private:
    struct Connection {
        quint64 id = 0;
        QSslSocket *socket = nullptr;
        QTimer *timer = nullptr;
        QElapsedTimer age;
        ApiProtocol::RequestBuffer buffer;
        Settings settings;
        bool firstLine = false; // the request's first line has arrived
        bool handedOn = false;  // the request went to the server
        bool parked = false;    // left without a reply, closed when its place is needed
        bool replied = false;
        explicit Connection(int maxBytes) : buffer(maxBytes) {}
    };

    void onReadyRead(Connection *c);
    void onEncrypted(Connection *c);
    // Closes the oldest connection still waiting for its request; false when
    // there is none.
    bool evictOldestIdle();
    void onTimeout(Connection *c);
    void finish(Connection *c, bool abort, bool fromSocketSignal = true);
    void armTimer(Connection *c, int ms);

    QHash<quint64, Connection *> connections;
    std::shared_ptr<std::atomic<int>> open;
};
