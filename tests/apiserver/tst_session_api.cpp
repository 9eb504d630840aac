// The local API server of a main window logged in to the simulated PBX: a
// local program's requests reach the window through the connections the
// window makes when it starts the server after log-in.
#include "apiclient.h"
#include "apiserver/clientapiserver.h"
#include "calls/calllines.h"
#include "queues/queuestatus.h"
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "settings/msettingsstore.h"
#include "testmain.h"

#include "messaging/messagingpanel.h"

#include <QJsonObject>
#include <QPushButton>
#include <QSignalSpy>

using namespace apitest;
using namespace sessiontest;

class TestSessionApi : public QObject
{
    Q_OBJECT

private slots:
    void serverStartedWithTheAccount();
    void pauseQueuesReachesThePbx_data();
    void pauseQueuesReachesThePbx();
    void wrongPasswordReachesNothing();
    void callActionsAnswered_data();
    void callActionsAnswered();
    void click2callReachesThePbx_data();
    void click2callReachesThePbx();
    void activeCallInfo();
    void dndReachesThePbx();
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
    const QByteArray reply =
        client.exchange(server->serverPort(),
                        demoRequest(QStringLiteral("<pauseQueues><paused>%1</paused></pauseQueues>").arg(paused)));
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
    QTest::newRow("transfercall") << "<transfercall><xferTo>204</xferTo></transfercall>" << QByteArray("transfercall");
    QTest::newRow("attendedTransferCall")
        << "<attendedTransferCall><xferTo>204</xferTo></attendedTransferCall>" << QByteArray("attendedTransferCall");
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

void TestSessionApi::click2callReachesThePbx_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("dialled"); // empty: nothing reaches the PBX
    QTest::newRow("plus and blanks") << "+39 02 555"
                                     << "003902555";
    QTest::newRow("extension") << "203"
                               << "203";
    QTest::newRow("not a number") << "203&reboot"
                                  << "";
}

void TestSessionApi::click2callReachesThePbx()
{
    QFETCH(QString, number);
    QFETCH(QString, dialled);
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    ClientApiServer *server = serverOf(w);
    QVERIFY(server);
    QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);
    QSignalSpy requested(server, &ClientApiServer::sigMakeCallRequested);

    ApiClient client;
    const QByteArray reply = client.exchange(
        server->serverPort(), demoRequest(QStringLiteral("<click2call><number_to_call>%1</number_to_call></click2call>")
                                              .arg(number.toHtmlEscaped())));
    QCOMPARE(replyName(reply), QByteArray("click2call"));
    QTRY_COMPARE(requested.count(), 1);
    auto newCalls = [&commands] {
        QList<QJsonObject> found;
        for (const QList<QVariant> &c : qAsConst(commands)) {
            if (c.at(1).toString() == QLatin1String("newCall"))
                found << c.at(2).toJsonObject();
        }
        return found;
    };
    if (dialled.isEmpty()) {
        QTest::qWait(300); // the window's queued slot runs and refuses
        QVERIFY(newCalls().isEmpty());
        return;
    }
    QTRY_COMPARE(newCalls().size(), 1);
    QCOMPARE(newCalls().first().value(QStringLiteral("number")).toString(), dialled);
    QCOMPARE(newCalls().first().value(QStringLiteral("prefix")).toInt(), int(CTILIB::PrefixInternal));
}

void TestSessionApi::activeCallInfo()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    IdentityList identities;
    IdentityEntry entry;
    for (const SimUser &u : f.sim->data().users) {
        if (u.extension == QLatin1String("201"))
            entry.identifier = u.account();
    }
    identities << entry;
    w.store()->setAccountList(identities);
    ClientApiServer *server = serverOf(w);
    QVERIFY(server);
    const QByteArray request = demoRequest(QStringLiteral("<activeCallInfo>1</activeCallInfo>"));

    ApiClient idle;
    QByteArray reply = idle.exchange(server->serverPort(), request);
    QCOMPARE(replyCode(reply), 1);
    QCOMPARE(replyMessage(reply), QByteArray("No active calls"));

    // A caller whose name would break the reply's XML.
    const QString uid = f.sim->injectIncomingCall(QStringLiteral("0612345"), QStringLiteral("201"), QString(),
                                                  QStringLiteral("</remote_name><x>&\"'"));
    QTRY_COMPARE(w.callLines()->ringingLines().size(), 1);
    QVERIFY(f.sim->answerRinging(QStringLiteral("201")));
    QTRY_COMPARE(w.callLines()->activeLines().size(), 1);

    ApiClient during;
    reply = during.exchange(server->serverPort(), request);
    QCOMPARE(replyCode(reply), 0);
    QVERIFY2(reply.contains(QStringLiteral("<uid>%1</uid>").arg(uid).toUtf8()), reply.constData());
    QVERIFY(reply.contains("<remote_num>0612345</remote_num>"));
    QVERIFY2(reply.contains("<remote_name>&lt;/remote_name&gt;&lt;x&gt;&amp;&quot;&apos;</remote_name>"),
             reply.constData());
    QVERIFY(reply.contains("<called_num>201</called_num><is_answered>1</is_answered>"));
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
        QCOMPARE(dnd->toolTip(),
                 on ? QStringLiteral("Do Not Disturb attivo") : QStringLiteral("Do Not Disturb non attivo"));
        QVERIFY(dnd->isEnabled());
    }
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
