// The phones' call reports without a main window: a line stack and the call
// lines, driven by the softphone engine's signals or by the desk-phone
// driver (fed with the CTI library's phone events), joined with the CTI
// server's reports; hold confirmations, the second-call question, SIP
// errors and the PBX's notices.
#include "calls/callevents.h"
#include "calls/calllines.h"
#include "calls/siperrors.h"
#include "ctilib.h"
#include "mainwindow/session/pbxsession.h"
#include "nullcallparts.h"
#include "phone/callphones.h"
#include "phone/mpengine.h"
#include "phone/phoneapi.h"
#include "scriptedprompts.h"
#include "settings/msettingsstore.h"
#include "testhelpers.h"
#include "testmain.h"
#include "widgets/balloonboard.h"
#include "widgets/customlineedit.h"
#include "widgets/wdgactiveline.h"
#include "widgets/wdgballoonmessage.h"
#include "widgets/wdgincomingcallline.h"
#include "widgets/wdgonholdline.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>

#include <functional>
#include <memory>

Q_DECLARE_METATYPE(SipErrors::Tone)

namespace
{

// Answers like ScriptedPrompts, after running `during` as if the user had
// taken a while to decide (other events arrive meanwhile).
class SlowPrompts : public ScriptedPrompts
{
public:
    std::function<void()> during;
    QMessageBox::StandardButton message(QWidget *parent, const Message &msg) override
    {
        if (during)
            during();
        return ScriptedPrompts::message(parent, msg);
    }
};

// The call lines with one phone back-end: the softphone engine (not
// registered; its signals are emitted as it would) or the desk-phone driver
// over an unconnected CTI library object whose phone events are emitted by
// hand. Every phone report is made with a call id ("c1", ...): the desk phone
// names its calls so, the softphone numbers its lines in order.
struct Phone : public CallPhones, public CallLines::Host, public CallEvents::Host {
    QTemporaryDir dir;
    std::unique_ptr<MSettingsStore> store;
    std::unique_ptr<CtiLib> cti;
    QWidget host;
    QStackedWidget *stack = nullptr;
    CustomLineEdit *field = nullptr;
    BalloonBoard board;
    PbxSession session;
    NoDirectory directory;
    std::unique_ptr<CallLines> calls;
    std::unique_ptr<CallEvents> events;
    std::unique_ptr<MPEngine> softEngine;
    std::unique_ptr<PhoneApi> desk;
    QList<PhoneCommand> sent;
    ServicesDialCodesMap codes;
    QMap<QString, int> sipLines; // call id -> softphone line

    // --- the back-end in use and the window's answers
    MPEngine *engine() const override { return softEngine.get(); }
    PhoneApi *deskPhone() const override { return desk.get(); }
    QString sipAccountUser() const override { return QStringLiteral("201"); }
    QString queueName(const QString &) const override { return QString(); }
    bool queuesPausedAny() const override { return false; }
    void pauseAllQueues(bool, const QString &) override {}
    bool mobileNumberKnown() const override { return false; }
    QWidget *dialogParent() const override { return nullptr; }
    QString windowTitle() const override { return QStringLiteral("Deskline"); }
    QSystemTrayIcon *tray() const override { return nullptr; }

    // `m` picks the back-end made; the calls run in `mode` (the same when
    // left at -1).
    explicit Phone(MSETTINGS::AppMode m, int mode = -1)
    {
        const auto callMode = mode < 0 ? m : MSETTINGS::AppMode(mode);
        MSETTINGS::setSettingsDirPath(dir.path());
        store.reset(new MSettingsStore(MctiConfig()));
        store->init();
        cti.reset(new CtiLib(QStringLiteral("test"), QStringLiteral("1"), QStringLiteral("test"), QStringLiteral("1"),
                             QStringLiteral("test"), dir.path()));
        stack = new QStackedWidget(&host);
        field = new CustomLineEdit(&host);
        CallLines::Widgets w;
        w.edtCallerNumber = field;
        w.btnStartAudioCall = new QPushButton(&host);
        w.vLineLayout = stack;
        w.lineParent = &host;
        w.balloons = &board;
        calls.reset(new CallLines(w, callMode, *store, session, *cti, *this, directory, codes, *this));
        LoginDetails login;
        login.firmwareVersion = QStringLiteral("4.1.0");
        session.loggedIn(login, 0);
        events.reset(new CallEvents(*calls, field, callMode, *cti, *this, *this));

        if (m == MSETTINGS::AppModeSoftphone) {
            MctiConfig c;
            c.sipUsername = QStringLiteral("201");
            c.sipUser = QStringLiteral("201");
            c.sipRegistrarAddress = QStringLiteral("127.0.0.1:5999");
            softEngine.reset(new MPEngine(codes, c));
            events->attachEngine(softEngine.get());
        } else if (m == MSETTINGS::AppModeDeskPhone) {
            desk.reset(new PhoneApi(cti.get(), QStringLiteral("201"), QStringLiteral("127.0.0.1"), QString(),
                                    PhoneApi::BrandSnom, codes));
            QObject::connect(desk.get(), &PhoneApi::commandSent, [this](const PhoneCommand &c) { sent << c; });
            events->attachDeskPhone(desk.get());
        }
    }

