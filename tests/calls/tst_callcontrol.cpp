// The call actions and the transfer state machine without a window: a fake
// port stands for the lines, the back-ends and the user, and records every
// command that would have been sent.
#include "calls/callactions.h"
#include "calls/callcontrolrules.h"
#include "calls/calllines.h"
#include "calls/rapidcall.h"
#include "calls/transferflow.h"
#include "testmain.h"

#include <QClipboard>
#include <QGuiApplication>

#include <QAbstractItemModelTester>
#include <QMap>
#include <QSet>
#include <QStandardItemModel>
#include <QtTest>

#include <functional>

using CallControlRules::Action;
using CallControlRules::Backends;
using CallControlRules::Route;

Q_DECLARE_METATYPE(CallControlRules::Action)
Q_DECLARE_METATYPE(CallControlRules::Route)

namespace
{

QString routeName(Route r)
{
    switch (r) {
    case Route::Engine:
        return QStringLiteral("engine");
    case Route::DeskPhone:
        return QStringLiteral("desk");
    case Route::Cti:
        return QStringLiteral("cti");
    case Route::None:
        break;
    }
    return QStringLiteral("none");
}

QString kindName(CallCommand::Kind k)
{
    static const char *names[] = {"hangup",     "answer",   "refuse",       "stopRinging",  "park",  "hold",
                                  "retrieve",   "record",   "dtmf",         "initAttended", "blind", "complete",
                                  "secondCall", "redirect", "fastTransfer", "join",         "dial"};
    return QString::fromLatin1(names[k]);
}

// Lines, back-ends and the user as the actions see them.
class FakePort : public CallPort
{
public:
    Backends b;
    bool connected = true;
    QSet<CallCommand::Kind> refused; // commands the back-end refuses
    QSet<qint64> engineActive;
    QSet<qint64> engineProgress;
    TransferState state;
    qint64 current = -1;
    QMap<qint64, int> active;       // line -> status
    QMap<qint64, QString> channels; // remote channel per active line
    QSet<qint64> ringing;
    QList<qint64> held;
    QSet<qint64> hidden;
    QMap<qint64, QString> inTransferTo;
    QMap<QString, int> blf;
    QSet<QString> extensions;
    QStringList sent;   // "route kind line [other] [number]"
    QStringList events; // what happened to lines and the user
    int alertAnswer = 0;
    bool busyAnswer = true;
    bool dialogOk = true;
    QString dialogText;
    std::function<void()> duringPrompt; // calls going on while a prompt is open
    QStringList errors;
    QString placeholder;

    Backends backends() const override { return b; }
    bool ctiConnected() const override { return connected; }
    bool send(const CallCommand &c) override
    {
        QString text =
            routeName(c.route) + QLatin1Char(' ') + kindName(c.kind) + QLatin1Char(' ') + QString::number(c.line);
        if (c.other != -1)
            text += QLatin1Char(' ') + QString::number(c.other);
        if (!c.number.isEmpty())
            text += QLatin1Char(' ') + c.number;
        sent << text;
        return !refused.contains(c.kind);
    }
    bool engineLineLive(qint64 l) const override { return engineActive.contains(l) || engineProgress.contains(l); }
    bool engineLineActive(qint64 l) const override { return engineActive.contains(l); }
    TransferState transferState() const override { return state; }
    void setTransferState(const TransferState &s) override { state = s; }
    qint64 currentLine() const override { return current; }
    QList<qint64> activeLines() const override { return active.keys(); }
    bool hasActiveLine(qint64 l) const override { return active.contains(l); }
    int lineStatus(qint64 l) const override { return active.value(l, -2); }
    void setLineStatus(qint64 l, int s) override
    {
        if (active.contains(l))
            active[l] = s;
    }
    void setTransferInProgress(qint64 l, const QString &n) override { inTransferTo[l] = n; }
    void hideLine(qint64 l) override { hidden << l; }
    QString remoteChannel(qint64 l) const override { return channels.value(l); }
    QString callId(qint64 l) const override { return QStringLiteral("call%1").arg(l); }
    bool hasRingingLine(qint64 l) const override { return ringing.contains(l); }
    QString ringingCallId(qint64 l) const override { return QStringLiteral("ring%1").arg(l); }
    void closeRingingLine(qint64 l) override
    {
        ringing.remove(l);
        events << QStringLiteral("ringing closed %1").arg(l);
    }
    void hideBalloon(qint64 l) override { events << QStringLiteral("balloon hidden %1").arg(l); }
    QList<qint64> heldLines() const override { return held; }
    bool isHeld(qint64 l) const override { return held.contains(l); }
    void finalizeCall(qint64 l) override
    {
        active.remove(l);
        events << QStringLiteral("finalized %1").arg(l);
        if (active.isEmpty())
            forgetIfNoActiveLine();
    }
    void closeActiveLine(qint64 l) override
    {
        active.remove(l);
        events << QStringLiteral("closed %1").arg(l);
        forgetIfNoActiveLine();
    }
    void forgetIfNoActiveLine() override
    {
        if (active.isEmpty()) {
            current = -1;
            state.reset();
        }
    }
    void showAsHeld(qint64 l) override { events << QStringLiteral("shown held %1").arg(l); }
    void startAudioCall(const QString &n) override { events << QStringLiteral("call %1").arg(n); }
    int anotherCallAlert(bool, bool) override { return alertAnswer; }
    bool isExtension(const QString &n) const override { return extensions.contains(n); }
    bool isExtensionBusy(const QString &n) const override { return blf.value(n, -1) == 2; }
    void promptForTarget() override { placeholder = QStringLiteral("Digita il numero a cui trasferire"); }
    void clearPlaceholder() override { placeholder.clear(); }
    void clearNumberField() override { events << QStringLiteral("field cleared"); }
    bool confirmBusyTarget(const QString &n) override
    {
        events << QStringLiteral("busy prompt %1").arg(n);
        if (duringPrompt)
            duringPrompt();
        return busyAnswer;
    }
    bool askNumber(NumberDialog, QString *n) override
    {
        events << QStringLiteral("number dialog");
        if (duringPrompt)
            duringPrompt();
        *n = dialogText;
        return dialogOk;
    }
    void showError(qint64 l, const QString &text) override { errors << QStringLiteral("%1: %2").arg(l).arg(text); }
};

Backends backendsOf(int mode, bool desk, bool engine)
{
    Backends b;
    b.mode = MSETTINGS::AppMode(mode);
    b.deskPhone = desk;
    b.engine = engine;
    return b;
}

// A port, the actions and the transfers wired as the window wires them.
struct Rig {
    FakePort port;
    CallActions actions{port};
    TransferFlow flow{port, actions};
    explicit Rig(int mode = 2, bool desk = false, bool engine = true)
    {
        port.b = backendsOf(mode, desk, engine);
        actions.setTransfers(&flow);
    }
    // One call in conversation on `line`, the current one.
    void talking(qint64 line, const QString &channel = QStringLiteral("SIP/0611-00000001"))
    {
        port.active.insert(line, 1);
        port.channels.insert(line, channel);
        port.engineActive << line;
        port.current = line;
    }
};

} // namespace

