// Thread count chosen when the library is loaded: the processors this
// process may run on (what `nproc` counts), lowered by OMP_NUM_THREADS.
// Run several times by CTest with different environments.
#include "prlcore.h"

#include <gtest/gtest.h>

#include <sched.h>

#include <cstdlib>
#include <string>

namespace
{

int usableProcessors()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0)
        return -1;
    return CPU_COUNT(&set);
}

TEST(PrlThreads, CountAtLoad)
{
    const int procs = usableProcessors();
    ASSERT_GE(procs, 1);
    int expected = procs;
    if (const char *env = std::getenv("OMP_NUM_THREADS")) {
        const int requested = std::stoi(env);
        ASSERT_GE(requested, 1);
        if (requested < expected)
            expected = requested;
    }
    int n = 0;
    ASSERT_EQ(prlGetNumThreads(&n), prlStsNoErr);
    EXPECT_EQ(n, expected);
    EXPECT_EQ(ownGetNumThreads(), expected);
}

} // namespace