    bool soft() const { return softEngine != nullptr; }

    int sipLine(const QString &call)
    {
        if (!sipLines.contains(call))
            sipLines.insert(call, sipLines.size());
        return sipLines.value(call);
    }

    // The phone's line of a call; -1 when the phone does not know it.
    qint64 line(const QString &call)
    {
        if (soft())
            return sipLines.value(call, -1);
        return desk ? desk->getLineIdFromCstaId(call) : -1;
    }

    // --- the phone's reports
    qint64 ringIn(const QString &call, const QString &number, const QString &name = QString())
    {
        if (soft())
            emit softEngine->sigIncomingAudioCall(sipLine(call), number, name);
        else
            emit cti->phoneEventIncomingCall(number, name, call);
        return line(call);
    }
    qint64 dialOut(const QString &call, const QString &number)
    {
        if (soft())
            emit softEngine->sigCallOriginate(sipLine(call), number);
        else
            emit cti->phoneEventOutgoingCall(number, QString(), call);
        return line(call);
    }
    void connected(const QString &call, const QString &number, const QString &name = QString())
    {
        if (soft())
            emit softEngine->sigCallEstablished(sipLine(call));
        else
            emit cti->phoneEventEstablishedCall(number, name, call);
    }
    void ended(const QString &call, const QString &number = QString())
    {
        if (soft())
            emit softEngine->sigCallTerminated(sipLine(call));
        else
            emit cti->phoneEventEndedCall(number, QString(), call);
    }
    void held(const QString &call, bool active)
    {
        if (soft())
            emit softEngine->sigOnHoldOk(sipLine(call), active);
        else if (active)
            emit cti->phoneEventUnholdCall(QString(), QString(), call);
        else
            emit cti->phoneEventHoldCall(QString(), QString(), call);
    }

    // --- the CTI server's reports
    void ctiIncoming(const QString &uid, const QString &number, const QString &name = QString())
    {
        IncomingCallEvent e;
        e.uid = uid;
        e.remoteNum = number;
        e.remoteName = name;
        e.remoteChannel = QStringLiteral("PJSIP/trunk-%1").arg(uid);
        e.localChannel = QStringLiteral("PJSIP/201-%1").arg(uid);
        e.callType = CTILIB::CallAttrExternal | CTILIB::CallAttrQueue;
        calls->onCtisIncomingCall(e);
    }
    void ctiAnswered(const QString &uid, const QString &number, const QString &name = QString())
    {
        AnsweredCallEvent e;
        e.uid = uid;
        e.remoteNum = number;
        e.remoteName = name;
        e.remoteChan = QStringLiteral("PJSIP/trunk-%1").arg(uid);
        e.localChan = QStringLiteral("PJSIP/201-%1").arg(uid);
        e.isCallee = 1;
        calls->onCtisCallEstablished(e);
    }

    // An answered call on the phone with the CTI halves joined.
    qint64 talking(const QString &call, const QString &number)
    {
        const qint64 l = ringIn(call, number);
        ctiIncoming(call, number);
        connected(call, number);
        ctiAnswered(call, number);
        return l;
    }

    QString shownStatus(qint64 l) const
    {
        const wdgActiveLine *a = calls->activeLines().value(l);
        return a ? testsupport::child<QLabel>(*a, QStringLiteral("lblCallStatus"))->text() : QString();
    }
};

} // namespace

class TestCallEvents : public QObject
{
    Q_OBJECT

private slots:
    void sipErrorTable_data();
    void sipErrorTable();
    void incomingCallJoinsAndEnds_data();
    void incomingCallJoinsAndEnds();
    void reportsOutsideTheirModeAreIgnored_data();
    void reportsOutsideTheirModeAreIgnored();
    void outgoingCallDuringAttendedTransferIsTheConsultation_data();
    void outgoingCallDuringAttendedTransferIsTheConsultation();
    void newCallOnALineStillShown_data();
    void newCallOnALineStillShown();
    void finishedReportDropsOnlyItsLine();
    void missedAndCanceledCloseTheRingingLine_data();
    void missedAndCanceledCloseTheRingingLine();
    void holdConfirmationSwapsTheWidgets_data();
    void holdConfirmationSwapsTheWidgets();
    void retrieveFromTheHeldLine();
    void anotherCallAlert_data();
    void anotherCallAlert();
    void lineGoneDuringTheQuestion();
    void sipErrorOnALine_data();
    void sipErrorOnALine();
    void channelStatusRenamesItsLine_data();
    void channelStatusRenamesItsLine();
    void parkNoticeAndEngineError();
};

