// A burst of incoming calls on the real window logged in to the simulated PBX
// (demo user 201, CTI-only mode, pop-ups on). The simulator runs on a thread
// of its own and rings the user with every call of the burst at once; the
// figures are those of the GUI thread: the longest stall of its event loop
// (a 2 ms probe timer) and the time until every call of the burst has its
// record. Each burst then ends (of the large one, the longest turn while its
// calls end is reported).
//
// The machine may be busy: stalls are counted in processor time of the GUI
// thread (the wall-clock figures, which include waiting for a processor, are
// reported beside). The work of one call event runs from the end of the
// previous event handled in the same turn of the event loop (or from the
// turn's start) to the end of its own handling.
//
// Targets: 50 calls, median over 5 bursts: longest call event <= 50 ms and the
// whole burst <= 500 ms of the GUI thread's time. 1,000 calls: longest turn of
// the event loop <= 100 ms, resident memory while they ring at most 64 MiB
// above the idle window's (the figure once they ended, and the longest turn
// while they end, are reported).
//
//     bench_call_burst
#include "calls/calllines.h"
#include "ctilib.h"
#include "demologin.h"
#include "desklineresources.h"
#include "framework/simpleobfuscator.h"
#include "guistall.h"
#include "mainwindow/mpgui.h"
#include "pbxsimulator.h"
#include "procmemory.h"
#include "scriptedprompts.h"
#include "settings/msettings.h"

#include <QApplication>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <vector>

using benchgui::waitUntil;

namespace
{

// With CALLBENCH_DETAIL: names the events whose handling held the GUI thread
// longer than 30 ms of its processor time (from the start of one event to the
// start of the next, so a time spent waiting in the event loop is not counted).
struct EventTracer : QObject {
    qint64 lastCpuNs = 0;
    QByteArray last;
    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        if (QThread::currentThread() != thread())
            return false;
        const qint64 cpu = benchgui::threadCpuNs();
        const qint64 ns = cpu - lastCpuNs;
        lastCpuNs = cpu;
        if (ns > 30000000 && !last.isEmpty())
            std::printf("detail: %.1f ms in %s\n", ns / 1e6, last.constData());
        last = QByteArray(receiver->metaObject()->className()) + " " + receiver->objectName().toLatin1() + " event " +
               QByteArray::number(int(event->type()));
        if (QObject *parent = receiver->parent())
            last += QByteArray(" of ") + parent->metaObject()->className() + " " + parent->objectName().toLatin1();
        return false;
    }
};

bool report(const char *what, double value, double target, const char *unit)
{
    const bool ok = value <= target;
    std::printf("%-58s %10.1f %s (target %.0f) %s\n", what, value, unit, target, ok ? "ok" : "MISSED");
    return ok;
}

struct Burst {
    double totalMs = -1;   // wall clock
    double workMs = -1;    // GUI thread's processor time
    double stallMs = -1;   // longest turn, wall clock
    double turnMs = -1;    // longest turn, processor time
    double eventMs = -1;   // longest call event, processor time
    double endTurnMs = -1; // longest turn while the calls end, processor time
};

