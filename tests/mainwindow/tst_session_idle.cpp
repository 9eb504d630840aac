// A client left alone after its log-in, in each operating mode: every request
// it sends to the PBX is explained by its refresh timers (run faster here), the
// unchanged mailbox asks for no list, a new voicemail message does, and a PBX
// that answers each list request with a mailbox status too does not drag the
// client into a loop.
#include "mainwindow/session/pbxsession.h"
#include "messaging/messagingpanel.h"
#include "messaging/voicemailpanel.h"
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "testmain.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QSignalSpy>

#include <cmath>

using namespace sessiontest;

namespace
{

// A refresh period of N seconds lasts N * kSecondMs here.
const int kSecondMs = 20;
// How long the client is watched once its log-in has settled.
const int kWindowMs = 6000;

int countOf(const QSignalSpy &commands, const QString &name, int from = 0)
{
    int n = 0;
    for (int i = from; i < commands.size(); ++i)
        n += commands.at(i).at(1).toString() == name;
    return n;
}

// Lets the client run for `ms`, whatever it does meanwhile.
void runFor(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QTest::qWait(50);
}

// The most a timer of `periodSecs` (a refresh second lasting kSecondMs)
// fires in `windowMs`, with one more for the edges of the window.
int timerBudget(int periodSecs, qint64 windowMs)
{
    return int(windowMs / (qint64(periodSecs) * kSecondMs)) + 2;
}

struct Session {
    SessionFixture f;
    ScriptedPrompts prompts;
    QSignalSpy commands{f.sim.get(), &PbxSimulator::commandReceived};
    std::unique_ptr<MPGui> w;

    explicit Session(int mode)
    {
        if (mode == MSETTINGS::AppModeSoftphone) {
            QString error;
            if (!listenForSoftphones(f, &error))
                qFatal("SIP side: %s", qPrintable(error));
        }
        MctiConfig c = f.config(QStringLiteral("demo"), QStringLiteral("demo"), mode);
        if (mode != MSETTINGS::AppModeCtiOnly)
            c.account.set(QStringLiteral("201"));
        if (mode == MSETTINGS::AppModeSoftphone)
            useTestAudioDevices(c);
        w.reset(new MPGui{c});
    }
    VoicemailPanel *voicemail() const { return w->messagingPanel()->voicemail(); }
    int count(const QString &name, int from = 0) const { return countOf(commands, name, from); }
};

// Logged in, the phone of the mode ready, the first voicemail list shown.
bool settle(Session &s, int mode)
{
    s.w->start();
    if (mode == MSETTINGS::AppModeSoftphone)
        withInstalledSoundsAndDevices(s.w->phoneBackends());
    if (!waitForLogin(*s.w))
        return false;
    QElapsedTimer t;
    t.start();
    // The log-in's own requests are over once the extension states were
    // asked for: that follows the extension list's installation, which may
    // come after the rest on a busy machine.
    const auto askedForStates = [&] { return s.count(QStringLiteral("getExtenStatus")) > 0; };
    auto ready = [&] {
        if (!s.voicemail()->rows().contains(QStringLiteral("vm-0001")) || !askedForStates())
            return false;
        if (mode == MSETTINGS::AppModeDeskPhone)
            return s.w->phoneBackends()->deskPhone() != nullptr;
        if (mode == MSETTINGS::AppModeSoftphone)
            return s.w->phoneBackends()->isSipRegistered();
        return true;
    };
    while (!ready() && t.elapsed() < 20000)
        QTest::qWait(20);
    return ready();
}

} // namespace

class TestSessionIdle : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { setRefreshSecondMs(1000); }
    void requestsOnlyFromTimers_data();
    void requestsOnlyFromTimers();
    void newVoicemailReloadsTheList();
    void settlesWithAnEchoingPbx();
};

void TestSessionIdle::requestsOnlyFromTimers_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("cti only") << int(MSETTINGS::AppModeCtiOnly);
    QTest::newRow("desk phone") << int(MSETTINGS::AppModeDeskPhone);
    QTest::newRow("softphone") << int(MSETTINGS::AppModeSoftphone);
}

