// Call scenarios through the simulated PBX: the call events of the CTI
// server in the PBX's order, and the desk phone's commands and events.
#include "ctitestsupport.h"

#include "testmain.h"

using namespace ctitest;

namespace
{

// Records the call events of a client in arrival order.
struct CallLog : QObject {
    QStringList order;
    QList<IncomingCallEvent> incoming;
    QList<OriginateCallEvent> outgoing;
    QList<AnsweredCallEvent> answered;
    QList<FinishedCallEvent> finished;
    QList<MissedCallEvent> missed;
    QList<ColpUpdateEvent> colp;
    QStringList phone; // "kind:num:csta"

    explicit CallLog(CtiLib *c)
    {
        connect(c, &CtiLib::sigIncomingCall, this, [this](const IncomingCallEvent &e) {
            incoming << e;
            order << "incoming";
        });
        connect(c, &CtiLib::sigOutgoingCall, this, [this](const OriginateCallEvent &e) {
            outgoing << e;
            order << "outgoing";
        });
        connect(c, &CtiLib::sigAnsweredCall, this, [this](const AnsweredCallEvent &e) {
            answered << e;
            order << "answered";
        });
        connect(c, &CtiLib::sigFinishedCall, this, [this](const FinishedCallEvent &e) {
            finished << e;
            order << "finished";
        });
        connect(c, &CtiLib::sigMissedCall, this, [this](const MissedCallEvent &e) {
            missed << e;
            order << "missed";
        });
        connect(c, &CtiLib::sigColpUpdate, this, [this](const ColpUpdateEvent &e) {
            colp << e;
            order << "colp";
        });
        auto phoneEvent = [this](const char *kind) {
            return [this, kind](const QString &num, const QString &, const QString &csta) {
                phone << QStringLiteral("%1:%2:%3").arg(QLatin1String(kind), num, csta);
                order << QStringLiteral("phone-%1").arg(QLatin1String(kind));
            };
        };
        connect(c, &CtiLib::phoneEventIncomingCall, this, phoneEvent("incoming"));
        connect(c, &CtiLib::phoneEventOutgoingCall, this, phoneEvent("outgoing"));
        connect(c, &CtiLib::phoneEventEstablishedCall, this, phoneEvent("established"));
        connect(c, &CtiLib::phoneEventEndedCall, this, phoneEvent("ended"));
        connect(c, &CtiLib::phoneEventMissedCall, this, phoneEvent("missed"));
        connect(c, &CtiLib::phoneEventHoldCall, this, phoneEvent("hold"));
        connect(c, &CtiLib::phoneEventUnholdCall, this, phoneEvent("unhold"));
    }

    bool waitFor(const QString &event, int count = 1, int ms = testsupport::kConditionWaitMs)
    {
        QElapsedTimer t;
        t.start();
        while (order.count(event) < count && t.elapsed() < ms)
            QTest::qWait(10);
        return order.count(event) >= count;
    }
};

const QString kOutside = QStringLiteral("+39021234567");

Cdr lastCdr(CtiLib *c)
{
    QSignalSpy spy(c, &CtiLib::sigCdrChanged);
    c->getCDR();
    if (!waitCount(spy, 1))
        return Cdr();
    return arg<Cdr>(spy, spy.count() - 1);
}

} // namespace

class TestCtiCalls : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { trustPbxCertificates(); }
    void outgoingAnswered();
    void busyNumber();
    void incomingAnswered();
    void incomingMissed();
    void callBetweenUsersRefused();
    void blindTransfer();
    void forwardOfARingingCall();
    void parkAndRetrieve();
    void pickUpARingingExtension();
    void queueCall();
    void burstOfCallsLeavesTheEventLoopItsTurns();
    void keepAliveReplyBehindABurstKeepsTheSession();
    void disconnectionBehindABurstKeepsItsReason();
    void deskPhoneCommandsAndEvents();
    void deskPhoneNeedsAuthorisation_data();
    void deskPhoneNeedsAuthorisation();
};

