// The local API server: a TLS server on the local host through which other
// programs of the user ask the client to call, transfer, hang up, record, set
// do-not-disturb and pause the queues, and ask for the current call and the
// waiting calls of a queue.
//
// Every connection carries one HTTP POST with an mpbx_request document and
// gets one reply, then it is closed. Connections are served on a thread of
// their own; the requests are judged here, on the thread of the server
// object (the GUI thread), and become the signals below:
//  - the seven action signals are emitted once the reply has been written;
//    the main window connects them queued;
//  - the two queries are emitted while the reply is being built; the main
//    window connects them directly and fills the record passed by reference.
#pragma once

#include "apiconnections.h"
#include "apiprotocol.h"
#include "calls/mcticalldetails.h"
#include "framework/sslserver.h"
#include "queues/queuestatus.h"

#include <QHash>
#include <QString>
#include <QThread>

class ClientApiServer : public SslServer
{
    Q_OBJECT
public:
    // How long a connection has for its TLS handshake, and then for the
    // first line of its request.
    static constexpr int HandshakeTimeoutMs = 3000;
    static constexpr int FirstLineTimeoutMs = 3000;
    // Requests with wrong credentials waiting for their late answer at once;
    // beyond, a failing request gets no answer and its connection counts as
    // idle (closed at the idle timeout, or for a new connection's sake).
    static constexpr int MaxFailingRequests = 16;

    // Bounds of the connections; the defaults are those of the program.
    struct Limits {
        int maxConnections = 64; // simultaneous connections; beyond, the oldest idle one makes room
        int handshakeTimeoutMs = HandshakeTimeoutMs;
        int firstLineTimeoutMs = FirstLineTimeoutMs;
        int idleTimeoutMs = 10000;       // silence between pieces, reply delivery
        int lifetimeMs = 30000;          // the longest a request may take to arrive
        int maxRequestBytes = 64 * 1024; // larger requests are refused
        // A request with wrong credentials is answered this late, on its own
        // connection; a request with the right ones never waits for it.
        int failedAuthDelayMs = 1000;
        int maxFailingRequests = MaxFailingRequests;
    };

    // Starts listening as `config` says, on the local host whatever address it
    // names; the user name and password are the credentials a local client
    // must present (only the password's digest is kept).
    ClientApiServer(const QString &user, const QString &password, const QdServerConfig &config,
                    QObject *parent = nullptr);
    ~ClientApiServer() override;

    // Listening, narrowed to the local host like the configuration.
    bool listen();
    bool listen(const QHostAddress &address, quint16 port);

    void setLimits(const Limits &limits);
    const Limits &limits() const { return bounds; }
    // Connections accepted and not yet closed.
    int openConnectionCount() const { return openConnections->load(); }
    // Requests refused for wrong credentials since the start.
    int failedAuthenticationCount() const { return failedAuthentications; }
    // Of those, the ones left without an answer (too many at once).
    int droppedFailureCount() const { return droppedFailures; }

signals:
    void sigTriggerRecCallRequested();
    void sigHangupCallRequested();
    void sigMakeCallRequested(QString calledNum);
    void sigQueuesPauseRequested(bool pause);
    void sigDNDRequested(bool enable);
    void sigBlindTransferCallRequested(QString target);
    void sigAttendedTransferCallRequested(QString target);
    void sigGetCurrentCallInfo(MctiCallDetails &callInfo);
    void sigGetQueuedCallInfo(QString queueName, QueueStatus &queueInfo);

protected:
    void incomingConnection(qintptr socketDescriptor) override;

private:
    void onRequestReceived(quint64 id, const QString &peer, const QByteArray &bytes);
    void judge(quint64 id, const QString &peer, const ApiProtocol::Request &request);
    void parkConnection(quint64 id);
    QByteArray runCommand(quint64 id, const ApiProtocol::Request &request);
    void sendReply(quint64 id, const QByteArray &reply);
    void onReplySent(quint64 id);
    void emitAction(const ApiProtocol::Command &command);
    ApiConnections::Settings connectionSettings() const;

    QString apiUser;
    QString apiPasswordDigest;
    Limits bounds;
    QSslCertificate certificate;
    QSslKey privateKey;

    QThread ioThread;
    ApiConnections *connections = nullptr; // lives on ioThread
    std::shared_ptr<std::atomic<int>> openConnections{std::make_shared<std::atomic<int>>(0)};
    int failedAuthentications = 0;
    int droppedFailures = 0;
    int failingRequests = 0; // answers of failed checks not sent yet
    quint64 nextConnectionId = 1;

    QHash<quint64, ApiProtocol::Command> actionsAfterReply; // run once the reply is written
};
