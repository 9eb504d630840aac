// Calls of a main window logged in to the simulated PBX in CTI-only mode (and
// in desk-phone mode before a desk-phone driver exists): the PBX's call
// reports ring, answer and end lines with their balloons and automatic
// actions, the dial field places calls, missed calls are announced.
#include "calls/calllines.h"
#include "mainwindow/session/pbxsession.h"
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "settings/msettingsstore.h"
#include "testmain.h"
#include "widgets/balloonboard.h"
#include "widgets/customlineedit.h"
#include "widgets/wdgactiveline.h"
#include "widgets/wdgballoonmessage.h"
#include "widgets/wdgincomingcallline.h"

#include <QJsonObject>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>

#include "programchild.h"

#include <spawn.h>
#include <unistd.h>

#include <vector>

using namespace sessiontest;

namespace
{

// Records what the user would see and also starts programs for real, so a
// recording program can tell which arguments reached it. They are spawned
// without a fork of this process: under the address sanitizer a forked child
// of a process whose other threads allocate can hang on the sanitizer's own
// allocator lock before it gets to exec.
class RunningPrompts : public ScriptedPrompts
{
public:
    bool startDetached(const QString &program, const QStringList &arguments,
                       const QString &workingDirectory = QString()) override
    {
        ScriptedPrompts::startDetached(program, arguments, workingDirectory);
        testsupport::SpawnArgv argv(program, arguments);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const QByteArray dir = QFile::encodeName(workingDirectory);
        if (!dir.isEmpty())
            posix_spawn_file_actions_addchdir_np(&actions, dir.constData());
        pid_t pid = 0;
        const int rc = posix_spawnp(&pid, argv.program(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        return rc == 0;
    }
};

QStringList commandsNamed(const QSignalSpy &spy, const QString &name)
{
    QStringList found;
    for (const QList<QVariant> &c : spy) {
        if (c.at(1).toString() == name)
            found << QString::fromUtf8(QJsonDocument(c.at(2).toJsonObject()).toJson(QJsonDocument::Compact));
    }
    return found;
}

} // namespace

class TestSessionCalls : public QObject
{
    Q_OBJECT

private slots:
    void incomingCallRingsIsAnsweredAndEnds_data();
    void incomingCallRingsIsAnsweredAndEnds();
    void refusedFromTheRingingLine();
    void callerFromThePhoneBookIsNamed();
    void outgoingCallFromTheDialField();
    void dialFieldRefusesWhatIsNoNumber();
    void missedCallIsAnnounced();
    void disconnectionClosesEveryLine();
    void quitEndsNoCallAtThePbx();
};

void TestSessionCalls::incomingCallRingsIsAnsweredAndEnds_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("CTI only") << 0;
    QTest::newRow("desk phone without driver") << 1;
}

void TestSessionCalls::incomingCallRingsIsAnsweredAndEnds()
{
    QFETCH(int, mode);
    SessionFixture f;
    RunningPrompts prompts;
    QTemporaryDir scripts;
    const QString script = scripts.filePath(QStringLiteral("record-args.sh"));
    {
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // It writes where it is started: its own directory, when the action
        // gives it that working directory.
        file.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > args.tmp && mv args.tmp args.txt\n");
        file.close();
        QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    }
    MPGui w{f.config(QStringLiteral("demo"), QStringLiteral("demo"), mode)};
    QVERIFY(startAndLogin(w));
    useDemoAccount(w, *f.sim);
    MctiActionMap actions;
    MctiActions::insert(actions, MctiActions::make(MctiAction::IncomingCall, MctiAction::OpenUrl,
                                                   QStringLiteral("https://crm.local/ring?n=<callernum>&id=<uid>")));
    MctiActions::insert(actions,
                        MctiActions::make(MctiAction::FinishedCall, MctiAction::OpenUrl,
                                          QStringLiteral("https://crm.local/end?name=<callername>&to=<callednum>")));
    MctiActions::insert(actions, MctiActions::make(MctiAction::FinishedCall, MctiAction::StartProcess,
                                                   script + QStringLiteral(" --name <callername> --num <callernum>")));
    w.store()->setActions(actions);
    CallLines *calls = w.callLines();
    QStackedWidget *stack = widgetOf<QStackedWidget>(w, QStringLiteral("vLineLayout"));
    QVERIFY(calls && stack);

    // A hostile caller name: URL syntax, a placeholder, shell text.
    const QString name = QStringLiteral("Evil&x=1 <uid>; rm -rf ~");
    // An outside caller as the PBX presents it, after its outside-line prefix
    // "0": the client shows and hands on the number without it.
    const QString uid =
        f.sim->injectIncomingCall(QStringLiteral("00612345678"), QStringLiteral("201"), QString(), name);
    QVERIFY(!uid.isEmpty());
    QTRY_COMPARE(calls->ringingLines().size(), 1);
    const qint64 line = calls->ringingLines().firstKey();
    QVERIFY(line > 0);
    wdgIncomingCallLine *ringing = calls->ringingLines().value(line);
    QCOMPARE(stack->currentWidget(), ringing);
    QCOMPARE(ringing->findChild<QLabel *>(QStringLiteral("lblSpeaker"))->text(), name);
    QCOMPARE(ringing->findChild<QLabel *>(QStringLiteral("lblSpeaker"))->textFormat(), Qt::PlainText);
    QCOMPARE(calls->ringingCounters().directExternal(), 1);
    wdgBalloonMessage *balloon = calls->balloon(Balloon::IncomingCallBalloon, line);
    QVERIFY(balloon);
    QVERIFY(balloon->isVisible());
    QCOMPARE(balloon->message(), QStringLiteral("Chiamata in arrivo da:\n%1 (0612345678)").arg(name));
    QCOMPARE(prompts.urls.size(), 1);
    QCOMPARE(prompts.urls.first().toString(QUrl::FullyEncoded),
             QStringLiteral("https://crm.local/ring?n=0612345678&id=%1").arg(uid));
    // Without a phone back-end the line offers only to refuse.
    QVERIFY(!ringing->findChild<QPushButton *>(QStringLiteral("btnAnswerCall"))->isVisibleTo(ringing));
    QVERIFY(ringing->findChild<QPushButton *>(QStringLiteral("btnRefuseCall"))->isVisibleTo(ringing));

    // The user takes the call on the phone: the ringing line becomes active
    // in its place.
    QVERIFY(f.sim->answerRinging(QStringLiteral("201")));
    QTRY_COMPARE(calls->activeLines().size(), 1);
    QVERIFY(calls->ringingLines().isEmpty());
    wdgActiveLine *active = calls->activeLines().value(line);
    QVERIFY(active);
    QCOMPARE(active->getCallStatus(), 1);
    QCOMPARE(stack->count(), 1);
    QCOMPARE(calls->currentLine(), line);
    QCOMPARE(calls->ringingCounters().directExternal(), 0);
    QTRY_VERIFY(!calls->balloon(Balloon::IncomingCallBalloon, line));
    QVERIFY(calls->callRecords().value(line).answered);
    QCOMPARE(calls->callRecords().value(line).uid, uid);

    // The caller hangs up: the line closes and the finished actions run.
    QCOMPARE(f.sim->hangup(QStringLiteral("00612345678")), 1);
    QTRY_VERIFY(calls->activeLines().isEmpty());
    QTRY_COMPARE(stack->count(), 0);
    QVERIFY(calls->callRecords().isEmpty());
    QCOMPARE(calls->currentLine(), qint64(-1));
    QCOMPARE(prompts.urls.size(), 2);
    QCOMPARE(prompts.urls.last().toString(QUrl::FullyEncoded),
             QStringLiteral("https://crm.local/end?name=Evil%26x%3D1%20%3Cuid%3E%3B%20rm%20-rf%20~&to=201"));
    QCOMPARE(prompts.programs.size(), 1);
    QCOMPARE(prompts.programs.first().first, script);
    const QStringList expected{QStringLiteral("--name"), name, QStringLiteral("--num"), QStringLiteral("0612345678")};
    QCOMPARE(prompts.programs.first().second, expected);
    // The program runs in its own directory.
    QCOMPARE(prompts.programDirs.first(), QFileInfo(script).absolutePath());
    QFile args(scripts.filePath(QStringLiteral("args.txt")));
    QTRY_VERIFY_WITH_TIMEOUT(args.exists(), 5000);
    QVERIFY(args.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(args.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts), expected);
    // Nothing was announced as missed.
    for (const ScriptedPrompts::TrayMessage &m : qAsConst(prompts.trayMessages))
        QVERIFY(m.text != QLatin1String("Nuove chiamate perse"));
}

void TestSessionCalls::refusedFromTheRingingLine()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    useDemoAccount(w, *f.sim);
    QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);
    CallLines *calls = w.callLines();
    const QString uid = f.sim->injectIncomingCall(QStringLiteral("0698765"), QStringLiteral("201"));
    QTRY_COMPARE(calls->ringingLines().size(), 1);
    QTest::mouseClick(calls->ringingLines().first()->findChild<QPushButton *>(QStringLiteral("btnRefuseCall")),
                      Qt::LeftButton);
    QTRY_COMPARE(commandsNamed(commands, QStringLiteral("refuseCall")).size(), 1);
    QVERIFY(commandsNamed(commands, QStringLiteral("refuseCall")).first().contains(uid));
    QTRY_VERIFY(calls->ringingLines().isEmpty());
    QCOMPARE(f.sim->activeCallCount(), 0);
    QVERIFY(calls->activeLines().isEmpty());
    QCOMPARE(calls->ringingCounters().directExternal(), 0);
}

