// Work a window should not hold up runs once the window is on screen.
#include "testmain.h"
#include "widgets/afterfirstpaint.h"

#include <QEvent>
#include <QPointer>
#include <QtTest>

namespace
{

// Counts a widget's paint events; swallows them when told to, the way a
// window the desktop keeps covered never gets one.
class PaintWatch : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::Paint)
            return false;
        ++paints;
        return swallow;
    }
    int paints = 0;
    bool swallow = false;
};

} // namespace

class TestAfterFirstPaint : public QObject
{
    Q_OBJECT

private slots:
    void runsOnceAfterTheFirstPaint();
    void hiddenWindowRunsOnTheNextTurn();
    void unpaintedWindowRunsAfterTheFallback();
    void nothingRunsOnceTheWindowIsGone();
};

void TestAfterFirstPaint::runsOnceAfterTheFirstPaint()
{
    QWidget window;
    PaintWatch watch;
    window.installEventFilter(&watch);
    window.resize(200, 100);
    window.show();
    int runs = 0;
    int paintsSeen = -1;
    GuiUtils::runAfterFirstPaint(&window, [&] {
        ++runs;
        paintsSeen = watch.paints;
    });
    QCOMPARE(runs, 0); // not while the window is being shown
    QTRY_COMPARE(runs, 1);
    QVERIFY(paintsSeen >= 1);
    // Later paints run nothing more.
    window.resize(300, 150);
    window.repaint();
    QTest::qWait(50);
    QCOMPARE(runs, 1);
}

void TestAfterFirstPaint::hiddenWindowRunsOnTheNextTurn()
{
    QWidget window;
    int runs = 0;
    GuiUtils::runAfterFirstPaint(
        &window, [&] { ++runs; }, 60000);
    QCOMPARE(runs, 0);
    QTRY_COMPARE(runs, 1);
}

void TestAfterFirstPaint::unpaintedWindowRunsAfterTheFallback()
{
    QWidget window;
    window.resize(200, 100);
    window.show();
    int runs = 0;
    GuiUtils::runAfterFirstPaint(
        &window, [&] { ++runs; }, 200);
    // Installed after the watch, so it sees the paints first.
    PaintWatch covered;
    covered.swallow = true;
    window.installEventFilter(&covered);
    QTest::qWait(100);
    QCOMPARE(runs, 0);
    QTRY_COMPARE(runs, 1);
}

void TestAfterFirstPaint::nothingRunsOnceTheWindowIsGone()
{
    int runs = 0;
    {
        QWidget window;
        window.show();
        GuiUtils::runAfterFirstPaint(
            &window, [&] { ++runs; }, 50);
    }
    QTest::qWait(150);
    QCOMPARE(runs, 0);
}

DESKLINE_TEST_MAIN(TestAfterFirstPaint)
#include "tst_afterfirstpaint.moc"
