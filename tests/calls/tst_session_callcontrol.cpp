// Call actions of a main window logged in to the simulated PBX in CTI-only
// mode, driven as the user drives them (line buttons, keys, balloons, the
// number field, a local program on the API port), checked against the
// commands the PBX received.
#include "../apiserver/apiclient.h"
#include "apiserver/clientapiserver.h"
#include "calls/callcontrol.h"
#include "calls/calllines.h"
#include "calls/rapidcall.h"
#include "mainwindow/customshortcut.h"
#include "programlog.h"
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "settings/msettingsstore.h"
#include "testmain.h"
#include "widgets/balloonboard.h"
#include "widgets/customlineedit.h"
#include "widgets/wdgactiveline.h"
#include "widgets/wdgballoonmessage.h"
#include "widgets/wdgincomingcallline.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QCompleter>
#include <QGuiApplication>
#include <QJsonObject>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStandardItemModel>

using namespace sessiontest;

namespace
{

QList<QJsonObject> commandsNamed(const QSignalSpy &spy, const QString &name)
{
    QList<QJsonObject> found;
    for (const QList<QVariant> &c : spy) {
        if (c.at(1).toString() == name)
            found << c.at(2).toJsonObject();
    }
    return found;
}

QPushButton *button(QWidget *w, const char *name)
{
    return w ? w->findChild<QPushButton *>(QString::fromLatin1(name)) : nullptr;
}

// An outside caller rings 201 and the user takes the call on the phone.
wdgActiveLine *answeredCall(MPGui &w, PbxSimulator &sim, const QString &from)
{
    CallLines *calls = w.callLines();
    const int before = calls->activeLines().size();
    sim.injectIncomingCall(from, QStringLiteral("201"));
    if (!QTest::qWaitFor([calls] { return !calls->ringingLines().isEmpty(); }, testsupport::kConditionWaitMs))
        return nullptr;
    if (!sim.answerRinging(QStringLiteral("201")))
        return nullptr;
    if (!QTest::qWaitFor([calls, before] { return calls->activeLines().size() > before; },
                         testsupport::kConditionWaitMs))
        return nullptr;
    return calls->activeLines().value(calls->currentLine());
}

} // namespace

class TestSessionCallControl : public QObject
{
    Q_OBJECT

private slots:
    void endKeyHangsUpTheCurrentCall();
    void parkFromTheLine();
    void blindTransferFromALocalProgram();
    void ringingCallForwarded_data();
    void ringingCallForwarded();
    void keypadTypesIntoTheNumberField();
    void enterKeepsTheRecentNumbers();
    void copiedNumberOffersACall();
    void droppedNumberIsDialled();
};

void TestSessionCallControl::endKeyHangsUpTheCurrentCall()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    useDemoAccount(w, *f.sim);
    QTemporaryDir traceDir;
    const QString tracePath = traceDir.filePath(QStringLiteral("trace.jsonl"));
    QVERIFY(f.sim->setTraceFile(tracePath));
    QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);
    wdgActiveLine *line = answeredCall(w, *f.sim, QStringLiteral("0612345"));
    QVERIFY(line);
    const QString callId = line->getCallId();

    customShortcut *end = w.shortcuts().value(QStringLiteral("End"));
    QVERIFY(end);
    emit end->activated();
    QTRY_COMPARE(commandsNamed(commands, QStringLiteral("hangupCall")).size(), 1);
    QCOMPARE(commandsNamed(commands, QStringLiteral("hangupCall")).first().value(QStringLiteral("callId")).toString(),
             callId);
    QTRY_VERIFY(w.callLines()->activeLines().isEmpty());
    QTRY_COMPARE(f.sim->activeCallCount(), 0);
    f.sim->stopTrace();
    QFile trace(tracePath);
    QVERIFY(trace.open(QIODevice::ReadOnly));
    QVERIFY(trace.readAll().contains("\"cmd\":\"hangupCall\""));
}

void TestSessionCallControl::parkFromTheLine()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    useDemoAccount(w, *f.sim);
    QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);
    wdgActiveLine *line = answeredCall(w, *f.sim, QStringLiteral("0612345"));
    QVERIFY(line);
    const QString callId = line->getCallId();
    // The line's park request (its button is offered with a phone back-end;
    // the PBX parks the call on the CTI path).
    emit line->sigAskForParkCall(line->getLineId());
    QTRY_COMPARE(commandsNamed(commands, QStringLiteral("parkCall")).size(), 1);
    QCOMPARE(commandsNamed(commands, QStringLiteral("parkCall")).first().value(QStringLiteral("callId")).toString(),
             callId);
    // The PBX parks the caller and ends the user's call.
    QTRY_VERIFY(w.callLines()->activeLines().isEmpty());
}

