// How long the GUI thread was kept from its event loop: a precise timer ticks
// every 2 ms while the loop runs; the longest gap between two ticks is the
// longest stall a user would have felt.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <vector>

namespace benchgui
{

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
        });
    }
    void start()
    {
        worstNs = 0;
        since.start();
        tick.start();
    }
    void stop() { tick.stop(); }
    double worstMs() const { return worstNs / 1e6; }

private:
    QTimer tick;
    QElapsedTimer since;
    qint64 worstNs = 0;
};

// Runs the event loop until `done` or `ms` have passed.
inline bool waitUntil(const std::function<bool()> &done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
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