void TestSessionCalls::callerFromThePhoneBookIsNamed()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    useDemoAccount(w, *f.sim);
    // The phone book has arrived when its numbers resolve.
    QTRY_VERIFY(w.resolveContactNumber(QStringLiteral("+39 051 332211")));
    CallLines *calls = w.callLines();
    // An outside caller as the PBX presents it: its outside-line prefix "0" first.
    f.sim->injectIncomingCall(QStringLiteral("00039051332211"), QStringLiteral("201"));
    QTRY_COMPARE(calls->ringingLines().size(), 1);
    QCOMPARE(calls->ringingLines().first()->getRemoteName(), QString("Federica Blu"));
}

void TestSessionCalls::outgoingCallFromTheDialField()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    f.sim->setAnswerDelay(100);
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    useDemoAccount(w, *f.sim);
    QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);
    CallLines *calls = w.callLines();
    auto *field = widgetOf<CustomLineEdit>(w, QStringLiteral("edtCallerNumber"));
    auto *button = widgetOf<QPushButton>(w, QStringLiteral("btnStartAudioCall"));
    QVERIFY(field && button && button->isEnabled());
    field->setText(QStringLiteral("203"));
    QTest::mouseClick(button, Qt::LeftButton);

    QTRY_COMPARE(commandsNamed(commands, QStringLiteral("newCall")).size(), 1);
    const QJsonObject sent =
        QJsonDocument::fromJson(commandsNamed(commands, QStringLiteral("newCall")).first().toUtf8()).object();
    QCOMPARE(sent.value(QStringLiteral("number")).toString(), QStringLiteral("203"));
    QCOMPARE(sent.value(QStringLiteral("prefix")).toInt(), int(CTILIB::PrefixInternal));
    // The PBX reports the call: an active line in progress, then answered.
    QTRY_COMPARE(calls->activeLines().size(), 1);
    wdgActiveLine *active = calls->activeLines().first();
    QCOMPARE(active->getRemoteNum(), QStringLiteral("203"));
    QTRY_VERIFY(calls->callRecords().value(active->getLineId()).answered);
    QCOMPARE(calls->callRecords().value(active->getLineId()).direction, 0);

    // The user hangs up from the line.
    QTest::mouseClick(active->findChild<QPushButton *>(QStringLiteral("btnHangup")), Qt::LeftButton);
    QTRY_COMPARE(commandsNamed(commands, QStringLiteral("hangupCall")).size(), 1);
    QTRY_COMPARE(f.sim->activeCallCount(), 0);
    QTRY_VERIFY(calls->activeLines().isEmpty());
    QTRY_VERIFY(calls->callRecords().isEmpty());
}

