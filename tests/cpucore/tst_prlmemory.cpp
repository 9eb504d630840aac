// Aligned allocation through the exported hooks, pointer alignment, and the
// flush-to-zero and denormals-are-zero switches.
#include "prlcore.h"

#include <gtest/gtest.h>

#include <xmmintrin.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

namespace
{

std::vector<size_t> g_requested;
std::vector<void *> g_returned;
std::vector<void *> g_freed;
bool g_hookFails = false;

void *countingMalloc(size_t size)
{
    g_requested.push_back(size);
    void *p = g_hookFails ? nullptr : std::malloc(size);
    if (p)
        g_returned.push_back(p);
    return p;
}

void countingFree(void *p)
{
    g_freed.push_back(p);
    std::free(p);
}

class PrlMemory : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_malloc = i_malloc;
        m_free = i_free;
        i_malloc = countingMalloc;
        i_free = countingFree;
        g_requested.clear();
        g_returned.clear();
        g_freed.clear();
        g_hookFails = false;
    }
    void TearDown() override
    {
        i_malloc = m_malloc;
        i_free = m_free;
    }
    void *(*m_malloc)(size_t) = nullptr;
    void (*m_free)(void *) = nullptr;
};

TEST(PrlMemoryHooks, DefaultToTheCLibrary)
{
    EXPECT_EQ(i_malloc, &malloc);
    EXPECT_EQ(i_calloc, &calloc);
    EXPECT_EQ(i_realloc, &realloc);
    EXPECT_EQ(i_free, &free);
    void *p = prlMalloc(100);
    ASSERT_NE(p, nullptr);
    std::memset(p, 0xAB, 100);
    prlFree(p);
}

TEST_F(PrlMemory, NonPositiveLengthsAllocateNothing)
{
    EXPECT_EQ(prlMalloc(0), nullptr);
    EXPECT_EQ(prlMalloc(-5), nullptr);
    EXPECT_EQ(prlMalloc(INT_MIN), nullptr);
    EXPECT_TRUE(g_requested.empty());
}

TEST_F(PrlMemory, BlocksAreAlignedAndReleasedThroughTheHooks)
{
    std::vector<int> lengths;
    for (int n = 1; n <= 130; ++n)
        lengths.push_back(n);
    for (int n : {255, 256, 4095, 4096, 100000, 1 << 20})
        lengths.push_back(n);

    for (int n : lengths) {
        g_requested.clear();
        g_returned.clear();
        g_freed.clear();
        unsigned char *p = static_cast<unsigned char *>(prlMalloc(n));
        ASSERT_NE(p, nullptr) << n;
        ASSERT_EQ(g_requested.size(), 1u);
        EXPECT_EQ(g_requested[0], static_cast<size_t>(n) + 40) << n;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 32, 0u) << n;
        const auto gap = reinterpret_cast<uintptr_t>(p) - reinterpret_cast<uintptr_t>(g_returned[0]);
        EXPECT_GE(gap, 8u) << n;
        EXPECT_LE(gap, 39u) << n;
        std::memset(p, 0x5A, static_cast<size_t>(n)); // the sanitizer checks the bounds
        prlFree(p);
        ASSERT_EQ(g_freed.size(), 1u);
        EXPECT_EQ(g_freed[0], g_returned[0]) << n;
    }
}

TEST_F(PrlMemory, HookFailureGivesNull)
{
    g_hookFails = true;
    EXPECT_EQ(prlMalloc(64), nullptr);
    EXPECT_EQ(g_requested.size(), 1u);
}

// The block size is length + 40; for lengths near INT_MAX it must not wrap.
TEST_F(PrlMemory, BlockSizeDoesNotOverflowNearIntMax)
{
    g_hookFails = true; // only the requested size matters here
    for (int n : {INT_MAX - 40, INT_MAX - 39, INT_MAX}) {
        g_requested.clear();
        EXPECT_EQ(prlMalloc(n), nullptr);
        ASSERT_EQ(g_requested.size(), 1u) << n;
        EXPECT_EQ(g_requested[0], static_cast<size_t>(n) + 40u) << n;
    }
}

TEST_F(PrlMemory, FreeOfNullDoesNothing)
{
    prlFree(nullptr);
    EXPECT_TRUE(g_freed.empty());
}

TEST(PrlAlignPtr, RoundsUpToTheAlignment)
{
    struct Case {
        uintptr_t ptr;
        int align;
        uintptr_t expected;
    };
    const Case cases[] = {
        {0x1001, 16, 0x1010}, {0x1010, 16, 0x1010}, {0x100F, 16, 0x1010},   {0x1000, 1, 0x1000},
        {0x1001, 2, 0x1002},  {0x1, 32, 0x20},      {0x1FFF, 4096, 0x2000}, {0x0, 64, 0x0},
    };
    for (const Case &c : cases) {
        void *r = prlAlignPtr(reinterpret_cast<void *>(c.ptr), c.align);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(r), c.expected) << std::hex << c.ptr << " / " << std::dec << c.align;
    }
}

