// Time-stamp counter and the clock frequency measurement. The frequency
// call busy-waits about three seconds by design, so it is made only here.
#include "prlcore.h"

#include <gtest/gtest.h>

#include <time.h>
#include <x86intrin.h>

#include <cmath>

namespace
{

double monotonicSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// One (time, counter) sample whose two clock reads lie close together, so a
// preemption cannot slip between the clock and the counter.
struct Sample {
    double seconds;
    unsigned long long ticks;
};

Sample tightSample()
{
    Sample best{0, 0};
    double bestSpread = 1.0;
    for (int i = 0; i < 50; ++i) {
        const double before = monotonicSeconds();
        const unsigned long long ticks = __rdtsc();
        const double after = monotonicSeconds();
        if (after - before < bestSpread) {
            bestSpread = after - before;
            best = {(before + after) / 2, ticks};
        }
    }
    return best;
}

// TSC ticks per microsecond over half a second of the monotonic clock.
double referenceTscMhz()
{
    const Sample first = tightSample();
    while (monotonicSeconds() - first.seconds < 0.5) {
    }
    const Sample last = tightSample();
    return static_cast<double>(last.ticks - first.ticks) / ((last.seconds - first.seconds) * 1e6);
}

TEST(PrlClock, CounterIncreases)
{
    Prl64u previous = prlGetCpuClocks();
    for (int i = 0; i < 1000; ++i) {
        const Prl64u now = prlGetCpuClocks();
        ASSERT_GE(now, previous) << "at read " << i;
        previous = now;
    }
    const Prl64u before = prlGetCpuClocks();
    const double start = monotonicSeconds();
    while (monotonicSeconds() - start < 0.001) {
    }
    EXPECT_GT(prlGetCpuClocks(), before);
}

TEST(PrlClock, FrequencyMatchesTheTimeStampCounter)
{
    EXPECT_EQ(prlGetCpuFreqMhz(nullptr), prlStsNullPtrErr);

    const double reference = referenceTscMhz();
    const double start = monotonicSeconds();
    int mhz = 0;
    ASSERT_EQ(prlGetCpuFreqMhz(&mhz), prlStsNoErr);
    const double took = monotonicSeconds() - start;

    // Whole-second ticks of time() bound the accuracy; a preempted read
    // can add a few percent on a loaded machine.
    EXPECT_NEAR(mhz, reference, reference * 0.05) << "reference " << reference << " MHz";
    EXPECT_GE(took, 1.9);
    EXPECT_LE(took, 4.5);
}

} // namespace