// ---------------------------------------------------------------- SIP error table

void TestCallEvents::sipErrorTable_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("ignored");
    QTest::addColumn<QString>("text");
    QTest::addColumn<SipErrors::Tone>("tone");
    const auto congestion = SipErrors::Tone::Congestion;
    QTest::newRow("400") << 400 << false << "Richiesta errata" << congestion;
    QTest::newRow("401") << 401 << false << "Non autorizzato" << congestion;
    QTest::newRow("403") << 403 << false << "Richiesta negata" << congestion;
    QTest::newRow("404") << 404 << false << "Numero non trovato" << congestion;
    QTest::newRow("408") << 408 << false << "Timeout richiesta" << congestion;
    QTest::newRow("480") << 480 << false << "Temp. non disponibile" << congestion;
    QTest::newRow("486") << 486 << false << "Occupato" << SipErrors::Tone::Busy;
    QTest::newRow("603") << 603 << false << "Errore" << congestion;
    QTest::newRow("481") << 481 << true << "" << SipErrors::Tone::None;
    QTest::newRow("487") << 487 << true << "" << SipErrors::Tone::None;
    for (int other : {0, 183, 399, 402, 405, 407, 409, 479, 482, 485, 488, 500, 602, 604, 699})
        QTest::addRow("%d", other) << other << false << "Errore" << SipErrors::Tone::None;
}

void TestCallEvents::sipErrorTable()
{
    QFETCH(int, code);
    QFETCH(bool, ignored);
    QFETCH(QString, text);
    QFETCH(SipErrors::Tone, tone);
    const SipErrors::Reaction r = SipErrors::reactionFor(code);
    QCOMPARE(r.ignored, ignored);
    QCOMPARE(r.text, text);
    QCOMPARE(r.tone, tone);
    if (!ignored)
        QCOMPARE(SipErrors::lineText(r, code), QStringLiteral("%1 (%2)").arg(text).arg(code));
}

// ---------------------------------------------------------------- joins

void TestCallEvents::incomingCallJoinsAndEnds_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("ctiFirst");
    for (int mode : {2, 1}) {
        const char *name = mode == 2 ? "softphone" : "desk phone";
        QTest::addRow("%s, CTI first", name) << mode << true;
        QTest::addRow("%s, phone first", name) << mode << false;
    }
}

void TestCallEvents::incomingCallJoinsAndEnds()
{
    // Whichever report of a step comes second runs it with the CTI data on
    // the phone's line; the phone's end clears everything of the call.
    QFETCH(int, mode);
    QFETCH(bool, ctiFirst);
    ScriptedPrompts prompts;
    Phone p{MSETTINGS::AppMode(mode)};
    const QString number = QStringLiteral("0612345");

    qint64 line = -1;
    if (ctiFirst) {
        p.ctiIncoming(QStringLiteral("c1"), number, QStringLiteral("Anna"));
        QVERIFY(p.calls->ringingLines().isEmpty());
        line = p.ringIn(QStringLiteral("c1"), number, QStringLiteral("Phone name"));
    } else {
        line = p.ringIn(QStringLiteral("c1"), number, QStringLiteral("Phone name"));
        // Shown at once with the phone's data; the softphone opens its
        // balloon, the desk phone waits for the CTI server's report.
        QCOMPARE(p.calls->ringingLines().keys(), QList<qint64>{line});
        QVERIFY(p.calls->ringingLines().value(line)->getCallId().isEmpty());
        QCOMPARE(p.calls->balloon(Balloon::IncomingCallBalloon, line) != nullptr, p.soft());
        QCOMPARE(p.calls->pendingIncoming().size(), 1);
        p.ctiIncoming(QStringLiteral("c1"), number, QStringLiteral("Anna"));
    }
    QVERIFY(line >= 0);
    QCOMPARE(p.calls->ringingLines().keys(), QList<qint64>{line});
    wdgIncomingCallLine *ringing = p.calls->ringingLines().value(line);
    QCOMPARE(ringing->getCallId(), QStringLiteral("c1"));
    QCOMPARE(ringing->getRemoteChannel(), QStringLiteral("PJSIP/trunk-c1"));
    QVERIFY(p.calls->balloon(Balloon::IncomingCallBalloon, line));
    QCOMPARE(p.stack->count(), 1);
    QVERIFY(p.calls->pendingIncoming().isEmpty());

    if (ctiFirst) {
        p.ctiAnswered(QStringLiteral("c1"), number, QStringLiteral("Anna"));
        QVERIFY(p.calls->activeLines().isEmpty());
        p.connected(QStringLiteral("c1"), number);
    } else {
        p.connected(QStringLiteral("c1"), number);
        QCOMPARE(p.calls->activeLines().keys(), QList<qint64>{line});
        QCOMPARE(p.calls->activeLines().value(line)->getCallStatus(), 1);
        p.ctiAnswered(QStringLiteral("c1"), number, QStringLiteral("Anna"));
    }
    QVERIFY(p.calls->ringingLines().isEmpty());
    QCOMPARE(p.calls->activeLines().keys(), QList<qint64>{line});
    wdgActiveLine *active = p.calls->activeLines().value(line);
    QCOMPARE(active->getCallId(), QStringLiteral("c1"));
    QCOMPARE(active->getLocalChannel(), QStringLiteral("PJSIP/201-c1"));
    QCOMPARE(p.stack->count(), 1);
    QCOMPARE(p.stack->currentWidget(), active);
    QVERIFY(p.calls->callRecords().value(line).answered);
    QCOMPARE(p.calls->currentLine(), line);
    QVERIFY(p.calls->pendingAnswered().isEmpty());

    p.field->setPlaceholderText(QStringLiteral("Digita il numero a cui trasferire"));
    p.ended(QStringLiteral("c1"), number);
    QVERIFY(p.calls->activeLines().isEmpty());
    QVERIFY(p.calls->callRecords().isEmpty());
    QVERIFY(p.field->placeholderText().isEmpty());
    QTRY_COMPARE(p.stack->count(), 0);
    if (p.desk)
        QVERIFY(p.desk->lineIds().isEmpty());
}

