// A local program talking to the API server: a TLS client on 127.0.0.1 that
// trusts the server's embedded certificate explicitly (peer verification on),
// writes a request in one or more pieces and collects the reply until the
// server closes the connection. Waiting spins the event loop, so a server on
// the test's own thread keeps working.
#pragma once

#include "conditionwait.h"
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QtTest>

namespace apitest
{

inline QSslCertificate serverCertificate()
{
    QFile f(QStringLiteral(":/cert/MCTI-Client-Desktop.cert.pem"));
    if (!f.open(QIODevice::ReadOnly))
        return QSslCertificate();
    return QSslCertificate(f.readAll(), QSsl::Pem);
}

inline QString md5(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

// The request document with the credentials and `inner` commands.
inline QByteArray apiBody(const QString &inner, const QString &user, const QString &digest)
{
    return QStringLiteral("<mpbx_request><username>%1</username><pwd_md5>%2</pwd_md5>%3</mpbx_request>")
        .arg(user, digest, inner)
        .toUtf8();
}

// An HTTP POST carrying `body`, as a browser or a script sends it.
inline QByteArray httpPost(const QByteArray &body)
{
    return "POST /api HTTP/1.1\r\nHost: 127.0.0.1:5039\r\nContent-Type: text/xml\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

class ApiClient
{
public:
    ApiClient()
    {
        QSslConfiguration conf = socket.sslConfiguration();
        conf.setCaCertificates({serverCertificate()});
        conf.setPeerVerifyMode(QSslSocket::VerifyPeer);
        socket.setSslConfiguration(conf);
        QObject::connect(&socket, &QSslSocket::readyRead, [this] { received += socket.readAll(); });
        QObject::connect(&socket, &QSslSocket::disconnected, [this] { closed = true; });
        QObject::connect(&socket, QOverload<const QList<QSslError> &>::of(&QSslSocket::sslErrors),
                         [this](const QList<QSslError> &errors) {
                             for (const QSslError &e : errors)
                                 sslErrors << e.errorString();
                         });
    }

    // Connects and completes the handshake.
    bool open(quint16 port, int ms = testsupport::kConditionWaitMs)
    {
        socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
        return QTest::qWaitFor([this] { return socket.isEncrypted() || closed; }, ms) && socket.isEncrypted();
    }
    void write(const QByteArray &bytes)
    {
        socket.write(bytes);
        socket.flush();
    }
    // Waits until the server closes the connection; true when it did.
    bool waitClosed(int ms = testsupport::kConditionWaitMs)
    {
        return QTest::qWaitFor([this] { return closed; }, ms);
    }
    // One request in one piece, the whole reply back.
    QByteArray exchange(quint16 port, const QByteArray &request)
    {
        if (!open(port))
            return QByteArray("<no handshake>");
        write(request);
        waitClosed();
        return received;
    }

    QSslSocket socket;
    QByteArray received;
    bool closed = false;
    QStringList sslErrors;
};

// The <code> and <message> of a reply.
inline int replyCode(const QByteArray &reply)
{
    const int a = reply.indexOf("<code>");
    const int b = reply.indexOf("</code>");
    return a < 0 || b < a ? -1 : reply.mid(a + 6, b - a - 6).toInt();
}

inline QByteArray replyMessage(const QByteArray &reply)
{
    const int a = reply.indexOf("<message>");
    const int b = reply.indexOf("</message>");
    return a < 0 || b < a ? QByteArray() : reply.mid(a + 9, b - a - 9);
}

// The element name inside mpbx_response.
inline QByteArray replyName(const QByteArray &reply)
{
    const int a = reply.indexOf("<mpbx_response><");
    if (a < 0)
        return QByteArray();
    const int b = reply.indexOf('>', a + 16);
    return reply.mid(a + 16, b - a - 16);
}

} // namespace apitest
