// The local API server as local programs meet it: a real TLS client on the
// loopback interface against the server, whose action signals are watched and
// whose two queries are answered by a stand-in for the main window, connected
// by name the way the main window connects them.
#include "apiclient.h"
#include "apiserver/clientapiserver.h"
#include "app/globallogger.h"
#include "desklineresources.h"
#include "testmain.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <QEventLoop>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

using namespace apitest;

namespace
{

const QString kUser = QStringLiteral("demo");
const QString kPassword = QStringLiteral("s3cret");
const QByteArray kHead("HTTP/1.1 200 OK\nAccess-Control-Allow-Origin: *\n\n<?xml version=\"1.0\"?>");

QString goodDigest()
{
    return md5(kPassword.toLatin1());
}

QByteArray request(const QString &inner, const QString &user = kUser, const QString &digest = goodDigest())
{
    return httpPost(apiBody(inner, user, digest));
}

bool isWellFormed(const QByteArray &reply)
{
    QXmlStreamReader r(reply.mid(reply.indexOf("<?xml")));
    while (!r.atEnd())
        r.readNext();
    return !r.hasError();
}

} // namespace

// Answers the two queries as the main window would: the current call and the
// queues it knows.
class MainWindowStandIn : public QObject
{
    Q_OBJECT
public:
    bool inCall = false;
    MctiCallDetails call;
    QMap<QString, QueueStatus> queues;
    int callQueries = 0;
    QStringList queueQueries;

public slots:
    void getActiveCallInfo(MctiCallDetails &details)
    {
        ++callQueries;
        if (inCall)
            details = call;
    }
    void getQueueInfo(QString name, QueueStatus &out)
    {
        queueQueries << name;
        if (queues.contains(name))
            out = queues.value(name);
    }
};

class TestClientApiServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void listensOnLoopbackOnly_data();
    void listensOnLoopbackOnly();
    void busyPortIsReportedNotFatal();

    void click2callReplyBytesThenDial();
    void actionCommands_data();
    void actionCommands();
    void authenticationFailures_data();
    void authenticationFailures();
    void notFound_data();
    void notFound();
    void unknownCommand_data();
    void unknownCommand();
    void precedence();
    void activeCallInfo();
    void queuedCallsInfo();
    void queryWithNobodyAnswering();
    void oneRequestPerConnection();
    void splitRequest_data();
    void splitRequest();
    void idleConnectionsClosed_data();
    void idleConnectionsClosed();
    void tooLargeRequestRefused();
    void connectionCap();
    void idleFloodLeavesRoomForAFreshClient();
    void unansweredGuessGivesWay();
    void failureAnsweredLateRightAnsweredAtOnce();
    void wrongCredentialFloodLeavesRightClientServed();
    void bareUnterminatedRequestAnsweredAtOnce();
    void digestAndNumbersNeverLogged();
    void serverGoneWithOpenConnections();

private:
    QdServerConfig configFor(const QHostAddress &address, int port, bool tls = true)
    {
        QdServerConfig c;
        c.address = address;
        c.port = port;
        c.portMode = 0;
        if (tls) {
            c.certificatePath = QStringLiteral(":/cert/MCTI-Client-Desktop.cert.pem");
            c.privateKeyPath = QStringLiteral(":/cert/MCTI-Client-Desktop.key.pem");
            c.keyPassPhrase = QByteArray();
        }
        c.logFileName = m_dir.filePath(QStringLiteral("apiServerLog.txt"));
        c.loggerName = QStringLiteral("APISERVER");
        return c;
    }
    // A server on a free port, with its queries answered by m_window and no
    // wait after a failed check (the test of that wait sets its own).
    ClientApiServer &startServer()
    {
        m_window.reset(new MainWindowStandIn);
        m_server.reset(new ClientApiServer(kUser, kPassword, configFor(QHostAddress::LocalHost, 0)));
        ClientApiServer::Limits limits;
        limits.failedAuthDelayMs = 0;
        m_server->setLimits(limits);
        // By name and direct, as the main window connects them.
        connect(m_server.get(), SIGNAL(sigGetCurrentCallInfo(MctiCallDetails &)), m_window.get(),
                SLOT(getActiveCallInfo(MctiCallDetails &)), Qt::DirectConnection);
        connect(m_server.get(), SIGNAL(sigGetQueuedCallInfo(QString, QueueStatus &)), m_window.get(),
                SLOT(getQueueInfo(QString, QueueStatus &)), Qt::DirectConnection);
        return *m_server;
    }
    quint16 port() const { return m_server->serverPort(); }
    // Every action signal of the server, one spy each.
    struct ActionSpies {
        explicit ActionSpies(ClientApiServer *s)
            : makeCall(s, &ClientApiServer::sigMakeCallRequested), pause(s, &ClientApiServer::sigQueuesPauseRequested),
              dnd(s, &ClientApiServer::sigDNDRequested), hangup(s, &ClientApiServer::sigHangupCallRequested),
              record(s, &ClientApiServer::sigTriggerRecCallRequested),
              blind(s, &ClientApiServer::sigBlindTransferCallRequested),
              attended(s, &ClientApiServer::sigAttendedTransferCallRequested)
        {
        }
        int total() const
        {
            return makeCall.count() + pause.count() + dnd.count() + hangup.count() + record.count() + blind.count() +
                   attended.count();
        }
        QSignalSpy makeCall, pause, dnd, hangup, record, blind, attended;
    };

    QTemporaryDir m_dir;
    std::unique_ptr<MainWindowStandIn> m_window;
    std::unique_ptr<ClientApiServer> m_server;
};