class TestCallControl : public QObject
{
    Q_OBJECT

private slots:
    void actionRoutes_data();
    void actionRoutes();
    void hangup_data();
    void hangup();
    void answerAndRefuse_data();
    void answerAndRefuse();
    void ignoreClosesTheLineOnly();
    void parkWithoutWidgetWarns();
    void dtmfTarget_data();
    void dtmfTarget();
    void retrieveTakesTheLineHeldLongest();
    void holdAndRecordOfTheCurrentLine();
    void dialOnThePhone_data();
    void dialOnThePhone();

    void blindTransferThroughTheNumberField_data();
    void blindTransferThroughTheNumberField();
    void cancelTakesTheLineBack();
    void busyPrompt_data();
    void busyPrompt();
    void secondRequestWhilePendingChangesNothing();
    void blindTransferOnTheCtiPath_data();
    void blindTransferOnTheCtiPath();
    void deskPhoneRefusingTheTransferRestoresTheLine();
    void typedTargetsPassTheDialCheck();
    void attendedTransferCompletion_data();
    void attendedTransferCompletion();
    void completionWhileConsultationRingsBecomesBlind_data();
    void completionWhileConsultationRingsBecomesBlind();
    void hangupDuringAttendedTransferEndsTheConsultation();
    void f7TwiceRequestsThenCompletes();
    void numberDialogs_data();
    void numberDialogs();
    void forwardRingingCall_data();
    void forwardRingingCall();
    void fastTransfer_data();
    void fastTransfer();

    void clipboardNumber_data();
    void clipboardNumber();
    void droppedNumber_data();
    void droppedNumber();
    void recentNumbersKeepTenOnce();
    void copiedNumber_data();
    void copiedNumber();
};

// ------------------------------------------------------------------ actions

void TestCallControl::actionRoutes_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("desk");
    QTest::addColumn<bool>("engine");
    QTest::addColumn<Route>("route");

    struct Row {
        const char *name;
        Action action;
        Route cti, desk, deskMissing, engine, engineMissing;
    };
    // CTI only; desk phone with and without its driver; softphone with and
    // without its engine.
    const Row rows[] = {
        {"hangup", Action::Hangup, Route::Cti, Route::DeskPhone, Route::Cti, Route::Engine, Route::None},
        {"answer", Action::Answer, Route::None, Route::DeskPhone, Route::None, Route::Engine, Route::None},
        {"refuse", Action::Refuse, Route::Cti, Route::DeskPhone, Route::Cti, Route::Engine, Route::None},
        {"ignore", Action::Ignore, Route::None, Route::None, Route::None, Route::Engine, Route::None},
        {"park", Action::Park, Route::Cti, Route::DeskPhone, Route::Cti, Route::Engine, Route::Cti},
        {"hold", Action::Hold, Route::None, Route::DeskPhone, Route::None, Route::Engine, Route::None},
        {"retrieve", Action::Retrieve, Route::None, Route::DeskPhone, Route::None, Route::Engine, Route::None},
        {"record", Action::Record, Route::None, Route::DeskPhone, Route::None, Route::Engine, Route::None},
        {"dtmf", Action::Dtmf, Route::None, Route::DeskPhone, Route::None, Route::Engine, Route::None},
    };
    for (const Row &r : rows) {
        QTest::addRow("%s cti only", r.name) << r.action << 0 << false << false << r.cti;
        QTest::addRow("%s desk phone", r.name) << r.action << 1 << true << false << r.desk;
        QTest::addRow("%s desk phone missing", r.name) << r.action << 1 << false << false << r.deskMissing;
        QTest::addRow("%s softphone", r.name) << r.action << 2 << false << true << r.engine;
        QTest::addRow("%s softphone missing", r.name) << r.action << 2 << false << false << r.engineMissing;
    }
}

