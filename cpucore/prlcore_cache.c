/* Cache, cores and clock figures. */
#include "prlcore_internal.h"

#include <string.h>
#include <time.h>
#include <x86intrin.h>

#define KB 1024
#define MB (1024 * 1024)

int ownStatus = 1; /* 1: not computed yet */
int cacheSize = 0;

/* Leaf-2 descriptors, largest cache first: the first row matching any of
 * the processor's descriptor bytes gives its size. Ends with descriptor 0. */
const OwnCacheDescriptor tableCache[] = {
    {0xEC, 24 * MB},  {0xEB, 18 * MB},  {0x4D, 16 * MB},  {0xEA, 12 * MB},  {0x4C, 12 * MB},  {0xE4, 8 * MB},
    {0xDE, 8 * MB},   {0x4B, 8 * MB},   {0x47, 8 * MB},   {0x4E, 6 * MB},   {0x4A, 6 * MB},   {0xE3, 4 * MB},
    {0xDD, 4 * MB},   {0xD8, 4 * MB},   {0x49, 4 * MB},   {0x29, 4 * MB},   {0x46, 4 * MB},   {0x48, 3 * MB},
    {0xE2, 2 * MB},   {0xDC, 2 * MB},   {0xD7, 2 * MB},   {0xD2, 2 * MB},   {0x25, 2 * MB},   {0x7D, 2 * MB},
    {0x85, 2 * MB},   {0x45, 2 * MB},   {0xD6, 1 * MB},   {0xD1, 1 * MB},   {0x23, 1 * MB},   {0x87, 1 * MB},
    {0x7C, 1 * MB},   {0x78, 1 * MB},   {0x84, 1 * MB},   {0x44, 1 * MB},   {0xD0, 512 * KB}, {0x22, 512 * KB},
    {0x7B, 512 * KB}, {0x80, 512 * KB}, {0x86, 512 * KB}, {0x3E, 512 * KB}, {0x7F, 512 * KB}, {0x83, 512 * KB},
    {0x43, 512 * KB}, {0x3D, 384 * KB}, {0x21, 256 * KB}, {0x7A, 256 * KB}, {0x82, 256 * KB}, {0x3C, 256 * KB},
    {0x3F, 256 * KB}, {0x42, 256 * KB}, {0x3A, 192 * KB}, {0x79, 128 * KB}, {0x39, 128 * KB}, {0x3B, 128 * KB},
    {0x41, 128 * KB}, {0, 0},
};

/* Largest data or unified cache from the deterministic cache leaf 4. */
static int ownCacheFromLeaf4(int *pSize)
{
    Prl32u largest = 0;
    for (Prl32u subleaf = 0; subleaf < 32; ++subleaf) {
        Prl32u regs[4];
        ownGetReg(regs, 4, subleaf);
        const Prl32u type = regs[PRL_EAX] & 0x1F;
        if (type == 0)
            break;
        if (type == 2) /* instruction cache */
            continue;
        const Prl32u ebx = regs[PRL_EBX];
        const Prl32u ways = ((ebx >> 22) & 0x3FF) + 1;
        const Prl32u partitions = ((ebx >> 12) & 0x3FF) + 1;
        const Prl32u lineSize = (ebx & 0xFFF) + 1;
        const Prl32u sets = regs[PRL_ECX] + 1;
        const Prl32u size = ways * partitions * lineSize * sets;
        if (size > largest)
            largest = size;
    }
    if (largest == 0) {
        *pSize = 0;
        return prlStsUnknownCacheSize;
    }
    *pSize = (int)largest;
    return prlStsNoErr;
}