void TestClientApiServer::initTestCase()
{
    initDesklineResources();
    QVERIFY(QSslSocket::supportsSsl());
    QVERIFY(!serverCertificate().isNull());
}

void TestClientApiServer::cleanup()
{
    m_server.reset();
    m_window.reset();
}

void TestClientApiServer::listensOnLoopbackOnly_data()
{
    QTest::addColumn<QString>("asked");
    QTest::addColumn<QString>("used");
    QTest::newRow("local host") << "127.0.0.1"
                                << "127.0.0.1";
    QTest::newRow("any address is narrowed") << "0.0.0.0"
                                             << "127.0.0.1";
    QTest::newRow("outside address is narrowed") << "192.0.2.10"
                                                 << "127.0.0.1";
    QTest::newRow("IPv6 loopback kept") << "::1"
                                        << "::1";
}

void TestClientApiServer::listensOnLoopbackOnly()
{
    QFETCH(QString, asked);
    QFETCH(QString, used);
    ClientApiServer server(QStringLiteral("demo"), QStringLiteral("secret"), configFor(QHostAddress(asked), 0));
    if (!server.isListening() && used == QLatin1String("::1"))
        QSKIP("no IPv6 loopback here");
    QVERIFY(server.isListening());
    QCOMPARE(server.serverAddress(), QHostAddress(used));
    QVERIFY(server.serverPort() != 0);

    QTcpSocket probe;
    probe.connectToHost(QHostAddress(used), server.serverPort());
    QVERIFY(probe.waitForConnected(2000));
    probe.abort();

    server.close();
    QVERIFY(!server.isListening());
    // Listening again is narrowed the same way.
    QVERIFY(server.listen(QHostAddress(asked), 0));
    QCOMPARE(server.serverAddress(), QHostAddress(used));
}

void TestClientApiServer::busyPortIsReportedNotFatal()
{
    ClientApiServer first(QStringLiteral("demo"), QStringLiteral("secret"), configFor(QHostAddress::LocalHost, 0));
    QVERIFY(first.isListening());
    ClientApiServer second(QStringLiteral("demo"), QStringLiteral("secret"),
                           configFor(QHostAddress::LocalHost, first.serverPort()));
    QVERIFY(!second.isListening());
    QCOMPARE(second.serverError(), QAbstractSocket::AddressInUseError);
    QVERIFY(first.isListening());
}

void TestClientApiServer::click2callReplyBytesThenDial()
{
    ClientApiServer &server = startServer();
    ActionSpies spies(&server);
    QStringList dialled;
    connect(
        &server, &ClientApiServer::sigMakeCallRequested, this, [&dialled](const QString &n) { dialled << n; },
        Qt::QueuedConnection);

    ApiClient client;
    QVERIFY(client.open(port()));
    QVERIFY2(client.sslErrors.isEmpty(), qPrintable(client.sslErrors.join('\n')));
    // Legacy protocol versions are not offered.
    QVERIFY(client.socket.sessionProtocol() == QSsl::TlsV1_2 || client.socket.sessionProtocol() == QSsl::TlsV1_3);
    client.write(request(QStringLiteral("<click2call><number_to_call>123</number_to_call></click2call>")));
    QVERIFY(client.waitClosed());
    QCOMPARE(client.received, kHead + "<mpbx_response><click2call><error_code><code>0</code><message>Success"
                                      "</message></error_code></click2call></mpbx_response>\n");
    QTRY_COMPARE(dialled, QStringList{QStringLiteral("123")});
    QCOMPARE(spies.makeCall.count(), 1);
    QCOMPARE(spies.total(), 1);
    QTRY_COMPARE(server.openConnectionCount(), 0);
}