void TestSessionCalls::dialFieldRefusesWhatIsNoNumber()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);
    auto *field = widgetOf<CustomLineEdit>(w, QStringLiteral("edtCallerNumber"));
    auto *button = widgetOf<QPushButton>(w, QStringLiteral("btnStartAudioCall"));
    field->setText(QStringLiteral("201;reboot"));
    QTest::mouseClick(button, Qt::LeftButton);
    field->setText(QStringLiteral("(02) 555-12"));
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_COMPARE(commandsNamed(commands, QStringLiteral("newCall")).size(), 1);
    QVERIFY(commandsNamed(commands, QStringLiteral("newCall")).first().contains(QStringLiteral("\"0255512\"")));
}

void TestSessionCalls::missedCallIsAnnounced()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    f.sim->setRingTimeout(300);
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    useDemoAccount(w, *f.sim);
    MctiActionMap actions;
    MctiActions::insert(actions, MctiActions::make(MctiAction::FinishedCall, MctiAction::OpenUrl,
                                                   QStringLiteral("https://crm.local/end?n=<callernum>")));
    w.store()->setActions(actions);
    CallLines *calls = w.callLines();
    f.sim->injectIncomingCall(QStringLiteral("0611111"), QStringLiteral("201"));
    QTRY_COMPARE(calls->ringingLines().size(), 1);
    auto missedNotice = [&prompts] {
        int n = 0;
        for (const ScriptedPrompts::TrayMessage &m : qAsConst(prompts.trayMessages))
            n += m.text == QLatin1String("Nuove chiamate perse") ? 1 : 0;
        return n;
    };
    QTRY_COMPARE(missedNotice(), 1);
    QTRY_VERIFY(calls->ringingLines().isEmpty());
    QVERIFY(calls->callRecords().isEmpty());
    QCOMPARE(calls->ringingCounters().directExternal(), 0);
    QVERIFY(prompts.urls.isEmpty()); // an unanswered call runs no finished action
    QVERIFY(timerOf(w, QStringLiteral("tabAnimTimer"))->isActive());
}