void TestCallEvents::reportsOutsideTheirModeAreIgnored_data()
{
    QTest::addColumn<int>("backEnd");
    QTest::addColumn<int>("mode");
    QTest::newRow("softphone report in CTI-only mode") << 2 << 0;
    QTest::newRow("softphone report in desk-phone mode") << 2 << 1;
    QTest::newRow("desk-phone report in CTI-only mode") << 1 << 0;
    QTest::newRow("desk-phone report in softphone mode") << 1 << 2;
}

void TestCallEvents::reportsOutsideTheirModeAreIgnored()
{
    QFETCH(int, backEnd);
    QFETCH(int, mode);
    ScriptedPrompts prompts;
    Phone p{MSETTINGS::AppMode(backEnd), mode};
    p.ringIn(QStringLiteral("c1"), QStringLiteral("0612345"));
    p.dialOut(QStringLiteral("c2"), QStringLiteral("203"));
    p.connected(QStringLiteral("c2"), QStringLiteral("203"));
    QVERIFY(p.calls->ringingLines().isEmpty());
    QVERIFY(p.calls->activeLines().isEmpty());
    QVERIFY(p.calls->pendingIncoming().isEmpty());
    QVERIFY(p.calls->pendingOutgoing().isEmpty());
    QVERIFY(p.calls->pendingAnswered().isEmpty());
    QCOMPARE(p.stack->count(), 0);
}

void TestCallEvents::outgoingCallDuringAttendedTransferIsTheConsultation_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("softphone") << 2;
    QTest::newRow("desk phone") << 1;
}

void TestCallEvents::outgoingCallDuringAttendedTransferIsTheConsultation()
{
    QFETCH(int, mode);
    ScriptedPrompts prompts;
    Phone p{MSETTINGS::AppMode(mode)};
    const qint64 first = p.talking(QStringLiteral("c1"), QStringLiteral("0612345"));
    // Without a transfer an outgoing call is just a call.
    const qint64 plain = p.dialOut(QStringLiteral("c2"), QStringLiteral("202"));
    QCOMPARE(p.calls->consultationLine(), qint64(-1));
    p.ended(QStringLiteral("c2"), QStringLiteral("202"));

    p.calls->setAttendedTransfer(first, -1);
    const qint64 consultation = p.dialOut(QStringLiteral("c3"), QStringLiteral("203"));
    QVERIFY(consultation != plain && consultation != first);
    QCOMPARE(p.calls->attendedTransferLine(), first);
    QCOMPARE(p.calls->consultationLine(), consultation);
    wdgActiveLine *line = p.calls->activeLines().value(consultation);
    QVERIFY(line);
    QCOMPARE(line->getCallStatus(), 0);
    QCOMPARE(line->getRemoteNum(), QStringLiteral("203"));
    QCOMPARE(line->transferRole(), 1);
}

void TestCallEvents::newCallOnALineStillShown_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("ended") << 3 << true;
    QTest::newRow("error") << -1 << true;
    QTest::newRow("in conversation") << 1 << false;
    QTest::newRow("starting") << 0 << false;
}