void TestClientApiServer::actionCommands_data()
{
    QTest::addColumn<QString>("inner");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("signal");
    QTest::addColumn<QVariant>("argument"); // invalid: no argument

    QTest::newRow("pauseQueues") << "<pauseQueues><paused>1</paused></pauseQueues>" << QByteArray("username") << "pause"
                                 << QVariant(true);
    QTest::newRow("resume queues") << "<pauseQueues><paused>0</paused></pauseQueues>" << QByteArray("username")
                                   << "pause" << QVariant(false);
    QTest::newRow("setDND") << "<setDND><DND>1</DND></setDND>" << QByteArray("username") << "dnd" << QVariant(true);
    QTest::newRow("DND off") << "<setDND><DND>0</DND></setDND>" << QByteArray("username") << "dnd" << QVariant(false);
    QTest::newRow("hangupcall") << "<hangupcall>1</hangupcall>" << QByteArray("hangupcall") << "hangup" << QVariant();
    QTest::newRow("triggerRecCall") << "<triggerRecCall>1</triggerRecCall>" << QByteArray("triggerRecCall") << "record"
                                    << QVariant();
    QTest::newRow("transfercall") << "<transfercall><xferTo>204</xferTo></transfercall>" << QByteArray("transfercall")
                                  << "blind" << QVariant(QStringLiteral("204"));
    QTest::newRow("attendedTransferCall")
        << "<attendedTransferCall><xferTo>205</xferTo></attendedTransferCall>" << QByteArray("attendedTransferCall")
        << "attended" << QVariant(QStringLiteral("205"));
}

void TestClientApiServer::actionCommands()
{
    QFETCH(QString, inner);
    QFETCH(QByteArray, name);
    QFETCH(QString, signal);
    QFETCH(QVariant, argument);

    ClientApiServer &server = startServer();
    ActionSpies spies(&server);
    const QMap<QString, QSignalSpy *> bySignal{{"pause", &spies.pause},   {"dnd", &spies.dnd},
                                               {"hangup", &spies.hangup}, {"record", &spies.record},
                                               {"blind", &spies.blind},   {"attended", &spies.attended}};
    ApiClient client;
    const QByteArray reply = client.exchange(port(), request(inner));
    QCOMPARE(replyCode(reply), 0);
    QCOMPARE(replyMessage(reply), QByteArray("Success"));
    QCOMPARE(replyName(reply), name);
    QVERIFY(!reply.contains("<data>"));
    QSignalSpy *spy = bySignal.value(signal);
    QTRY_COMPARE(spy->count(), 1);
    QCOMPARE(spies.total(), 1);
    if (argument.isValid())
        QCOMPARE(spy->at(0).at(0), argument);
}

void TestClientApiServer::authenticationFailures_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("digest");
    QTest::newRow("wrong user") << "luca" << goodDigest();
    QTest::newRow("wrong digest") << kUser << md5("S3cret");
    QTest::newRow("upper-case digest") << kUser << goodDigest().toUpper();
    QTest::newRow("no digest") << kUser << "";
}

void TestClientApiServer::authenticationFailures()
{
    QFETCH(QString, user);
    QFETCH(QString, digest);
    ClientApiServer &server = startServer();
    ActionSpies spies(&server);
    ApiClient client;
    const QByteArray reply =
        client.exchange(port(), request(QStringLiteral("<click2call><number_to_call>1</number_to_call></click2call>"
                                                       "<activeCallInfo>1</activeCallInfo>"),
                                        user, digest));
    QCOMPARE(reply, kHead + "<mpbx_response><username><error_code><code>10</code><message>Error - Authentication "
                            "failed</message></error_code></username></mpbx_response>\n");
    QTest::qWait(50);
    QCOMPARE(spies.total(), 0);
    QCOMPARE(m_window->callQueries, 0);
}

void TestClientApiServer::notFound_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("GET") << QByteArray("GET /api?x=1 HTTP/1.1\r\nHost: 127.0.0.1:5039\r\n\r\n");
    QTest::newRow("OPTIONS") << QByteArray("OPTIONS /api HTTP/1.1\r\nHost: 127.0.0.1:5039\r\n\r\n");
    QTest::newRow("POST without mpbx_request")
        << httpPost("<request><username>demo</username><hangupcall>1</hangupcall></request>");
    QTest::newRow("POST without body") << QByteArray("POST /api HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
}

void TestClientApiServer::notFound()
{
    QFETCH(QByteArray, bytes);
    ClientApiServer &server = startServer();
    ActionSpies spies(&server);
    ApiClient client;
    QCOMPARE(client.exchange(port(), bytes), QByteArray("HTTP/1.1 404 Not Found\n"));
    QVERIFY(client.closed);
    QCOMPARE(spies.total(), 0);
}

void TestClientApiServer::unknownCommand_data()
{
    QTest::addColumn<QString>("inner");
    QTest::newRow("unknown") << "<reboot>now</reboot>";
    QTest::newRow("none") << "";
    QTest::newRow("empty hangupcall") << "<hangupcall></hangupcall>";
    QTest::newRow("self-closing hangupcall") << "<hangupcall/>";
}

void TestClientApiServer::unknownCommand()
{
    QFETCH(QString, inner);
    ClientApiServer &server = startServer();
    ActionSpies spies(&server);
    ApiClient client;
    QCOMPARE(client.exchange(port(), request(inner)),
             kHead + "<mpbx_response><error><error_code><code>12</code><message>Unknown command</message>"
                     "</error_code></error></mpbx_response>\n");
    QTest::qWait(50);
    QCOMPARE(spies.total(), 0);
}

