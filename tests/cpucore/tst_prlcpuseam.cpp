// Processor identification, cache and core figures on fake processors fed
// through the library's internal CPUID/XGETBV seam, so that the vendor,
// model, family-15, leaf-2, leaf-4 and no-OS-AVX paths are all exercised
// whatever processor runs the tests.
#include "prlcore_internal.h"

#include <gtest/gtest.h>

#include <xmmintrin.h>

#include <array>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace
{

using Regs = std::array<Prl32u, 4>;

// ECX and EDX bits of CPUID leaf 1.
constexpr Prl32u kSse3 = 1u << 0, kPclmul = 1u << 1, kSsse3 = 1u << 9, kSse41 = 1u << 19, kSse42 = 1u << 20,
                 kMovbe = 1u << 22, kAes = 1u << 25, kOsxsave = 1u << 27, kAvx = 1u << 28, kF16c = 1u << 29,
                 kRdrand = 1u << 30;
constexpr Prl32u kMmx = 1u << 23, kSse = 1u << 25, kSse2 = 1u << 26;

constexpr const char *kOwnVendor = "GenuineZorva";
constexpr const char *kAmd = "AuthenticAMD";
constexpr const char *kOther = "GenuineIntel";

struct FakeCpu {
    std::map<std::pair<Prl32u, Prl32u>, Regs> leaves;
    Prl64u xcr0 = 0;
    int cpuidCalls = 0;
    int xgetbvCalls = 0;

    Regs &leaf(Prl32u l, Prl32u sub = 0) { return leaves[{l, sub}]; }

    void setVendor(const char *vendor, Prl32u maxBasicLeaf)
    {
        Regs &r = leaf(0);
        r[PRL_EAX] = maxBasicLeaf;
        std::memcpy(&r[PRL_EBX], vendor, 4);
        std::memcpy(&r[PRL_EDX], vendor + 4, 4);
        std::memcpy(&r[PRL_ECX], vendor + 8, 4);
    }
    void setSignature(int family, int model, int extModel = 0, int extFamily = 0, int stepping = 1)
    {
        leaf(1)[PRL_EAX] = Prl32u(stepping) | Prl32u(model) << 4 | Prl32u(family) << 8 | Prl32u(extModel) << 16 |
                           Prl32u(extFamily) << 20;
    }
    void setFeatures(Prl32u ecx, Prl32u edx)
    {
        leaf(1)[PRL_ECX] = ecx;
        leaf(1)[PRL_EDX] = edx;
    }
    void setMaxExtLeaf(Prl32u maxExt) { leaf(0x80000000u)[PRL_EAX] = maxExt; }
    // Leaf 4 subleaf: cache type, geometry, and the cores-per-package field.
    void setLeaf4(Prl32u sub, Prl32u type, Prl32u ways, Prl32u partitions, Prl32u line, Prl32u sets,
                  Prl32u coresField = 0)
    {
        Regs &r = leaf(4, sub);
        r[PRL_EAX] = type | (1u << 5) | coresField << 26;
        r[PRL_EBX] = (ways - 1) << 22 | (partitions - 1) << 12 | (line - 1);
        r[PRL_ECX] = sets - 1;
    }
};

FakeCpu *g_fake = nullptr;

void fakeCpuid(Prl32u leaf, Prl32u subleaf, Prl32u regs[4])
{
    ++g_fake->cpuidCalls;
    const auto it = g_fake->leaves.find({leaf, subleaf});
    const Regs r = it == g_fake->leaves.end() ? Regs{0, 0, 0, 0} : it->second;
    std::memcpy(regs, r.data(), sizeof(Prl32u) * 4);
}

Prl64u fakeXgetbv(Prl32u index)
{
    ++g_fake->xgetbvCalls;
    return index == 0 ? g_fake->xcr0 : 0;
}

// Runs first: the load-time start-up already cached the real feature mask,
// so asking for it runs no CPUID at all.
TEST(PrlStartup, FeatureMaskWasCachedAtLoad)
{
    ASSERT_EQ(ownFeaturesAreValid, 1);
    FakeCpu fake;
    g_fake = &fake;
    ownSetCpuidSource(fakeCpuid, fakeXgetbv);
    Prl64u mask = 0;
    EXPECT_EQ(prlGetCpuFeatures(&mask, nullptr), prlStsNoErr);
    ownSetCpuidSource(nullptr, nullptr);
    EXPECT_EQ(fake.cpuidCalls, 0);

    ownResetCpuCache();
    Prl64u recomputed = 0;
    EXPECT_EQ(prlGetCpuFeatures(&recomputed, nullptr), prlStsNoErr);
    EXPECT_EQ(mask, recomputed);
    EXPECT_GE(ownGetNumThreads(), 1);
}

class FakeProcessor : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_fake = &m_cpu;
        ownSetCpuidSource(fakeCpuid, fakeXgetbv);
        ownResetCpuCache();
    }
    void TearDown() override
    {
        ownSetCpuidSource(nullptr, nullptr);
        ownResetCpuCache();
        g_fake = nullptr;
    }
    FakeCpu m_cpu;
};