void TestSessionCalls::disconnectionClosesEveryLine()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    w.pbxSession()->setReconnectDelay({600000, 0});
    QVERIFY(startAndLogin(w));
    useDemoAccount(w, *f.sim);
    CallLines *calls = w.callLines();
    f.sim->injectIncomingCall(QStringLiteral("0622222"), QStringLiteral("201"));
    f.sim->injectIncomingCall(QStringLiteral("0633333"), QStringLiteral("201"));
    QTRY_COMPARE(calls->ringingLines().size(), 2);
    // The line buttons show the two ringing lines; a click shows its line.
    auto *btnLine1 = widgetOf<QPushButton>(w, QStringLiteral("btnLine1"));
    auto *btnLine2 = widgetOf<QPushButton>(w, QStringLiteral("btnLine2"));
    auto *btnLine3 = widgetOf<QPushButton>(w, QStringLiteral("btnLine3"));
    auto *stack = widgetOf<QStackedWidget>(w, QStringLiteral("vLineLayout"));
    QTRY_VERIFY(btnLine2->property("status").toString().startsWith(QLatin1String("ringing")));
    QCOMPARE(btnLine1->property("current").toString(), QStringLiteral("1"));
    QTest::mouseClick(btnLine2, Qt::LeftButton);
    QCOMPARE(stack->currentIndex(), 1);
    QTRY_COMPARE(btnLine2->property("current").toString(), QStringLiteral("1"));
    QCOMPARE(btnLine1->property("current").toString(), QStringLiteral("0"));
    QTest::mouseClick(btnLine3, Qt::LeftButton); // no third line: the first is shown
    QCOMPARE(stack->currentIndex(), 0);
    QCOMPARE(btnLine3->property("status").toString(), QString());

    QVERIFY(f.sim->answerRinging(QStringLiteral("201")));
    QTRY_COMPARE(calls->activeLines().size(), 1);
    QCOMPARE(calls->callRecords().size(), 2);
    QTRY_VERIFY(btnLine1->property("status").toString() == QLatin1String("inprogress") ||
                btnLine2->property("status").toString() == QLatin1String("inprogress"));
    f.sim->restart();
    QTRY_VERIFY(!w.isSessionUp());
    QVERIFY(calls->ringingLines().isEmpty());
    QVERIFY(calls->activeLines().isEmpty());
    // No record survives to be found again by a line id used later.
    QVERIFY(calls->callRecords().isEmpty());
    QCOMPARE(calls->balloonCount(), 0);
    QCOMPARE(calls->ringingCounters().directExternal(), 0);
}

void TestSessionCalls::quitEndsNoCallAtThePbx()
{
    // Quitting closes every line; in CTI-only mode nothing is hung up at the
    // PBX, the call goes on at the phone.
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    useDemoAccount(w, *f.sim);
    QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);
    CallLines *calls = w.callLines();
    f.sim->injectIncomingCall(QStringLiteral("0644444"), QStringLiteral("201"));
    QTRY_COMPARE(calls->ringingLines().size(), 1);
    QVERIFY(w.quitApplication(false, false));
    QVERIFY(calls->ringingLines().isEmpty());
    QCOMPARE(calls->balloonCount(), 0);
    QVERIFY(calls->callRecords().isEmpty());
    QTest::qWait(100);
    QVERIFY(commandsNamed(commands, QStringLiteral("hangupCall")).isEmpty());
    QVERIFY(commandsNamed(commands, QStringLiteral("refuseCall")).isEmpty());
    QCOMPARE(f.sim->activeCallCount(), 1);
}

DESKLINE_TEST_MAIN(TestSessionCalls)
#include "tst_session_calls.moc"