void TestClientApiServer::precedence()
{
    ClientApiServer &server = startServer();
    ActionSpies spies(&server);
    ApiClient client;
    const QByteArray reply = client.exchange(
        port(), request(QStringLiteral("<hangupcall>1</hangupcall><click2call><number_to_call>77</number_to_call>"
                                       "</click2call>")));
    QCOMPARE(replyName(reply), QByteArray("click2call"));
    QTRY_COMPARE(spies.makeCall.count(), 1);
    QCOMPARE(spies.makeCall.at(0).at(0).toString(), QStringLiteral("77"));
    QTest::qWait(50);
    QCOMPARE(spies.hangup.count(), 0);
    QCOMPARE(spies.total(), 1);
}

void TestClientApiServer::activeCallInfo()
{
    startServer();
    {
        ApiClient client;
        const QByteArray reply = client.exchange(port(), request(QStringLiteral("<activeCallInfo>1</activeCallInfo>")));
        QCOMPARE(reply, kHead + "<mpbx_response><activeCallInfo><error_code><code>1</code><message>No active calls"
                                "</message></error_code></activeCallInfo></mpbx_response>\n");
        QCOMPARE(m_window->callQueries, 1);
    }

    // During a call whose caller name comes from outside.
    m_window->inCall = true;
    m_window->call.lineId = 3;
    m_window->call.uid = QStringLiteral("1702.42");
    m_window->call.remoteNum = QStringLiteral("0212345678");
    m_window->call.remoteName = QStringLiteral("Eve</remote_name><is_answered>1</is_answered><script>&");
    m_window->call.calledNum = QStringLiteral("201");
    m_window->call.answered = false;
    ApiClient client;
    const QByteArray reply = client.exchange(port(), request(QStringLiteral("<activeCallInfo>1</activeCallInfo>")));
    QCOMPARE(reply, kHead + "<mpbx_response><activeCallInfo><error_code><code>0</code><message>Success</message>"
                            "</error_code><data><uid>1702.42</uid><remote_num>0212345678</remote_num><remote_name>"
                            "Eve&lt;/remote_name&gt;&lt;is_answered&gt;1&lt;/is_answered&gt;&lt;script&gt;&amp;"
                            "</remote_name><called_num>201</called_num><is_answered>0</is_answered></data>"
                            "</activeCallInfo></mpbx_response>\n");
    QVERIFY(isWellFormed(reply));
}

void TestClientApiServer::queuedCallsInfo()
{
    startServer();
    QueueStatus q;
    q.id = QStringLiteral("600");
    q.name = QStringLiteral("Supporto");
    q.waitingCount = 2;
    q.oldestCallTime = QDateTime(QDate(2026, 12, 10), QTime(14, 3, 12));
    m_window->queues.insert(QStringLiteral("Supporto"), q);

    ApiClient unknown;
    QByteArray reply = unknown.exchange(
        port(), request(QStringLiteral("<queuedCallsInfo><queue_name>Vendite</queue_name></queuedCallsInfo>")));
    QCOMPARE(reply, kHead + "<mpbx_response><queuedCallsInfo><error_code><code>1</code><message>No such queue"
                            "</message></error_code></queuedCallsInfo></mpbx_response>\n");

    ApiClient known;
    reply = known.exchange(
        port(), request(QStringLiteral("<queuedCallsInfo><queue_name>Supporto</queue_name></queuedCallsInfo>")));
    QCOMPARE(reply, kHead + "<mpbx_response><queuedCallsInfo><error_code><code>0</code><message>Success</message>"
                            "</error_code><data><queued_calls>2</queued_calls><oldest_arrival>2026-12-10 14:03:12"
                            "</oldest_arrival></data></queuedCallsInfo></mpbx_response>\n");
    QCOMPARE(m_window->queueQueries, (QStringList{QStringLiteral("Vendite"), QStringLiteral("Supporto")}));
}

void TestClientApiServer::queryWithNobodyAnswering()
{
    // Before the main window has connected its queries (or without a
    // supervisor panel) nothing is found.
    ClientApiServer server(kUser, kPassword, configFor(QHostAddress::LocalHost, 0));
    ApiClient a;
    QCOMPARE(
        replyMessage(a.exchange(server.serverPort(), request(QStringLiteral("<activeCallInfo>1</activeCallInfo>")))),
        QByteArray("No active calls"));
    ApiClient b;
    QCOMPARE(replyMessage(
                 b.exchange(server.serverPort(), request(QStringLiteral("<queuedCallsInfo><queue_name>600</queue_name>"
                                                                        "</queuedCallsInfo>")))),
             QByteArray("No such queue"));
}

