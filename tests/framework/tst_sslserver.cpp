#include "framework/sslserver.h"
#include "testmain.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

const QHostAddress kLoopback(QHostAddress::LocalHost);

// Exposes the accepting step so that it can be fed odd descriptors.
class TestableServer : public SslServer
{
public:
    using SslServer::incomingConnection;
    using SslServer::SslServer;
};

QStringList logLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return lines;
}

int countLines(const QStringList &lines, const QString &priority, const QString &text)
{
    int n = 0;
    for (const QString &l : lines)
        if (l.contains(QLatin1Char('[') + priority + QLatin1Char(']')) && l.contains(text))
            ++n;
    return n;
}

} // namespace

class TestSslServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void listenRules_data();
    void listenRules();
    void rangePastHighestPortDoesNotWrap();
    void tlsHandshake();
    void encryptedKeyPassPhrase_data();
    void encryptedKeyPassPhrase();
    void plainConnectionsAreUnencrypted();
    void clientCertificatePolicy_data();
    void clientCertificatePolicy();
    void errorDecision_data();
    void errorDecision();
    void errorSlotLogging_data();
    void errorSlotLogging();
    void slotsWithoutSender();
    void logLevelAppliesToFileLogger();
    void invalidDescriptorIsDropped();
    void peerlessDescriptorIsClosed();

private:
    QdServerConfig baseConfig(const QString &logName) const;
    bool runOpenssl(const QStringList &args);

    QTemporaryDir m_dir;
    QString m_cert;
    QString m_key;
    QString m_encryptedKey;
    QString m_clientCert;
    QString m_clientKey;
    int m_logCount = 0;
};

bool TestSslServer::runOpenssl(const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("openssl"), args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning("openssl %s failed: %s", qPrintable(args.join(QLatin1Char(' '))), p.readAll().constData());
        return false;
    }
    return true;
}

void TestSslServer::initTestCase()
{
    QVERIFY(QSslSocket::supportsSsl());
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty(), "the openssl tool is needed");
    QVERIFY(m_dir.isValid());
    m_cert = m_dir.filePath("server.cert.pem");
    m_key = m_dir.filePath("server.key.pem");
    m_encryptedKey = m_dir.filePath("server.key.enc.pem");
    m_clientCert = m_dir.filePath("client.cert.pem");
    m_clientKey = m_dir.filePath("client.key.pem");
    // A self-signed server certificate for the loopback address, which the
    // test clients trust explicitly, and a self-signed client certificate.
    QVERIFY(runOpenssl({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", m_key, "-out", m_cert, "-days", "2",
                        "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"}));
    QVERIFY(runOpenssl({"rsa", "-in", m_key, "-out", m_encryptedKey, "-aes256", "-traditional", "-passout",
                        "pass:orbit_demo_server_key_words"}));
    QVERIFY(runOpenssl({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", m_clientKey, "-out", m_clientCert,
                        "-days", "2", "-subj", "/CN=deskline test client"}));
}

QdServerConfig TestSslServer::baseConfig(const QString &logName) const
{
    QdServerConfig c;
    c.address = kLoopback;
    c.portMode = 0;
    c.port = 0;
    c.certificatePath = m_cert;
    c.privateKeyPath = m_key;
    c.keyPassPhrase = QByteArray();
    c.logFileName = m_dir.filePath(logName);
    return c;
}

void TestSslServer::listenRules_data()
{
    // Ports are given relative to a port `base` that the test holds busy and
    // whose successor is free; -1 as the single port means port 0.
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("single");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<bool>("listening");
    QTest::addColumn<int>("where"); // -1: a port the system chose

    QTest::newRow("single port 0: system chooses") << 0 << -1 << 0 << 0 << true << -1;
    QTest::newRow("mode other than 1 is single port") << 7 << -1 << 0 << 0 << true << -1;
    QTest::newRow("single busy port") << 0 << 0 << 0 << 0 << false << 0;
    QTest::newRow("single free port") << 0 << 1 << 0 << 0 << true << 1;
    QTest::newRow("range first == last: nowhere") << 1 << -1 << 1 << 1 << false << 0;
    QTest::newRow("range last < first: nowhere") << 1 << -1 << 2 << 1 << false << 0;
    QTest::newRow("range of the busy port only") << 1 << -1 << 0 << 1 << false << 0;
    QTest::newRow("range skips the busy port") << 1 << -1 << 0 << 2 << true << 1;
}

