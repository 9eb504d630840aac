// TCP server that turns every accepted connection into a server-side TLS
// socket (or, in plain mode, an unencrypted one) and hands it on through the
// queue of pending connections, announcing each with connectedClient(). The
// receiver takes the socket with nextPendingConnection() and owns it; the
// handshake may still be running at that moment.
#pragma once

#include "uniqlogger.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QSslError>
#include <QString>
#include <QTcpServer>

#include <memory>

// Settings of an SslServer, copied into it.
struct QdServerConfig {
    QHostAddress address = QHostAddress::Any; // address to listen on
    int port = 0;                             // port in single-port mode (0: the system chooses)
    int firstPort = 1025;                     // first port tried in range mode
    int lastPort = 65535;                     // end of the range, never tried itself
    int portMode = 1;                         // 1: port range; any other value: single port
    QString privateKeyPath;                   // file or resource path of the PEM (RSA) private key
    QString certificatePath;                  // file or resource path of the PEM certificate
    QByteArray keyPassPhrase = QByteArrayLiteral("orbit_demo_server_key_words");
    bool acceptSelfSigned = false;   // ignore a client's self-signed certificate errors
    bool ignoreAllSslErrors = false; // ignore every TLS error of the handshake
    bool plainConnections = false;   // hand sockets on without starting TLS
    QString loggerName = QStringLiteral("QdTcpServer");
    QString logFileName = QStringLiteral("sslsrv.log");
    WriterConfig writerConfig;
    // Carried for the owner; the server does not read them.
    int userValue1 = 0;
    int userValue2 = 0;
    int userValue3 = 0;
};

class QSslSocket;

class SslServer : public QTcpServer
{
    Q_OBJECT

public:
    explicit SslServer(const QdServerConfig &config, QObject *parent = nullptr);
    ~SslServer() override;

    // Listens on the configured address: on `port` when portMode is not 1,
    // otherwise on the first free port of [firstPort, lastPort).
    bool listen();
    // Range rule: the first free port p with firstPort <= p < lastPort.
    bool listen(const QHostAddress &address, quint16 firstPort, quint16 lastPort);
    bool listen(const QHostAddress &address, quint16 port);

    // Verbosity of the file logger (the console logger keeps its own).
    void setLogLevel(int level);

    const QdServerConfig &serverConfig() const { return config; }

    // The certificate policy applied to the errors of a handshake: with
    // `acceptSelfSigned` the self-signed errors are ignored, with
    // `ignoreAllSslErrors` every error; any other error aborts the handshake
    // when the socket verifies its peer.
    struct SslErrorDecision {
        bool ignoreAll = false;    // ignore every error
        QList<QSslError> toIgnore; // otherwise: ignore exactly these
    };
    static SslErrorDecision decideSslErrors(const QList<QSslError> &errors, bool acceptSelfSigned,
                                            bool ignoreAllSslErrors);

signals:
    void connectedClient();

public slots:
    void onSocketError(QAbstractSocket::SocketError error);
    void onSslErrors(const QList<QSslError> &errors);

protected:
    void incomingConnection(qintptr socketDescriptor) override;

    // Writes one line to the file logger and then to the console logger.
    void logLine(int priority, const QString &text);
    void logLine(int priority, const QString &text, const QString &value);

    QdServerConfig config;
    std::unique_ptr<Logger> fileLogger;
    std::unique_ptr<Logger> consoleLogger;

private:
    bool listenOnRange(const QHostAddress &address, int firstPort, int lastPort);
};