// ---- Processor class -------------------------------------------------------

struct ClassCase {
    const char *label;
    const char *vendor;
    int family, model, extModel, extFamily;
    Prl32u ecx, edx;
    Prl32u coresField; // leaf 4 EAX bits 26-31 (cores per package - 1)
    bool longMode;
    int expected;
};

const Prl32u kBaseEdx = kMmx | kSse | kSse2;

const ClassCase kClassCases[] = {
    {"own fam6 mod15 ssse3 2 cores", kOwnVendor, 6, 0xF, 0, 0, kSse3 | kSsse3, kBaseEdx, 1, true, 0x21},
    {"own fam6 mod15 ssse3 4 cores", kOwnVendor, 6, 0xF, 0, 0, kSse3 | kSsse3, kBaseEdx, 3, true, 0x22},
    {"own fam6 mod15 without ssse3", kOwnVendor, 6, 0xF, 0, 0, kSse3, kBaseEdx, 3, true, 0x42},
    {"own fam6 mod23 sse4.1", kOwnVendor, 6, 0x7, 1, 0, kSse3 | kSsse3 | kSse41, kBaseEdx, 3, true, 0x23},
    {"own fam6 mod23 without sse4.1", kOwnVendor, 6, 0x7, 1, 0, kSse3 | kSsse3, kBaseEdx, 3, true, 0x43},
    {"own fam6 mod26 avx", kOwnVendor, 6, 0xA, 1, 0, kSse42 | kAvx, kBaseEdx, 3, true, 0x46},
    {"own fam6 mod26 sse4.2", kOwnVendor, 6, 0xA, 1, 0, kSse41 | kSse42, kBaseEdx, 3, true, 0x25},
    {"own fam6 mod26 neither", kOwnVendor, 6, 0xA, 1, 0, kSse3 | kSsse3 | kSse41, kBaseEdx, 3, true, 0x44},
    {"own fam6 mod28 ssse3 movbe", kOwnVendor, 6, 0xC, 1, 0, kSse3 | kSsse3 | kMovbe, kBaseEdx, 1, true, 0x24},
    {"own fam6 mod28 without movbe", kOwnVendor, 6, 0xC, 1, 0, kSse3 | kSsse3, kBaseEdx, 1, true, 0x43},
    {"own family 15", kOwnVendor, 15, 2, 0, 0, 0, kBaseEdx, 0, true, 0x42},
    {"own family 15 with avx", kOwnVendor, 15, 2, 0, 0, kAvx, kBaseEdx, 0, true, 0x42},
    {"own effective family 16", kOwnVendor, 15, 2, 0, 1, 0, kBaseEdx, 0, true, 0x41},
    {"own fam6 model 0x0A is no model 26", kOwnVendor, 6, 0xA, 0, 0, kSse41 | kSse42, kBaseEdx, 3, true, 0x45},
    {"own family 5 model 15 takes the ladder", kOwnVendor, 5, 0xF, 0, 0, kSse3 | kSsse3, kBaseEdx, 1, true, 0x43},
    {"other fam6 mod15 ssse3", kOther, 6, 0xF, 0, 0, kSse3 | kSsse3, kBaseEdx, 1, true, 0x43},
    {"other fam6 mod26 sse4.2", kOther, 6, 0xA, 1, 0, kSse41 | kSse42, kBaseEdx, 3, true, 0x45},
    {"other family 15", kAmd, 15, 2, 0, 0, 0, kBaseEdx, 0, true, 0x41},
    {"avx without os support", kAmd, 6, 1, 0, 0, kSse42 | kAvx, kBaseEdx, 0, true, 0x46},
    {"sse4.2", kAmd, 6, 1, 0, 0, kSse3 | kSse42, kBaseEdx, 0, true, 0x45},
    {"sse4.1", kAmd, 6, 1, 0, 0, kSse3 | kSse41, kBaseEdx, 0, true, 0x44},
    {"ssse3", kAmd, 6, 1, 0, 0, kSse3 | kSsse3, kBaseEdx, 0, true, 0x43},
    {"sse3", kAmd, 6, 1, 0, 0, kSse3, kBaseEdx, 0, true, 0x42},
    {"sse2", kAmd, 6, 1, 0, 0, 0, kBaseEdx, 0, true, 0x41},
    {"sse", kAmd, 6, 1, 0, 0, 0, kMmx | kSse, 0, true, 0x40},
    {"long mode only", kAmd, 6, 1, 0, 0, 0, kMmx, 0, true, 0x60},
    {"nothing", kAmd, 6, 1, 0, 0, 0, kMmx, 0, false, 0},
};