// Left alone, the client asks the PBX only what its timers ask for: the call
// records and the mailbox status (90 s), the identities (30 s, and the
// supervisor's peer list with each), the phone books (600 s), the queue
// statistics (300 s, with the period statistics). The mailbox does not
// change, so no voicemail list is asked for.
void TestSessionIdle::requestsOnlyFromTimers()
{
    QFETCH(int, mode);
    setRefreshSecondMs(kSecondMs);
    Session s(mode);
    QVERIFY(settle(s, mode));

    const int from = s.commands.size();
    QElapsedTimer window;
    window.start();
    runFor(kWindowMs);
    const qint64 ms = window.elapsed();

    QMap<QString, int> budget;
    budget.insert(QStringLiteral("getCdr"), timerBudget(90, ms));
    budget.insert(QStringLiteral("getMailboxStatus"), timerBudget(90, ms));
    budget.insert(QStringLiteral("getIdentities"), timerBudget(30, ms));
    budget.insert(QStringLiteral("getPeerList"), timerBudget(30, ms));
    budget.insert(QStringLiteral("getPhonebooks"), timerBudget(600, ms));
    // The supervisor panel's statistics timer runs at its own pace (300 s);
    // each reply brings the period statistics up to date.
    const int stats = int(ms / (300 * 1000)) + 2;
    budget.insert(QStringLiteral("getQueuesStats"), stats);
    budget.insert(QStringLiteral("getQueuePeriodicStats"), 2 * stats);
    budget.insert(QStringLiteral("getOperatorPeriodicStats"), 2 * stats);
    QMap<QString, int> seen;
    for (int i = from; i < s.commands.size(); ++i)
        ++seen[s.commands.at(i).at(1).toString()];
    for (auto it = seen.cbegin(); it != seen.cend(); ++it) {
        QVERIFY2(it.value() <= budget.value(it.key(), 0),
                 qPrintable(QStringLiteral("%1 sent %2 times in %3 ms; the timers explain %4")
                                .arg(it.key())
                                .arg(it.value())
                                .arg(ms)
                                .arg(budget.value(it.key(), 0))));
    }
    // The timers did run meanwhile: the mailbox was polled and is unchanged.
    QVERIFY(seen.value(QStringLiteral("getMailboxStatus")) >= 2);
    QCOMPARE(seen.value(QStringLiteral("getVoicemail")), 0);
}

// A new message in the mailbox: its status reaches the client, which asks
// for the list once and shows the message.
void TestSessionIdle::newVoicemailReloadsTheList()
{
    Session s(MSETTINGS::AppModeCtiOnly);
    QVERIFY(settle(s, MSETTINGS::AppModeCtiOnly));
    auto *mail = widgetOf<QPushButton>(*s.w, "btnMail");
    QTRY_COMPARE(mail->toolTip(), QStringLiteral("Sono presenti 1 nuovi messaggi in segreteria"));
    const int from = s.commands.size();

    const QString uuid =
        s.f.sim->leaveVoicemail(QStringLiteral("201"), QStringLiteral("0612345678"), 5, QStringLiteral("Anna Neri"));
    QVERIFY(!uuid.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(s.voicemail()->rows().contains(uuid), 10000);
    QTRY_COMPARE(mail->toolTip(), QStringLiteral("Sono presenti 2 nuovi messaggi in segreteria"));
    QCOMPARE(s.voicemail()->rows().size(), 2);
    runFor(VoicemailPanel::ListSpacingMs + 1000);
    QCOMPARE(s.count(QStringLiteral("getVoicemail"), from), 1);
}

// A PBX that answers every list request with a mailbox status too: the
// client takes the status as known and settles after a bounded number of
// list requests, in the log-in and after a real change alike.
void TestSessionIdle::settlesWithAnEchoingPbx()
{
    Session s(MSETTINGS::AppModeCtiOnly);
    s.f.sim->setEchoMailboxStatus(true);
    QVERIFY(settle(s, MSETTINGS::AppModeCtiOnly));
    runFor(3000);
    const int atLogin = s.count(QStringLiteral("getVoicemail"));
    QVERIFY2(atLogin <= 2, qPrintable(QString::number(atLogin)));

    const int from = s.commands.size();
    const QString uuid = s.f.sim->leaveVoicemail(QStringLiteral("201"), QStringLiteral("0612345678"), 5);
    QTRY_VERIFY_WITH_TIMEOUT(s.voicemail()->rows().contains(uuid), 10000);
    runFor(3000);
    const int afterChange = s.count(QStringLiteral("getVoicemail"), from);
    QVERIFY2(afterChange >= 1 && afterChange <= 2, qPrintable(QString::number(afterChange)));
    QVERIFY(s.w->isSessionUp());
}

DESKLINE_TEST_MAIN(TestSessionIdle)
#include "tst_session_idle.moc"
