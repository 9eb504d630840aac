// The local API server of a main window logged in to the simulated PBX: a
// local program's requests reach the window through the connections the
// window makes when it starts the server after log-in.
#include "apiclient.h"
#include "clientapiserver.h"
#include "queuestatus.h"
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "testmain.h"

#include <QJsonObject>
#include <QSignalSpy>

using namespace apitest;
using namespace sessiontest;

class TestSessionApi : public QObject {
    Q_OBJECT

private slots:
    void serverStartedWithTheAccount();
    void pauseQueuesReachesThePbx_data();
    void pauseQueuesReachesThePbx();
    void wrongPasswordReachesNothing();
    void callActionsAnswered_data();
    void callActionsAnswered();
    void queuedCallsInfo_data();
    void queuedCallsInfo();
    void queuedCallsInfoWithoutQueueRole();

private:
    // The window's server, moved to a free port of the local host so that no
    // other client on this machine (which may hold 5039) is in the way.
    static ClientApiServer *serverOf(MPGui &w)
    {
        ClientApiServer *server = w.localApiServer();
        if (!server)
            return nullptr;
        server->close();
        return server->listen(QHostAddress::LocalHost, 0) ? server : nullptr;
    }
    static QByteArray demoRequest(const QString &inner, const QString &password = QStringLiteral("demo"))
    {
        return httpPost(apiBody(inner, QStringLiteral("demo"), md5(password.toLatin1())));
    }
};

void TestSessionApi::serverStartedWithTheAccount()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    ClientApiServer *server = w.localApiServer();
    QVERIFY(server);
    QCOMPARE(server->serverConfig().port, 5039);
    QCOMPARE(server->serverConfig().address, QHostAddress(QHostAddress::LocalHost));
    QVERIFY(serverOf(w));
    QCOMPARE(server->serverAddress(), QHostAddress(QHostAddress::LocalHost));

    // The embedded certificate is served; the account's password opens it.
    ApiClient client;
    const QByteArray reply = client.exchange(server->serverPort(), demoRequest(QStringLiteral("<none>1</none>")));
    QVERIFY2(client.sslErrors.isEmpty(), qPrintable(client.sslErrors.join('\n')));
    QCOMPARE(replyCode(reply), 12);
}

void TestSessionApi::pauseQueuesReachesThePbx_data()
{
    QTest::addColumn<QString>("paused");
    QTest::addColumn<bool>("pause");
    QTest::newRow("pause") << "1" << true;
    QTest::newRow("resume") << "0" << false;
}

void TestSessionApi::pauseQueuesReachesThePbx()
{
    QFETCH(QString, paused);
    QFETCH(bool, pause);
    SessionFixture f;
    ScriptedPrompts prompts;
    QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    QCOMPARE(w.currentQueueRole(), 2); // "demo" is a supervisor: pausing is allowed
    ClientApiServer *server = serverOf(w);
    QVERIFY(server);

    ApiClient client;
    const QByteArray reply = client.exchange(
        server->serverPort(), demoRequest(QStringLiteral("<pauseQueues><paused>%1</paused></pauseQueues>").arg(paused)));
    QCOMPARE(reply, QByteArray("HTTP/1.1 200 OK\nAccess-Control-Allow-Origin: *\n\n<?xml version=\"1.0\"?>"
                               "<mpbx_response><username><error_code><code>0</code><message>Success</message>"
                               "</error_code></username></mpbx_response>\n"));

    auto pauseSent = [&commands]() -> QJsonObject {
        for (const QList<QVariant> &c : qAsConst(commands)) {
            if (c.at(1).toString() == QLatin1String("pauseQueues"))
                return c.at(2).toJsonObject();
        }
        return QJsonObject();
    };
    QTRY_VERIFY_WITH_TIMEOUT(!pauseSent().isEmpty(), 5000);
    QCOMPARE(pauseSent().value(QStringLiteral("pause")).toBool(), pause);
    QCOMPARE(pauseSent().value(QStringLiteral("reason")).toString(), QString());
    QVERIFY(w.isSessionUp());
    QVERIFY(prompts.shown.isEmpty());
}

void TestSessionApi::wrongPasswordReachesNothing()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    ClientApiServer *server = serverOf(w);
    QVERIFY(server);
    ClientApiServer::Limits limits = server->limits();
    limits.failedAuthDelayMs = 0;
    server->setLimits(limits);
    QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);
    QSignalSpy pauses(server, &ClientApiServer::sigQueuesPauseRequested);

    ApiClient client;
    const QByteArray reply = client.exchange(
        server->serverPort(),
        demoRequest(QStringLiteral("<pauseQueues><paused>1</paused></pauseQueues>"), QStringLiteral("nope")));
    QCOMPARE(replyCode(reply), 10);
    QTest::qWait(200);
    QCOMPARE(pauses.count(), 0);
    for (const QList<QVariant> &c : qAsConst(commands))
        QVERIFY(c.at(1).toString() != QLatin1String("pauseQueues"));
}