void TestSessionCallControl::blindTransferFromALocalProgram()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    useDemoAccount(w, *f.sim);
    ClientApiServer *server = w.localApiServer();
    QVERIFY(server);
    server->close();
    QVERIFY(server->listen(QHostAddress::LocalHost, 0));
    QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);
    wdgActiveLine *line = answeredCall(w, *f.sim, QStringLiteral("0612345"));
    QVERIFY(line);
    const QString remoteChannel = line->getRemoteChannel();
    QVERIFY(!remoteChannel.isEmpty());

    // A target that is no number reaches nothing.
    apitest::ApiClient bad;
    bad.exchange(server->serverPort(), apitest::httpPost(apitest::apiBody(
                                           QStringLiteral("<transfercall><xferTo>203;x</xferTo></transfercall>"),
                                           QStringLiteral("demo"), apitest::md5("demo"))));
    apitest::ApiClient client;
    client.exchange(server->serverPort(), apitest::httpPost(apitest::apiBody(
                                              QStringLiteral("<transfercall><xferTo>203</xferTo></transfercall>"),
                                              QStringLiteral("demo"), apitest::md5("demo"))));
    QTRY_COMPARE(commandsNamed(commands, QStringLiteral("redirectCall")).size(), 1);
    const QJsonObject sent = commandsNamed(commands, QStringLiteral("redirectCall")).first();
    QCOMPARE(sent.value(QStringLiteral("target")).toString(), remoteChannel);
    QCOMPARE(sent.value(QStringLiteral("number")).toString(), QStringLiteral("203"));
    // The caller goes on to 203; the user's line ends.
    QTRY_VERIFY(w.callLines()->activeLines().isEmpty());
    QCOMPARE(f.sim->activeCallCount(), 1);
}

void TestSessionCallControl::ringingCallForwarded_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("confirmed");
    QTest::addColumn<QString>("forwardedTo"); // empty: the call keeps ringing
    QTest::newRow("forwarded") << "203" << true << "203";
    QTest::newRow("cancelled") << "203" << false << "";
    QTest::newRow("not a number") << "203&x" << true << "";
}

void TestSessionCallControl::ringingCallForwarded()
{
    QFETCH(QString, typed);
    QFETCH(bool, confirmed);
    QFETCH(QString, forwardedTo);
    // Desk-phone mode before a desk-phone driver exists: the ringing line
    // offers to forward, and the PBX carries it out.
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config(QStringLiteral("demo"), QStringLiteral("demo"), 1)};
    QVERIFY(startAndLogin(w));
    useDemoAccount(w, *f.sim);
    QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);
    CallLines *calls = w.callLines();
    f.sim->injectIncomingCall(QStringLiteral("0612345"), QStringLiteral("201"));
    QTRY_COMPARE(calls->ringingLines().size(), 1);
    const qint64 lineId = calls->ringingLines().firstKey();
    wdgIncomingCallLine *ringing = calls->ringingLines().first();
    const QString callId = ringing->getCallId();

    prompts.textNext(typed, confirmed);
    QWidget *from = ringing;
    QPushButton *transfer = button(from, "btnTransferCall");
    QVERIFY(transfer && transfer->isVisibleTo(from) && transfer->isEnabled());
    QTest::mouseClick(transfer, Qt::LeftButton);
    QCOMPARE(prompts.textRequests.size(), 1);
    QVERIFY(prompts.textRequests.first().first.endsWith(QStringLiteral(" - Inoltro di chiamata")));
    QCOMPARE(prompts.textRequests.first().second, QStringLiteral("Numero a cui vuoi trasferire la chiamata:"));
    if (forwardedTo.isEmpty()) {
        QTest::qWait(200);
        QVERIFY(commandsNamed(commands, QStringLiteral("redirectCall")).isEmpty());
        QCOMPARE(calls->ringingLines().size(), 1);
        // A refused number is said so; a cancelled dialog says nothing.
        QCOMPARE(prompts.texts().count(QStringLiteral("\"%1\" non è un numero valido.").arg(typed)), confirmed ? 1 : 0);
        return;
    }
    QTRY_COMPARE(commandsNamed(commands, QStringLiteral("redirectCall")).size(), 1);
    const QJsonObject sent = commandsNamed(commands, QStringLiteral("redirectCall")).first();
    QCOMPARE(sent.value(QStringLiteral("target")).toString(), callId);
    QCOMPARE(sent.value(QStringLiteral("number")).toString(), forwardedTo);
    QTRY_VERIFY(calls->ringingLines().isEmpty());
    QTRY_VERIFY(!calls->balloon(Balloon::IncomingCallBalloon, lineId));
}