void TestCtiCalls::outgoingAnswered()
{
    Fixture f;
    QVERIFY(f.login());
    CallLog log(f.cti.get());
    QSignalSpy blf(f.cti.get(), &CtiLib::sigExtenStatusChanged);
    QVERIFY(f.cti->newCall(kOutside, CTILIB::PrefixAutomatic));
    QVERIFY(log.waitFor("answered"));
    const OriginateCallEvent o = log.outgoing.first();
    QCOMPARE(o.calledNum, kOutside);
    QCOMPARE(o.account, QStringLiteral("201"));
    QVERIFY(o.localChannel.startsWith(QLatin1String("PJSIP/201-")));
    const AnsweredCallEvent a = log.answered.first();
    QCOMPARE(a.uid, o.uid);
    QCOMPARE(a.isCallee, 0);
    QCOMPARE(a.remoteNum, kOutside);
    QCOMPARE(a.localChan, o.localChannel);
    QVERIFY(arg<BuddyStatus>(blf, 0).exten == QLatin1String("201") && arg<BuddyStatus>(blf, 0).blfStatus == 1);

    QVERIFY(f.cti->hangupCall(o.uid));
    QVERIFY(log.waitFor("finished"));
    QCOMPARE(log.order, (QStringList{"outgoing", "answered", "finished"}));
    QCOMPARE(log.finished.first().reason, QStringLiteral("NORMAL_CLEARING"));
    QVERIFY(log.finished.first().localHangup);
    QCOMPARE(f.sim->activeCallCount(), 0);
    const Cdr cdr = lastCdr(f.cti.get());
    QCOMPARE(cdr.last().uid, o.uid);
    QCOMPARE(cdr.last().callTypeKey, QStringLiteral("ANSWER_OUT"));
    QCOMPARE(cdr.last().calledNum, kOutside);
}

void TestCtiCalls::busyNumber()
{
    Fixture f;
    QVERIFY(f.login());
    CallLog log(f.cti.get());
    f.cti->newCall(QStringLiteral("+3902555486"), CTILIB::PrefixExternal);
    QVERIFY(log.waitFor("finished"));
    QCOMPARE(log.order, (QStringList{"outgoing", "finished"}));
    QCOMPARE(log.finished.first().reason, QStringLiteral("USER_BUSY"));
    QVERIFY(!log.finished.first().localHangup);
    QCOMPARE(lastCdr(f.cti.get()).last().callTypeKey, QStringLiteral("NOANSWER_OUT"));
}

void TestCtiCalls::incomingAnswered()
{
    Fixture f;
    f.sim->setRingTimeout(60000); // rings until the test acts, however busy the machine
    QVERIFY(f.login());
    CallLog log(f.cti.get());
    const QString uid =
        f.sim->injectIncomingCall(kOutside, QStringLiteral("201"), QString(), QStringLiteral("Mario Verdi"));
    QVERIFY(!uid.isEmpty());
    QVERIFY(log.waitFor("incoming"));
    const IncomingCallEvent in = log.incoming.first();
    QCOMPARE(in.uid, uid);
    QCOMPARE(in.remoteNum, kOutside);
    QCOMPARE(in.remoteName, QStringLiteral("Mario Verdi"));
    QCOMPARE(in.calledNum, QStringLiteral("201"));
    QCOMPARE(in.callType, int(CTILIB::CallAttrExternal));
    QVERIFY(in.remoteChannel.startsWith(QLatin1String("PJSIP/trunk-")));
    // A logged-in user's phone rings until it is answered.
    QTest::qWait(100);
    QVERIFY(log.answered.isEmpty());
    QVERIFY(f.sim->answerRinging(QStringLiteral("201")));
    QVERIFY(log.waitFor("answered"));
    QCOMPARE(log.answered.first().isCallee, 1);
    QCOMPARE(log.answered.first().remoteChan, in.remoteChannel);
    QCOMPARE(f.sim->hangup(kOutside), 1);
    QVERIFY(log.waitFor("finished"));
    QVERIFY(!log.finished.first().localHangup);
    QCOMPARE(log.order, (QStringList{"incoming", "answered", "finished"}));
    QCOMPARE(lastCdr(f.cti.get()).last().callTypeKey, QStringLiteral("ANSWER_IN"));
}