void TestCallControl::actionRoutes()
{
    QFETCH(Action, action);
    QFETCH(int, mode);
    QFETCH(bool, desk);
    QFETCH(bool, engine);
    QFETCH(Route, route);
    QCOMPARE(routeName(CallControlRules::route(action, backendsOf(mode, desk, engine))), routeName(route));
}

void TestCallControl::hangup_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("desk");
    QTest::addColumn<bool>("engine");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("engineRefuses");
    QTest::addColumn<bool>("stillActive");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<bool>("lineKept");
    QTest::addColumn<bool>("errorShown");

    QTest::newRow("cti") << 0 << false << false << true << false << false << QStringList{"cti hangup 5"} << false
                         << false;
    QTest::newRow("cti disconnected") << 0 << false << false << false << false << false << QStringList() << true
                                      << false;
    QTest::newRow("desk phone") << 1 << true << false << true << false << false << QStringList{"desk hangup 5"} << false
                                << false;
    QTest::newRow("desk phone missing") << 1 << false << false << true << false << false << QStringList{"cti hangup 5"}
                                        << false << false;
    QTest::newRow("softphone") << 2 << false << true << true << false << false << QStringList{"engine hangup 5"}
                               << false << false;
    QTest::newRow("softphone missing") << 2 << false << false << true << false << false << QStringList() << false
                                       << false;
    // The engine refused and still has the call: the line stays and says so.
    QTest::newRow("engine refuses, call up")
        << 2 << false << true << true << true << true << QStringList{"engine hangup 5"} << true << true;
    QTest::newRow("engine refuses, call gone")
        << 2 << false << true << true << true << false << QStringList{"engine hangup 5"} << false << false;
}

void TestCallControl::hangup()
{
    QFETCH(int, mode);
    QFETCH(bool, desk);
    QFETCH(bool, engine);
    QFETCH(bool, connected);
    QFETCH(bool, engineRefuses);
    QFETCH(bool, stillActive);
    QFETCH(QStringList, sent);
    QFETCH(bool, lineKept);
    QFETCH(bool, errorShown);
    Rig r(mode, desk, engine);
    r.talking(5);
    r.port.connected = connected;
    if (!stillActive)
        r.port.engineActive.clear();
    if (engineRefuses)
        r.port.refused << CallCommand::Hangup;
    r.actions.hangupCall(5);
    QCOMPARE(r.port.sent, sent);
    QCOMPARE(r.port.hasActiveLine(5), lineKept);
    QCOMPARE(!r.port.errors.isEmpty(), errorShown);
    if (!lineKept)
        QCOMPARE(r.port.current, qint64(-1));
}

void TestCallControl::answerAndRefuse_data()
{
    QTest::addColumn<bool>("answer");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("desk");
    QTest::addColumn<bool>("engine");
    QTest::addColumn<bool>("refuses");
    QTest::addColumn<int>("alert");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<bool>("balloonHidden");

    QTest::newRow("answer cti") << true << 0 << false << false << false << 0 << QStringList() << true;
    QTest::newRow("answer desk") << true << 1 << true << false << false << 0 << QStringList{"desk answer 7"} << true;
    QTest::newRow("answer engine") << true << 2 << false << true << false << 0 << QStringList{"engine answer 7"}
                                   << true;
    QTest::newRow("answer engine refuses")
        << true << 2 << false << true << true << 0 << QStringList{"engine answer 7"} << false;
    QTest::newRow("answer declined") << true << 2 << false << true << false << -1 << QStringList() << false;
    QTest::newRow("refuse cti") << false << 0 << false << false << false << 0 << QStringList{"cti refuse 7"} << true;
    QTest::newRow("refuse desk missing") << false << 1 << false << false << false << 0 << QStringList{"cti refuse 7"}
                                         << true;
    QTest::newRow("refuse engine missing") << false << 2 << false << false << false << 0 << QStringList() << true;
    QTest::newRow("refuse engine refuses")
        << false << 2 << false << true << true << 0 << QStringList{"engine refuse 7"} << false;
}

void TestCallControl::answerAndRefuse()
{
    QFETCH(bool, answer);
    QFETCH(int, mode);
    QFETCH(bool, desk);
    QFETCH(bool, engine);
    QFETCH(bool, refuses);
    QFETCH(int, alert);
    QFETCH(QStringList, sent);
    QFETCH(bool, balloonHidden);
    Rig r(mode, desk, engine);
    r.port.ringing << 7;
    r.port.alertAnswer = alert;
    if (refuses)
        r.port.refused << CallCommand::Answer << CallCommand::Refuse;
    if (answer)
        r.actions.answerIncomingCall(7);
    else
        r.actions.refuseIncomingCall(7);
    QCOMPARE(r.port.sent, sent);
    QCOMPARE(r.port.events.contains(QStringLiteral("balloon hidden 7")), balloonHidden);
}

void TestCallControl::ignoreClosesTheLineOnly()
{
    Rig soft(2, false, true);
    soft.port.ringing << 3;
    soft.actions.ignoreIncomingCall(3);
    QCOMPARE(soft.port.sent, QStringList{"engine stopRinging 3"});
    QVERIFY(!soft.port.hasRingingLine(3));

    Rig cti(0, false, false);
    cti.port.ringing << 3;
    cti.actions.ignoreIncomingCall(3);
    QVERIFY(cti.port.sent.isEmpty());
    QVERIFY(!cti.port.hasRingingLine(3));
}