void TestSslServer::listenRules()
{
    QFETCH(int, mode);
    QFETCH(int, single);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(bool, listening);
    QFETCH(int, where);

    std::unique_ptr<QTcpServer> busy;
    int base = 0;
    for (int attempt = 0; attempt < 20 && !base; ++attempt) {
        busy = std::make_unique<QTcpServer>();
        QVERIFY(busy->listen(kLoopback, 0));
        const int p = busy->serverPort();
        QTcpServer probe;
        if (p < 65530 && probe.listen(kLoopback, quint16(p + 1)))
            base = p;
    }
    QVERIFY(base);

    QdServerConfig c = baseConfig(QStringLiteral("listen.log"));
    c.portMode = mode;
    c.port = single < 0 ? 0 : base + single;
    c.firstPort = base + first;
    c.lastPort = base + last;
    SslServer server(c);
    QCOMPARE(server.listen(), listening);
    QCOMPARE(server.isListening(), listening);
    if (listening) {
        QCOMPARE(server.serverAddress(), kLoopback);
        if (where >= 0)
            QCOMPARE(int(server.serverPort()), base + where);
        else
            QVERIFY(server.serverPort() != 0);
    }
    server.close();

    // The explicit forms follow the same rules.
    SslServer other(c);
    if (mode == 1)
        QCOMPARE(other.listen(kLoopback, quint16(c.firstPort), quint16(c.lastPort)), listening);
    else
        QCOMPARE(other.listen(kLoopback, quint16(c.port)), listening);
}

// A range reaching past 65535 ends at 65535: it never wraps round to port 0,
// which would let the system pick an arbitrary port.
void TestSslServer::rangePastHighestPortDoesNotWrap()
{
    QTcpServer holder;
    holder.listen(kLoopback, 65535); // if this fails, someone else holds it: just as good
    QdServerConfig c = baseConfig(QStringLiteral("wrap.log"));
    c.portMode = 1;
    c.firstPort = 65535;
    c.lastPort = 100000;
    SslServer server(c);
    QCOMPARE(server.listen(), false);
    QCOMPARE(server.isListening(), false);

    // A single port outside the port numbers is refused, not cut down to one.
    c.portMode = 0;
    c.port = 65536;
    SslServer single(c);
    QCOMPARE(single.listen(), false);
}

void TestSslServer::tlsHandshake()
{
    QdServerConfig c = baseConfig(QStringLiteral("handshake.log"));
    SslServer server(c);
    QSignalSpy connected(&server, SIGNAL(connectedClient()));
    QVERIFY(server.listen());

    QSslSocket client;
    QSslConfiguration conf = client.sslConfiguration();
    conf.setCaCertificates(QSslCertificate::fromPath(m_cert));
    client.setSslConfiguration(conf);
    QSignalSpy clientErrors(&client, SIGNAL(sslErrors(QList<QSslError>)));
    client.connectToHostEncrypted(QStringLiteral("127.0.0.1"), server.serverPort());

    QTRY_COMPARE(connected.count(), 1);
    QVERIFY(server.hasPendingConnections());
    std::unique_ptr<QSslSocket> peer(qobject_cast<QSslSocket *>(server.nextPendingConnection()));
    QVERIFY(peer);
    QVERIFY(!server.hasPendingConnections());
    QCOMPARE(peer->mode(), QSslSocket::SslServerMode);
    QVERIFY(peer->parent() == nullptr || peer->parent() == &server);

    QTRY_VERIFY(client.isEncrypted());
    QTRY_VERIFY(peer->isEncrypted());
    QCOMPARE(clientErrors.count(), 0); // verified against the trusted certificate, nothing ignored
    QCOMPARE(client.peerCertificate(), QSslCertificate::fromPath(m_cert).value(0));

    client.write("ping\n");
    QTRY_VERIFY(peer->canReadLine());
    QCOMPARE(peer->readLine(), QByteArray("ping\n"));
    peer->write("pong\n");
    QTRY_VERIFY(client.canReadLine());
    QCOMPARE(client.readLine(), QByteArray("pong\n"));
}

void TestSslServer::encryptedKeyPassPhrase_data()
{
    QTest::addColumn<bool>("defaultPassPhrase");
    QTest::addColumn<bool>("handshake");
    QTest::newRow("default pass phrase opens the key") << true << true;
    QTest::newRow("wrong pass phrase") << false << false;
}

