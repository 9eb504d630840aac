// The shared library's view of this machine's processor agrees with the
// kernel's (/proc/cpuinfo); enabled-feature mask and AVX gate.
#include "prlcore.h"

#include <gtest/gtest.h>

#include <cpuid.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace
{

std::set<std::string> kernelCpuFlags()
{
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("flags", 0) == 0) {
            std::istringstream words(line.substr(line.find(':') + 1));
            std::set<std::string> flags;
            std::string w;
            while (words >> w)
                flags.insert(w);
            return flags;
        }
    }
    return {};
}

struct FlagBit {
    const char *flag;
    Prl64u bit;
};

const FlagBit kFlagBits[] = {
    {"mmx", 0x1},         {"sse", 0x2},       {"sse2", 0x4},    {"pni", 0x8},   {"ssse3", 0x10},
    {"movbe", 0x20},      {"sse4_1", 0x40},   {"sse4_2", 0x80}, {"avx", 0x100}, {"aes", 0x400},
    {"pclmulqdq", 0x800}, {"rdrand", 0x2000}, {"f16c", 0x4000},
};

TEST(PrlCpuInfo, FeatureMaskAgreesWithKernelFlags)
{
    const std::set<std::string> flags = kernelCpuFlags();
    ASSERT_FALSE(flags.empty()) << "no flags line in /proc/cpuinfo";

    Prl64u mask = 0;
    ASSERT_EQ(prlGetCpuFeatures(&mask, nullptr), prlStsNoErr);
    for (const FlagBit &fb : kFlagBits)
        EXPECT_EQ((mask & fb.bit) != 0, flags.count(fb.flag) != 0) << fb.flag;
    // The kernel lists "avx" only when it saves the AVX state.
    EXPECT_EQ((mask & PRL_AVX_ENABLEDBYOS) != 0, flags.count("avx") != 0);
    EXPECT_EQ(mask >> 15, 0u) << "bits 15 to 63 are unused";
}

TEST(PrlCpuInfo, ClassFollowsTheWidestInstructionSet)
{
    const std::set<std::string> flags = kernelCpuFlags();
    int expected = 0;
    const std::pair<const char *, int> ladder[] = {
        {"avx", 0x46}, {"sse4_2", 0x45}, {"sse4_1", 0x44}, {"ssse3", 0x43},
        {"pni", 0x42}, {"sse2", 0x41},   {"sse", 0x40},    {"lm", 0x60},
    };
    for (const auto &step : ladder) {
        if (flags.count(step.first)) {
            expected = step.second;
            break;
        }
    }
    unsigned a, b, c, d;
    __cpuid(0, a, b, c, d);
    const bool ownVendor = b == 0x756E6547 /* Genu */ && d == 0x5A656E69 /* ineZ */ && c == 0x6176726F /* orva */;
    if (ownVendor)
        GTEST_SKIP() << "model-specific classes are covered by the fake-processor tests";
    EXPECT_EQ(prlGetCpuType(), expected);
}

TEST(PrlCpuInfo, RegistersOfLeafOneOrOfTheRequestedLeaf)
{
    unsigned a, b, c, d;
    __cpuid_count(1, 0, a, b, c, d);
    Prl64u mask = 0x1234;
    Prl32u regs[4] = {4, 0, 1, 0};
    ASSERT_EQ(prlGetCpuFeatures(&mask, regs), prlStsNoErr);
    EXPECT_NE(mask, 0x1234u);
    EXPECT_EQ(regs[0], a);
    EXPECT_EQ(regs[1] & 0x00FFFFFF, b & 0x00FFFFFF); // bits 24-31: APIC id of the running core
    EXPECT_EQ(regs[2], c);
    EXPECT_EQ(regs[3], d);

    __cpuid_count(0x80000000u, 0, a, b, c, d);
    mask = PRL_CPUID_GETINFO_A;
    Prl32u ext[4] = {0x80000000u, 0, 0, 0};
    ASSERT_EQ(prlGetCpuFeatures(&mask, ext), prlStsNoErr);
    EXPECT_EQ(ext[0], a);
    EXPECT_EQ(ext[1], b);
    EXPECT_EQ(ext[2], c);
    EXPECT_EQ(ext[3], d);
}

TEST(PrlCpuInfo, NullMaskPointerLeavesRegistersAlone)
{
    Prl32u regs[4] = {11, 22, 33, 44};
    EXPECT_EQ(prlGetCpuFeatures(nullptr, regs), prlStsNullPtrErr);
    EXPECT_EQ(regs[0], 11u);
    EXPECT_EQ(regs[1], 22u);
    EXPECT_EQ(regs[2], 33u);
    EXPECT_EQ(regs[3], 44u);
}

TEST(PrlCpuInfo, EnabledFeatureMask)
{
    EXPECT_EQ(prlGetEnabledCpuFeatures(), 7u);
    EXPECT_EQ(ownGetFeature(0), 1);
    EXPECT_EQ(ownGetFeature(PRL_CPUID_SSE2), 1);
    EXPECT_EQ(ownGetFeature(PRL_CPUID_SSE3), 0);
    EXPECT_EQ(ownGetFeature(PRL_CPUID_SSE2 | PRL_CPUID_SSE3), 0);

    // Stored as given, without looking at the processor.
    EXPECT_EQ(prlSetCpuFeaturesMask(0x8000000000000008ULL), prlStsNoErr);
    EXPECT_EQ(prlGetEnabledCpuFeatures(), 0x8000000000000008ULL);
    EXPECT_EQ(ownGetFeature(PRL_CPUID_SSE3), 1);
    EXPECT_EQ(ownGetFeature(PRL_CPUID_SSE2), 0);
    prlSetCpuFeaturesMask(7);
}

TEST(PrlCpuInfo, AvxGateStartsOpen)
{
    EXPECT_EQ(prlIsCpuEnabled(0x46), 1);
    EXPECT_EQ(prlIsCpuEnabled(0x45), 1);
    EXPECT_EQ(prlEnableCpu(0x46), prlStsNoErr);
    EXPECT_EQ(prlEnableCpu(0x41), prlStsNoErr);
    EXPECT_EQ(prlIsCpuEnabled(0x46), 1);
}

TEST(PrlCpuInfo, CacheAndCoreFigures)
{
    int size = -1;
    const PrlStatus first = prlGetMaxCacheSizeB(&size);
    ASSERT_TRUE(first == prlStsNoErr || first == prlStsNotSupportedCpu || first == prlStsUnknownCacheSize) << first;
    if (first == prlStsNoErr)
        EXPECT_GT(size, 0);
    else
        EXPECT_EQ(size, 0);
    int again = -1;
    EXPECT_EQ(prlGetMaxCacheSizeB(&again), first);
    EXPECT_EQ(again, size);
    EXPECT_EQ(prlGetMaxCacheSizeB(nullptr), prlStsNullPtrErr);

    EXPECT_GE(prlGetNumCoresOnDie(), 1);
}

} // namespace