TEST_F(FakeProcessor, ClassLadder)
{
    for (const ClassCase &c : kClassCases) {
        SCOPED_TRACE(c.label);
        m_cpu = FakeCpu();
        m_cpu.setVendor(c.vendor, 0xD);
        m_cpu.setSignature(c.family, c.model, c.extModel, c.extFamily);
        m_cpu.setFeatures(c.ecx, c.edx);
        m_cpu.setLeaf4(0, 1, 8, 1, 64, 64, c.coresField);
        m_cpu.setMaxExtLeaf(0x80000008u);
        m_cpu.leaf(0x80000001u)[PRL_EDX] = c.longMode ? 1u << 29 : 0;
        EXPECT_EQ(prlGetCpuType(), c.expected);
    }
}

TEST_F(FakeProcessor, LongModeNeedsTheExtendedLeaf)
{
    m_cpu.setVendor(kAmd, 1);
    m_cpu.setSignature(6, 1);
    m_cpu.setMaxExtLeaf(0x80000000u);
    m_cpu.leaf(0x80000001u)[PRL_EDX] = 1u << 29;
    EXPECT_EQ(prlGetCpuType(), 0);
}

TEST_F(FakeProcessor, CoresPerPackageNeedLeaf4)
{
    // Model 15 of the own vendor: a processor without leaf 4 counts 1 core.
    m_cpu.setVendor(kOwnVendor, 3);
    m_cpu.setSignature(6, 0xF);
    m_cpu.setFeatures(kSse3 | kSsse3, kBaseEdx);
    m_cpu.setLeaf4(0, 1, 8, 1, 64, 64, 7);
    EXPECT_EQ(prlGetCpuType(), 0x21);
}

// ---- Feature mask ----------------------------------------------------------

struct FeatureCase {
    const char *label;
    int family;
    Prl32u ecx, edx;
    Prl64u xcr0;
    Prl32u leaf20000001Edx;
    Prl64u expected;
    int xgetbvCalls;
};