void TestSslServer::encryptedKeyPassPhrase()
{
    QFETCH(bool, defaultPassPhrase);
    QFETCH(bool, handshake);

    const QString log = QStringLiteral("passphrase%1.log").arg(++m_logCount);
    QdServerConfig c = baseConfig(log);
    c.privateKeyPath = m_encryptedKey;
    c.keyPassPhrase = defaultPassPhrase ? QdServerConfig().keyPassPhrase : QByteArray("wrong");
    SslServer server(c);
    QVERIFY(server.listen());

    QSslSocket client;
    QSslConfiguration conf = client.sslConfiguration();
    conf.setCaCertificates(QSslCertificate::fromPath(m_cert));
    client.setSslConfiguration(conf);
    client.connectToHostEncrypted(QStringLiteral("127.0.0.1"), server.serverPort());
    QTRY_VERIFY(server.hasPendingConnections());
    std::unique_ptr<QSslSocket> peer(qobject_cast<QSslSocket *>(server.nextPendingConnection()));
    QVERIFY(peer);
    if (handshake) {
        QTRY_VERIFY(client.isEncrypted());
        QCOMPARE(countLines(logLines(c.logFileName), "CRITICAL", "Invalid private key (NULL)"), 0);
    } else {
        // The server socket fails in the TLS layer; its error reaches the log.
        QTRY_VERIFY(countLines(logLines(c.logFileName), "WARNING", "Server reports error:") >= 1);
        QCOMPARE(countLines(logLines(c.logFileName), "CRITICAL", "Invalid private key (NULL)"), 1);
        QVERIFY(!peer->isEncrypted());
        QVERIFY(!client.isEncrypted());
    }
}

void TestSslServer::plainConnectionsAreUnencrypted()
{
    QdServerConfig c = baseConfig(QStringLiteral("plain.log"));
    c.plainConnections = true;
    c.certificatePath.clear(); // no TLS material is needed
    c.privateKeyPath.clear();
    SslServer server(c);
    QSignalSpy connected(&server, SIGNAL(connectedClient()));
    QVERIFY(server.listen());

    QTcpSocket client;
    client.connectToHost(kLoopback, server.serverPort());
    QTRY_COMPARE(connected.count(), 1);
    std::unique_ptr<QSslSocket> peer(qobject_cast<QSslSocket *>(server.nextPendingConnection()));
    QVERIFY(peer);
    QCOMPARE(peer->mode(), QSslSocket::UnencryptedMode);
    QVERIFY(client.waitForConnected(5000));
    client.write("GET / HTTP/1.0\r\n");
    QTRY_VERIFY(peer->canReadLine());
    QCOMPARE(peer->readLine(), QByteArray("GET / HTTP/1.0\r\n"));
    QVERIFY(!peer->isEncrypted());
    // The TLS error policy is not wired to a plain socket.
    QVERIFY(!disconnect(peer.get(), SIGNAL(sslErrors(QList<QSslError>)), &server, SLOT(onSslErrors(QList<QSslError>))));
}

void TestSslServer::clientCertificatePolicy_data()
{
    QTest::addColumn<bool>("acceptSelfSigned");
    QTest::addColumn<bool>("ignoreAll");
    QTest::addColumn<int>("infoLines");
    QTest::addColumn<int>("someLines");
    QTest::addColumn<int>("allLines");
    QTest::newRow("accept self-signed") << true << false << 1 << 1 << 0;
    QTest::newRow("refuse self-signed") << false << false << 0 << 1 << 0;
    QTest::newRow("ignore all") << false << true << 0 << 0 << 1;
}

