// The phones' call events of a main window logged in to the simulated PBX:
// the desk phone (the simulator plays the user's Snom) and the softphone
// (its engine registered on the simulator's SIP side). Calls ring, are
// answered, held and retrieved on the phone's confirmation, end and are
// cleaned up; a busy target shows its error and plays the busy tone; a
// second call brings the call-waiting question.
#include "calls/callevents.h"
#include "calls/calllines.h"
#include "phone/mpengine.h"
#include "phone/phoneapi.h"
#include "phone/phonebackends.h"
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "testhelpers.h"
#include "testmain.h"
#include "widgets/wdgactiveline.h"
#include "widgets/wdgballoonmessage.h"
#include "widgets/wdgincomingcallline.h"
#include "widgets/wdgonholdline.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QSignalSpy>
#include <QStackedWidget>

using namespace sessiontest;

namespace
{

QString statusText(const wdgActiveLine *line)
{
    return testsupport::child<QLabel>(*line, QStringLiteral("lblCallStatus"))->text();
}
} // namespace

class TestSessionCallEvents : public QObject
{
    Q_OBJECT
private slots:
    void deskPhoneCall();
    void softphoneCall();
    void softphoneBusyTarget();
};

void TestSessionCallEvents::deskPhoneCall()
{
    SessionFixture f;
    const QString trace = f.dir.filePath(QStringLiteral("trace.jsonl"));
    QVERIFY(f.sim->setTraceFile(trace));
    ScriptedPrompts prompts;
    MctiConfig c = f.config(QStringLiteral("demo"), QStringLiteral("demo"), 1);
    c.account.set(QStringLiteral("201"));
    MPGui w{c};
    QVERIFY(startAndLogin(w));
    QTRY_VERIFY(w.phoneBackends()->deskPhone());
    PhoneApi *api = w.phoneBackends()->deskPhone();
    CallLines *calls = w.callLines();
    auto *stack = widgetOf<QStackedWidget>(w, QStringLiteral("vLineLayout"));

    // A call rings on the phone: one ringing line, joined with the PBX's
    // report of the call.
    const QString uid = f.sim->injectIncomingCall(QStringLiteral("00612345678"), QStringLiteral("201"), QString(),
                                                  QStringLiteral("Mario Verdi"));
    QTRY_COMPARE(calls->ringingLines().size(), 1);
    const qint64 line = calls->ringingLines().firstKey();
    QCOMPARE(api->lineIds(), QList<qlonglong>{line});
    QTRY_COMPARE(calls->ringingLines().value(line)->getCallId(), uid);
    QTRY_VERIFY(calls->balloon(Balloon::IncomingCallBalloon, line));
    QCOMPARE(stack->count(), 1);
    QTRY_VERIFY(calls->pendingIncoming().isEmpty());

    QVERIFY(api->answerCall(line));
    QTRY_COMPARE(calls->activeLines().keys(), QList<qint64>{line});
    QVERIFY(calls->ringingLines().isEmpty());
    wdgActiveLine *active = calls->activeLines().value(line);
    QTRY_COMPARE(active->getCallId(), uid);
    QCOMPARE(active->getCallStatus(), 1);
    QCOMPARE(stack->indexOf(active), 0);

    // Held on the phone: the held widget takes the active one's place.
    QVERIFY(api->putCallOnHold(line));
    QTRY_VERIFY(calls->heldLines().contains(line));
    wdgOnHoldLine *held = calls->heldLines().value(line);
    QCOMPARE(stack->indexOf(held), 0);
    QCOMPARE(stack->currentWidget(), held);
    QCOMPARE(held->getRemoteNum(), active->getRemoteNum());
    QCOMPARE(calls->heldOrder(), QList<qint64>{line});

    // The user retrieves it from the held line; the phone confirms.
    QPointer<wdgOnHoldLine> gone(held);
    testsupport::clickButton(*held, QStringLiteral("btnHold"));
    QTRY_VERIFY(calls->heldLines().isEmpty());
    QCOMPARE(stack->indexOf(active), 0);
    QCOMPARE(stack->currentWidget(), active);
    QCOMPARE(calls->currentLine(), line);
    QTRY_VERIFY(!gone);
    QCOMPARE(traced(trace, QStringLiteral("phoneResume")).size(), 1);

    // A second call while talking: the call-waiting question, asked as
    // answering asks it.
    const QString second = f.sim->injectIncomingCall(QStringLiteral("00698765432"), QStringLiteral("201"));
    QTRY_COMPARE(calls->ringingLines().size(), 1);
    QCOMPARE(stack->count(), 2);
    prompts.answerNext(QMessageBox::No);
    QCOMPARE(w.anotherCallAlert(true, false), -1);
    QCOMPARE(prompts.shown.size(), 1);
    QCOMPARE(prompts.shown.first().message.text,
             QStringLiteral("Attualmente si è impegnati in un'altra conversazione.\nSi desidera mettere in attesa la "
                            "chiamata in corso e avviarne una nuova?"));
    QVERIFY(prompts.shown.first().message.title.endsWith(QLatin1String(" - Nuova chiamata")));
    QCOMPARE(calls->activeLines().value(line), active);

    // The caller gives up on the second call: only its line goes.
    f.sim->hangup(second);
    QTRY_VERIFY(calls->ringingLines().isEmpty());
    QCOMPARE(calls->activeLines().keys(), QList<qint64>{line});

    // A park notice of the PBX.
    const int notices = prompts.trayMessages.size();
    QVERIFY(f.sim->sendParkNotice(QStringLiteral("201"), QStringLiteral("0612345678"), QStringLiteral("701"), 45));
    QTRY_COMPARE(prompts.trayMessages.size(), notices + 1);
    QCOMPARE(prompts.trayMessages.last().text,
             QStringLiteral("La chiamata in corso con 0612345678 è stata parcheggiata sulla stanza di parcheggio 701 "
                            "con un timeout di 45 secondi."));

    // The far end hangs up: everything of the call is cleaned up.
    QPointer<wdgActiveLine> ended(active);
    f.sim->hangup(uid);
    QTRY_VERIFY(calls->activeLines().isEmpty());
    QTRY_VERIFY(!ended);
    QCOMPARE(stack->count(), 0);
    QVERIFY(api->lineIds().isEmpty());
    QVERIFY(calls->callRecords().isEmpty());
    QVERIFY(calls->pendingIncoming().isEmpty());
    QVERIFY(calls->pendingAnswered().isEmpty());
}