void TestCallControl::parkWithoutWidgetWarns()
{
    Rig r(0, false, false);
    r.actions.askForParkCall(9);
    QVERIFY(r.port.sent.isEmpty());
    r.talking(9);
    r.actions.askForParkCall(9);
    QCOMPARE(r.port.sent, QStringList{"cti park 9"});
}

void TestCallControl::dtmfTarget_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("digit");
    QTest::addColumn<bool>("lowerHeld");
    QTest::addColumn<bool>("lowerLive");
    QTest::addColumn<QStringList>("sent");

    QTest::newRow("desk, first line") << 1 << "5" << false << true << QStringList{"desk dtmf 1 5"};
    QTest::newRow("desk, lower line held") << 1 << "#" << true << true << QStringList{"desk dtmf 2 #"};
    QTest::newRow("engine, first live line") << 2 << "*" << false << true << QStringList{"engine dtmf 1 *"};
    QTest::newRow("engine, lower line not live") << 2 << "0" << false << false << QStringList{"engine dtmf 2 0"};
    QTest::newRow("two characters") << 2 << "12" << false << true << QStringList();
    QTest::newRow("a letter") << 1 << "a" << false << true << QStringList();
    QTest::newRow("cti only") << 0 << "1" << false << true << QStringList();
}

void TestCallControl::dtmfTarget()
{
    QFETCH(int, mode);
    QFETCH(QString, digit);
    QFETCH(bool, lowerHeld);
    QFETCH(bool, lowerLive);
    QFETCH(QStringList, sent);
    Rig r(mode, mode == 1, mode == 2);
    r.talking(1);
    r.talking(2);
    r.port.active.insert(3, 3); // ended: never a target
    if (lowerHeld)
        r.port.held << 1;
    if (!lowerLive)
        r.port.engineActive.remove(1);
    r.actions.digitClicked(digit);
    QCOMPARE(r.port.sent, sent);
}

void TestCallControl::retrieveTakesTheLineHeldLongest()
{
    Rig r(1, true, false);
    r.port.held = {8, 4};
    r.actions.retrieveHoldCall();
    QCOMPARE(r.port.sent, QStringList{"desk retrieve 8"});

    // Nothing while a transfer waits, nor when the user declines.
    r.port.sent.clear();
    r.port.state.blindLine = 4;
    r.actions.retrieveHoldCall();
    r.port.state.reset();
    r.port.alertAnswer = -1;
    r.actions.retrieveHoldCall();
    QVERIFY(r.port.sent.isEmpty());
    // The CTI path takes nothing back.
    Rig cti(0, false, false);
    cti.port.held = {8};
    cti.actions.retrieveHoldCall();
    QVERIFY(cti.port.sent.isEmpty());
}

void TestCallControl::holdAndRecordOfTheCurrentLine()
{
    Rig r(2, false, true);
    r.talking(6);
    r.actions.holdActiveCall();
    r.actions.triggerRecActiveCall();
    QCOMPARE(r.port.sent, (QStringList{"engine hold 6", "engine record 6"}));

    // The line waiting for a transfer target is only shown as held.
    r.port.sent.clear();
    r.port.state.blindLine = 6;
    r.actions.holdActiveCall();
    QVERIFY(r.port.sent.isEmpty());
    QVERIFY(r.port.events.contains(QStringLiteral("shown held 6")));

    // Holding a line in transfer ends its transfer.
    r.port.active[6] = 2;
    r.actions.askForHoldCall(6);
    QCOMPARE(r.port.state, TransferState());
    QCOMPARE(r.port.lineStatus(6), 1);
}

void TestCallControl::dialOnThePhone_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("backend");
    QTest::addColumn<bool>("refuses");
    QTest::addColumn<int>("alert");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<bool>("dialled");
    QTest::newRow("desk phone") << 1 << true << false << 0 << QStringList{"desk dial -1 203"} << true;
    QTest::newRow("softphone") << 2 << true << false << 0 << QStringList{"engine dial -1 203"} << true;
    QTest::newRow("softphone refuses") << 2 << true << true << 0 << QStringList{"engine dial -1 203"} << false;
    QTest::newRow("declined") << 2 << true << false << -1 << QStringList() << false;
    QTest::newRow("softphone missing") << 2 << false << false << 0 << QStringList() << true;
}

void TestCallControl::dialOnThePhone()
{
    QFETCH(int, mode);
    QFETCH(bool, backend);
    QFETCH(bool, refuses);
    QFETCH(int, alert);
    QFETCH(QStringList, sent);
    QFETCH(bool, dialled);
    Rig r(mode, mode == 1 && backend, mode == 2 && backend);
    r.port.alertAnswer = alert;
    if (refuses)
        r.port.refused << CallCommand::Dial;
    QCOMPARE(r.actions.dialOnPhone(QStringLiteral("203")), dialled);
    QCOMPARE(r.port.sent, sent);
}

// ------------------------------------------------------------------ transfers

void TestCallControl::blindTransferThroughTheNumberField_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<bool>("hidden");
    QTest::newRow("softphone") << 2 << QStringList{"engine hold 4", "engine blind 4 203"} << true;
    QTest::newRow("desk phone") << 1 << QStringList{"desk hold 4", "desk blind 4 203"} << false;
}