constexpr unsigned kFtz = 0x8000;
constexpr unsigned kDaz = 0x0040;
constexpr unsigned kMasks = 0x1F80;
constexpr unsigned kUnderflowMask = 0x0800;
constexpr unsigned kRoundDown = 0x2000;

class PrlFloatModes : public ::testing::Test
{
protected:
    void SetUp() override { m_saved = _mm_getcsr(); }
    void TearDown() override { _mm_setcsr(m_saved); }
    unsigned m_saved = 0;
};

float halfOf(float x)
{
    volatile float v = x;
    volatile float half = 0.5f;
    return v * half;
}

float plusZero(float x)
{
    volatile float v = x;
    volatile float zero = 0.0f;
    return v + zero;
}

TEST_F(PrlFloatModes, FlushToZeroIsObservable)
{
    const float tiny = std::numeric_limits<float>::min();
    ASSERT_NE(halfOf(tiny), 0.0f) << "denormal result expected without flush-to-zero";
    ASSERT_EQ(prlSetFlushToZero(1, nullptr), prlStsNoErr);
    EXPECT_EQ(halfOf(tiny), 0.0f);
    ASSERT_EQ(prlSetFlushToZero(0, nullptr), prlStsNoErr);
    EXPECT_NE(halfOf(tiny), 0.0f);
}

TEST_F(PrlFloatModes, DenormalsAreZeroIsObservable)
{
    const float denormal = std::numeric_limits<float>::denorm_min();
    ASSERT_NE(plusZero(denormal), 0.0f);
    ASSERT_EQ(prlSetDenormAreZeros(1), prlStsNoErr);
    EXPECT_NE(_mm_getcsr() & kDaz, 0u);
    EXPECT_EQ(plusZero(denormal), 0.0f);
    ASSERT_EQ(prlSetDenormAreZeros(0), prlStsNoErr);
    EXPECT_EQ(_mm_getcsr() & kDaz, 0u);
    EXPECT_NE(plusZero(denormal), 0.0f);
}

// MXCSR values around one on/off pair, taken with underflow exceptions
// possibly unmasked: nothing may compute in between, so the values are
// recorded first and checked after the register has been restored.
struct FtzRun {
    unsigned afterOn;
    unsigned afterOff;
    Prl32u saved;
    PrlStatus onStatus;
    PrlStatus offStatus;
};

FtzRun runFtz(unsigned initial, bool useSaved, Prl32u savedPreset)
{
    const unsigned restore = _mm_getcsr();
    FtzRun r{};
    r.saved = savedPreset;
    _mm_setcsr(initial);
    r.onStatus = prlSetFlushToZero(1, useSaved ? &r.saved : nullptr);
    r.afterOn = _mm_getcsr();
    r.offStatus = prlSetFlushToZero(0, useSaved ? &r.saved : nullptr);
    r.afterOff = _mm_getcsr();
    _mm_setcsr(restore);
    return r;
}

TEST_F(PrlFloatModes, FlushToZeroMasksUnderflowAndRestoresIt)
{
    const unsigned unmasked = (kMasks & ~kUnderflowMask) | kRoundDown;
    const FtzRun r = runFtz(unmasked, true, 0xFFFF);
    EXPECT_EQ(r.onStatus, prlStsNoErr);
    EXPECT_EQ(r.offStatus, prlStsNoErr);
    EXPECT_EQ(r.saved, 0u);
    EXPECT_EQ(r.afterOn, unmasked | kFtz | kUnderflowMask);
    EXPECT_EQ(r.afterOff, unmasked);
}

TEST_F(PrlFloatModes, FlushToZeroKeepsAnUnderflowMaskThatWasSet)
{
    const FtzRun r = runFtz(kMasks, true, 0);
    EXPECT_EQ(r.saved, kUnderflowMask);
    EXPECT_EQ(r.afterOn, kMasks | kFtz);
    EXPECT_EQ(r.afterOff, kMasks);
}

TEST_F(PrlFloatModes, FlushToZeroOffWithoutSavedMaskLeavesTheMasks)
{
    const unsigned unmasked = kMasks & ~kUnderflowMask;
    const FtzRun r = runFtz(unmasked | kDaz, false, 0);
    EXPECT_EQ(r.afterOn, unmasked | kDaz | kFtz | kUnderflowMask);
    EXPECT_EQ(r.afterOff, unmasked | kDaz | kUnderflowMask);
}

} // namespace