void TestClientApiServer::oneRequestPerConnection()
{
    ClientApiServer &server = startServer();
    ActionSpies spies(&server);
    ApiClient client;
    QVERIFY(client.open(port()));
    // Two requests in one write: the first is answered, the second dropped.
    client.write(request(QStringLiteral("<click2call><number_to_call>1</number_to_call></click2call>")) +
                 request(QStringLiteral("<hangupcall>1</hangupcall>")));
    QVERIFY(client.waitClosed());
    QCOMPARE(client.received.count("HTTP/1.1"), 1);
    QCOMPARE(replyName(client.received), QByteArray("click2call"));
    QTRY_COMPARE(spies.makeCall.count(), 1);
    QTest::qWait(50);
    QCOMPARE(spies.total(), 1);

    // More data right after a request does not bring a second reply either.
    ApiClient late;
    QVERIFY(late.open(port()));
    late.write(request(QStringLiteral("<setDND><DND>1</DND></setDND>")));
    late.write(request(QStringLiteral("<setDND><DND>0</DND></setDND>")));
    QVERIFY(late.waitClosed());
    QCOMPARE(late.received.count("HTTP/1.1"), 1);
    QTRY_COMPARE(spies.dnd.count(), 1);
    QCOMPARE(spies.dnd.at(0).at(0).toBool(), true);
}

void TestClientApiServer::splitRequest_data()
{
    QTest::addColumn<QList<int>>("cuts"); // offsets where the request is cut
    const QByteArray full = request(QStringLiteral("<transfercall><xferTo>204</xferTo></transfercall>"));
    const int bodyStart = full.indexOf("<mpbx_request>");
    QTest::newRow("header, then body") << QList<int>{bodyStart};
    QTest::newRow("inside the digest") << QList<int>{full.indexOf("<pwd_md5>") + 15};
    QTest::newRow("inside POST") << QList<int>{2};
    QTest::newRow("three pieces") << QList<int>{10, bodyStart + 5, full.size() - 3};
}

void TestClientApiServer::splitRequest()
{
    QFETCH(QList<int>, cuts);
    ClientApiServer &server = startServer();
    ActionSpies spies(&server);
    const QByteArray full = request(QStringLiteral("<transfercall><xferTo>204</xferTo></transfercall>"));
    ApiClient client;
    QVERIFY(client.open(port()));
    int from = 0;
    for (int cut : cuts) {
        client.write(full.mid(from, cut - from));
        from = cut;
        QTest::qWait(100); // each piece in its own TLS record
        QVERIFY(!client.closed);
        QVERIFY(client.received.isEmpty());
    }
    client.write(full.mid(from));
    QVERIFY(client.waitClosed());
    QCOMPARE(replyName(client.received), QByteArray("transfercall"));
    QCOMPARE(replyCode(client.received), 0);
    QTRY_COMPARE(spies.blind.count(), 1);
    QCOMPARE(spies.blind.at(0).at(0).toString(), QStringLiteral("204"));
}

void TestClientApiServer::idleConnectionsClosed_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<bool>("handshake");
    QTest::addColumn<bool>("trickle");
    QTest::newRow("no handshake") << QByteArray() << false << false;
    QTest::newRow("handshake, then silence") << QByteArray() << true << false;
    QTest::newRow("request line trickling in") << QByteArray("POST /api HTTP/1.1") << true << true;
    QTest::newRow("half a request") << QByteArray("POST /api HTTP/1.1\r\nContent-Length: 500\r\n\r\n<mpbx_") << true
                                    << false;
}

