// Operators-table rebuild of the supervisor panel with 100 queues, 1,000
// operators (three queues each) and 3,000 extensions: each rebuild within
// 200 ms, resident memory flat over 100 rebuilds.
#include "callcentre.h"
#include "ctilib.h"
#include "procmemory.h"
#include "queues/mspmainwidget.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

int main(int argc, char *argv[])
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // figures appear as they come
    QApplication app(argc, argv);
    const benchqueues::CallCentre centre = benchqueues::makeCallCentre(100, 1000, 3000);
    MctiExtenMap extensions = centre.extensions;
    CtiLib cti{QString(), QString(), QString(), QString(), QString(), QString()}; // never logged in
    MspMainWidget panel(cti, &extensions, MctiConfig());
    panel.setSessionFacts(2, 0x80 | 0x400, QStringLiteral("10000"));
    panel.setOwnIdentityNames({QStringLiteral("sip10000")});
    panel.resize(1600, 1000);
    panel.show();

    // From the reply to the table painted on screen: the rebuild itself,
    // the deferred deletions, the layout and the paint that follow it.
    auto rebuild = [&]() -> qint64 {
        QElapsedTimer t;
        t.start();
        panel.onQueueStatsRcvd(centre.reply);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        panel.repaint();
        return t.elapsed();
    };
    const int rounds = qEnvironmentVariableIsSet("BENCH_ROUNDS") ? qEnvironmentVariableIntValue("BENCH_ROUNDS") : 100;
    for (int i = 0; i < 10; ++i)
        std::printf("warm-up rebuild %d: %lld ms\n", i, static_cast<long long>(rebuild()));
    const long rssBefore = benchmem::statusValue("VmRSS");
    QList<qint64> times;
    for (int i = 0; i < rounds; ++i)
        times << rebuild();
    const long rssAfter = benchmem::statusValue("VmRSS");
    std::sort(times.begin(), times.end());
    const qint64 median = times.at(times.size() / 2);
    const qint64 worst = times.last();
    const long growth = rssAfter - rssBefore;
    std::printf("operators table rebuild (100 queues, 1000 operators, 3000 extensions): median %lld ms, "
                "worst %lld ms (target <= 200 ms)\n",
                static_cast<long long>(median), static_cast<long long>(worst));
    std::printf("resident memory: %ld KiB after 10 rebuilds, %ld KiB after %d more (growth %ld KiB, "
                "target <= 8192 KiB)\n",
                rssBefore, rssAfter, rounds, growth);
    int rc = 0;
    if (worst > 200) {
        std::printf("MISS: rebuild above 200 ms\n");
        rc = 1;
    }
    if (growth > 8192) {
        std::printf("MISS: memory grows over rebuilds\n");
        rc = 1;
    }
    return rc;
}