void TestCallEvents::newCallOnALineStillShown()
{
    // The softphone numbers its lines again: a new call on a line whose old
    // widget only shows how it ended replaces that widget; a live one stays.
    QFETCH(int, status);
    QFETCH(bool, replaced);
    ScriptedPrompts prompts;
    Phone p(MSETTINGS::AppModeSoftphone);
    const qint64 line = p.dialOut(QStringLiteral("c1"), QStringLiteral("202"));
    QPointer<wdgActiveLine> old = p.calls->activeLines().value(line);
    old->setCallStatus(status);
    emit p.softEngine->sigIncomingAudioCall(line, QStringLiteral("0612345"), QString());
    if (replaced) {
        QVERIFY(!p.calls->activeLines().contains(line));
        QCOMPARE(p.calls->ringingLines().keys(), QList<qint64>{line});
        QTRY_VERIFY(!old);
    } else {
        QCOMPARE(p.calls->activeLines().value(line), old.data());
        QVERIFY(p.calls->ringingLines().isEmpty());
        QVERIFY(p.calls->pendingIncoming().isEmpty());
    }
}

void TestCallEvents::finishedReportDropsOnlyItsLine()
{
    // Records the CTI half never joined wait per number; the end of a line
    // drops that line's record only, the first in number order.
    ScriptedPrompts prompts;
    Phone p(MSETTINGS::AppModeSoftphone);
    MctiCallDetails r;
    r.lineId = 2;
    p.calls->pendingIncoming().store(QStringLiteral("0600"), r, PendingCalls::Side::Phone);
    p.calls->pendingIncoming().store(QStringLiteral("0700"), r, PendingCalls::Side::Phone);
    r.lineId = 3;
    p.calls->pendingAnswered().store(QStringLiteral("0800"), r, PendingCalls::Side::Phone);
    p.calls->pendingOutgoing().store(QStringLiteral("0500"), r, PendingCalls::Side::Phone);
    emit p.softEngine->sigCallTerminated(2);
    QVERIFY(p.calls->pendingIncoming().recordsOf(QStringLiteral("0600")).isEmpty());
    QCOMPARE(p.calls->pendingIncoming().recordsOf(QStringLiteral("0700")).size(), 1);
    QCOMPARE(p.calls->pendingAnswered().size(), 1);
    QCOMPARE(p.calls->pendingOutgoing().size(), 1);
    emit p.softEngine->sigCallTerminated(3);
    QVERIFY(p.calls->pendingAnswered().isEmpty());
    QVERIFY(p.calls->pendingOutgoing().isEmpty());
}

void TestCallEvents::missedAndCanceledCloseTheRingingLine_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("softphone, caller gave up") << 2;
    QTest::newRow("desk phone, missed") << 1;
}

void TestCallEvents::missedAndCanceledCloseTheRingingLine()
{
    QFETCH(int, mode);
    ScriptedPrompts prompts;
    Phone p{MSETTINGS::AppMode(mode)};
    QSignalSpy missed(p.events.get(), &CallEvents::missedCallNotification);
    const qint64 line = p.ringIn(QStringLiteral("c1"), QStringLiteral("0612345"));
    QCOMPARE(p.calls->ringingLines().size(), 1);
    if (p.soft())
        emit p.softEngine->sigCallCanceled(int(line));
    else
        emit p.cti->phoneEventMissedCall(QStringLiteral("0612345"), QString(), QStringLiteral("c1"));
    QVERIFY(p.calls->ringingLines().isEmpty());
    QVERIFY(p.calls->pendingIncoming().isEmpty());
    QTRY_COMPARE(p.stack->count(), 0);
    // A PBX whose firmware is not known (nor new enough to announce missed
    // calls itself) gets the notice from the client.
    QCOMPARE(missed.count(), 1);
}

// ---------------------------------------------------------------- hold and retrieve

void TestCallEvents::holdConfirmationSwapsTheWidgets_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("softphone") << 2;
    QTest::newRow("desk phone") << 1;
}