const FeatureCase kFeatureCases[] = {
    {"mmx", 6, 0, kMmx, 0, 0, 0x1, 0},
    {"sse", 6, 0, kSse, 0, 0, 0x2, 0},
    {"sse2", 6, 0, kSse2, 0, 0, 0x4, 0},
    {"sse3", 6, kSse3, 0, 0, 0, 0x8, 0},
    {"ssse3", 6, kSsse3, 0, 0, 0, 0x10, 0},
    {"movbe", 6, kMovbe, 0, 0, 0, 0x20, 0},
    {"sse4.1", 6, kSse41, 0, 0, 0, 0x40, 0},
    {"sse4.2", 6, kSse42, 0, 0, 0, 0x80, 0},
    {"aes", 6, kAes, 0, 0, 0, 0x400, 0},
    {"pclmulqdq", 6, kPclmul, 0, 0, 0, 0x800, 0},
    {"rdrand", 6, kRdrand, 0, 0, 0, 0x2000, 0},
    {"f16c", 6, kF16c, 0, 0, 0, 0x4000, 0},
    {"avx saved by the os", 6, kAvx | kOsxsave, 0, 0x7, 0, 0x300, 1},
    {"avx, os saves sse only", 6, kAvx | kOsxsave, 0, 0x3, 0, 0x100, 1},
    {"avx, os saves ymm only", 6, kAvx | kOsxsave, 0, 0x4, 0, 0x100, 1},
    {"avx without osxsave", 6, kAvx, 0, 0x7, 0, 0x100, 0},
    {"osxsave without avx", 6, kOsxsave, 0, 0x7, 0, 0, 0},
    {"family 11 vector extension", 0xB, 0, 0, 0, 0x2, 0x1000, 0},
    {"family 11 without it", 0xB, 0, 0, 0, 0x1, 0, 0},
    {"extension leaf ignored on family 6", 6, 0, 0, 0, 0x2, 0, 0},
    {"unused bits stay clear", 6, 0xFFFFFFFFu & ~(kOsxsave | kAvx), 0xFFFFFFFFu, 0, 0, 0x6CFF, 0},
};

TEST_F(FakeProcessor, FeatureMaskBits)
{
    for (const char *vendor : {kOwnVendor, kOther}) {
        for (const FeatureCase &c : kFeatureCases) {
            SCOPED_TRACE(std::string(vendor) + ": " + c.label);
            m_cpu = FakeCpu();
            m_cpu.setVendor(vendor, 0xD);
            m_cpu.setSignature(c.family, 1);
            m_cpu.setFeatures(c.ecx, c.edx);
            m_cpu.xcr0 = c.xcr0;
            m_cpu.leaf(0x20000001u)[PRL_EDX] = c.leaf20000001Edx;
            ownResetCpuCache();
            Prl64u mask = 0;
            ASSERT_EQ(prlGetCpuFeatures(&mask, nullptr), prlStsNoErr);
            EXPECT_EQ(mask, c.expected);
            EXPECT_EQ(m_cpu.xgetbvCalls, c.xgetbvCalls);
        }
    }
}

TEST_F(FakeProcessor, FeatureMaskIsComputedOnce)
{
    m_cpu.setVendor(kOther, 0xD);
    m_cpu.setFeatures(kSse3, kBaseEdx);
    Prl64u mask = 0;
    ASSERT_EQ(prlGetCpuFeatures(&mask, nullptr), prlStsNoErr);
    EXPECT_EQ(mask, 0xFu);

    m_cpu.setFeatures(kSse42 | kAvx, kBaseEdx);
    const int calls = m_cpu.cpuidCalls;
    Prl64u again = 0;
    ASSERT_EQ(prlGetCpuFeatures(&again, nullptr), prlStsNoErr);
    EXPECT_EQ(again, 0xFu);
    EXPECT_EQ(m_cpu.cpuidCalls, calls);
}

TEST_F(FakeProcessor, NullMaskPointerStillCachesTheMask)
{
    m_cpu.setFeatures(kSse3, kBaseEdx);
    Prl32u regs[4] = {1, 2, 3, 4};
    EXPECT_EQ(prlGetCpuFeatures(nullptr, regs), prlStsNullPtrErr);
    EXPECT_EQ(ownFeaturesAreValid, 1);
    EXPECT_EQ(ownFeatures, 0xFu);
    EXPECT_EQ(regs[0], 1u);
    EXPECT_EQ(regs[3], 4u);
}