// Each stage has its deadline: the handshake and the request's first line
// their short ones (whatever trickles in meanwhile), the rest the idle one.
void TestClientApiServer::idleConnectionsClosed()
{
    QFETCH(QByteArray, sent);
    QFETCH(bool, handshake);
    QFETCH(bool, trickle);
    ClientApiServer &server = startServer();
    QCOMPARE(ClientApiServer::HandshakeTimeoutMs, 3000);
    QCOMPARE(ClientApiServer::FirstLineTimeoutMs, 3000);
    QCOMPARE(server.limits().handshakeTimeoutMs, ClientApiServer::HandshakeTimeoutMs);
    QCOMPARE(server.limits().firstLineTimeoutMs, ClientApiServer::FirstLineTimeoutMs);
    ClientApiServer::Limits limits = server.limits();
    limits.handshakeTimeoutMs = 300;
    limits.firstLineTimeoutMs = 300;
    limits.idleTimeoutMs = 300;
    server.setLimits(limits);

    if (!handshake) {
        QTcpSocket raw; // connects, never starts TLS
        raw.connectToHost(QHostAddress::LocalHost, port());
        QVERIFY(raw.waitForConnected(5000));
        QTRY_COMPARE_WITH_TIMEOUT(server.openConnectionCount(), 1, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(raw.state(), QAbstractSocket::UnconnectedState, 10000);
    } else {
        ApiClient client;
        QVERIFY(client.open(port()));
        if (trickle) {
            // A byte every 100 ms never reaches the end of the line: the
            // first-line deadline holds all the same.
            for (int i = 0; i < sent.size() && !client.closed; ++i) {
                client.write(sent.mid(i, 1));
                QTest::qWait(100);
            }
        } else if (!sent.isEmpty()) {
            client.write(sent);
        }
        QVERIFY(client.waitClosed());
        QVERIFY(client.received.isEmpty()); // closed without a reply
        if (trickle)
            QVERIFY(client.socket.state() == QAbstractSocket::UnconnectedState);
    }
    QTRY_COMPARE(server.openConnectionCount(), 0);
}

void TestClientApiServer::tooLargeRequestRefused()
{
    ClientApiServer &server = startServer();
    ActionSpies spies(&server);
    ApiClient client;
    QVERIFY(client.open(port()));
    const QByteArray padding(70 * 1024, 'x');
    client.write("POST /api HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n<mpbx_request><username>" + padding);
    QVERIFY(client.waitClosed());
    QCOMPARE(client.received, QByteArray("HTTP/1.1 413 Payload Too Large\n"));
    QCOMPARE(spies.total(), 0);
}

// With every place taken, a new connection closes the oldest one still
// waiting for its request; connections whose request is being answered stay.
void TestClientApiServer::connectionCap()
{
    ClientApiServer &server = startServer();
    ClientApiServer::Limits limits = server.limits();
    limits.maxConnections = 2;
    limits.failedAuthDelayMs = 3000;
    server.setLimits(limits);

    ApiClient first;
    ApiClient second;
    QVERIFY(first.open(port()));
    QVERIFY(second.open(port()));
    QCOMPARE(server.openConnectionCount(), 2);

    ApiClient third;
    QVERIFY(third.open(port()));
    QVERIFY(first.waitClosed()); // the oldest idle one made room
    QVERIFY(!second.closed);
    QCOMPARE(replyCode(third.exchange(port(), request(QStringLiteral("<hangupcall>1</hangupcall>")))), 0);
    QTRY_COMPARE(server.openConnectionCount(), 1);

    // Two requests waiting for their (late) answer hold both places: a new
    // connection finds nothing idle to close and is refused.
    ApiClient wrong;
    QVERIFY(wrong.open(port()));
    QTRY_COMPARE(server.openConnectionCount(), 2);
    second.write(request(QStringLiteral("<hangupcall>1</hangupcall>"), kUser, md5("guess")));
    wrong.write(request(QStringLiteral("<hangupcall>1</hangupcall>"), kUser, md5("guess2")));
    QTRY_COMPARE(server.failedAuthenticationCount(), 2);
    ApiClient refused;
    QVERIFY(!refused.open(port()));
    QVERIFY(refused.closed);
    QVERIFY(!second.closed);
    QVERIFY(second.waitClosed());
    QCOMPARE(replyCode(second.received), 10);
}

// Beyond the guesses waiting for their late answer, a guess gets none and
// its connection gives way to a new one like an idle connection.
void TestClientApiServer::unansweredGuessGivesWay()
{
    ClientApiServer &server = startServer();
    ClientApiServer::Limits limits = server.limits();
    limits.maxConnections = 2;
    limits.maxFailingRequests = 1;
    limits.failedAuthDelayMs = 3000;
    server.setLimits(limits);
    ActionSpies spies(&server);

    ApiClient first;
    ApiClient second;
    QVERIFY(first.open(port()));
    QVERIFY(second.open(port()));
    first.write(request(QStringLiteral("<hangupcall>1</hangupcall>"), kUser, md5("guess")));
    QTRY_COMPARE(server.failedAuthenticationCount(), 1);
    second.write(request(QStringLiteral("<hangupcall>1</hangupcall>"), kUser, md5("guess2")));
    QTRY_COMPARE(server.droppedFailureCount(), 1);
    QVERIFY(!second.closed); // no answer, no close

    ApiClient fresh;
    QCOMPARE(replyCode(fresh.exchange(port(), request(QStringLiteral("<hangupcall>1</hangupcall>")))), 0);
    QVERIFY(second.waitClosed());
    QVERIFY(second.received.isEmpty());
    QVERIFY(first.waitClosed());
    QCOMPARE(replyCode(first.received), 10);
    QTRY_COMPARE(spies.hangup.count(), 1);
}

// 200 connections opened and left idle (handshake done, nothing sent) hold
// no place a fresh client needs: it is served at once, every time.
void TestClientApiServer::idleFloodLeavesRoomForAFreshClient()
{
    ClientApiServer &server = startServer();
    QCOMPARE(server.limits().maxConnections, 64);
    ActionSpies spies(&server);
    std::vector<std::unique_ptr<QSslSocket>> idle;
    const QSslCertificate cert = serverCertificate();
    for (int i = 0; i < 200; ++i) {
        auto socket = std::make_unique<QSslSocket>();
        QSslConfiguration conf = socket->sslConfiguration();
        conf.setCaCertificates({cert});
        conf.setPeerVerifyMode(QSslSocket::VerifyPeer);
        socket->setSslConfiguration(conf);
        socket->connectToHostEncrypted(QStringLiteral("127.0.0.1"), port());
        if (i % 2)
            socket->write("POST /api HTTP/1.1\r\nContent-Length: 900\r\n\r\n<mpbx_"); // and then nothing
        idle.push_back(std::move(socket));
    }
    QTRY_VERIFY_WITH_TIMEOUT(server.openConnectionCount() >= 60, 30000);
    // Every flood connection has been taken in (held, or closed to make room)
    // before the fresh client comes: the flood is standing, not still arriving.
    const auto settled = [&idle] {
        return std::all_of(idle.begin(), idle.end(), [](const std::unique_ptr<QSslSocket> &s) {
            return s->isEncrypted() || s->state() == QAbstractSocket::UnconnectedState;
        });
    };
    QTRY_VERIFY_WITH_TIMEOUT(settled(), 30000);
    for (int round = 0; round < 3; ++round) {
        ApiClient client;
        const QByteArray reply = client.exchange(port(), request(QStringLiteral("<hangupcall>1</hangupcall>")));
        QCOMPARE(replyCode(reply), 0);
        QVERIFY(server.openConnectionCount() <= 64);
    }
    QTRY_COMPARE(spies.hangup.count(), 3);
}

// A failed check is answered after the delay on its own connection; a
// request with the right credentials that comes after it is answered first.
void TestClientApiServer::failureAnsweredLateRightAnsweredAtOnce()
{
    ClientApiServer &server = startServer();
    ClientApiServer::Limits limits = server.limits();
    limits.failedAuthDelayMs = 3000;
    server.setLimits(limits);
    ActionSpies spies(&server);

    ApiClient wrong;
    ApiClient right;
    QVERIFY(wrong.open(port()));
    QVERIFY(right.open(port()));
    QElapsedTimer clock;
    clock.start();
    wrong.write(request(QStringLiteral("<hangupcall>1</hangupcall>"), kUser, md5("guess")));
    QTRY_COMPARE(server.failedAuthenticationCount(), 1);
    right.write(request(QStringLiteral("<hangupcall>1</hangupcall>")));
    QVERIFY(right.waitClosed());
    QCOMPARE(replyCode(right.received), 0);
    QVERIFY(!wrong.closed); // still waiting for its answer
    QTRY_COMPARE(spies.hangup.count(), 1);
    QVERIFY(wrong.waitClosed());
    QVERIFY2(clock.elapsed() >= 2900, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(replyCode(wrong.received), 10);
    QCOMPARE(spies.hangup.count(), 1);
}

namespace
{
// Local programs guessing the password: `connections` TLS connections on a
// thread of their own, each sending a wrong request, waiting for the answer
// (or the close) and starting again, until stopped.
class Guessers : public QThread
{
public:
    Guessers(quint16 port, int connections) : port(port), connections(connections) {}
    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    std::atomic<int> answered{0}; // code 10 received

protected:
    void run() override
    {
        QSslConfiguration conf = QSslConfiguration::defaultConfiguration();
        conf.setCaCertificates({serverCertificate()});
        conf.setPeerVerifyMode(QSslSocket::VerifyPeer);
        const QByteArray guess = request(QStringLiteral("<hangupcall>1</hangupcall>"), kUser, md5("guess"));
        QEventLoop loop;
        std::vector<std::unique_ptr<QSslSocket>> sockets(static_cast<size_t>(connections));
        std::vector<QByteArray> replies(static_cast<size_t>(connections));
        std::function<void(size_t)> start;
        // The end of connection i, whichever way it ended: count, go again.
        auto ended = [&](size_t i, QSslSocket *s) {
            if (sockets[i].get() != s)
                return;
            replies[i] += s->readAll();
            if (replyCode(replies[i]) == 10)
                ++answered;
            s->disconnect();
            s->deleteLater();
            sockets[i].release();
            QTimer::singleShot(0, &loop, [&, i] { start(i); });
        };
        start = [&](size_t i) {
            if (stop)
                return;
            sockets[i].reset(new QSslSocket);
            QSslSocket *s = sockets[i].get();
            replies[i].clear();
            s->setSslConfiguration(conf);
            QObject::connect(s, &QSslSocket::encrypted, s, [&, s] {
                s->write(guess);
                ++sent;
            });
            QObject::connect(s, &QSslSocket::readyRead, s, [&, s, i] { replies[i] += s->readAll(); });
            QObject::connect(s, &QSslSocket::disconnected, s, [&, s, i] { ended(i, s); });
            QObject::connect(s, &QAbstractSocket::errorOccurred, s, [&, s, i](QAbstractSocket::SocketError) {
                QTimer::singleShot(0, &loop, [&, s, i] { ended(i, s); });
            });
            s->connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
        };
        for (size_t i = 0; i < sockets.size(); ++i)
            start(i);
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (stop && std::none_of(sockets.begin(), sockets.end(), [](const auto &p) { return bool(p); }))
                loop.quit();
        });
        poll.start(20);
        loop.exec();
    }

private:
    quint16 port;
    int connections;
};
} // namespace