void TestCallEvents::holdConfirmationSwapsTheWidgets()
{
    QFETCH(int, mode);
    ScriptedPrompts prompts;
    Phone p{MSETTINGS::AppMode(mode)};
    const qint64 a = p.talking(QStringLiteral("c1"), QStringLiteral("0611111"));
    const qint64 b = p.talking(QStringLiteral("c2"), QStringLiteral("0622222"));
    wdgActiveLine *first = p.calls->activeLines().value(a);
    wdgActiveLine *second = p.calls->activeLines().value(b);
    QCOMPARE(p.stack->indexOf(first), 0);
    QCOMPARE(p.stack->indexOf(second), 1);

    // Asking changes nothing: only the phone's confirmation does.
    testsupport::clickButton(*first, QStringLiteral("btnHold"));
    QVERIFY(p.calls->heldLines().isEmpty());

    p.held(QStringLiteral("c1"), false);
    QCOMPARE(p.calls->heldLines().keys(), QList<qint64>{a});
    wdgOnHoldLine *held = p.calls->heldLines().value(a);
    QCOMPARE(p.stack->indexOf(held), 0);
    QCOMPARE(p.stack->currentIndex(), 0);
    QCOMPARE(p.stack->indexOf(first), -1);
    QCOMPARE(p.stack->indexOf(second), 1);
    QCOMPARE(p.calls->activeLines().value(a), first);
    QVERIFY(!first->isVisibleTo(&p.host));
    QCOMPARE(held->getLineId(), a);
    QCOMPARE(held->getCallId(), QStringLiteral("c1"));
    QCOMPARE(held->getRemoteNum(), QStringLiteral("0611111"));
    QCOMPARE(held->getRemoteChannel(), QStringLiteral("PJSIP/trunk-c1"));
    const QString account = testsupport::child<QLabel>(*held, QStringLiteral("lblAccountInfo"))->text();
    QCOMPARE(account, p.soft() ? QStringLiteral("SIP Account: 201") : QString());
    QCOMPARE(p.calls->heldOrder(), QList<qint64>{a});
    QCOMPARE(p.calls->currentLine(), qint64(-1));

    // A second confirmation for the held line replaces its held widget.
    p.held(QStringLiteral("c1"), false);
    QPointer<wdgOnHoldLine> replaced(held);
    held = p.calls->heldLines().value(a);
    QVERIFY(held != replaced.data());
    QCOMPARE(p.stack->indexOf(held), 0);
    QCOMPARE(p.stack->count(), 2);
    QCOMPARE(p.calls->heldOrder(), QList<qint64>{a});
    QTRY_VERIFY(!replaced);

    // The line in a transfer keeps its widgets.
    p.held(QStringLiteral("c2"), false);
    QCOMPARE(p.calls->heldOrder(), (QList<qint64>{a, b}));
    p.calls->setAttendedTransfer(b, -1);
    p.held(QStringLiteral("c2"), true);
    QCOMPARE(p.calls->heldOrder(), (QList<qint64>{a, b}));
    p.calls->setAttendedTransfer(-1, -1);

    // Retrieved: the active widget is back where the held one was.
    QPointer<wdgOnHoldLine> gone(held);
    p.held(QStringLiteral("c1"), true);
    QVERIFY(!p.calls->heldLines().contains(a));
    QCOMPARE(p.stack->indexOf(first), 0);
    QCOMPARE(p.stack->currentIndex(), 0);
    QVERIFY(first->isVisibleTo(&p.host));
    QCOMPARE(first->getCallStatus(), 1);
    QCOMPARE(p.calls->currentLine(), a);
    QCOMPARE(p.calls->heldOrder(), QList<qint64>{b});
    QTRY_VERIFY(!gone);

    // A held call that ends takes its held widget along.
    QPointer<wdgOnHoldLine> heldB = p.calls->heldLines().value(b);
    p.ended(QStringLiteral("c2"), QStringLiteral("0622222"));
    QVERIFY(p.calls->heldLines().isEmpty());
    QVERIFY(p.calls->heldOrder().isEmpty());
    QTRY_VERIFY(!heldB);
    QCOMPARE(p.stack->count(), 1);
}

void TestCallEvents::retrieveFromTheHeldLine()
{
    // The retrieve button of a held line: the line in conversation is put on
    // hold without a question, then the phone is asked to retrieve.
    ScriptedPrompts prompts;
    Phone p(MSETTINGS::AppModeDeskPhone);
    const qint64 a = p.talking(QStringLiteral("c1"), QStringLiteral("0611111"));
    p.held(QStringLiteral("c1"), false);
    const qint64 b = p.talking(QStringLiteral("c2"), QStringLiteral("0622222"));
    QSignalSpy holdOther(p.calls->activeLines().value(b), &wdgActiveLine::sigHoldCall);
    p.sent.clear();
    testsupport::clickButton(*p.calls->heldLines().value(a), QStringLiteral("btnHold"));
    QVERIFY(prompts.shown.isEmpty());
    QCOMPARE(holdOther.count(), 1);
    QCOMPARE(holdOther.first().at(0).toLongLong(), b);
    QCOMPARE(p.sent, (QList<PhoneCommand>{PhoneCommand{QStringLiteral("resume"), QStringLiteral("c1"), {}, {}, {}}}));
    // Nothing moves before the phone confirms.
    QVERIFY(p.calls->heldLines().contains(a));
}

