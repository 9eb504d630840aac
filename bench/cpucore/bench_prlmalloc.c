/*
 * bench_prlmalloc: cost of one 32-byte aligned allocation and release,
 * prlMalloc/prlFree against posix_memalign/free, on the same sizes and the
 * same batch pattern. Target: prlMalloc within 1.2x of posix_memalign.
 * Exits with 1 when a size misses the target.
 */
#define _POSIX_C_SOURCE 200809L
#include "prlcore.h"

#include <stdio.h>
#include <stdlib.h>
#include <time.h>

/* Blocks live in batches of at most 64 KiB so the heap stays below the
 * trim threshold: the figures are the allocators', not the kernel's. */
enum { MAX_BATCH = 512, BATCH_BYTES = 64 * 1024, PAIRS = 200000, REPEATS = 7 };
static const double TARGET_RATIO = 1.2;

static void *g_blocks[MAX_BATCH];

static int batchFor(int size)
{
    const int n = BATCH_BYTES / size;
    return n < 1 ? 1 : n > MAX_BATCH ? MAX_BATCH : n;
}

static double nowNs(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec * 1e9 + (double)ts.tv_nsec;
}

/* ns per allocation+release pair, one timed run */
static double runPrl(int size)
{
    const int batch = batchFor(size);
    const int rounds = PAIRS / batch;
    const double start = nowNs();
    for (int r = 0; r < rounds; ++r) {
        for (int i = 0; i < batch; ++i) {
            g_blocks[i] = prlMalloc(size);
            if (!g_blocks[i])
                abort();
            *(volatile char *)g_blocks[i] = (char)i;
        }
        for (int i = 0; i < batch; ++i)
            prlFree(g_blocks[i]);
    }
    return (nowNs() - start) / ((double)rounds * batch);
}

static double runPosix(int size)
{
    const int batch = batchFor(size);
    const int rounds = PAIRS / batch;
    const double start = nowNs();
    for (int r = 0; r < rounds; ++r) {
        for (int i = 0; i < batch; ++i) {
            if (posix_memalign(&g_blocks[i], 32, (size_t)size) != 0)
                abort();
            *(volatile char *)g_blocks[i] = (char)i;
        }
        for (int i = 0; i < batch; ++i)
            free(g_blocks[i]);
    }
    return (nowNs() - start) / ((double)rounds * batch);
}

int main(void)
{
    static const int sizes[] = {8, 16, 64, 200, 256, 1000, 1024, 4096, 16384, 32768};
    int missed = 0;

    printf("prlMalloc/prlFree vs posix_memalign(32)/free, ns per pair (best of %d runs of %d pairs)\n", REPEATS, PAIRS);
    printf("%8s %12s %16s %8s\n", "bytes", "prlMalloc", "posix_memalign", "ratio");
    for (size_t s = 0; s < sizeof sizes / sizeof sizes[0]; ++s) {
        const int size = sizes[s];
        runPrl(size); /* warm up the heap for this size */
        runPosix(size);
        double bestPrl = 1e30, bestPosix = 1e30;
        for (int rep = 0; rep < REPEATS; ++rep) {
            /* interleaved so that drifts of the machine hit both alike */
            const double p = runPrl(size);
            const double q = runPosix(size);
            if (p < bestPrl)
                bestPrl = p;
            if (q < bestPosix)
                bestPosix = q;
        }
        const double ratio = bestPrl / bestPosix;
        const int ok = ratio <= TARGET_RATIO;
        missed += !ok;
        printf("%8d %12.1f %16.1f %7.2fx %s\n", size, bestPrl, bestPosix, ratio, ok ? "" : "(over target)");
    }
    printf("target: prlMalloc within %.1fx of posix_memalign: %s\n", TARGET_RATIO, missed ? "MISSED" : "met");
    return missed ? 1 : 0;
}
