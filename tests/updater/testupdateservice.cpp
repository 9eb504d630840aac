#include "testupdateservice.h"

#include <QFile>
#include <QPointer>
#include <QSslSocket>
#include <QTimer>

namespace
{
QByteArray loadFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
constexpr qint64 StreamChunk = 256 * 1024;
constexpr qint64 MaxPending = 1024 * 1024;
} // namespace

TestUpdateService::TestUpdateService(Identity identity, QObject *parent) : QTcpServer(parent), m_identity(identity)
{
    const bool trusted = identity == Identity::Trusted;
    m_certificate = QSslCertificate(loadFile(dataPath(trusted ? "server.pem" : "rogue-server.pem")));
    m_key = QSslKey(loadFile(dataPath(trusted ? "server.key" : "rogue-server.key")), QSsl::Rsa);
}

TestUpdateService::~TestUpdateService() = default;

QString TestUpdateService::dataPath(const QString &name)
{
    return QStringLiteral(DESKLINE_UPDATER_TESTDATA "/") + name;
}

QSslCertificate TestUpdateService::caCertificate()
{
    return QSslCertificate(loadFile(dataPath(QStringLiteral("testca.pem"))));
}

bool TestUpdateService::start()
{
    return !m_certificate.isNull() && !m_key.isNull() && listen(QHostAddress::LocalHost, 0);
}

QUrl TestUpdateService::url(const QString &path) const
{
    return QUrl(QStringLiteral("https://127.0.0.1:%1%2").arg(serverPort()).arg(path));
}

QByteArray TestUpdateService::fileInfoReply(const QMap<QString, QString> &elements)
{
    QByteArray out = "<QDUPFW><API>1.1</API><Response><FileInfoRoot>";
    for (auto it = elements.begin(); it != elements.end(); ++it)
        out += "<" + it.key().toLatin1() + ">" + it.value().toLatin1() + "</" + it.key().toLatin1() + ">";
    out += "</FileInfoRoot></Response></QDUPFW>";
    return out;
}

void TestUpdateService::incomingConnection(qintptr descriptor)
{
    auto *socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    socket->setLocalCertificate(m_certificate);
    socket->setPrivateKey(m_key);
    socket->setPeerVerifyMode(QSslSocket::VerifyNone); // clients have no certificate
    connect(socket, &QSslSocket::readyRead, this, [this, socket] { onData(socket); });
    connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QObject::destroyed, this, [this, socket] {
        m_buffers.remove(socket);
        m_streams.remove(socket);
    });
    connect(socket, &QSslSocket::encryptedBytesWritten, this, [this, socket](qint64) { pump(socket); });
    connect(socket, QOverload<QAbstractSocket::SocketError>::of(&QAbstractSocket::errorOccurred), socket,
            [socket](QAbstractSocket::SocketError) { socket->deleteLater(); });
    socket->startServerEncryption();
}

void TestUpdateService::onData(QSslSocket *socket)
{
    QByteArray &buffer = m_buffers[socket];
    buffer += socket->readAll();
    if (buffer.startsWith("<QDUPFW>")) {
        if (!buffer.contains("</QDUPFW>"))
            return;
        Request r;
        r.raw = true;
        r.body = buffer;
        buffer.clear();
        requests << r;
        emit requestSeen();
        answer(socket, r);
        return;
    }
    const int headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    Request r;
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    r.method = first.value(0);
    r.target = first.value(1);
    for (int i = 1; i < lines.size(); ++i) {
        const int colon = lines.at(i).indexOf(':');
        if (colon > 0)
            r.headers.insert(lines.at(i).left(colon).trimmed().toLower(), lines.at(i).mid(colon + 1).trimmed());
    }
    const int length = r.headers.value("content-length", "0").toInt();
    if (buffer.size() < headerEnd + 4 + length)
        return;
    r.body = buffer.mid(headerEnd + 4, length);
    buffer.remove(0, headerEnd + 4 + length);
    requests << r;
    emit requestSeen();
    answer(socket, r);
}

void TestUpdateService::answer(QSslSocket *socket, const Request &request)
{
    if (request.method == "GET") {
        ++fileRequests;
        const QString path = QString::fromLatin1(request.target);
        if (!files.contains(path)) {
            socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            socket->disconnectFromHost();
            return;
        }
        const File file = files.value(path);
        const qint64 size = file.generate ? file.size : file.data.size();
        const qint64 length = file.advertisedLength >= 0 ? file.advertisedLength : size;
        socket->write(QByteArray("HTTP/1.1 ") + QByteArray::number(file.status) +
                      (file.status == 200 ? " OK" : " Error") + "\r\nContent-Type: application/octet-stream" +
                      (file.noLength ? QByteArray() : "\r\nContent-Length: " + QByteArray::number(length)) +
                      "\r\nConnection: close\r\n\r\n");
        streamFile(socket, file, 0);
        return;
    }
    if (silent)
        return;
    QByteArray all;
    if (!request.raw)
        all = QByteArray("HTTP/1.1 ") + QByteArray::number(replyStatus) + (replyStatus == 200 ? " OK" : " Error") +
              "\r\nContent-Type: text/xml\r\nContent-Length: " + QByteArray::number(replyBody.size()) +
              "\r\nConnection: close\r\n\r\n";
    const int headerSize = all.size();
    all += replyBody;
    QList<int> cuts;
    for (int c : splitAt)
        cuts << headerSize + c;
    sendPieces(socket, all, cuts);
}

void TestUpdateService::sendPieces(QSslSocket *socket, const QByteArray &all, const QList<int> &cuts)
{
    if (cuts.isEmpty()) {
        socket->write(all);
        socket->disconnectFromHost();
        return;
    }
    const int cut = qBound(0, cuts.first(), all.size());
    socket->write(all.left(cut));
    socket->flush();
    QPointer<QSslSocket> guard(socket);
    const QByteArray rest = all.mid(cut);
    QList<int> later;
    for (int i = 1; i < cuts.size(); ++i)
        later << cuts.at(i) - cut;
    QTimer::singleShot(pieceDelayMs, this, [this, guard, rest, later] {
        if (guard)
            sendPieces(guard, rest, later);
    });
}

void TestUpdateService::streamFile(QSslSocket *socket, const File &file, qint64 offset)
{
    m_streams.insert(socket, Stream{file, offset});
    pump(socket);
}

void TestUpdateService::pump(QSslSocket *socket)
{
    auto it = m_streams.find(socket);
    if (it == m_streams.end())
        return;
    Stream &s = it.value();
    const qint64 size = s.file.generate ? s.file.size : s.file.data.size();
    while (s.offset < size && socket->encryptedBytesToWrite() + socket->bytesToWrite() < MaxPending) {
        const int n = int(qMin(StreamChunk, size - s.offset));
        socket->write(s.file.generate ? s.file.generate(s.offset, n) : s.file.data.mid(int(s.offset), n));
        s.offset += n;
        bytesStreamed += n;
    }
    if (s.offset >= size) {
        m_streams.erase(it);
        socket->disconnectFromHost();
    }
}