void TestCtiCalls::incomingMissed()
{
    Fixture f;
    QVERIFY(f.login());
    CallLog log(f.cti.get());
    f.sim->injectIncomingCall(kOutside, QStringLiteral("201"));
    QVERIFY(log.waitFor("finished"));
    QCOMPARE(log.order, (QStringList{"incoming", "missed", "finished"}));
    QCOMPARE(log.missed.first().remoteNum, kOutside);
    QCOMPARE(log.finished.first().reason, QStringLiteral("NO_ANSWER"));
    const CdrEntry e = lastCdr(f.cti.get()).last();
    QCOMPARE(e.callTypeKey, QStringLiteral("NOANSWER_IN"));
    QCOMPARE(e.duration, 0);
}

void TestCtiCalls::callBetweenUsersRefused()
{
    Fixture f;
    QVERIFY(f.login());
    std::unique_ptr<CtiLib> sara = f.newClient();
    QVERIFY(Fixture::login(sara.get(), QStringLiteral("sara"), QStringLiteral("sara")));
    CallLog demoLog(f.cti.get());
    CallLog saraLog(sara.get());
    f.cti->newCall(QStringLiteral("203"), CTILIB::PrefixInternal);
    QVERIFY(saraLog.waitFor("incoming"));
    const IncomingCallEvent in = saraLog.incoming.first();
    QCOMPARE(in.remoteNum, QStringLiteral("201"));
    QCOMPARE(in.remoteName, QStringLiteral("Giulia Bianchi"));
    QCOMPARE(in.callType, int(CTILIB::CallAttrInternal));
    QCOMPARE(in.account, QStringLiteral("203"));
    QVERIFY(sara->refuseCall(in.uid));
    QVERIFY(demoLog.waitFor("finished"));
    QVERIFY(saraLog.waitFor("finished"));
    QCOMPARE(demoLog.finished.first().reason, QStringLiteral("CALL_REJECTED"));
    QVERIFY(!demoLog.finished.first().localHangup);
    QVERIFY(saraLog.finished.first().localHangup);
    QCOMPARE(lastCdr(sara.get()).last().callTypeKey, QStringLiteral("NOANSWER_LOCAL_IN"));
}

void TestCtiCalls::blindTransfer()
{
    Fixture f;
    QVERIFY(f.login());
    CallLog log(f.cti.get());
    QSignalSpy blf(f.cti.get(), &CtiLib::sigExtenStatusChanged);
    f.sim->injectIncomingCall(kOutside, QStringLiteral("201"));
    QVERIFY(log.waitFor("incoming"));
    f.sim->answerRinging(QStringLiteral("201"));
    QVERIFY(log.waitFor("answered"));
    // Blind transfer: the remote channel goes to extension 204.
    QVERIFY(f.cti->redirectCall(log.answered.first().remoteChan, QStringLiteral("204")));
    QVERIFY(log.waitFor("finished"));
    QCOMPARE(log.finished.first().reason, QStringLiteral("TRANSFERRED"));
    QVERIFY(log.finished.first().localHangup);
    QCOMPARE(f.sim->activeCallCount(), 1);
    // 204 rings, then its simulated owner answers.
    QTRY_VERIFY([&] {
        for (int i = 0; i < blf.count(); ++i) {
            const BuddyStatus b = arg<BuddyStatus>(blf, i);
            if (b.exten == QLatin1String("204") && b.blfStatus == CTILIB::BlfInUse)
                return true;
        }
        return false;
    }());
    QCOMPARE(f.sim->hangup(QStringLiteral("204")), 1);
}

void TestCtiCalls::forwardOfARingingCall()
{
    Fixture f;
    f.sim->setRingTimeout(60000); // rings until the test acts, however busy the machine
    QVERIFY(f.login());
    CallLog log(f.cti.get());
    const QString uid = f.sim->injectIncomingCall(kOutside, QStringLiteral("201"));
    QVERIFY(log.waitFor("incoming"));
    QVERIFY(f.cti->redirectCall(uid, QStringLiteral("205")));
    QVERIFY(log.waitFor("finished"));
    QCOMPARE(log.finished.first().reason, QStringLiteral("REDIRECTED"));
    QVERIFY(log.answered.isEmpty());
    QCOMPARE(f.sim->activeCallCount(), 1);
}