namespace
{
// A window in softphone mode whose engine is registered on the simulator.
struct Softphone {
    SessionFixture f;
    ScriptedPrompts prompts;
    std::unique_ptr<MPGui> w;

    bool start()
    {
        QString error;
        if (!listenForSoftphones(f, &error))
            return false;
        MctiConfig c = f.config(QStringLiteral("demo"), QStringLiteral("demo"), 2);
        c.account.set(QStringLiteral("201"));
        useTestAudioDevices(c);
        w.reset(new MPGui(c));
        w->start();
        withInstalledSoundsAndDevices(w->phoneBackends());
        if (!waitForLogin(*w))
            return false;
        return QTest::qWaitFor([this] { return w->phoneBackends()->isSipRegistered(); }, testsupport::kConditionWaitMs);
    }
    MPEngine *engine() const { return w->phoneBackends()->engine(); }
    CallLines *calls() const { return w->callLines(); }
    QStackedWidget *stack() const { return widgetOf<QStackedWidget>(*w, QStringLiteral("vLineLayout")); }
};
} // namespace

void TestSessionCallEvents::softphoneCall()
{
    Softphone s;
    QVERIFY(s.start());
    MPEngine *engine = s.engine();
    CallLines *calls = s.calls();
    QStackedWidget *stack = s.stack();

    // A call rings on the softphone: one ringing line, with its balloon at
    // once and the PBX's data once its report is joined.
    const QString uid = s.f.sim->injectIncomingCall(QStringLiteral("00612345678"), QStringLiteral("201"));
    QTRY_COMPARE_WITH_TIMEOUT(calls->ringingLines().size(), 1, 10000);
    const qint64 line = calls->ringingLines().firstKey();
    QVERIFY(calls->balloon(Balloon::IncomingCallBalloon, line));
    QTRY_COMPARE(calls->ringingLines().value(line)->getCallId(), uid);
    QVERIFY(calls->pendingIncoming().isEmpty());

    QVERIFY(engine->answerAudioCall(int(line)));
    QTRY_COMPARE_WITH_TIMEOUT(calls->activeLines().keys(), QList<qint64>{line}, 10000);
    wdgActiveLine *active = calls->activeLines().value(line);
    QTRY_COMPARE(active->getCallId(), uid);
    QTRY_VERIFY(calls->pendingAnswered().isEmpty());
    QCOMPARE(stack->indexOf(active), 0);

    // Held by the engine: the held widget in the same place, with the
    // softphone's account.
    QVERIFY(engine->holdCall(int(line), false));
    QTRY_VERIFY_WITH_TIMEOUT(calls->heldLines().contains(line), 10000);
    wdgOnHoldLine *held = calls->heldLines().value(line);
    QCOMPARE(stack->indexOf(held), 0);
    QCOMPARE(testsupport::child<QLabel>(*held, QStringLiteral("lblAccountInfo"))->text(),
             QStringLiteral("SIP Account: 201"));

    // Retrieved from the held line, on the engine's confirmation.
    testsupport::clickButton(*held, QStringLiteral("btnHold"));
    QTRY_VERIFY_WITH_TIMEOUT(calls->heldLines().isEmpty(), 10000);
    QCOMPARE(stack->indexOf(active), 0);
    QCOMPARE(calls->currentLine(), line);

    // A second call while talking: the call-waiting question; on Yes the
    // line in conversation is asked to go on hold.
    s.f.sim->injectIncomingCall(QStringLiteral("00698765432"), QStringLiteral("201"));
    QTRY_COMPARE_WITH_TIMEOUT(calls->ringingLines().size(), 1, 10000);
    QSignalSpy holdAsked(active, &wdgActiveLine::sigHoldCall);
    s.prompts.answerNext(QMessageBox::Yes);
    QCOMPARE(s.w->anotherCallAlert(true, false), 0);
    QCOMPARE(s.prompts.shown.size(), 1);
    QVERIFY(s.prompts.shown.first().message.title.endsWith(QLatin1String(" - Nuova chiamata")));
    QCOMPARE(holdAsked.count(), 1);
    QCOMPARE(holdAsked.first().at(0).toLongLong(), line);

    // The far end hangs up both: the lines are cleaned up (the first one
    // may be on hold by now: the hold request reached the engine).
    QPointer<wdgActiveLine> ended(active);
    s.f.sim->hangup(QStringLiteral("201"));
    QTRY_VERIFY_WITH_TIMEOUT(
        calls->activeLines().isEmpty() && calls->ringingLines().isEmpty() && calls->heldLines().isEmpty(), 10000);
    QTRY_VERIFY(!ended);
    QTRY_COMPARE(stack->count(), 0);
    QVERIFY(calls->callRecords().isEmpty());
    // The PBX's reports travel apart from the SIP dialogue and may come
    // after the lines have gone: the last one leaves nothing waiting.
    QTRY_VERIFY(calls->pendingIncoming().isEmpty());
    QTRY_VERIFY(calls->pendingAnswered().isEmpty());
}

void TestSessionCallEvents::softphoneBusyTarget()
{
    Softphone s;
    QVERIFY(s.start());
    MPEngine *engine = s.engine();
    CallLines *calls = s.calls();

    // The target is busy: the line shows the error, the busy tone plays, and
    // the line goes once its error has been shown.
    QVERIFY(engine->startAudioCall(QStringLiteral("0555486")));
    QTRY_COMPARE_WITH_TIMEOUT(calls->activeLines().size(), 1, 10000);
    QPointer<wdgActiveLine> line = calls->activeLines().first();
    QTRY_COMPARE_WITH_TIMEOUT(statusText(line), QStringLiteral("Occupato (486)"), 10000);
    QCOMPARE(line->getCallStatus(), -1);
    QVERIFY(engine->isRemoteBusy());
    QVERIFY(!engine->isRemoteCongestion());
    QVERIFY(calls->activeLines().isEmpty());
    QCOMPARE(s.stack()->indexOf(line), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!line, wdgActiveLine::ErrorDisplayMs + 3000);
    QCOMPARE(s.stack()->count(), 0);
    QVERIFY(calls->pendingOutgoing().isEmpty());
}

DESKLINE_TEST_MAIN(TestSessionCallEvents)
#include "tst_session_callevents.moc"
