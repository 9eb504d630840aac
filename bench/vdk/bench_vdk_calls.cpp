// The softphone engine against the simulator's SIP side on loopback:
//  - call set-up time, from the request to the established call (INVITE,
//    the proxy's challenge, 180, 200, ACK), over 200 calls: median and p99
//    (targets: median under 50 ms, p99 under 250 ms);
//  - CPU of the engine's thread per active G.711 call fed by a WAV file
//    device, with one and with four lines (target: at most 2 % of one core
//    per call);
//  - resident memory per line with four lines up (target: under 4 MiB).
// Exits with 1 when a target is missed.
#include "pbxsimulator.h"
#include "procmemory.h"
#include "vdkqtengine.h"
#include "wavtone.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include <unistd.h>

namespace
{

bool waitUntil(const std::function<bool()> &done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    return done();
}

// CPU seconds (user + system) of the process's threads with this name.
double threadCpu(const char *name)
{
    double total = 0.0;
    const long tick = sysconf(_SC_CLK_TCK);
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        std::ifstream comm(("/proc/self/task/" + tid + "/comm").toStdString());
        std::string c;
        std::getline(comm, c);
        if (c != name)
            continue;
        std::ifstream stat(("/proc/self/task/" + tid + "/stat").toStdString());
        std::string line;
        std::getline(stat, line);
        const size_t close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream rest(line.substr(close + 2));
        std::string field;
        std::vector<std::string> f;
        while (rest >> field)
            f.push_back(field);
        if (f.size() > 12)
            total += double(std::stoll(f[11]) + std::stoll(f[12])) / double(tick);
    }
    return total;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("tone.wav"));
    if (!vdktest::writeToneWav(wav, 440, 2000, 8000.0))
        return 2;

    PbxSimulator sim;
    sim.setAnswerDelay(0);
    QString error;
    if (!sim.listen(QHostAddress::LocalHost, 0, &error) || !sim.listenSip(QHostAddress::LocalHost, 0, &error)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
        return 2;
    }

    VDKQtEngine engine{VDKLogConfig()};
    engine.setDefaultSipProxy(QStringLiteral("127.0.0.1"), sim.sipPort(), sim.sipTlsPort());
    engine.setDefaultSipRegistrar(QStringLiteral("127.0.0.1"), sim.sipPort(), sim.sipTlsPort());
    engine.addSipAccount(QStringLiteral("201"), QStringLiteral("sip201"), QStringLiteral("201"));
    if (engine.init() != 0)
        return 2;
    int established = -1;
    int terminated = 0;
    bool registered = false;
    QObject::connect(
        &engine, &VDKQtEngine::sigRegistrationOk, &app, [&] { registered = true; }, Qt::QueuedConnection);
    QObject::connect(
        &engine, &VDKQtEngine::sigCallEstablished, &app, [&](int line) { established = line; }, Qt::QueuedConnection);
    QObject::connect(
        &engine, &VDKQtEngine::sigCallTerminated, &app, [&](int) { ++terminated; }, Qt::QueuedConnection);
    engine.registerSipAccount(0);
    if (!waitUntil([&] { return registered; }, 10000)) {
        std::fprintf(stderr, "registration failed\n");
        return 2;
    }

    // --- set-up time
    std::vector<double> setup;
    for (int i = 0; i < 200; ++i) {
        established = -1;
        QElapsedTimer t;
        t.start();
        const int line = engine.startAudioCall(QStringLiteral("06%1@127.0.0.1").arg(10000000 + i));
        if (line < 0 || !waitUntil([&] { return established == line; }, 10000)) {
            std::fprintf(stderr, "call %d failed\n", i);
            return 1;
        }
        setup.push_back(t.nsecsElapsed() / 1e6);
        engine.abortCall(line);
        waitUntil([&] { return sim.activeCallCount() == 0; }, 5000);
    }
    std::sort(setup.begin(), setup.end());
    const double median = setup[setup.size() / 2];
    const double p99 = setup[size_t(double(setup.size()) * 0.99) - 1];
    std::printf("call set-up (request to established), 200 calls: median %.1f ms, p99 %.1f ms, max %.1f ms\n", median,
                p99, setup.back());

    // --- CPU and memory per call
    const int file = engine.getFileInputDevice(wav, true, 0);
    if (file < 0)
        return 2;
    auto cpuWith = [&](int lines, double *rssPerLineKiB) -> double {
        const long rss0 = benchmem::statusValue("VmRSS");
        std::vector<int> up;
        for (int i = 0; i < lines; ++i) {
            established = -1;
            const int line = engine.startAudioCall(QStringLiteral("0699%1@127.0.0.1").arg(i));
            if (line < 0 || !waitUntil([&] { return established == line; }, 10000))
                return -1.0;
            engine.connectDeviceToLine(file, line);
            up.push_back(line);
        }
        waitUntil([] { return false; }, 500); // settle
        if (rssPerLineKiB)
            *rssPerLineKiB = double(benchmem::statusValue("VmRSS") - rss0) / lines;
        const double c0 = threadCpu("vdk-engine");
        QElapsedTimer t;
        t.start();
        waitUntil([] { return false; }, 5000);
        const double cpu = (threadCpu("vdk-engine") - c0) / (t.nsecsElapsed() / 1e9);
        for (int line : up)
            engine.abortCall(line);
        waitUntil([&] { return sim.activeCallCount() == 0; }, 5000);
        return cpu * 100.0 / lines;
    };
    const double idle0 = threadCpu("vdk-engine");
    QElapsedTimer idleTimer;
    idleTimer.start();
    waitUntil([] { return false; }, 2000);
    const double idle = (threadCpu("vdk-engine") - idle0) / (idleTimer.nsecsElapsed() / 1e9) * 100.0;
    double rssPerLine = 0.0;
    const double one = cpuWith(1, nullptr);
    const double four = cpuWith(4, &rssPerLine);
    std::printf("engine thread CPU, idle: %.2f %% of one core\n", idle);
    std::printf("engine thread CPU per G.711 call with a WAV file device: one line %.2f %%, four lines %.2f %% "
                "of one core\n",
                one, four);
    std::printf("resident memory per line (four lines up): %.0f KiB\n", rssPerLine);
    engine.shutdown();

    bool ok = true;
    if (median >= 50.0 || p99 >= 250.0) {
        std::printf("MISSED: call set-up target (median < 50 ms, p99 < 250 ms)\n");
        ok = false;
    }
    if (one < 0 || four < 0 || one > 2.0 || four > 2.0) {
        std::printf("MISSED: CPU per call target (<= 2 %% of one core)\n");
        ok = false;
    }
    if (rssPerLine > 4096.0) {
        std::printf("MISSED: memory per line target (< 4 MiB)\n");
        ok = false;
    }
    return ok ? 0 : 1;
}