/* Size from the descriptor bytes of leaf 2. */
static int ownCacheFromLeaf2(int *pSize)
{
    Prl32u regs[4];
    ownGetReg(regs, 2, 0);
    *pSize = 0;
    if ((regs[PRL_EAX] & 0xFF) != 1)
        return prlStsUnknownCacheSize;

    unsigned char bytes[16];
    int count = 0;
    for (int r = 0; r < 4; ++r) {
        if (regs[r] & 0x80000000u)
            continue; /* register holds no descriptors */
        for (int b = (r == PRL_EAX) ? 1 : 0; b < 4; ++b)
            bytes[count++] = (unsigned char)(regs[r] >> (8 * b));
    }
    for (const OwnCacheDescriptor *row = tableCache; row->descriptor != 0; ++row) {
        for (int i = 0; i < count; ++i) {
            if (bytes[i] == row->descriptor) {
                *pSize = row->sizeBytes;
                return prlStsNoErr;
            }
        }
    }
    return prlStsUnknownCacheSize;
}

PrlStatus prlGetMaxCacheSizeB(int *pSizeBytes)
{
    if (!pSizeBytes)
        return prlStsNullPtrErr;
    if (ownStatus != 1) {
        *pSizeBytes = cacheSize;
        return ownStatus;
    }

    Prl32u regs[4];
    ownGetReg(regs, 0, 0);
    const Prl32u maxLeaf = regs[PRL_EAX];
    int size = 0;
    int status;
    if (maxLeaf < 2 || !ownIsOwnVendor())
        status = prlStsNotSupportedCpu;
    else if (maxLeaf >= 4)
        status = ownCacheFromLeaf4(&size);
    else
        status = ownCacheFromLeaf2(&size);

    ownStatus = status;
    cacheSize = size;
    *pSizeBytes = size;
    return status;
}

static int ownIsAmdVendor(void)
{
    Prl32u regs[4];
    ownGetReg(regs, 0, 0);
    return memcmp(&regs[PRL_ECX], "cAMD", 4) == 0;
}

int prlGetNumCoresOnDie(void)
{
    Prl32u regs[4];
    int cores = 1;
    if (ownIsOwnVendor()) {
        ownGetReg(regs, 0, 0);
        const Prl32u maxLeaf = regs[PRL_EAX];
        if (maxLeaf < 4)
            return 1;
        Prl32u smt[4] = {0, 0, 0, 0};
        if (maxLeaf >= 0xB)
            ownGetReg(smt, 0xB, 0);
        if (smt[PRL_EBX] != 0) {
            Prl32u core[4];
            ownGetReg(core, 0xB, 1);
            Prl32u logical = core[PRL_EBX] & 0xFFFF;
            if (smt[PRL_EBX] & 0x2) /* two threads per core */
                logical >>= 1;
            cores = (int)logical;
        } else {
            ownGetReg(regs, 4, 0);
            cores = (int)((regs[PRL_EAX] >> 26) & 0x3F) + 1;
        }
    } else if (ownIsAmdVendor()) {
        ownGetReg(regs, 0x80000000u, 0);
        if (regs[PRL_EAX] >= 0x80000008u) {
            ownGetReg(regs, 0x80000008u, 0);
            cores = (int)(regs[PRL_ECX] & 0xFF) + 1;
        }
    }
    /* A processor reporting no logical processors at the core level still
     * has one core. */
    return cores > 0 ? cores : 1;
}

Prl64u prlGetCpuClocks(void)
{
    return (Prl64u)__rdtsc();
}

PrlStatus prlGetCpuFreqMhz(int *pMhz)
{
    if (!pMhz)
        return prlStsNullPtrErr;

    Prl64u ticks[3];
    for (int round = 0; round < 3; ++round) {
        const Prl64u start = prlGetCpuClocks();
        const time_t begin = time(NULL);
        while (time(NULL) - begin < 1) {
        }
        ticks[round] = prlGetCpuClocks() - start;
    }
    /* The first round only lines up with a second boundary. */
    const float sum = (float)ticks[1] + (float)ticks[2];
    *pMhz = (int)((double)sum / 1000000.0 * 0.5);
    return prlStsNoErr;
}