TEST_F(FakeProcessor, RegisterQueryLeaf)
{
    std::uint64_t getinfoa = 0;
    std::memcpy(&getinfoa, "getinfoa", 8);
    EXPECT_EQ(getinfoa, PRL_CPUID_GETINFO_A);

    m_cpu.setFeatures(kSse3, kBaseEdx);
    m_cpu.leaf(1) = {0x106A5, 0x1111, kSse3, kBaseEdx};
    m_cpu.leaf(4, 0) = {0x40, 0x41, 0x42, 0x43};
    m_cpu.leaf(4, 1) = {0x50, 0x51, 0x52, 0x53};

    Prl64u mask = PRL_CPUID_GETINFO_A;
    Prl32u regs[4] = {4, 0, 1, 0};
    ASSERT_EQ(prlGetCpuFeatures(&mask, regs), prlStsNoErr);
    EXPECT_EQ(mask, 0xFu);
    EXPECT_EQ((Regs{regs[0], regs[1], regs[2], regs[3]}), (Regs{0x50, 0x51, 0x52, 0x53}));

    mask = PRL_CPUID_GETINFO_A + 1;
    Prl32u leaf1[4] = {4, 0, 1, 0};
    ASSERT_EQ(prlGetCpuFeatures(&mask, leaf1), prlStsNoErr);
    EXPECT_EQ((Regs{leaf1[0], leaf1[1], leaf1[2], leaf1[3]}), (Regs{0x106A5, 0x1111, kSse3, kBaseEdx}));
}

TEST_F(FakeProcessor, AvxGate)
{
    is_avx_cpu_enabled = 0;
    EXPECT_EQ(prlIsCpuEnabled(0x46), 0);
    EXPECT_EQ(prlIsCpuEnabled(0x45), 1);
    EXPECT_EQ(prlIsCpuEnabled(0), 1);
    EXPECT_EQ(prlEnableCpu(0x45), prlStsNoErr);
    EXPECT_EQ(prlIsCpuEnabled(0x46), 0);
    EXPECT_EQ(prlEnableCpu(0x46), prlStsNoErr);
    EXPECT_EQ(prlIsCpuEnabled(0x46), 1);
    EXPECT_EQ(is_avx_cpu_enabled, 1);
}

// ---- Largest cache ---------------------------------------------------------

const char kDocumentedDescriptors[] =
    "0xEC 24M, 0xEB 18M, 0x4D 16M, 0xEA 12M, 0x4C 12M, 0xE4 8M, 0xDE 8M, 0x4B 8M, 0x47 8M, 0x4E 6M, 0x4A 6M, "
    "0xE3 4M, 0xDD 4M, 0xD8 4M, 0x49 4M, 0x29 4M, 0x46 4M, 0x48 3M, 0xE2 2M, 0xDC 2M, 0xD7 2M, 0xD2 2M, 0x25 2M, "
    "0x7D 2M, 0x85 2M, 0x45 2M, 0xD6 1M, 0xD1 1M, 0x23 1M, 0x87 1M, 0x7C 1M, 0x78 1M, 0x84 1M, 0x44 1M, 0xD0 512K, "
    "0x22 512K, 0x7B 512K, 0x80 512K, 0x86 512K, 0x3E 512K, 0x7F 512K, 0x83 512K, 0x43 512K, 0x3D 384K, "
    "0x21 256K, 0x7A 256K, 0x82 256K, 0x3C 256K, 0x3F 256K, 0x42 256K, 0x3A 192K, 0x79 128K, 0x39 128K, "
    "0x3B 128K, 0x41 128K";

TEST(PrlCacheTable, MatchesTheDocumentedDescriptors)
{
    std::istringstream in(kDocumentedDescriptors);
    std::string item;
    int row = 0;
    while (std::getline(in, item, ',')) {
        std::istringstream fields(item);
        std::string hex, size;
        fields >> hex >> size;
        const int descriptor = std::stoi(hex, nullptr, 16);
        const int unit = size.back() == 'M' ? 1024 * 1024 : 1024;
        const int bytes = std::stoi(size.substr(0, size.size() - 1)) * unit;
        EXPECT_EQ(tableCache[row].descriptor, descriptor) << "row " << row;
        EXPECT_EQ(tableCache[row].sizeBytes, bytes) << "row " << row;
        ++row;
    }
    EXPECT_EQ(row, 55);
    EXPECT_EQ(tableCache[55].descriptor, 0) << "terminator row";
}

struct Leaf4Entry {
    Prl32u type, ways, partitions, line, sets;
};