void TestCallControl::blindTransferThroughTheNumberField()
{
    QFETCH(int, mode);
    QFETCH(QStringList, sent);
    QFETCH(bool, hidden);
    Rig r(mode, mode == 1, mode == 2);
    r.talking(4);
    r.port.extensions << QStringLiteral("203");
    r.flow.onUTransferShortcut();
    QCOMPARE(r.port.state.blindLine, qint64(4));
    QCOMPARE(r.port.lineStatus(4), 2);
    QCOMPARE(r.port.placeholder, QStringLiteral("Digita il numero a cui trasferire"));
    // Enter in the number field.
    QVERIFY(r.flow.takeTypedTarget(QStringLiteral("203")));
    QCOMPARE(r.port.sent, sent);
    QCOMPARE(r.port.hidden.contains(4), hidden);
    QVERIFY(r.port.placeholder.isEmpty());
    // The line's end clears the transfer, not the transfer itself.
    QCOMPARE(r.port.state.blindLine, qint64(4));
}

void TestCallControl::cancelTakesTheLineBack()
{
    Rig r(2, false, true);
    r.talking(4);
    r.flow.requestUnTransferEstablishedCall(4);
    r.actions.requestCancelTransfer(); // Delete
    QCOMPARE(r.port.sent, (QStringList{"engine hold 4", "engine retrieve 4"}));
    QCOMPARE(r.port.state, TransferState());
    QCOMPARE(r.port.lineStatus(4), 1);
    QVERIFY(r.port.events.contains(QStringLiteral("field cleared")));
    // Enter now starts a call, no transfer.
    QVERIFY(!r.flow.takeTypedTarget(QStringLiteral("203")));
}

void TestCallControl::busyPrompt_data()
{
    QTest::addColumn<int>("blf");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("lineEndsMeanwhile");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QStringList>("sent");
    QTest::newRow("busy, yes") << 2 << true << false << true << QStringList{"engine hold 4", "engine blind 4 203"};
    QTest::newRow("busy, no") << 2 << false << false << true << QStringList{"engine hold 4", "engine retrieve 4"};
    QTest::newRow("busy, line gone meanwhile") << 2 << true << true << true << QStringList{"engine hold 4"};
    QTest::newRow("free") << 0 << true << false << false << QStringList{"engine hold 4", "engine blind 4 203"};
}

void TestCallControl::busyPrompt()
{
    QFETCH(int, blf);
    QFETCH(bool, answer);
    QFETCH(bool, lineEndsMeanwhile);
    QFETCH(bool, asked);
    QFETCH(QStringList, sent);
    Rig r(2, false, true);
    r.talking(4);
    r.port.extensions << QStringLiteral("203");
    r.port.blf.insert(QStringLiteral("203"), blf);
    r.port.busyAnswer = answer;
    if (lineEndsMeanwhile)
        r.port.duringPrompt = [&r] { r.port.finalizeCall(4); };
    r.flow.requestUnTransferEstablishedCall(4);
    r.flow.takeTypedTarget(QStringLiteral("203"));
    QCOMPARE(r.port.events.contains(QStringLiteral("busy prompt 203")), asked);
    QCOMPARE(r.port.sent, sent);
    if (!answer)
        QCOMPARE(r.port.lineStatus(4), 1);
}

void TestCallControl::secondRequestWhilePendingChangesNothing()
{
    Rig r(2, false, true);
    r.talking(4);
    r.talking(5);
    r.flow.requestUnTransferEstablishedCall(4);
    const TransferState before = r.port.state;
    r.flow.requestTransferEstablishedCall(5);
    r.flow.requestUnTransferEstablishedCall(5);
    QCOMPARE(r.port.state, before);
    QCOMPARE(r.port.sent, QStringList{"engine hold 4"});
    QCOMPARE(r.port.lineStatus(5), 1);
}

void TestCallControl::blindTransferOnTheCtiPath_data()
{
    QTest::addColumn<QString>("channel");
    QTest::addColumn<QStringList>("sent");
    QTest::newRow("remote channel known") << "SIP/trunk-0000002a" << QStringList{"cti blind 4 0612345"};
    // Nothing names the other party: nothing is sent, the call stays.
    QTest::newRow("no remote channel") << "" << QStringList();
}

void TestCallControl::blindTransferOnTheCtiPath()
{
    QFETCH(QString, channel);
    QFETCH(QStringList, sent);
    Rig r(0, false, false);
    r.talking(4, channel);
    // The request holds and prompts nothing on this path.
    r.flow.requestUnTransferEstablishedCall(4);
    QVERIFY(r.port.sent.isEmpty());
    QCOMPARE(r.port.state, TransferState());
    r.flow.unattendedTransferCall(QStringLiteral("0612345")); // the current line
    QCOMPARE(r.port.sent, sent);
    QCOMPARE(r.port.lineStatus(4), 1);
    QVERIFY(r.port.hidden.isEmpty());
    // No attended transfer here.
    r.port.sent.clear();
    r.flow.attendedTransferCall(QStringLiteral("203"));
    QVERIFY(r.port.sent.isEmpty());
    QVERIFY(!r.port.events.contains(QStringLiteral("call 203")));
}