// A client that presents a self-signed certificate: the server's socket
// reports it, and the policy decides what to ignore and what to log. The
// server only asks for a client certificate without requiring a trusted one,
// so the handshake completes in every case.
void TestSslServer::clientCertificatePolicy()
{
    QFETCH(bool, acceptSelfSigned);
    QFETCH(bool, ignoreAll);
    QFETCH(int, infoLines);
    QFETCH(int, someLines);
    QFETCH(int, allLines);

    QdServerConfig c = baseConfig(QStringLiteral("clientcert%1.log").arg(++m_logCount));
    c.acceptSelfSigned = acceptSelfSigned;
    c.ignoreAllSslErrors = ignoreAll;
    SslServer server(c);
    QVERIFY(server.listen());

    QSslSocket client;
    QSslConfiguration conf = client.sslConfiguration();
    conf.setCaCertificates(QSslCertificate::fromPath(m_cert));
    client.setSslConfiguration(conf);
    client.setLocalCertificate(m_clientCert);
    client.setPrivateKey(m_clientKey);
    client.connectToHostEncrypted(QStringLiteral("127.0.0.1"), server.serverPort());
    QTRY_VERIFY(server.hasPendingConnections());
    std::unique_ptr<QSslSocket> peer(qobject_cast<QSslSocket *>(server.nextPendingConnection()));
    QVERIFY(peer);
    QSignalSpy peerErrors(peer.get(), SIGNAL(sslErrors(QList<QSslError>)));
    QTRY_VERIFY(client.isEncrypted());
    QTRY_VERIFY(peer->isEncrypted());

    const QStringList lines = logLines(c.logFileName);
    QVERIFY2(countLines(lines, "CRITICAL", "Server reports SSL error:") >= 1, qPrintable(lines.join('\n')));
    QCOMPARE(countLines(lines, "INFO", "Client certificate is untrusted but we're ok with that"), infoLines);
    QCOMPARE(countLines(lines, "WARNING", "Ignoring some SSL errors..."), someLines);
    QCOMPARE(countLines(lines, "WARNING", "There were SSL errors but server is configured to ignore them all"),
             allLines);
}

void TestSslServer::errorDecision_data()
{
    QTest::addColumn<QList<QSslError>>("errors");
    QTest::addColumn<bool>("acceptSelfSigned");
    QTest::addColumn<bool>("ignoreAll");
    QTest::addColumn<bool>("expectAll");
    QTest::addColumn<QList<QSslError>>("expectIgnored");

    const QSslError self(QSslError::SelfSignedCertificate);
    const QSslError chain(QSslError::SelfSignedCertificateInChain);
    const QSslError expired(QSslError::CertificateExpired);
    const QSslError none(QSslError::NoError);
    using L = QList<QSslError>;
    QTest::newRow("self-signed accepted") << L{self} << true << false << false << L{self};
    QTest::newRow("self-signed refused") << L{self} << false << false << false << L{};
    QTest::newRow("chain accepted, expired kept") << L{expired, chain} << true << false << false << L{chain};
    QTest::newRow("expired with ignore all") << L{expired} << false << true << true << L{};
    QTest::newRow("only NoError") << L{none, none} << true << false << false << L{};
    QTest::newRow("empty") << L{} << true << false << false << L{};
}

void TestSslServer::errorDecision()
{
    QFETCH(QList<QSslError>, errors);
    QFETCH(bool, acceptSelfSigned);
    QFETCH(bool, ignoreAll);
    QFETCH(bool, expectAll);
    QFETCH(QList<QSslError>, expectIgnored);
    const SslServer::SslErrorDecision d = SslServer::decideSslErrors(errors, acceptSelfSigned, ignoreAll);
    QCOMPARE(d.ignoreAll, expectAll);
    QCOMPARE(d.toIgnore, expectIgnored);
}

void TestSslServer::errorSlotLogging_data()
{
    QTest::addColumn<QList<QSslError>>("errors");
    QTest::addColumn<bool>("acceptSelfSigned");
    QTest::addColumn<bool>("ignoreAll");
    QTest::addColumn<int>("errorLines");
    QTest::addColumn<int>("infoLines");
    QTest::addColumn<int>("someLines");
    QTest::addColumn<int>("allLines");

    using L = QList<QSslError>;
    const QSslError self(QSslError::SelfSignedCertificate);
    const QSslError expired(QSslError::CertificateExpired);
    const QSslError none(QSslError::NoError);
    QTest::newRow("self-signed accepted") << L{self} << true << false << 1 << 1 << 1 << 0;
    QTest::newRow("self-signed refused") << L{self} << false << false << 1 << 0 << 1 << 0;
    QTest::newRow("expired, ignore all") << L{expired} << false << true << 1 << 0 << 0 << 1;
    QTest::newRow("only NoError") << L{none, none} << false << false << 0 << 0 << 1 << 0;
}