// Twenty connections keep guessing while the rightful client goes on: every
// one of its requests is answered, none of them waits for the guessers'
// delay, and the guessers still get their answers only after it.
void TestClientApiServer::wrongCredentialFloodLeavesRightClientServed()
{
    ClientApiServer &server = startServer();
    ClientApiServer::Limits limits = server.limits();
    limits.failedAuthDelayMs = 4000;
    server.setLimits(limits);
    ActionSpies spies(&server);

    Guessers guessers(port(), 20);
    guessers.start();
    QTRY_VERIFY_WITH_TIMEOUT(server.failedAuthenticationCount() >= 20, 30000);
    qint64 slowest = 0;
    const int rounds = 20;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        ApiClient client;
        const QByteArray reply = client.exchange(port(), request(QStringLiteral("<hangupcall>1</hangupcall>")));
        QCOMPARE(replyCode(reply), 0);
        slowest = qMax(slowest, t.elapsed());
    }
    // However loaded the machine, no request came near the guessers' delay.
    QVERIFY2(slowest < limits.failedAuthDelayMs / 2, qPrintable(QString::number(slowest)));
    QTRY_COMPARE(spies.hangup.count(), rounds);
    guessers.stop = true;
    QTRY_VERIFY_WITH_TIMEOUT(guessers.isFinished(), 60000); // the server needs this thread meanwhile
    // At most 16 guesses wait for their late answer at once; the others
    // were left without one.
    QCOMPARE(ClientApiServer::MaxFailingRequests, 16);
    QVERIFY(guessers.sent >= 20);
    QVERIFY(server.droppedFailureCount() > 0);
    QVERIFY(guessers.answered <= server.failedAuthenticationCount() - server.droppedFailureCount());
    QCOMPARE(spies.total(), rounds);
}

