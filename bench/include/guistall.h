// How long the GUI thread was kept from its event loop: a precise timer ticks
// every 2 ms while the loop runs; the longest gap between two ticks is the
// longest stall a user would have felt. On a busy machine most of such a gap
// can be time the thread waited for a processor; the work figure counts only
// the processor time the GUI thread spent between two ticks.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <time.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace benchgui
{

// Processor time of the calling thread.
inline qint64 threadCpuNs()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

class StallProbe
{
public:
    StallProbe()
    {
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(2);
        QObject::connect(&tick, &QTimer::timeout, [this] {
            worstNs = std::max(worstNs, since.nsecsElapsed());
            since.restart();
            const qint64 cpu = threadCpuNs();
            worstCpuNs = std::max(worstCpuNs, cpu - lastCpuNs);
            lastCpuNs = cpu;
            ++ticks;
        });
    }
    void start()
    {
        worstNs = 0;
        worstCpuNs = 0;
        lastCpuNs = threadCpuNs();
        since.start();
        tick.start();
    }
    void stop() { tick.stop(); }
    double worstMs() const { return worstNs / 1e6; }
    // The most processor time the GUI thread spent between two ticks.
    double worstWorkMs() const { return worstCpuNs / 1e6; }
    qint64 cpuSinceTickNs() const { return threadCpuNs() - lastCpuNs; }
    // Ticks so far, and the time since the last one: what the current turn
    // of the event loop has spent until now.
    quint64 tickCount() const { return ticks; }
    qint64 sinceTickNs() const { return since.nsecsElapsed(); }

private:
    QTimer tick;
    QElapsedTimer since;
    qint64 worstNs = 0;
    qint64 worstCpuNs = 0;
    qint64 lastCpuNs = 0;
    quint64 ticks = 0;
};

// Runs the event loop until `done` or `ms` have passed. While nothing is to
// be handled the thread sleeps in the event loop (a timer wakes it every few
// milliseconds to look at `done` again): the wait itself costs the GUI thread
// next to no processor time, so the thread's processor time measures the
// window's own work.
inline bool waitUntil(const std::function<bool()> &done, int ms)
{
    QElapsedTimer t;
    t.start();
    QTimer wake;
    wake.setTimerType(Qt::PreciseTimer);
    wake.setInterval(5);
    wake.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return done();
}

inline double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace benchgui