void TestSslServer::errorSlotLogging()
{
    QFETCH(QList<QSslError>, errors);
    QFETCH(bool, acceptSelfSigned);
    QFETCH(bool, ignoreAll);
    QFETCH(int, errorLines);
    QFETCH(int, infoLines);
    QFETCH(int, someLines);
    QFETCH(int, allLines);

    QdServerConfig c = baseConfig(QStringLiteral("slot%1.log").arg(++m_logCount));
    c.acceptSelfSigned = acceptSelfSigned;
    c.ignoreAllSslErrors = ignoreAll;
    SslServer server(c);
    QSslSocket socket;
    QVERIFY(connect(&socket, SIGNAL(sslErrors(QList<QSslError>)), &server, SLOT(onSslErrors(QList<QSslError>))));
    emit socket.sslErrors(errors);

    const QStringList lines = logLines(c.logFileName);
    QCOMPARE(countLines(lines, "CRITICAL", "Server reports SSL error:"), errorLines);
    QCOMPARE(countLines(lines, "INFO", "Client certificate is untrusted but we're ok with that"), infoLines);
    QCOMPARE(countLines(lines, "WARNING", "Ignoring some SSL errors..."), someLines);
    QCOMPARE(countLines(lines, "WARNING", "There were SSL errors but server is configured to ignore them all"),
             allLines);
}

void TestSslServer::slotsWithoutSender()
{
    QdServerConfig c = baseConfig(QStringLiteral("nosender.log"));
    SslServer server(c);
    server.onSocketError(QAbstractSocket::RemoteHostClosedError);
    server.onSslErrors({QSslError(QSslError::CertificateExpired)});
    const QStringList lines = logLines(c.logFileName);
    QCOMPARE(countLines(lines, "CRITICAL", "Socket error event received but the socket is invalid (null)"), 1);
    QCOMPARE(countLines(lines, "CRITICAL", "Server reports SSL error:"), 1);
    QCOMPARE(countLines(lines, "WARNING", "Ignoring some SSL errors..."), 0);
}

void TestSslServer::logLevelAppliesToFileLogger()
{
    QdServerConfig c = baseConfig(QStringLiteral("level.log"));
    c.acceptSelfSigned = true;
    SslServer server(c);
    server.setLogLevel(UNQL::LOG_WARNING);
    QSslSocket socket;
    QVERIFY(connect(&socket, SIGNAL(sslErrors(QList<QSslError>)), &server, SLOT(onSslErrors(QList<QSslError>))));
    emit socket.sslErrors({QSslError(QSslError::SelfSignedCertificate)});
    const QStringList lines = logLines(c.logFileName);
    QCOMPARE(countLines(lines, "INFO", "Client certificate is untrusted but we're ok with that"), 0);
    QCOMPARE(countLines(lines, "WARNING", "Ignoring some SSL errors..."), 1);
}

void TestSslServer::invalidDescriptorIsDropped()
{
    QdServerConfig c = baseConfig(QStringLiteral("baddescriptor.log"));
    TestableServer server(c);
    QSignalSpy connected(&server, SIGNAL(connectedClient()));
    int fds[2];
    QCOMPARE(::pipe(fds), 0);
    ::close(fds[0]);
    ::close(fds[1]);
    server.incomingConnection(fds[0]); // a descriptor that is no longer open
    QCoreApplication::processEvents();
    QCOMPARE(connected.count(), 0);
    QVERIFY(!server.hasPendingConnections());
    QCOMPARE(countLines(logLines(c.logFileName), "CRITICAL", "Invalid set socket descriptor operation"), 1);
}

// A descriptor whose peer is gone (here: a TCP socket that never had one)
// is refused and closed, not leaked.
void TestSslServer::peerlessDescriptorIsClosed()
{
    QdServerConfig c = baseConfig(QStringLiteral("peerless.log"));
    TestableServer server(c);
    QSignalSpy connected(&server, SIGNAL(connectedClient()));
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    server.incomingConnection(fd);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(connected.count(), 0);
    QVERIFY(!server.hasPendingConnections());
    QCOMPARE(countLines(logLines(c.logFileName), "CRITICAL", "Connecting socket seems to be disconnected: aborting!"),
             1);
    errno = 0;
    QCOMPARE(::fcntl(fd, F_GETFD), -1);
    QCOMPARE(errno, EBADF);
}

DESKLINE_TEST_MAIN(TestSslServer)
#include "tst_sslserver.moc"