void TestCtiCalls::parkAndRetrieve()
{
    Fixture f;
    QVERIFY(f.login());
    CallLog log(f.cti.get());
    QSignalSpy parked(f.cti.get(), &CtiLib::sigNewParkCall);
    f.cti->newCall(kOutside, CTILIB::PrefixAutomatic);
    QVERIFY(log.waitFor("answered"));
    QVERIFY(f.cti->parkCall(log.answered.first().uid));
    QVERIFY(waitCount(parked, 1));
    QVERIFY(log.waitFor("finished"));
    QCOMPARE(log.finished.first().reason, QStringLiteral("PARKED"));
    QCOMPARE(arg<QString>(parked, 0, 0), kOutside);
    QCOMPARE(arg<QString>(parked, 0, 1), QStringLiteral("701"));
    QCOMPARE(arg<QString>(parked, 0, 2), QStringLiteral("60"));
    // Dialling the slot takes the call back.
    f.cti->newCall(QStringLiteral("701"), CTILIB::PrefixInternal);
    QVERIFY(log.waitFor("answered", 2));
    QCOMPARE(log.outgoing.last().calledNum, QStringLiteral("701"));
    QCOMPARE(log.answered.last().remoteNum, kOutside);
    QCOMPARE(f.sim->activeCallCount(), 1);
}

void TestCtiCalls::pickUpARingingExtension()
{
    Fixture f;
    f.sim->setAnswerDelay(60000); // 204 keeps ringing
    f.sim->setRingTimeout(60000);
    QVERIFY(f.login());
    CallLog log(f.cti.get());
    f.sim->injectIncomingCall(kOutside, QStringLiteral("204"));
    f.cti->newCall(QStringLiteral("*8204"), CTILIB::PrefixInternal);
    QVERIFY(log.waitFor("answered"));
    QCOMPARE(log.order, (QStringList{"outgoing", "answered"}));
    QCOMPARE(log.outgoing.first().calledNum, QStringLiteral("*8204"));
    QCOMPARE(log.answered.first().remoteNum, kOutside);
    QCOMPARE(log.answered.first().isCallee, 1);
}

void TestCtiCalls::queueCall()
{
    Fixture f;
    QVERIFY(f.login());
    CallLog log(f.cti.get());
    QSignalSpy queue(f.cti.get(), &CtiLib::sigQueueEvent);
    f.sim->injectIncomingCall(kOutside, QStringLiteral("201"), QStringLiteral("600"));
    QVERIFY(log.waitFor("incoming"));
    QCOMPARE(log.incoming.first().queueId, QStringLiteral("600"));
    QCOMPARE(log.incoming.first().callType, int(CTILIB::CallAttrExternal | CTILIB::CallAttrQueue));
    QVERIFY(waitCount(queue, 1));
    QCOMPARE(arg<QueueEvent>(queue, 0).queueId, QStringLiteral("600"));
    QCOMPARE(arg<QueueEvent>(queue, 0).waitingCalls, 1);
    QVERIFY(arg<QueueEvent>(queue, 0).oldestCallTime.isValid());
}

// A burst of reports whose handling takes a while is handled a slice per turn
// of the event loop: a timer keeps ticking while the calls of the burst come
// in, and the calls come in the PBX's order.
void TestCtiCalls::burstOfCallsLeavesTheEventLoopItsTurns()
{
    Fixture f;
    f.sim->setRingTimeout(600000); // they ring until the test ends
    QVERIFY(f.login());
    const int calls = 300;
    QStringList uids;
    QList<quint64> ticksAtCall;
    quint64 ticks = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1);
    connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
    connect(f.cti.get(), &CtiLib::sigIncomingCall, [&](const IncomingCallEvent &e) {
        uids << e.uid;
        ticksAtCall << ticks;
        // A window whose handling of a call takes two milliseconds.
        QElapsedTimer busy;
        busy.start();
        while (busy.elapsed() < 2) {
        }
    });
    tick.start();
    QStringList injected;
    for (int i = 0; i < calls; ++i)
        injected << f.sim->injectIncomingCall(QStringLiteral("+3902%1").arg(i, 6, 10, QLatin1Char('0')),
                                              QStringLiteral("201"));
    QTRY_COMPARE(uids.size(), calls);
    QCOMPARE(uids, injected);
    // The longest run of calls handled with no tick between them.
    int run = 1;
    int longest = 1;
    for (int i = 1; i < calls; ++i) {
        run = ticksAtCall.at(i) == ticksAtCall.at(i - 1) ? run + 1 : 1;
        longest = qMax(longest, run);
    }
    QVERIFY2(longest <= 20, qPrintable(QStringLiteral("%1 calls in one turn").arg(longest)));
}