void TestCallControl::deskPhoneRefusingTheTransferRestoresTheLine()
{
    Rig r(1, true, false);
    r.talking(4);
    r.port.refused << CallCommand::BlindTransfer;
    r.flow.requestUnTransferEstablishedCall(4);
    r.flow.takeTypedTarget(QStringLiteral("0612345"));
    QCOMPARE(r.port.sent, (QStringList{"desk hold 4", "desk blind 4 0612345", "desk retrieve 4"}));
    QCOMPARE(r.port.lineStatus(4), 1);
    QCOMPARE(r.port.state, TransferState());
    QCOMPARE(r.port.errors, QStringList{"4: Operazione non supportata dal telefono associato"});

    // Forwarding a ringing call the phone cannot redirect leaves it ringing.
    r.port.errors.clear();
    r.port.refused << CallCommand::Redirect;
    r.port.ringing << 9;
    r.flow.transferIncomingCall(9, QStringLiteral("203"));
    QVERIFY(r.port.hasRingingLine(9));
    QCOMPARE(r.port.errors.size(), 1);
}

void TestCallControl::typedTargetsPassTheDialCheck()
{
    Rig r(2, false, true);
    r.talking(4);
    r.flow.requestUnTransferEstablishedCall(4);
    r.flow.takeTypedTarget(QStringLiteral("203;reboot"));
    r.flow.unattendedTransferCall(QStringLiteral("0612&x"), 4);
    QCOMPARE(r.port.sent, QStringList{"engine hold 4"});
    // Separators go, as when dialling.
    r.flow.takeTypedTarget(QStringLiteral("06 12-34"));
    QCOMPARE(r.port.sent.last(), QStringLiteral("engine blind 4 061234"));
}

void TestCallControl::attendedTransferCompletion_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QString>("consultation");
    QTest::newRow("softphone bridges") << 2 << QStringList{"engine hold 4", "engine join 4 8"} << "call 203";
    QTest::newRow("desk phone completes")
        << 1 << QStringList{"desk initAttended 4", "desk secondCall 4 203", "desk complete 4 8"} << "";
}

void TestCallControl::attendedTransferCompletion()
{
    QFETCH(int, mode);
    QFETCH(QStringList, sent);
    QFETCH(QString, consultation);
    Rig r(mode, mode == 1, mode == 2);
    r.talking(4);
    r.flow.requestTransferEstablishedCall(4);
    QCOMPARE(r.port.state.heldLine, qint64(4));
    QCOMPARE(r.port.lineStatus(4), 2);
    QVERIFY(r.flow.takeTypedTarget(QStringLiteral("203")));
    QCOMPARE(r.port.inTransferTo.value(4), QStringLiteral("203"));
    if (!consultation.isEmpty())
        QVERIFY(r.port.events.contains(consultation));
    // The consultation call's outgoing event, then its answer.
    r.port.state.consultLine = 8;
    r.port.state.consultNumber = QStringLiteral("203");
    r.talking(8);
    r.flow.triggerATransfer();
    QCOMPARE(r.port.sent, sent);
}

void TestCallControl::completionWhileConsultationRingsBecomesBlind_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("sent");
    QTest::newRow("softphone") << 2 << QStringList{"engine hold 4", "engine hangup 8", "engine blind 4 0612"};
    QTest::newRow("desk phone") << 1
                                << QStringList{"desk initAttended 4", "desk secondCall 4 0612", "desk hangup 8",
                                               "desk blind 4 0612"};
}

void TestCallControl::completionWhileConsultationRingsBecomesBlind()
{
    QFETCH(int, mode);
    QFETCH(QStringList, sent);
    Rig r(mode, mode == 1, mode == 2);
    r.talking(4);
    r.flow.requestTransferEstablishedCall(4);
    r.flow.takeTypedTarget(QStringLiteral("0612"));
    r.port.state.consultLine = 8;
    r.port.state.consultNumber = QStringLiteral("0612");
    r.talking(8);
    r.port.active[8] = 0; // still ringing at the far end
    r.flow.triggerATransfer();
    QCOMPARE(r.port.sent, sent);
    QVERIFY(!r.port.hasActiveLine(8));
    QCOMPARE(r.port.state.consultLine, qint64(-1));
    QVERIFY(r.port.hidden.contains(4));
    QCOMPARE(r.port.inTransferTo.value(4), QStringLiteral("0612"));
}

void TestCallControl::hangupDuringAttendedTransferEndsTheConsultation()
{
    Rig r(2, false, true);
    r.talking(4);
    r.flow.requestTransferEstablishedCall(4);
    r.flow.takeTypedTarget(QStringLiteral("203"));
    r.port.state.consultLine = 8;
    r.talking(8);
    r.actions.hangupActiveCall(); // End
    QCOMPARE(r.port.sent, (QStringList{"engine hold 4", "engine hangup 8", "engine retrieve 4"}));
    QVERIFY(r.port.hasActiveLine(4));
    QCOMPARE(r.port.lineStatus(4), 1);
    QCOMPARE(r.port.state, TransferState());
}

void TestCallControl::f7TwiceRequestsThenCompletes()
{
    Rig r(2, false, true);
    r.talking(4);
    r.flow.onATransferShortcut();
    QCOMPARE(r.port.sent, QStringList{"engine hold 4"});
    r.flow.takeTypedTarget(QStringLiteral("203"));
    r.port.state.consultLine = 8;
    r.talking(8);
    r.flow.onATransferShortcut();
    QCOMPARE(r.port.sent.last(), QStringLiteral("engine join 4 8"));
}

