/* Processor identification: class code, feature mask, enabled features. */
#include "prlcore_internal.h"

#include <cpuid.h>
#include <immintrin.h>
#include <string.h>

Prl64u ownFeatures = 0;
int ownFeaturesAreValid = 0;
Prl64u ownFeaturesMask = PRL_CPUID_MMX | PRL_CPUID_SSE | PRL_CPUID_SSE2;
int is_avx_cpu_enabled = 1;

static OwnCpuidSource ownCpuidSource = NULL;
static OwnXgetbvSource ownXgetbvSource = NULL;

static const char ownVendorText[12] = {'G', 'e', 'n', 'u', 'i', 'n', 'e', 'Z', 'o', 'r', 'v', 'a'};

void ownGetReg(Prl32u regs[4], Prl32u leaf, Prl32u subleaf)
{
    if (ownCpuidSource) {
        ownCpuidSource(leaf, subleaf, regs);
        return;
    }
    unsigned int a, b, c, d;
    __cpuid_count(leaf, subleaf, a, b, c, d);
    regs[PRL_EAX] = a;
    regs[PRL_EBX] = b;
    regs[PRL_ECX] = c;
    regs[PRL_EDX] = d;
}

__attribute__((target("xsave"))) Prl64u ownGetXcr(Prl32u index)
{
    if (ownXgetbvSource)
        return ownXgetbvSource(index);
    return (Prl64u)_xgetbv(index);
}

void ownSetCpuidSource(OwnCpuidSource cpuid, OwnXgetbvSource xgetbv)
{
    ownCpuidSource = cpuid;
    ownXgetbvSource = xgetbv;
}

void ownResetCpuCache(void)
{
    ownFeatures = 0;
    ownFeaturesAreValid = 0;
    ownStatus = 1;
    cacheSize = 0;
}

int ownIsOwnVendor(void)
{
    Prl32u regs[4];
    char text[12];
    ownGetReg(regs, 0, 0);
    memcpy(text, &regs[PRL_EBX], 4);
    memcpy(text + 4, &regs[PRL_EDX], 4);
    memcpy(text + 8, &regs[PRL_ECX], 4);
    return memcmp(text, ownVendorText, sizeof text) == 0;
}

static int bit(Prl32u value, int n)
{
    return (int)((value >> n) & 1u);
}

void ownReadCpuId(OwnCpuId *id)
{
    Prl32u regs[4];
    memset(id, 0, sizeof *id);

    ownGetReg(regs, 0, 0);
    id->maxBasicLeaf = regs[PRL_EAX];
    id->ownVendor = ownIsOwnVendor();

    ownGetReg(regs, 1, 0);
    id->stepping = (int)(regs[PRL_EAX] & 0xF);
    id->model = (int)((regs[PRL_EAX] >> 4) & 0xF);
    id->family = (int)((regs[PRL_EAX] >> 8) & 0xF);
    id->extModel = (int)((regs[PRL_EAX] >> 16) & 0xF);
    id->extFamily = (int)((regs[PRL_EAX] >> 20) & 0xFF);
    id->leaf1Ecx = regs[PRL_ECX];
    id->leaf1Edx = regs[PRL_EDX];

    id->coresPerPackage = 1;
    if (id->maxBasicLeaf >= 4) {
        ownGetReg(regs, 4, 0);
        id->coresPerPackage = (int)((regs[PRL_EAX] >> 26) & 0x3F) + 1;
    }

    ownGetReg(regs, 0x80000000u, 0);
    id->maxExtLeaf = regs[PRL_EAX];
    if (id->maxExtLeaf >= 0x80000001u) {
        ownGetReg(regs, 0x80000001u, 0);
        id->longMode = bit(regs[PRL_EDX], 29);
    }
}

/* Model-specific classes of the library's own vendor; 0 when none applies. */
static int ownVendorClass(const OwnCpuId *id, int family, int model)
{
    const Prl32u ecx = id->leaf1Ecx;
    if (family == 6) {
        switch (model) {
        case 0x0F:
            if (bit(ecx, 9))
                return id->coresPerPackage > 2 ? prlCpuFam6Mod15HighCores : prlCpuFam6Mod15LowCores;
            break;
        case 0x17:
            if (bit(ecx, 19))
                return prlCpuFam6Mod23;
            break;
        case 0x1A:
            if (bit(ecx, 28))
                return prlCpuAVX;
            if (bit(ecx, 20))
                return prlCpuFam6Mod26;
            break;
        case 0x1C:
            if (bit(ecx, 9) && bit(ecx, 22))
                return prlCpuFam6Mod28;
            break;
        default:
            break;
        }
    } else if (family == 15) {
        return prlCpuSSE3;
    }
    return prlCpuUnknown;
}

