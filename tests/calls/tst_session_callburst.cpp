// A burst of incoming calls on the window logged in to the simulated PBX: the
// line stack shows one line per line button and as many balloons, the other
// calls are counted on the last button and shown, oldest first, as places
// free up; every call keeps its record; a new call does not style again the
// lines already shown.
#include "calls/calllines.h"
#include "mainwindow/session/pbxsession.h"
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "settings/msettingsstore.h"
#include "testmain.h"
#include "widgets/wdgincomingcallline.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>

using namespace sessiontest;

namespace
{

// Counts the style changes a widget receives.
class StyleChanges : public QObject
{
public:
    int count = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::StyleChange)
            ++count;
        return false;
    }
};

QString number(int i)
{
    return QStringLiteral("0655%1").arg(i, 4, 10, QLatin1Char('0'));
}

} // namespace

class TestSessionCallBurst : public QObject
{
    Q_OBJECT

private slots:
    void burstShowsFourLinesAndCountsTheRest();
    void newCallLeavesShownLinesAlone();
};

void TestSessionCallBurst::burstShowsFourLinesAndCountsTheRest()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    f.sim->setRingTimeout(600000);
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    useDemoAccount(w, *f.sim);
    w.show();
    CallLines *calls = w.callLines();
    auto *stack = widgetOf<QStackedWidget>(w, QStringLiteral("vLineLayout"));
    auto *btnLine4 = widgetOf<QPushButton>(w, QStringLiteral("btnLine4"));
    QVERIFY(calls && stack && btnLine4);

    const int burst = 30;
    for (int i = 0; i < burst; ++i)
        QVERIFY(
            !f.sim->injectIncomingCall(number(i), QStringLiteral("201"), QString(), QStringLiteral("Cliente %1").arg(i))
                 .isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(calls->callRecords().size(), burst, 30000);
    // Every call is known and counted; four are shown, with four balloons.
    QCOMPARE(calls->ringingCounters().directExternal(), burst);
    QCOMPARE(calls->ringingLines().size(), CallLines::MaxShownLines);
    QCOMPARE(stack->count(), CallLines::MaxShownLines);
    QCOMPARE(calls->balloonCount(), CallLines::MaxCallBalloons);
    QCOMPARE(calls->waitingRingingCount(), burst - CallLines::MaxShownLines);
    QCOMPARE(btnLine4->text(), QStringLiteral("4+"));
    QVERIFY(btnLine4->toolTip().contains(QString::number(burst - CallLines::MaxShownLines)));
    // The first callers are the ones shown.
    QStringList shown;
    for (int i = 0; i < stack->count(); ++i)
        shown << qobject_cast<wdgIncomingCallLine *>(stack->widget(i))->getRemoteNum();
    QCOMPARE(shown, (QStringList{number(0), number(1), number(2), number(3)}));

    // The user refuses the first call: the oldest waiting call takes its place.
    auto *first = qobject_cast<wdgIncomingCallLine *>(stack->widget(0));
    const qint64 firstLine = first->getLineId();
    QTest::mouseClick(first->findChild<QPushButton *>(QStringLiteral("btnRefuseCall")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!calls->callRecords().contains(firstLine), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(calls->ringingLines().size(), CallLines::MaxShownLines, 10000);
    QCOMPARE(calls->waitingRingingCount(), burst - CallLines::MaxShownLines - 1);
    bool fifthShown = false;
    for (wdgIncomingCallLine *line : calls->ringingLines())
        fifthShown |= line->getRemoteNum() == number(4);
    QVERIFY(fifthShown);
    QVERIFY(calls->balloonCount() <= CallLines::MaxCallBalloons);

    // A waiting call the caller gives up goes without ever being shown.
    QCOMPARE(f.sim->hangup(number(burst - 1)), 1);
    QTRY_COMPARE_WITH_TIMEOUT(calls->callRecords().size(), burst - 2, 10000);
    QCOMPARE(calls->waitingRingingCount(), burst - CallLines::MaxShownLines - 2);
    QCOMPARE(calls->ringingCounters().directExternal(), burst - 2);

    // Every call ends: nothing is left, and the last button reads 4 again.
    QVERIFY(f.sim->hangup(QStringLiteral("201")) > 0);
    QTRY_VERIFY_WITH_TIMEOUT(calls->callRecords().isEmpty(), 30000);
    QTRY_COMPARE_WITH_TIMEOUT(stack->count(), 0, 10000);
    QCOMPARE(calls->waitingRingingCount(), 0);
    QCOMPARE(calls->ringingCounters().directExternal(), 0);
    QCOMPARE(btnLine4->text(), QStringLiteral("4"));
    QVERIFY(btnLine4->toolTip().isEmpty());
}

void TestSessionCallBurst::newCallLeavesShownLinesAlone()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    f.sim->setRingTimeout(600000);
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    useDemoAccount(w, *f.sim);
    w.show();
    CallLines *calls = w.callLines();
    f.sim->injectIncomingCall(number(0), QStringLiteral("201"));
    QTRY_COMPARE(calls->ringingLines().size(), 1);
    wdgIncomingCallLine *first = calls->ringingLines().first();
    QLabel *name = first->findChild<QLabel *>(QStringLiteral("lblSpeaker"));
    QVERIFY(name);
    QSignalSpy blinks(first, &wdgIncomingCallLine::sigBlinking);
    StyleChanges changes;
    name->installEventFilter(&changes);
    f.sim->injectIncomingCall(number(1), QStringLiteral("201"));
    f.sim->injectIncomingCall(number(2), QStringLiteral("201"));
    QTRY_COMPARE(calls->ringingLines().size(), 3);
    auto *btnLine3 = widgetOf<QPushButton>(w, QStringLiteral("btnLine3"));
    QTRY_VERIFY(btnLine3->property("status").toString().startsWith(QLatin1String("ringing")));
    // The lines blink meanwhile; the first line's labels are never styled again.
    const int seen = blinks.count();
    QTRY_VERIFY_WITH_TIMEOUT(blinks.count() >= seen + 2, 10000);
    QCOMPARE(changes.count, 0);
    name->removeEventFilter(&changes);
}

DESKLINE_TEST_MAIN(TestSessionCallBurst)
#include "tst_session_callburst.moc"