void TestCallControl::numberDialogs_data()
{
    QTest::addColumn<bool>("attended");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("lineEndsMeanwhile");
    QTest::addColumn<QStringList>("sent");
    QTest::newRow("blind") << false << true << " 203 " << false << QStringList{"desk blind 4 203"};
    QTest::newRow("attended") << true << true << "203" << false
                              << QStringList{"desk initAttended 4", "desk secondCall 4 203"};
    QTest::newRow("cancelled") << false << false << "203" << false << QStringList();
    QTest::newRow("empty") << true << true << "" << false << QStringList();
    QTest::newRow("line gone meanwhile") << false << true << "203" << true << QStringList();
    QTest::newRow("not a number") << false << true << "203;x" << false << QStringList();
}

void TestCallControl::numberDialogs()
{
    QFETCH(bool, attended);
    QFETCH(bool, ok);
    QFETCH(QString, text);
    QFETCH(bool, lineEndsMeanwhile);
    QFETCH(QStringList, sent);
    Rig r(1, true, false);
    r.talking(4);
    r.port.dialogOk = ok;
    r.port.dialogText = text;
    if (lineEndsMeanwhile)
        r.port.duringPrompt = [&r] { r.port.finalizeCall(4); };
    if (attended)
        r.flow.onATransferDlgShortcut();
    else
        r.flow.onUTransferDlgShortcut();
    QVERIFY(r.port.events.contains(QStringLiteral("number dialog")));
    QCOMPARE(r.port.sent, sent);
    if (sent.isEmpty() && !lineEndsMeanwhile) {
        QCOMPARE(r.port.state, TransferState());
        QCOMPARE(r.port.lineStatus(4), 1);
    }
    // A refused number is said so; nothing else is.
    QCOMPARE(r.port.errors.size(), text.contains(QLatin1Char(';')) ? 1 : 0);
    // The dialogs exist only with a phone back-end.
    Rig cti(0, false, false);
    cti.talking(4);
    cti.flow.onUTransferDlgShortcut();
    QVERIFY(!cti.port.events.contains(QStringLiteral("number dialog")));
}

void TestCallControl::forwardRingingCall_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("backend");
    QTest::addColumn<bool>("refuses");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<bool>("dialogOk");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<bool>("stillRinging");
    QTest::newRow("cti") << 0 << false << false << "203" << true << QStringList{"cti redirect 9 203"} << false;
    QTest::newRow("desk phone") << 1 << true << false << "203" << true << QStringList{"desk redirect 9 203"} << false;
    QTest::newRow("desk phone missing") << 1 << false << false << "203" << true << QStringList{"cti redirect 9 203"}
                                        << false;
    QTest::newRow("softphone") << 2 << true << false << "203" << true << QStringList{"engine redirect 9 203"} << false;
    QTest::newRow("softphone refuses") << 2 << true << true << "203" << true << QStringList{"engine redirect 9 203"}
                                       << true;
    QTest::newRow("softphone missing") << 2 << false << false << "203" << true << QStringList() << false;
    QTest::newRow("asked") << 0 << false << false << "" << true << QStringList{"cti redirect 9 0612"} << false;
    QTest::newRow("asked, cancelled") << 0 << false << false << "" << false << QStringList() << true;
    QTest::newRow("asked, caller gave up meanwhile") << 0 << false << false << "gone" << true << QStringList() << false;
}

void TestCallControl::forwardRingingCall()
{
    QFETCH(int, mode);
    QFETCH(bool, backend);
    QFETCH(bool, refuses);
    QFETCH(QString, destination);
    QFETCH(bool, dialogOk);
    QFETCH(QStringList, sent);
    QFETCH(bool, stillRinging);
    Rig r(mode, mode == 1 && backend, mode == 2 && backend);
    r.port.ringing << 9;
    r.port.dialogOk = dialogOk;
    r.port.dialogText = QStringLiteral("0612");
    if (refuses)
        r.port.refused << CallCommand::Redirect;
    const bool gone = destination == QLatin1String("gone");
    if (gone) {
        destination.clear();
        r.port.duringPrompt = [&r] { r.port.ringing.remove(9); };
    }
    r.flow.transferIncomingCall(9, destination);
    QCOMPARE(r.port.sent, sent);
    QCOMPARE(r.port.hasRingingLine(9), stillRinging);
    QCOMPARE(r.port.events.contains(QStringLiteral("number dialog")), destination.isEmpty());
}

void TestCallControl::fastTransfer_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("live");
    QTest::addColumn<QStringList>("sent");
    QTest::newRow("desk phone") << 1 << true << QStringList{"desk fastTransfer 4"};
    QTest::newRow("softphone") << 2 << true << QStringList{"engine fastTransfer 4"};
    QTest::newRow("softphone, call not up") << 2 << false << QStringList();
    QTest::newRow("cti") << 0 << true << QStringList();
}

void TestCallControl::fastTransfer()
{
    QFETCH(int, mode);
    QFETCH(bool, live);
    QFETCH(QStringList, sent);
    Rig r(mode, mode == 1, mode == 2);
    r.talking(4);
    if (!live)
        r.port.engineActive.clear();
    r.flow.handleFastTransfer(4);
    QCOMPARE(r.port.sent, sent);
}

// ------------------------------------------------------------------ numbers not typed

