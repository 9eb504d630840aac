/*
 * libprlcore: the common core of the processor-optimised computing libraries.
 *
 * Processor identification and feature mask, cache, core and clock figures,
 * 32-byte aligned memory, floating-point mode switches and status texts,
 * behind a plain C interface. Every call reports a signed 32-bit status:
 * 0 success, negative values errors, positive values warnings.
 */
#ifndef PRLCORE_H
#define PRLCORE_H

#include <stddef.h>
#include <stdint.h>

#if defined(PRLCORE_BUILDING)
#define PRL_API __attribute__((visibility("default")))
#else
#define PRL_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef int PrlStatus;
typedef uint32_t Prl32u;
typedef uint64_t Prl64u;

/* Status codes the core reports itself; the full list with texts is in
 * the status table behind prlGetStatusString(). */
enum {
    prlStsCpuNotSupportedErr = -9998,
    prlStsI18nMsgCatalogOpenErr = -218,
    prlStsI18nMsgCatalogCloseErr = -217,
    prlStsUnknownStatusCodeErr = -216,
    prlStsContextMatchErr = -17,
    prlStsMemAllocErr = -9,
    prlStsNullPtrErr = -8,
    prlStsSizeErr = -6,
    prlStsNoErr = 0,
    prlStsNoOperationInDll = 24,
    prlStsNotSupportedCpu = 36,
    prlStsUnknownCacheSize = 37,
    prlStsI18nMsgCatalogInvalid = 41,
    prlStsI18nGetMessageFail = 42
};

/* Processor classes reported by prlGetCpuType(). */
enum {
    prlCpuUnknown = 0x00,
    prlCpuFam6Mod15LowCores = 0x21,
    prlCpuFam6Mod15HighCores = 0x22,
    prlCpuFam6Mod23 = 0x23,
    prlCpuFam6Mod28 = 0x24,
    prlCpuFam6Mod26 = 0x25,
    prlCpuSSE = 0x40,
    prlCpuSSE2 = 0x41,
    prlCpuSSE3 = 0x42,
    prlCpuSSSE3 = 0x43,
    prlCpuSSE41 = 0x44,
    prlCpuSSE42 = 0x45,
    prlCpuAVX = 0x46,
    prlCpuX8664 = 0x60
};

/* Bits of the processor feature mask. */
#define PRL_CPUID_MMX 0x00000001ULL
#define PRL_CPUID_SSE 0x00000002ULL
#define PRL_CPUID_SSE2 0x00000004ULL
#define PRL_CPUID_SSE3 0x00000008ULL
#define PRL_CPUID_SSSE3 0x00000010ULL
#define PRL_CPUID_MOVBE 0x00000020ULL
#define PRL_CPUID_SSE41 0x00000040ULL
#define PRL_CPUID_SSE42 0x00000080ULL
#define PRL_CPUID_AVX 0x00000100ULL
#define PRL_AVX_ENABLEDBYOS 0x00000200ULL
#define PRL_CPUID_AES 0x00000400ULL
#define PRL_CPUID_CLMUL 0x00000800ULL
#define PRL_CPUID_ABR 0x00001000ULL
#define PRL_CPUID_RDRAND 0x00002000ULL
#define PRL_CPUID_F16C 0x00004000ULL

/* Preset of the mask variable that makes prlGetCpuFeatures() run the leaf
 * and subleaf found in registers 0 and 2: the characters "getinfoa". */
#define PRL_CPUID_GETINFO_A 0x616F666E69746567ULL

/* Number of library registration slots. */
#define PRL_DISPATCHER_SLOTS 17
/* Slot index that empties every slot in ownUnregisterLib(). */
#define PRL_ALL_SLOTS 0xFFFFFFFFu

typedef PrlStatus (*PrlInitFunc)(int cpuClass);

typedef struct PrlLibraryVersion {
    int major;
    int minor;
    int majorBuild;
    int build;
    char targetCpu[4]; /* no terminator */
    const char *Name;
    const char *Version;
    const char *BuildDate;
} PrlLibraryVersion;

/* Opaque message catalogue handle. */
typedef struct PrlMsgCatalog PrlMsgCatalog;

/* Library frame */
PRL_API void ownRegisterLib(unsigned int slot, PrlInitFunc init);
PRL_API void ownUnregisterLib(unsigned int slot);
PRL_API PrlStatus prlInit(void);
PRL_API PrlStatus prlInitCpu(int cpuClass);
PRL_API PrlStatus prlStaticInit(void);
PRL_API PrlStatus prlStaticInitCpu(int cpuClass);
PRL_API PrlStatus prlSetNumThreads(int numThreads);
PRL_API PrlStatus prlGetNumThreads(int *pNumThreads);
PRL_API int ownGetNumThreads(void);
PRL_API PrlStatus prlSetAffinity(int mode, int value); /* arguments ignored */
PRL_API const PrlLibraryVersion *prlGetLibVersion(void);

/* Processor identification */
PRL_API int prlGetCpuType(void);
PRL_API PrlStatus prlGetCpuFeatures(Prl64u *pFeaturesMask, Prl32u cpuidInfo[4]);
PRL_API PrlStatus prlSetCpuFeaturesMask(Prl64u mask);
PRL_API Prl64u prlGetEnabledCpuFeatures(void);
PRL_API int ownGetFeature(Prl64u mask);
PRL_API int prlIsCpuEnabled(int cpuClass);
PRL_API PrlStatus prlEnableCpu(int cpuClass);

/* Cache, cores and clocks */
PRL_API PrlStatus prlGetMaxCacheSizeB(int *pSizeBytes);
PRL_API int prlGetNumCoresOnDie(void);
PRL_API Prl64u prlGetCpuClocks(void);
PRL_API PrlStatus prlGetCpuFreqMhz(int *pMhz);

/* Aligned memory and floating-point modes */
PRL_API extern void *(*i_malloc)(size_t size);
PRL_API extern void *(*i_calloc)(size_t count, size_t size);
PRL_API extern void *(*i_realloc)(void *ptr, size_t size);
PRL_API extern void (*i_free)(void *ptr);

PRL_API void *prlMalloc(int length);
PRL_API void prlFree(void *ptr);
PRL_API void *prlAlignPtr(void *ptr, int alignBytes);
PRL_API PrlStatus prlSetFlushToZero(int value, Prl32u *pUMask);
PRL_API PrlStatus prlSetDenormAreZeros(int value);

/* Status texts and message catalogue */
PRL_API const char *prlGetStatusString(PrlStatus code);
PRL_API int prlStatusToMessageIdI18n(PrlStatus code);
PRL_API PrlStatus prlMessageCatalogOpenI18n(PrlMsgCatalog **pCatalog);
PRL_API PrlStatus prlMessageCatalogCloseI18n(PrlMsgCatalog *catalog);
PRL_API PrlStatus prlGetMessageStatusI18n(PrlMsgCatalog *catalog, PrlStatus code, const char **pMessage);

#ifdef __cplusplus
}
#endif

#endif /* PRLCORE_H */
