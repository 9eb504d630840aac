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
#include "queues/queuestatus.h"
#include "framework/sslserver.h"

#include <QElapsedTimer>
#include <QHash>
#include <QString>
#include <QThread>

class QTimer;

class ClientApiServer : public SslServer {
    Q_OBJECT
public:
    // Bounds of the connections; the defaults are those of the program.
    struct Limits {
        int maxConnections = 64;          // simultaneous connections; more are refused
        int idleTimeoutMs = 10000;        // handshake, silence, reply delivery
        int lifetimeMs = 30000;           // the longest a request may take to arrive
        int maxRequestBytes = 64 * 1024;  // larger requests are refused
        int failedAuthDelayMs = 1000;     // a peer's next check after a failed one
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
    void deferJudgement(quint64 id, const QString &peer, const ApiProtocol::Request &request, qint64 waitMs);
    QByteArray runCommand(quint64 id, const ApiProtocol::Request &request);
    void sendReply(quint64 id, const QByteArray &reply);
    void onReplySent(quint64 id);
    void onConnectionClosed(quint64 id);
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
    quint64 nextConnectionId = 1;

    QElapsedTimer clock;
    ApiProtocol::AuthThrottle throttle;
    QHash<quint64, QTimer *> deferred;                     // requests waiting for their check
    QHash<quint64, ApiProtocol::Command> actionsAfterReply; // run once the reply is written
};
