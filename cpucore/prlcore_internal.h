/*
 * Internal interfaces of libprlcore. Nothing here is exported from the
 * shared library (the library is built with hidden visibility); the unit
 * tests reach these through the static archive built from the same objects.
 */
#ifndef PRLCORE_INTERNAL_H
#define PRLCORE_INTERNAL_H

#include "prlcore.h"

#ifdef __cplusplus
extern "C" {
#endif

/* CPUID register order used everywhere: EAX, EBX, ECX, EDX. */
enum { PRL_EAX = 0, PRL_EBX = 1, PRL_ECX = 2, PRL_EDX = 3 };

/* Runs CPUID with EAX = leaf and ECX = subleaf. */
void ownGetReg(Prl32u regs[4], Prl32u leaf, Prl32u subleaf);
/* Runs XGETBV for the extended control register `index`. */
Prl64u ownGetXcr(Prl32u index);
/* 1 when the vendor text of leaf 0 is the library's own vendor. */
int ownIsOwnVendor(void);

/* Processor identification record, read from leaf 1 and a few others. */
typedef struct OwnCpuId {
    Prl32u maxBasicLeaf;
    Prl32u maxExtLeaf;
    int ownVendor;
    int stepping;
    int model;
    int family;
    int extModel;
    int extFamily;
    Prl32u leaf1Ecx;
    Prl32u leaf1Edx;
    int longMode;
    int coresPerPackage;
} OwnCpuId;

void ownReadCpuId(OwnCpuId *id);

/* Cached figures and settings. */
extern Prl64u ownFeatures;
extern int ownFeaturesAreValid;
extern Prl64u ownFeaturesMask;
extern int is_avx_cpu_enabled;
extern int ownStatus;
extern int cacheSize;

typedef struct OwnCacheDescriptor {
    int descriptor;
    int sizeBytes;
} OwnCacheDescriptor;
extern const OwnCacheDescriptor tableCache[];

typedef struct OwnStatusRow {
    PrlStatus code;
    const char *text;
} OwnStatusRow;
extern const OwnStatusRow prlMsg[];
extern const int ownStatusRowCount;

/* Writes MXCSR = (old & ~mask) | (value & mask); returns the old value. */
Prl32u ownSetMxcsr(Prl32u value, Prl32u mask);

/* Load-time start-up; guarded so a second call does nothing. */
void ownLibStartup(void);

/*
 * Test seam: replace the CPUID and XGETBV instructions by functions that
 * describe another processor. Passing null restores the instructions.
 * ownResetCpuCache() forgets the cached feature mask and cache figure so
 * they are computed again from the current source.
 */
typedef void (*OwnCpuidSource)(Prl32u leaf, Prl32u subleaf, Prl32u regs[4]);
typedef Prl64u (*OwnXgetbvSource)(Prl32u index);
void ownSetCpuidSource(OwnCpuidSource cpuid, OwnXgetbvSource xgetbv);
void ownResetCpuCache(void);

#ifdef __cplusplus
}
#endif

#endif /* PRLCORE_INTERNAL_H */