struct CacheCase {
    const char *label;
    const char *vendor;
    Prl32u maxLeaf;
    std::vector<Leaf4Entry> leaf4;
    Regs leaf2;
    PrlStatus status;
    int size;
};

const Leaf4Entry kL1d{1, 8, 1, 64, 64};         // 32K data
const Leaf4Entry kL1iHuge{2, 16, 1, 64, 65536}; // 64M, instruction cache
const Leaf4Entry kL2{3, 4, 1, 64, 1024};        // 256K unified
const Leaf4Entry kL3{3, 16, 1, 64, 8192};       // 8M unified
const Leaf4Entry kEnd{0, 1, 1, 1, 1};
const Regs kNoLeaf2{0, 0, 0, 0};

const std::vector<CacheCase> &cacheCases()
{
    static const std::vector<CacheCase> cases = {
        {"other vendor", kOther, 0xD, {kL1d, kL3, kEnd}, kNoLeaf2, 36, 0},
        {"own vendor, max leaf 1", kOwnVendor, 1, {kL1d, kL3, kEnd}, {0x00007D01, 0, 0, 0}, 36, 0},
        {"leaf 4: largest data or unified cache",
         kOwnVendor,
         4,
         {kL1d, kL1iHuge, kL3, kL2, kEnd},
         kNoLeaf2,
         0,
         8 * 1024 * 1024},
        {"leaf 4: partitions count", kOwnVendor, 0xB, {{1, 8, 2, 64, 64}, kEnd}, kNoLeaf2, 0, 65536},
        {"leaf 4: only instruction caches", kOwnVendor, 4, {kL1iHuge, kL1iHuge, kEnd}, kNoLeaf2, 37, 0},
        {"leaf 4: no caches", kOwnVendor, 4, {kEnd, kL3}, kNoLeaf2, 37, 0},
        {"leaf 4: scan ends at type 0", kOwnVendor, 4, {kL2, kEnd, kL3}, kNoLeaf2, 0, 256 * 1024},
        {"leaf 2: 0x2C unknown, 0x7D 2M", kOwnVendor, 2, {}, {0x00000001, 0x00007D2C, 0, 0}, 0, 2 * 1024 * 1024},
        {"leaf 2: descriptors in EAX above AL", kOwnVendor, 3, {}, {0x007D0001, 0, 0, 0}, 0, 2 * 1024 * 1024},
        {"leaf 2: AL must be 1", kOwnVendor, 2, {}, {0x00007D02, 0x7D, 0, 0}, 37, 0},
        {"leaf 2: register with bit 31 holds none", kOwnVendor, 2, {}, {0x00000001, 0, 0, 0x8000007D}, 37, 0},
        {"leaf 2: table order decides", kOwnVendor, 2, {}, {0x00000001, 0x0000EC41, 0, 0}, 0, 24 * 1024 * 1024},
        {"leaf 2: 6M row before 4M row", kOwnVendor, 2, {}, {0x00000001, 0, 0x00494E00, 0}, 0, 6 * 1024 * 1024},
        {"leaf 2: no known descriptor", kOwnVendor, 2, {}, {0x00000001, 0x2C, 0x01, 0x0}, 37, 0},
    };
    return cases;
}

TEST_F(FakeProcessor, LargestCache)
{
    for (const CacheCase &c : cacheCases()) {
        SCOPED_TRACE(c.label);
        m_cpu = FakeCpu();
        m_cpu.setVendor(c.vendor, c.maxLeaf);
        for (Prl32u sub = 0; sub < c.leaf4.size(); ++sub) {
            const Leaf4Entry &e = c.leaf4[sub];
            m_cpu.setLeaf4(sub, e.type, e.ways, e.partitions, e.line, e.sets);
        }
        m_cpu.leaf(2) = c.leaf2;
        ownResetCpuCache();
        int size = -1;
        EXPECT_EQ(prlGetMaxCacheSizeB(&size), c.status);
        EXPECT_EQ(size, c.size);
    }
}