int prlGetCpuType(void)
{
    OwnCpuId id;
    ownReadCpuId(&id);

    const int model = (id.family == 6 || id.family == 15) ? id.extModel * 16 + id.model : id.model;
    const int family = id.family == 15 ? 15 + id.extFamily : id.family;

    if (id.ownVendor) {
        int cls = ownVendorClass(&id, family, model);
        if (cls != prlCpuUnknown)
            return cls;
    }

    /* The AVX class needs only the instructions; whether the operating
     * system saves the AVX state is for the application to check. */
    if (bit(id.leaf1Ecx, 28))
        return prlCpuAVX;
    if (bit(id.leaf1Ecx, 20))
        return prlCpuSSE42;
    if (bit(id.leaf1Ecx, 19))
        return prlCpuSSE41;
    if (bit(id.leaf1Ecx, 9))
        return prlCpuSSSE3;
    if (bit(id.leaf1Ecx, 0))
        return prlCpuSSE3;
    if (bit(id.leaf1Edx, 26))
        return prlCpuSSE2;
    if (bit(id.leaf1Edx, 25))
        return prlCpuSSE;
    if (id.longMode)
        return prlCpuX8664;
    return prlCpuUnknown;
}

static Prl64u ownComputeFeatures(void)
{
    Prl32u regs[4];
    ownGetReg(regs, 1, 0);
    const Prl32u eax = regs[PRL_EAX];
    const Prl32u ecx = regs[PRL_ECX];
    const Prl32u edx = regs[PRL_EDX];
    Prl64u mask = 0;

    if (bit(edx, 23))
        mask |= PRL_CPUID_MMX;
    if (bit(edx, 25))
        mask |= PRL_CPUID_SSE;
    if (bit(edx, 26))
        mask |= PRL_CPUID_SSE2;
    if (bit(ecx, 0))
        mask |= PRL_CPUID_SSE3;
    if (bit(ecx, 9))
        mask |= PRL_CPUID_SSSE3;
    if (bit(ecx, 22))
        mask |= PRL_CPUID_MOVBE;
    if (bit(ecx, 19))
        mask |= PRL_CPUID_SSE41;
    if (bit(ecx, 20))
        mask |= PRL_CPUID_SSE42;
    if (bit(ecx, 28))
        mask |= PRL_CPUID_AVX;
    /* XGETBV is only legal once the operating system has enabled XSAVE. */
    if (bit(ecx, 27) && bit(ecx, 28)) {
        if ((ownGetXcr(0) & 0x6) == 0x6)
            mask |= PRL_AVX_ENABLEDBYOS;
    }
    if (bit(ecx, 25))
        mask |= PRL_CPUID_AES;
    if (bit(ecx, 1))
        mask |= PRL_CPUID_CLMUL;
    if (((eax >> 8) & 0xF) == 0xB) {
        Prl32u ext[4];
        ownGetReg(ext, 0x20000001u, 0);
        if (bit(ext[PRL_EDX], 1))
            mask |= PRL_CPUID_ABR;
    }
    if (bit(ecx, 30))
        mask |= PRL_CPUID_RDRAND;
    if (bit(ecx, 29))
        mask |= PRL_CPUID_F16C;
    return mask;
}

PrlStatus prlGetCpuFeatures(Prl64u *pFeaturesMask, Prl32u cpuidInfo[4])
{
    if (!ownFeaturesAreValid) {
        ownFeatures = ownComputeFeatures();
        ownFeaturesAreValid = 1;
    }
    if (!pFeaturesMask)
        return prlStsNullPtrErr;

    const Prl64u request = *pFeaturesMask;
    *pFeaturesMask = ownFeatures;

    if (cpuidInfo) {
        Prl32u regs[4];
        if (request == PRL_CPUID_GETINFO_A)
            ownGetReg(regs, cpuidInfo[PRL_EAX], cpuidInfo[PRL_ECX]);
        else
            ownGetReg(regs, 1, 0);
        memcpy(cpuidInfo, regs, sizeof regs);
    }
    return prlStsNoErr;
}

PrlStatus prlSetCpuFeaturesMask(Prl64u mask)
{
    ownFeaturesMask = mask;
    return prlStsNoErr;
}

Prl64u prlGetEnabledCpuFeatures(void)
{
    return ownFeaturesMask;
}

int ownGetFeature(Prl64u mask)
{
    return (ownFeaturesMask & mask) == mask;
}

int prlIsCpuEnabled(int cpuClass)
{
    return !(cpuClass == prlCpuAVX && is_avx_cpu_enabled == 0);
}

PrlStatus prlEnableCpu(int cpuClass)
{
    if (cpuClass == prlCpuAVX)
        is_avx_cpu_enabled = 1;
    return prlStsNoErr;
}