// A keep-alive whose reply comes behind a burst of reports still being
// handled does not end the session.
void TestCtiCalls::keepAliveReplyBehindABurstKeepsTheSession()
{
    Fixture f;
    f.sim->setRingTimeout(600000); // they ring until the test ends
    QVERIFY(f.login());
    // Keep-alives every 20 ms, each answered within half a second; the burst
    // takes more than a second to handle.
    f.cti->setKeepAliveTimings(20, 500);
    QSignalSpy gone(f.cti.get(), &CtiLib::disconnectedFromServer);
    const int calls = 400;
    int received = 0;
    connect(f.cti.get(), &CtiLib::sigIncomingCall, [&received](const IncomingCallEvent &) {
        ++received;
        // A window whose handling of a call takes three milliseconds.
        QElapsedTimer busy;
        busy.start();
        while (busy.elapsed() < 3) {
        }
    });
    for (int i = 0; i < calls; ++i)
        f.sim->injectIncomingCall(QStringLiteral("+3902%1").arg(i, 6, 10, QLatin1Char('0')), QStringLiteral("201"));
    QTRY_VERIFY(received == calls || !gone.isEmpty());
    QVERIFY(gone.isEmpty());
    QCOMPARE(received, calls);
    QVERIFY(f.cti->isConnected());
}

// When the PBX ends the session right after a burst of reports, the calls of
// the burst are all reported, then the session ends with the reason the PBX
// gave, however long the burst takes to handle.
void TestCtiCalls::disconnectionBehindABurstKeepsItsReason()
{
    Fixture f;
    f.sim->setRingTimeout(600000); // they ring until the PBX ends the session
    QVERIFY(f.login());
    QSignalSpy gone(f.cti.get(), &CtiLib::disconnectedFromServer);
    const int calls = 200;
    int received = 0;
    int receivedWhenGone = -1;
    connect(f.cti.get(), &CtiLib::disconnectedFromServer, [&] { receivedWhenGone = received; });
    connect(f.cti.get(), &CtiLib::sigIncomingCall, [&received](const IncomingCallEvent &) {
        ++received;
        // A window whose handling of a call takes two milliseconds.
        QElapsedTimer busy;
        busy.start();
        while (busy.elapsed() < 2) {
        }
    });
    for (int i = 0; i < calls; ++i)
        f.sim->injectIncomingCall(QStringLiteral("+3902%1").arg(i, 6, 10, QLatin1Char('0')), QStringLiteral("201"));
    QCOMPARE(f.sim->disconnectClients(QStringLiteral("demo"), QStringLiteral("UpgradeNeeded")), 1);
    QVERIFY(waitCount(gone, 1));
    QCOMPARE(arg<QString>(gone, 0), QStringLiteral("UpgradeNeeded"));
    QCOMPARE(receivedWhenGone, calls);
    QVERIFY(!f.cti->isConnected());
}

