// A small HTTPS update service for the updater's tests, on 127.0.0.1 only.
// It answers version requests (HTTP POST, or the raw document on a TLS
// socket), serves files, and misbehaves on demand: replies split into pieces,
// no reply at all, HTTP error statuses, a certificate of a foreign CA.
//
// Its certificate is signed by the test CA in tests/updater/data; a client
// trusts it only when given caCertificate() explicitly.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>
#include <QUrl>

#include <functional>

class QSslSocket;

class TestUpdateService : public QTcpServer
{
    Q_OBJECT
public:
    enum class Identity { Trusted, ForeignCa };

    struct Request {
        QByteArray method;
        QByteArray target;                    // path and query
        QMap<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
        bool raw = false; // came on the TLS socket transport, without HTTP
    };

    // A served file: fixed bytes, or `size` bytes made by `generate`.
    struct File {
        QByteArray data;
        qint64 size = -1;
        std::function<QByteArray(qint64 offset, int length)> generate;
        int status = 200;
        qint64 advertisedLength = -1; // Content-Length sent, when not the size
        bool noLength = false;        // no Content-Length: the body ends with the connection
    };

    explicit TestUpdateService(Identity identity = Identity::Trusted, QObject *parent = nullptr);
    ~TestUpdateService() override;

    bool start();
    quint16 port() const { return serverPort(); }
    // "https://127.0.0.1:<port>" + path
    QUrl url(const QString &path = QString()) const;

    static QString dataPath(const QString &name);
    static QSslCertificate caCertificate();

    // Version replies: the body sent for every request, cut into pieces at
    // these offsets, one piece per event-loop turn after `pieceDelayMs`.
    QByteArray replyBody;
    QList<int> splitAt;
    int pieceDelayMs = 20;
    int replyStatus = 200;
    // Reads the request and never answers.
    bool silent = false;

    // Files by path.
    QHash<QString, File> files;

    QList<Request> requests;
    int fileRequests = 0;
    // Bytes of files handed to the connections so far.
    qint64 bytesStreamed = 0;

    // A reply body holding one file description.
    static QByteArray fileInfoReply(const QMap<QString, QString> &elements);

signals:
    void requestSeen();

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void onData(QSslSocket *socket);
    void answer(QSslSocket *socket, const Request &request);
    void sendPieces(QSslSocket *socket, const QByteArray &all, const QList<int> &cuts);
    void streamFile(QSslSocket *socket, const File &file, qint64 offset);
    void pump(QSslSocket *socket);

    struct Stream {
        File file;
        qint64 offset = 0;
    };
    QHash<QSslSocket *, Stream> m_streams;

    Identity m_identity;
    QSslCertificate m_certificate;
    QSslKey m_key;
    QHash<QSslSocket *, QByteArray> m_buffers;
};