void TestSessionApi::callActionsAnswered_data()
{
    QTest::addColumn<QString>("inner");
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("hangupcall") << "<hangupcall>1</hangupcall>" << QByteArray("hangupcall");
    QTest::newRow("transfercall") << "<transfercall><xferTo>204</xferTo></transfercall>"
                                  << QByteArray("transfercall");
    QTest::newRow("attendedTransferCall") << "<attendedTransferCall><xferTo>204</xferTo></attendedTransferCall>"
                                          << QByteArray("attendedTransferCall");
}

void TestSessionApi::callActionsAnswered()
{
    // Without a call the window has nothing to hang up or transfer: the
    // request is answered, handed on, and the session carries on untouched.
    QFETCH(QString, inner);
    QFETCH(QByteArray, name);
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    ClientApiServer *server = serverOf(w);
    QVERIFY(server);
    QSignalSpy hangups(server, &ClientApiServer::sigHangupCallRequested);
    QSignalSpy blind(server, &ClientApiServer::sigBlindTransferCallRequested);
    QSignalSpy attended(server, &ClientApiServer::sigAttendedTransferCallRequested);

    ApiClient client;
    const QByteArray reply = client.exchange(server->serverPort(), demoRequest(inner));
    QCOMPARE(replyName(reply), name);
    QCOMPARE(replyCode(reply), 0);
    QTRY_COMPARE(hangups.count() + blind.count() + attended.count(), 1);
    QTest::qWait(100); // the window's queued slot runs
    QVERIFY(w.isSessionUp());
    QCOMPARE(f.sim->activeCallCount(), 0);
    QVERIFY(prompts.shown.isEmpty());
}

void TestSessionApi::queuedCallsInfo_data()
{
    QTest::addColumn<QString>("queue");
    QTest::addColumn<QByteArray>("code");
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("known queue") << "Vendite" << QByteArray("<code>0</code>")
                                 << QByteArray("<data><queued_calls>4</queued_calls>");
    QTest::newRow("unknown queue") << "Assistenza" << QByteArray("<code>1</code><message>No such queue</message>")
                                   << QByteArray();
}

void TestSessionApi::queuedCallsInfo()
{
    QFETCH(QString, queue);
    QFETCH(QByteArray, code);
    QFETCH(QByteArray, data);
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    ClientApiServer *server = serverOf(w);
    QVERIFY(server);
    // The supervisor panel knows the queues once the first statistics came.
    QTRY_COMPARE_WITH_TIMEOUT(w.resolveQueueName(QStringLiteral("601")), QStringLiteral("Vendite"), 10000);
    QVERIFY(f.sim->sendQueueEvent(QStringLiteral("601"), 4));
    QSignalSpy asked(server, &ClientApiServer::sigGetQueuedCallInfo);
    auto ask = [&]() {
        ApiClient client;
        return client.exchange(server->serverPort(),
                               demoRequest(QStringLiteral("<queuedCallsInfo><queue_name>%1</queue_name>"
                                                          "</queuedCallsInfo>")
                                               .arg(queue)));
    };
    QByteArray reply;
    if (data.isEmpty()) {
        reply = ask();
    } else {
        // The queue event reaches the panel in a later turn of the loop.
        QTRY_VERIFY((reply = ask()).contains(data));
    }
    QVERIFY2(reply.contains("<queuedCallsInfo><error_code>" + code), reply.constData());
    QVERIFY(asked.size() >= 1);
    QCOMPARE(asked.last().at(0).toString(), queue);
    QVERIFY(prompts.shown.isEmpty());
}

void TestSessionApi::queuedCallsInfoWithoutQueueRole()
{
    // A user without a queue role has no supervisor panel: the caller's
    // record is answered as it was built, with no queue in it.
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config(QStringLiteral("sara"), QStringLiteral("sara"))};
    QVERIFY(startAndLogin(w));
    QCOMPARE(w.currentQueueRole(), 0);
    ClientApiServer *server = serverOf(w);
    QVERIFY(server);
    QueueStatus record;
    record.waitingCount = 7;
    w.getQueueInfo(QStringLiteral("Supporto"), record);
    QCOMPARE(record.waitingCount, 7u);
    QVERIFY(record.id.isEmpty());
    ApiClient client;
    const QByteArray reply = client.exchange(
        server->serverPort(),
        httpPost(apiBody(QStringLiteral("<queuedCallsInfo><queue_name>Supporto</queue_name></queuedCallsInfo>"),
                         QStringLiteral("sara"), md5("sara"))));
    QVERIFY2(reply.contains("<code>1</code><message>No such queue</message>"), reply.constData());
}

DESKLINE_TEST_MAIN(TestSessionApi)
#include "tst_session_api.moc"