// A bare request element without its end tag is answered at once, as what
// it is (credentials unreadable: code 10), instead of waiting for more.
void TestClientApiServer::bareUnterminatedRequestAnsweredAtOnce()
{
    ClientApiServer &server = startServer();
    ClientApiServer::Limits limits = server.limits();
    limits.firstLineTimeoutMs = 20000;
    limits.idleTimeoutMs = 20000;
    server.setLimits(limits);
    ActionSpies spies(&server);
    ApiClient client;
    QVERIFY(client.open(port()));
    QElapsedTimer clock;
    clock.start();
    client.write(QStringLiteral("POST <mpbx_request><username>%1</username><pwd_md5>%2</pwd_md5>"
                                "<hangupcall>1</hangupcall>")
                     .arg(kUser, goodDigest())
                     .toUtf8());
    QVERIFY(client.waitClosed(15000));
    QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(replyCode(client.received), 10);
    QCOMPARE(replyName(client.received), QByteArray("error"));
    QCOMPARE(spies.total(), 0);
}

void TestClientApiServer::digestAndNumbersNeverLogged()
{
    // The program's main log, as the main window sets it up.
    const QString mainLog = m_dir.filePath(QStringLiteral("mphone.log"));
    int status = 0;
    WriterConfig wc;
    std::unique_ptr<Logger> mainLogger(UniqLogger::instance(QStringLiteral("MPHONE"))
                                           ->createFileLogger(QStringLiteral("MPHONE"), mainLog, wc, status));
    mainLogger->setVerbosityAcceptedLevel(UNQL::LOG_DBG_ALL);
    logger = mainLogger.get();

    startServer();
    const QString number = QStringLiteral("0298765432");
    const QString target = QStringLiteral("3351234567");
    const QString wrongDigest = md5("guess");
    const QList<QByteArray> requests{
        request(QStringLiteral("<click2call><number_to_call>%1</number_to_call></click2call>").arg(number)),
        request(QStringLiteral("<transfercall><xferTo>%1</xferTo></transfercall>").arg(target)),
        request(QStringLiteral("<hangupcall>1</hangupcall>"), kUser, wrongDigest),
        request(QStringLiteral("<hangupcall>1</hangupcall>"), kUser, goodDigest().toUpper()),
    };
    for (const QByteArray &r : requests) {
        ApiClient client;
        QVERIFY(client.exchange(port(), r).startsWith("HTTP/1.1 200"));
    }
    m_server.reset();
    logger->flush();
    logger = nullptr;
    mainLogger.reset();

    QByteArray logs;
    for (const QString &name : {QStringLiteral("mphone.log"), QStringLiteral("apiServerLog.txt")}) {
        QFile f(m_dir.filePath(name));
        if (f.open(QIODevice::ReadOnly))
            logs += f.readAll();
    }
    QVERIFY(logs.contains("Action Url received from")); // the requests were logged...
    for (const QString &secret : {goodDigest(), goodDigest().toUpper(), wrongDigest, number, target})
        QVERIFY2(!logs.contains(secret.toUtf8()), qPrintable(secret)); // ...without their secrets
}

void TestClientApiServer::serverGoneWithOpenConnections()
{
    startServer();
    ApiClient idle;
    ApiClient halfway;
    QVERIFY(idle.open(port()));
    QVERIFY(halfway.open(port()));
    halfway.write("POST /api HTTP/1.1\r\nContent-Length: 100\r\n\r\n<mpbx_request>");
    QTest::qWait(50);
    m_server.reset();
    QVERIFY(idle.waitClosed());
    QVERIFY(halfway.waitClosed());
    QVERIFY(halfway.received.isEmpty());
}

DESKLINE_TEST_MAIN(TestClientApiServer)
#include "tst_clientapiserver.moc"