// Rings the user `calls` times at once; the figures once every call has its
// record. Then the calls end.
Burst ring(PbxSimulator *sim, MPGui &w, int calls, int round, long *ringingRssKiB = nullptr)
{
    CallLines *lines = w.callLines();
    benchgui::StallProbe probe;
    waitUntil([] { return false; }, 200);
    Burst result;
    // Each call event's end, after the window's own handling.
    double worstEvent = 0;
    quint64 lastTicks = ~quint64(0);
    qint64 lastEndNs = 0;
    const QMetaObject::Connection watch =
        QObject::connect(w.ctiClient(), &CtiLib::sigIncomingCall, &w, [&](const IncomingCallEvent &) {
            const qint64 now = probe.cpuSinceTickNs();
            const qint64 spent = probe.tickCount() == lastTicks ? now - lastEndNs : now;
            worstEvent = std::max(worstEvent, spent / 1e6);
            lastTicks = probe.tickCount();
            lastEndNs = now;
        });
    QElapsedTimer clock;
    probe.start();
    clock.start();
    const qint64 cpuStart = benchgui::threadCpuNs();
    QMetaObject::invokeMethod(
        sim,
        [sim, calls, round] {
            for (int i = 0; i < calls; ++i)
                sim->injectIncomingCall(QStringLiteral("06%1%2").arg(round).arg(i, 6, 10, QLatin1Char('0')),
                                        QStringLiteral("201"), QString(),
                                        QStringLiteral("Cliente %1 del giro %2").arg(i).arg(round));
        },
        Qt::QueuedConnection);
    const bool all = waitUntil([&] { return lines->callRecords().size() >= calls; }, 300000);
    const double total = clock.nsecsElapsed() / 1e6;
    const double work = (benchgui::threadCpuNs() - cpuStart) / 1e6;
    // What the window does once the last report is in belongs to the burst.
    waitUntil([] { return false; }, 100);
    probe.stop();
    QObject::disconnect(watch);
    if (all) {
        result.totalMs = total;
        result.workMs = work;
        result.stallMs = probe.worstMs();
        result.turnMs = probe.worstWorkMs();
        result.eventMs = worstEvent;
    } else {
        std::printf("only %d of %d calls arrived\n", int(lines->callRecords().size()), calls);
    }
    if (ringingRssKiB)
        *ringingRssKiB = benchmem::statusValue("VmRSS");
    benchgui::StallProbe ending;
    ending.start();
    QMetaObject::invokeMethod(
        sim, [sim] { sim->hangup(QStringLiteral("201")); }, Qt::QueuedConnection);
    waitUntil([&] { return lines->callRecords().isEmpty() && lines->lineStack()->count() == 0; }, 300000);
    // Balloons finish leaving, widgets are deleted.
    waitUntil([] { return false; }, 1500);
    ending.stop();
    result.endTurnMs = ending.worstWorkMs();
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    initDesklineResources();
    MSETTINGS::setSettingsDirPath(dir.path());
    MSETTINGS::setFontSizeIncrement(0);
    ScriptedPrompts prompts;

    QThread simThread;
    auto *sim = new PbxSimulator;
    sim->setData(PbxSimData::demo());
    sim->setRingTimeout(600000);
    sim->moveToThread(&simThread);
    simThread.start();
    quint16 port = 0;
    QMetaObject::invokeMethod(
        sim, [&] { port = sim->listen(QHostAddress::LocalHost, 0) ? sim->serverPort() : 0; },
        Qt::BlockingQueuedConnection);
    if (!port) {
        std::fprintf(stderr, "simulator did not start\n");
        return 2;
    }

    MPGui *w = benchgui::loggedInDemoWindow(port);
    if (!w)
        return 2;
    waitUntil([] { return false; }, 1000);

    bool ok = true;
    // A first burst warms what the window builds once.
    ring(sim, *w, 50, 0);
    std::vector<double> works, events;
    for (int round = 1; round <= 5; ++round) {
        const Burst b = ring(sim, *w, 50, round);
        if (b.totalMs < 0) {
            ok = false;
            break;
        }
        std::printf("burst %d of 50 calls: %.1f ms of work (%.1f ms wall), longest call event %.1f ms, longest "
                    "turn %.1f ms (%.1f ms wall)\n",
                    round, b.workMs, b.totalMs, b.eventMs, b.turnMs, b.stallMs);
        works.push_back(b.workMs);
        events.push_back(b.eventMs);
    }
    ok &= report("50 calls: longest call event (median of 5 bursts)", benchgui::median(events), 50, "ms");
    ok &= report("50 calls: whole burst (median of 5 bursts)", benchgui::median(works), 500, "ms");

    EventTracer tracer;
    if (qEnvironmentVariableIsSet("CALLBENCH_DETAIL")) {
        tracer.lastCpuNs = benchgui::threadCpuNs();
        app.installEventFilter(&tracer);
    }
    const long idleKiB = benchmem::statusValue("VmRSS");
    long ringingKiB = 0;
    const Burst large = ring(sim, *w, 1000, 9, &ringingKiB);
    const long afterKiB = benchmem::statusValue("VmRSS");
    if (large.totalMs < 0)
        ok = false;
    std::printf("burst of 1000 calls: %.1f ms of work (%.1f ms wall), longest call event %.1f ms, longest turn "
                "%.1f ms wall\n",
                large.workMs, large.totalMs, large.eventMs, large.stallMs);
    ok &= report("1000 calls: longest turn of the event loop", large.turnMs, 100, "ms");
    ok &= report("1000 calls: resident memory while ringing, above idle", (ringingKiB - idleKiB) / 1024.0, 64, "MiB");
    std::printf("1000 calls: resident memory once ended, above idle: %.1f MiB (simulator included)\n",
                (afterKiB - idleKiB) / 1024.0);
    std::printf("1000 calls: longest turn of the event loop while they end: %.1f ms\n", large.endTurnMs);

    delete w;
    QMetaObject::invokeMethod(
        sim, [sim] { delete sim; }, Qt::BlockingQueuedConnection);
    simThread.quit();
    simThread.wait();
    return ok ? 0 : 1;
}