void TestCallEvents::anotherCallAlert_data()
{
    QTest::addColumn<QList<int>>("statuses"); // lines 0, 1, ...; 9: held
    QTest::addColumn<bool>("askUser");
    QTest::addColumn<bool>("skipTransferring");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("question"); // empty: none asked
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("requests"); // what each line asked, in line order

    const QString busy = QStringLiteral("Attualmente si è impegnati in un'altra conversazione.\nSi desidera mettere in "
                                        "attesa la chiamata in corso e avviarne una nuova?");
    const QString starting = QStringLiteral("Attualmente si sta avviando un'altra conversazione.\nSi desidera chiudere "
                                            "la chiamata in corso e avviarne una nuova?");
    const int yes = QMessageBox::Yes;
    const int no = QMessageBox::No;
    QTest::newRow("one talking, one held: yes")
        << QList<int>{1, 9} << true << true << yes << busy << 0 << QStringList{"hold", ""};
    QTest::newRow("one talking: no") << QList<int>{1} << true << true << no << busy << -1 << QStringList{""};
    QTest::newRow("only one starting: yes hangs it up")
        << QList<int>{0} << true << true << yes << starting << 0 << QStringList{"hangup"};
    QTest::newRow("consultation call leaves the transfer alone")
        << QList<int>{2} << true << true << yes << QString() << 0 << QStringList{""};
    QTest::newRow("answering during a transfer")
        << QList<int>{2, 1} << true << false << yes << busy << 0 << QStringList{"cancel,hold", ""};
    QTest::newRow("without asking") << QList<int>{1, 1} << false << false << no << QString() << 0
                                    << QStringList{"hold", "hold"};
    QTest::newRow("nothing live") << QList<int>{9} << true << false << no << QString() << 0 << QStringList{""};
}