void TestCtiCalls::deskPhoneCommandsAndEvents()
{
    Fixture f;
    QVERIFY(f.login(QStringLiteral("demo"), QStringLiteral("demo"), CTILIB::AppModeDeskPhone));
    CallLog log(f.cti.get());
    QSignalSpy authorized(f.cti.get(), &CtiLib::sigPhoneApiAutorized);
    QSignalSpy dnd(f.cti.get(), &CtiLib::phoneEventDnd);
    QVERIFY(f.cti->phoneCommandGetDndStatus());
    QVERIFY(waitCount(dnd, 1));
    QCOMPARE(arg<bool>(authorized, 0), true);
    QCOMPARE(arg<bool>(dnd, 0), false);

    f.sim->injectIncomingCall(kOutside, QStringLiteral("201"));
    QVERIFY(log.waitFor("incoming"));
    // The phone reports the call next to the CTI server's event.
    QCOMPARE(log.order.mid(0, 2), (QStringList{"phone-incoming", "incoming"}));
    const QString csta = log.phone.first().section(QLatin1Char(':'), 2);
    QVERIFY(log.phone.first().startsWith(QLatin1String("incoming:") + kOutside));

    QVERIFY(f.cti->phoneCommandAnswerIncomingCall(csta));
    QVERIFY(log.waitFor("phone-established"));
    QVERIFY(log.waitFor("answered"));
    QVERIFY(f.cti->phoneCommandPutOnHold(csta));
    QVERIFY(log.waitFor("phone-hold"));
    QVERIFY(f.cti->phoneCommandResumeFromHold(csta));
    QVERIFY(log.waitFor("phone-unhold"));
    QVERIFY(f.cti->phoneCommandSendDtmfs(csta, {QString(), QStringLiteral("1"), QString()}));
    QVERIFY(f.cti->phoneCommandHangupCall(csta));
    QVERIFY(log.waitFor("phone-ended"));
    QVERIFY(log.waitFor("finished"));
    QCOMPARE(log.phone.last(), QStringLiteral("ended:%1:%2").arg(kOutside, csta));

    QVERIFY(f.cti->phoneCommandPressKeys({QStringLiteral("DNDOn")}));
    QVERIFY(waitCount(dnd, 2));
    QCOMPARE(arg<bool>(dnd, 1), true);

    QVERIFY(f.cti->phoneCommandMakeCall(QStringLiteral("205"), QStringLiteral("201")));
    QVERIFY(log.waitFor("phone-established", 2));
    QVERIFY(log.phone.contains(QLatin1String("outgoing:205:") + log.phone.last().section(QLatin1Char(':'), 2)));
    // A transfer from the phone: the call leaves the user.
    const QString csta2 = log.phone.last().section(QLatin1Char(':'), 2);
    QVERIFY(f.cti->phoneCommandUnattendedTransfer(csta2, QStringLiteral("206")));
    QVERIFY(log.waitFor("phone-ended", 2));
    QCOMPARE(log.finished.last().reason, QStringLiteral("TRANSFERRED"));
}

void TestCtiCalls::deskPhoneNeedsAuthorisation_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("CTI only mode") << 0 << true;
    QTest::newRow("softphone mode") << 2 << true;
    QTest::newRow("desk phone not allowed") << 1 << false;
}

void TestCtiCalls::deskPhoneNeedsAuthorisation()
{
    QFETCH(int, mode);
    QFETCH(bool, allowed);
    Fixture f;
    PbxSimData data = f.sim->data();
    data.users[QStringLiteral("demo")].deskPhoneAuthorized = allowed;
    f.sim->setData(data);
    QVERIFY(f.login(QStringLiteral("demo"), QStringLiteral("demo"), mode));
    CallLog log(f.cti.get());
    QSignalSpy authorized(f.cti.get(), &CtiLib::sigPhoneApiAutorized);
    f.cti->phoneCommandGetDndStatus();
    QVERIFY(waitCount(authorized, 1));
    QCOMPARE(arg<bool>(authorized, 0), false);
    // No phone events and no phone commands without authorisation.
    f.sim->injectIncomingCall(kOutside, QStringLiteral("201"));
    QVERIFY(log.waitFor("incoming"));
    QVERIFY(log.phone.isEmpty());
    QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);
    f.cti->phoneCommandAnswerIncomingCall(QStringLiteral("csta-1"));
    QVERIFY(waitCount(commands, 1));
    QTest::qWait(50);
    QVERIFY(log.answered.isEmpty());
    QVERIFY(f.cti->isConnected());
}

DESKLINE_TEST_MAIN(TestCtiCalls)
#include "tst_cticalls.moc"
