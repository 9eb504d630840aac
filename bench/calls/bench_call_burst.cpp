// A burst of incoming calls on the real window logged in to the simulated PBX
// (demo user 201, CTI-only mode, pop-ups on). The simulator runs on a thread
// of its own and rings the user with every call of the burst at once; the
// figures are those of the GUI thread: the longest stall of its event loop
// (a 2 ms probe timer) and the time until every call of the burst has its
// record. Each burst then ends (not timed).
//
// Targets: 50 calls, median over 5 bursts: longest stall <= 50 ms and the
// whole burst <= 500 ms. 1,000 calls: longest stall <= 100 ms, resident memory
// while they ring at most 64 MiB above the idle window's, and back within
// 16 MiB once they ended.
//
//     bench_call_burst
#include "calls/calllines.h"
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

bool report(const char *what, double value, double target, const char *unit)
{
    const bool ok = value <= target;
    std::printf("%-58s %10.1f %s (target %.0f) %s\n", what, value, unit, target, ok ? "ok" : "MISSED");
    return ok;
}

struct Burst {
    double totalMs = -1;
    double stallMs = -1;
};

// Rings the user `calls` times at once; the figures once every call has its
// record. Then the calls end.
Burst ring(PbxSimulator *sim, MPGui &w, int calls, int round, long *ringingRssKiB = nullptr)
{
    CallLines *lines = w.callLines();
    benchgui::StallProbe probe;
    waitUntil([] { return false; }, 200);
    Burst result;
    QElapsedTimer clock;
    probe.start();
    clock.start();
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
    // What the window does once the last report is in belongs to the burst.
    waitUntil([] { return false; }, 100);
    probe.stop();
    if (all) {
        result.totalMs = total;
        result.stallMs = probe.worstMs();
    } else {
        std::printf("only %d of %d calls arrived\n", int(lines->callRecords().size()), calls);
    }
    if (ringingRssKiB)
        *ringingRssKiB = benchmem::statusValue("VmRSS");
    QMetaObject::invokeMethod(
        sim, [sim] { sim->hangup(QStringLiteral("201")); }, Qt::QueuedConnection);
    waitUntil([&] { return lines->callRecords().isEmpty() && lines->lineStack()->count() == 0; }, 300000);
    waitUntil([] { return false; }, 300);
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

    MctiConfig config;
    config.pbxAddress.set(QStringLiteral("127.0.0.1:%1").arg(port));
    config.username.set(QStringLiteral("demo"));
    config.password.set(SimpleObfuscator::hide(QStringLiteral("demo")));
    config.appMode.set(0);
    auto *w = new MPGui(config);
    w->start();
    if (!waitUntil([&] { return w->isSessionUp(); }, 20000)) {
        std::fprintf(stderr, "log-in failed\n");
        return 2;
    }
    w->show();
    waitUntil([] { return false; }, 1000);

    bool ok = true;
    // A first burst warms what the window builds once.
    ring(sim, *w, 50, 0);
    std::vector<double> totals, stalls;
    for (int round = 1; round <= 5; ++round) {
        const Burst b = ring(sim, *w, 50, round);
        if (b.totalMs < 0) {
            ok = false;
            break;
        }
        std::printf("burst %d of 50 calls: %.1f ms, longest stall %.1f ms\n", round, b.totalMs, b.stallMs);
        totals.push_back(b.totalMs);
        stalls.push_back(b.stallMs);
    }
    ok &= report("50 calls: longest GUI stall (median of 5 bursts)", benchgui::median(stalls), 50, "ms");
    ok &= report("50 calls: whole burst (median of 5 bursts)", benchgui::median(totals), 500, "ms");

    const long idleKiB = benchmem::statusValue("VmRSS");
    long ringingKiB = 0;
    const Burst large = ring(sim, *w, 1000, 9, &ringingKiB);
    const long afterKiB = benchmem::statusValue("VmRSS");
    if (large.totalMs < 0)
        ok = false;
    std::printf("burst of 1000 calls: %.1f ms\n", large.totalMs);
    ok &= report("1000 calls: longest GUI stall", large.stallMs, 100, "ms");
    ok &= report("1000 calls: resident memory while ringing, above idle", (ringingKiB - idleKiB) / 1024.0, 64, "MiB");
    ok &= report("1000 calls: resident memory once ended, above idle", (afterKiB - idleKiB) / 1024.0, 16, "MiB");

    delete w;
    QMetaObject::invokeMethod(
        sim, [sim] { delete sim; }, Qt::BlockingQueuedConnection);
    simThread.quit();
    simThread.wait();
    return ok ? 0 : 1;
}