void TestCallEvents::anotherCallAlert()
{
    QFETCH(QList<int>, statuses);
    QFETCH(bool, askUser);
    QFETCH(bool, skipTransferring);
    QFETCH(int, answer);
    QFETCH(QString, question);
    QFETCH(int, result);
    QFETCH(QStringList, requests);
    ScriptedPrompts prompts;
    Phone p(MSETTINGS::AppModeSoftphone);
    QStringList asked;
    for (int i = 0; i < statuses.size(); ++i) {
        const qint64 l = p.talking(QStringLiteral("c%1").arg(i), QStringLiteral("06%1").arg(i));
        asked << QString();
        wdgActiveLine *w = p.calls->activeLines().value(l);
        QObject::connect(w, &wdgActiveLine::sigHoldCall, [&asked, i] { asked[i] += QStringLiteral("hold"); });
        QObject::connect(w, &wdgActiveLine::sigHangupCall, [&asked, i] { asked[i] += QStringLiteral("hangup"); });
        QObject::connect(w, &wdgActiveLine::sigCancelTransferRequested, [&asked, i](qlonglong, bool hold) {
            asked[i] += hold ? QStringLiteral("cancel-retrieve,") : QStringLiteral("cancel,");
        });
        if (statuses.at(i) == 9)
            p.held(QStringLiteral("c%1").arg(i), false);
        else
            w->setCallStatus(statuses.at(i));
    }
    prompts.answerNext(QMessageBox::StandardButton(answer));
    QCOMPARE(p.events->anotherCallAlert(askUser, skipTransferring), result);
    QCOMPARE(asked, requests);
    if (question.isEmpty()) {
        QVERIFY(prompts.shown.isEmpty());
        return;
    }
    QCOMPARE(prompts.shown.size(), 1);
    const PromptService::Message &m = prompts.shown.first().message;
    QCOMPARE(m.title, QStringLiteral("Deskline - Nuova chiamata"));
    QCOMPARE(m.text, question);
    QCOMPARE(m.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(m.defaultButton, QMessageBox::No);
}

void TestCallEvents::lineGoneDuringTheQuestion()
{
    // While the question is open the call asked about ends at the far end:
    // afterwards it is skipped, the other one is still put on hold.
    SlowPrompts prompts;
    Phone p(MSETTINGS::AppModeSoftphone);
    p.talking(QStringLiteral("c0"), QStringLiteral("0600"));
    const qint64 second = p.talking(QStringLiteral("c1"), QStringLiteral("0611"));
    QSignalSpy hold(p.calls->activeLines().value(second), &wdgActiveLine::sigHoldCall);
    prompts.during = [&p] {
        p.ended(QStringLiteral("c0"), QStringLiteral("0600"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    prompts.answerNext(QMessageBox::Yes);
    QCOMPARE(p.events->anotherCallAlert(true, false), 0);
    QCOMPARE(prompts.shown.size(), 1);
    QCOMPARE(hold.count(), 1);
    QCOMPARE(p.calls->activeLines().keys(), QList<qint64>{second});
}

// ---------------------------------------------------------------- SIP errors

void TestCallEvents::sipErrorOnALine_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("ringing");
    QTest::addColumn<QString>("shown"); // empty: the line is left as it was
    QTest::newRow("busy") << 486 << false << "Occupato (486)";
    QTest::newRow("not found") << 404 << false << "Numero non trovato (404)";
    QTest::newRow("payment required") << 402 << false << "Errore (402)";
    QTest::newRow("request terminated") << 487 << false << "";
    QTest::newRow("no transaction") << 481 << false << "";
    QTest::newRow("on a ringing line") << 486 << true << "";
}

void TestCallEvents::sipErrorOnALine()
{
    QFETCH(int, code);
    QFETCH(bool, ringing);
    QFETCH(QString, shown);
    ScriptedPrompts prompts;
    Phone p(MSETTINGS::AppModeSoftphone);
    const qint64 line = ringing ? p.ringIn(QStringLiteral("c1"), QStringLiteral("0612345"))
                                : p.dialOut(QStringLiteral("c1"), QStringLiteral("0612486"));
    QPointer<QWidget> widget = ringing ? static_cast<QWidget *>(p.calls->ringingLines().value(line))
                                       : static_cast<QWidget *>(p.calls->activeLines().value(line));
    const QString before = p.shownStatus(line);
    emit p.softEngine->sigSipErrorReceived(int(line), code, QStringLiteral("Busy Here"));

    if (ringing) {
        // Only the ringing line closes.
        QVERIFY(p.calls->ringingLines().isEmpty());
        QTRY_VERIFY(!widget);
        return;
    }
    if (shown.isEmpty()) {
        QCOMPARE(p.calls->activeLines().value(line), widget.data());
        QCOMPARE(p.shownStatus(line), before);
        return;
    }
    // The line leaves the maps; its widget stays with the error for a while.
    auto *active = qobject_cast<wdgActiveLine *>(widget.data());
    QVERIFY(!p.calls->activeLines().contains(line));
    QCOMPARE(active->getCallStatus(), -1);
    QCOMPARE(testsupport::child<QLabel>(*active, QStringLiteral("lblCallStatus"))->text(), shown);
    QCOMPARE(p.stack->indexOf(active), 0);
    // The engine's end of the call changes nothing of it.
    emit p.softEngine->sigCallTerminated(int(line));
    QCOMPARE(p.stack->indexOf(active), 0);
    auto *timer = testsupport::child<QTimer>(*active, QStringLiteral("errorDisplayTimer"));
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 5000);
    timer->start(1);
    QTRY_VERIFY(!widget);
    QCOMPARE(p.stack->count(), 0);
}

// ---------------------------------------------------------------- notices

void TestCallEvents::channelStatusRenamesItsLine_data()
{
    QTest::addColumn<QString>("channel");
    QTest::addColumn<bool>("renamed");
    QTest::newRow("its channel") << "PJSIP/trunk-c1" << true;
    QTest::newRow("another channel") << "PJSIP/trunk-zz" << false;
    // Phone-only lines have no channel yet: an empty one names none.
    QTest::newRow("no channel") << "" << false;
}

void TestCallEvents::channelStatusRenamesItsLine()
{
    QFETCH(QString, channel);
    QFETCH(bool, renamed);
    ScriptedPrompts prompts;
    Phone p(MSETTINGS::AppModeSoftphone);
    const qint64 line = p.talking(QStringLiteral("c1"), QStringLiteral("0611"));
    const qint64 phoneOnly = p.dialOut(QStringLiteral("c2"), QStringLiteral("0622"));
    ChannelStatus s;
    s.channel = channel;
    s.number = QStringLiteral("0699");
    s.name = QStringLiteral("Centralino");
    p.events->onChannelStatusRecvd(s);
    QCOMPARE(p.calls->activeLines().value(line)->getRemoteNum(),
             renamed ? QStringLiteral("0699") : QStringLiteral("0611"));
    QCOMPARE(p.calls->activeLines().value(line)->getRemoteName() == QLatin1String("Centralino"), renamed);
    QCOMPARE(p.calls->activeLines().value(phoneOnly)->getRemoteNum(), QStringLiteral("0622"));
}

void TestCallEvents::parkNoticeAndEngineError()
{
    ScriptedPrompts prompts;
    Phone p(MSETTINGS::AppModeSoftphone);
    // The party's text is shown as it came, placeholders and all.
    p.events->recvdParkCallNotify(QStringLiteral("0612 %2"), QStringLiteral("701"), QStringLiteral("45"));
    QCOMPARE(prompts.trayMessages.size(), 1);
    QCOMPARE(prompts.trayMessages.first().text,
             QStringLiteral("La chiamata in corso con 0612 %2 è stata parcheggiata sulla stanza di parcheggio 701 con "
                            "un timeout di 45 secondi."));
    QCOMPARE(prompts.trayMessages.first().title, MSETTINGS::getLongApplicationName());
    QCOMPARE(prompts.trayMessages.first().icon, QSystemTrayIcon::Information);
    QCOMPARE(prompts.trayMessages.first().msecs, 8000);

    p.events->sipEngineErrorMessageReceived(-12);
    QCOMPARE(prompts.shown.size(), 1);
    QCOMPARE(prompts.shown.first().message.kind, PromptService::Kind::Critical);
    QCOMPARE(prompts.shown.first().message.title, QStringLiteral("Deskline - Errore critico"));
    QCOMPARE(prompts.shown.first().message.text, QStringLiteral("Il motore SIP ha restituito il seguente errore: -12"));
}

DESKLINE_TEST_MAIN(TestCallEvents)
#include "tst_callevents.moc"