void TestSessionCallControl::keypadTypesIntoTheNumberField()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    auto *field = widgetOf<CustomLineEdit>(w, QStringLiteral("edtCallerNumber"));
    QVERIFY(field);
    for (const char *key : {"bt2", "bt0", "btAst", "btPound"})
        QTest::mouseClick(widgetOf<QPushButton>(w, QString::fromLatin1(key)), Qt::LeftButton);
    QCOMPARE(field->text(), QStringLiteral("20*#"));
}

void TestSessionCallControl::enterKeepsTheRecentNumbers()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);
    auto *field = widgetOf<CustomLineEdit>(w, QStringLiteral("edtCallerNumber"));
    QStandardItemModel *recent = w.rapidCall()->recentNumbers();
    QAbstractItemModelTester tester(recent, QAbstractItemModelTester::FailureReportingMode::QtTest);
    auto enter = [field](const QString &number) {
        field->setText(number);
        emit field->sigEnter();
    };
    enter(QStringLiteral("203"));
    enter(QStringLiteral("204"));
    enter(QStringLiteral("203"));
    QTRY_COMPARE(commandsNamed(commands, QStringLiteral("newCall")).size(), 3);
    QCOMPARE(recent->rowCount(), 2);
    QCOMPARE(recent->index(0, 0).data().toString(), QStringLiteral("203"));
    QVERIFY(field->text().isEmpty());
    // What cannot be dialled stays in the field and is not remembered.
    enter(QStringLiteral("203;reboot"));
    QCOMPARE(field->text(), QStringLiteral("203;reboot"));
    QCOMPARE(recent->rowCount(), 2);
    QCOMPARE(field->completer()->model(), recent);
}

void TestSessionCallControl::copiedNumberOffersACall()
{
    SessionFixture f;
    f.writeCtiSettings({{QStringLiteral("CopyToCall"), 1}});
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    QVERIFY(w.store()->isCopyToCallEnabled());
    QTRY_VERIFY(w.resolveContactNumber(QStringLiteral("203"))); // the extensions are known
    QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);
    BalloonBoard *board = w.balloonBoard();
    QClipboard *clipboard = QGuiApplication::clipboard();

    // Text that is no number (a password, say) opens nothing and is not logged.
    clipboard->setText(QStringLiteral("correct horse battery staple"));
    QTest::qWait(700);
    QVERIFY(board->balloonsMap().isEmpty());
    // An internal extension is never offered.
    clipboard->setText(QStringLiteral("203"));
    QTest::qWait(700);
    QVERIFY(board->balloonsMap().isEmpty());

    clipboard->setText(QStringLiteral("Tel. +39 0612-345678"));
    const Balloon::KeyPair key(Balloon::CopyToCallBalloon, QStringLiteral("+390612345678"));
    QTRY_VERIFY(board->balloonsMap().value(key));
    wdgBalloonMessage *balloon = board->balloonsMap().value(key);
    QCOMPARE(balloon->message(), QStringLiteral("Clicca sul pulsante per chiamare\n+390612345678 (chiamata esterna)"));
    QTest::mouseClick(button(balloon, "btnStartCall"), Qt::LeftButton);
    QTRY_COMPARE(commandsNamed(commands, QStringLiteral("newCall")).size(), 1);
    const QJsonObject sent = commandsNamed(commands, QStringLiteral("newCall")).first();
    QCOMPARE(sent.value(QStringLiteral("number")).toString(), QStringLiteral("00390612345678"));
    QCOMPARE(sent.value(QStringLiteral("prefix")).toInt(), int(CTILIB::PrefixExternal));

    const QByteArray log = testsupport::programLogText(f.dir.path());
    QVERIFY(!log.isEmpty());
    QVERIFY(!log.contains("horse"));
    QVERIFY(!log.contains("390612345678"));
}

void TestSessionCallControl::droppedNumberIsDialled()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);
    auto drop = [&w](const QString &text) {
        QMimeData data;
        data.setText(text);
        // The drop as the window receives it once the drag manager has
        // chosen it as the target.
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        static_cast<QObject &>(w).event(&event);
    };
    QVERIFY(w.acceptDrops());
    QTRY_VERIFY(w.resolveContactNumber(QStringLiteral("203"))); // the extensions are known
    drop(QStringLiteral("Mario Rossi"));
    drop(QStringLiteral("06 12.34"));
    drop(QStringLiteral("203"));
    QTRY_COMPARE(commandsNamed(commands, QStringLiteral("newCall")).size(), 2);
    QCOMPARE(commandsNamed(commands, QStringLiteral("newCall")).at(0).value(QStringLiteral("number")).toString(),
             QStringLiteral("061234"));
    QCOMPARE(commandsNamed(commands, QStringLiteral("newCall")).at(1).value(QStringLiteral("number")).toString(),
             QStringLiteral("203"));
}

DESKLINE_TEST_MAIN(TestSessionCallControl)
#include "tst_session_callcontrol.moc"