TEST_F(FakeProcessor, FirstCacheAnswerIsKept)
{
    m_cpu.setVendor(kOther, 0xD);
    m_cpu.setLeaf4(0, 3, 16, 1, 64, 8192);
    int size = -1;
    EXPECT_EQ(prlGetMaxCacheSizeB(nullptr), prlStsNullPtrErr);
    EXPECT_EQ(ownStatus, 1) << "a null pointer computes nothing";
    EXPECT_EQ(prlGetMaxCacheSizeB(&size), prlStsNotSupportedCpu);
    EXPECT_EQ(size, 0);

    m_cpu.setVendor(kOwnVendor, 0xD);
    const int calls = m_cpu.cpuidCalls;
    size = -1;
    EXPECT_EQ(prlGetMaxCacheSizeB(&size), prlStsNotSupportedCpu);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(m_cpu.cpuidCalls, calls);
}

// ---- Cores per package -----------------------------------------------------

struct CoresCase {
    const char *label;
    const char *vendor;
    Prl32u maxLeaf;
    Prl32u leaf11Sub0Ebx, leaf11Sub1Ebx;
    Prl32u leaf4CoresField;
    Prl32u maxExtLeaf, leaf80000008Ecx;
    int expected;
};

const CoresCase kCoresCases[] = {
    {"own, max leaf 3", kOwnVendor, 3, 2, 8, 7, 0x80000008u, 0, 1},
    {"own, leaf 11, two threads per core", kOwnVendor, 0xB, 2, 8, 7, 0x80000008u, 0, 4},
    {"own, leaf 11, one thread per core", kOwnVendor, 0xB, 1, 6, 7, 0x80000008u, 0, 6},
    {"own, leaf 11 uses bits 0-15 only", kOwnVendor, 0x16, 1, 0x30008, 7, 0x80000008u, 0, 8},
    {"own, leaf 11 empty: leaf 4", kOwnVendor, 0xB, 0, 8, 3, 0x80000008u, 0, 4},
    {"own, max leaf 10: leaf 4", kOwnVendor, 0xA, 2, 8, 5, 0x80000008u, 0, 6},
    {"own, no core reported counts one", kOwnVendor, 0xB, 2, 1, 7, 0x80000008u, 0, 1},
    {"amd", kAmd, 0xD, 2, 8, 7, 0x80000008u, 0x300F, 16},
    {"amd, extended leaf missing", kAmd, 0xD, 2, 8, 7, 0x80000007u, 0x300F, 1},
    {"only the last four vendor characters say amd", "GenuineXcAMD", 0xD, 2, 8, 7, 0x80000008u, 0x7, 8},
    {"other vendor", kOther, 0xD, 2, 8, 7, 0x80000008u, 0x7, 1},
};

TEST_F(FakeProcessor, CoresOnDie)
{
    for (const CoresCase &c : kCoresCases) {
        SCOPED_TRACE(c.label);
        m_cpu = FakeCpu();
        m_cpu.setVendor(c.vendor, c.maxLeaf);
        m_cpu.leaf(0xB, 0)[PRL_EBX] = c.leaf11Sub0Ebx;
        m_cpu.leaf(0xB, 1)[PRL_EBX] = c.leaf11Sub1Ebx;
        m_cpu.setLeaf4(0, 1, 8, 1, 64, 64, c.leaf4CoresField);
        m_cpu.setMaxExtLeaf(c.maxExtLeaf);
        m_cpu.leaf(0x80000008u)[PRL_ECX] = c.leaf80000008Ecx;
        EXPECT_EQ(prlGetNumCoresOnDie(), c.expected);
    }
}

// ---- Floating-point switches without SSE -----------------------------------

TEST_F(FakeProcessor, FloatSwitchesNeedSse)
{
    m_cpu.setVendor(kOther, 1);
    m_cpu.setFeatures(0, kMmx);
    const unsigned before = _mm_getcsr();
    Prl32u saved = 0x1234;
    EXPECT_EQ(prlSetFlushToZero(1, &saved), prlStsCpuNotSupportedErr);
    EXPECT_EQ(prlSetDenormAreZeros(1), prlStsCpuNotSupportedErr);
    EXPECT_EQ(_mm_getcsr(), before);
    EXPECT_EQ(saved, 0x1234u);
}

} // namespace
