// The local API server of a main window logged in to the simulated PBX: a
// local program's requests reach the window through the connections the
// window makes when it starts the server after log-in.
#include "apiclient.h"
#include "clientapiserver.h"
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "testmain.h"

#include "messagingpanel.h"

#include <QJsonObject>
#include <QPushButton>
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
    void dndReachesThePbx();

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

// A local program switches do-not-disturb: the request reaches the PBX as
// the service, and the button follows the PBX's report.
void TestSessionApi::dndReachesThePbx()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    ClientApiServer *server = serverOf(w);
    QVERIFY(server);
    QPushButton *dnd = w.findChild<QPushButton *>(QStringLiteral("btnDnd"));
    QVERIFY(dnd);
    // The PBX's report at log-in shows the button, off.
    QTRY_VERIFY(dnd->isVisibleTo(&w));
    QCOMPARE(dnd->toolTip(), QStringLiteral("Do Not Disturb non attivo"));

    auto dndSent = [&commands]() {
        QList<bool> out;
        for (const QList<QVariant> &c : qAsConst(commands)) {
            const QJsonObject args = c.at(2).toJsonObject();
            if (c.at(1).toString() == QLatin1String("setService") &&
                args.value(QStringLiteral("service")).toString() == QLatin1String("dnd"))
                out << args.value(QStringLiteral("on")).toBool();
        }
        return out;
    };
    for (const bool on : {true, false}) {
        ApiClient client;
        const QByteArray reply = client.exchange(
            server->serverPort(), demoRequest(QStringLiteral("<setDND><DND>%1</DND></setDND>").arg(on ? 1 : 0)));
        QCOMPARE(replyCode(reply), 0);
        QTRY_COMPARE(dndSent().size(), on ? 1 : 2);
        QCOMPARE(dndSent().last(), on);
        QTRY_COMPARE(w.messagingPanel()->isDndActive(), on);
        QCOMPARE(dnd->toolTip(), on ? QStringLiteral("Do Not Disturb attivo") : QStringLiteral("Do Not Disturb non attivo"));
        QVERIFY(dnd->isEnabled());
    }
    QVERIFY(prompts.shown.isEmpty());
}

DESKLINE_TEST_MAIN(TestSessionApi)
#include "tst_session_api.moc"