void TestCallControl::clipboardNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("number");
    QTest::addColumn<bool>("isNumber");
    QTest::newRow("spaced, leading plus") << "Tel. +3 9-1"
                                          << "+391" << true;
    QTest::newRow("plus inside dropped") << "39+1"
                                         << "391" << true;
    QTest::newRow("no digits") << "correct horse"
                               << "" << false;
    QTest::newRow("only a plus") << "+"
                                 << "+" << false;
    QTest::newRow("digits") << "0612345678"
                            << "0612345678" << true;
}

void TestCallControl::clipboardNumber()
{
    QFETCH(QString, text);
    QFETCH(QString, number);
    QFETCH(bool, isNumber);
    QCOMPARE(CallControlRules::clipboardNumber(text), number);
    QCOMPARE(CallControlRules::isPhoneNumber(CallControlRules::clipboardNumber(text)), isNumber);
}

void TestCallControl::droppedNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("extension");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("number");
    QTest::newRow("plus in brackets") << "+(9)" << false << "8"
                                      << "8009";
    QTest::newRow("starts with the prefix") << "+(9)" << false << "0"
                                            << "009";
    QTest::newRow("already prefixed") << "0612 345" << false << "0"
                                      << "0612345";
    QTest::newRow("extension unchanged") << "203" << true << "0"
                                         << "203";
    QTest::newRow("no prefix configured") << "06/12.34" << false << ""
                                          << "061234";
    QTest::newRow("a name") << "Mario Rossi" << false << "0"
                            << "";
    QTest::newRow("exponent") << "1e5" << false << "0"
                              << "";
}

void TestCallControl::droppedNumber()
{
    QFETCH(QString, text);
    QFETCH(bool, extension);
    QFETCH(QString, prefix);
    QFETCH(QString, number);
    QCOMPARE(CallControlRules::droppedNumber(text, extension, prefix), number);
}

void TestCallControl::recentNumbersKeepTenOnce()
{
    QStandardItemModel model(0, 1);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    CallControlRules::rememberNumber(&model, QStringLiteral("203"));
    CallControlRules::rememberNumber(&model, QStringLiteral("204"));
    CallControlRules::rememberNumber(&model, QStringLiteral("203"));
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("203"));
    for (int i = 0; i < 10; ++i)
        CallControlRules::rememberNumber(&model, QStringLiteral("06%1").arg(i));
    QCOMPARE(model.rowCount(), 10);
    QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("069"));
    QCOMPARE(model.index(9, 0).data().toString(), QStringLiteral("060"));
}

void TestCallControl::copiedNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("copyToCall");
    QTest::addColumn<bool>("hotKey");
    QTest::addColumn<bool>("pending");
    QTest::addColumn<QString>("offered");
    QTest::addColumn<QString>("dialled");
    QTest::newRow("offered") << "+3 9 1" << true << false << false << "+391"
                             << "";
    QTest::newRow("extension never offered") << "203" << true << false << false << ""
                                             << "";
    QTest::newRow("no number") << "hunter two" << true << false << false << ""
                               << "";
    QTest::newRow("empty") << "" << true << false << false << ""
                           << "";
    QTest::newRow("both off") << "0612" << false << false << false << ""
                              << "";
    QTest::newRow("rapid call pending") << "0612" << false << true << true << ""
                                        << "0612";
    QTest::newRow("hot key on, nothing pending") << "0612" << false << true << false << ""
                                                 << "";
}

void TestCallControl::copiedNumber()
{
    QFETCH(QString, text);
    QFETCH(bool, copyToCall);
    QFETCH(bool, hotKey);
    QFETCH(bool, pending);
    QFETCH(QString, offered);
    QFETCH(QString, dialled);
    struct Directory : CallDirectory {
        bool isExtension(const QString &n) const override { return n == QLatin1String("203"); }
        QSharedPointer<ContactDetails> resolveContactNumber(const QString &) const override { return {}; }
        int blfState(const QString &) const override { return -1; }
    } directory;
    struct Host : RapidCall::Host {
        bool copyToCall = false;
        bool hotKey = false;
        QString gotOffer, gotCall;
        bool copyToCallEnabled() const override { return copyToCall; }
        bool systemShortcutsEnabled() const override { return hotKey; }
        bool dialBlocked() const override { return false; }
        void offerCall(const QString &message, const QString &number) override
        {
            QCOMPARE(message, QStringLiteral("Clicca sul pulsante per chiamare\n%1 (chiamata esterna)").arg(number));
            gotOffer = number;
        }
        void startExternalCall(const QString &n) override { gotCall = n; }
        void startCallOrTransfer(const QString &) override {}
        void startAudioCall(const QString &) override {}
    } host;
    host.copyToCall = copyToCall;
    host.hotKey = hotKey;
    const ServicesDialCodesMap codes;
    QGuiApplication::clipboard()->setText(text);
    QCOMPARE(QGuiApplication::clipboard()->text(), text);
    RapidCall rapid(nullptr, directory, codes, host);
    rapid.setRapidCallPending(pending);
    rapid.startRapidCall();
    QCOMPARE(host.gotOffer, offered);
    QCOMPARE(host.gotCall, dialled);
    // A rapid call dials once.
    QCOMPARE(rapid.isRapidCallPending(), pending && dialled.isEmpty());
}

DESKLINE_TEST_MAIN(TestCallControl)
#include "tst_callcontrol.moc"
