/* Aligned memory through replaceable allocation hooks; MXCSR switches. */
#include "prlcore_internal.h"

#include <stdint.h>
#include <stdlib.h>
#include <xmmintrin.h>

void *(*i_malloc)(size_t size) = malloc;
void *(*i_calloc)(size_t count, size_t size) = calloc;
void *(*i_realloc)(void *ptr, size_t size) = realloc;
void (*i_free)(void *ptr) = free;

#define PRL_ALIGN 32u
/* Room for the stored block address plus the worst-case alignment gap. */
#define PRL_ALLOC_EXTRA (PRL_ALIGN + sizeof(void *))

#define MXCSR_FTZ 0x8000u
#define MXCSR_DAZ 0x0040u
#define MXCSR_MASKS 0x1F80u
#define MXCSR_UNDERFLOW_MASK 0x0800u

void *prlMalloc(int length)
{
    if (length < 1)
        return NULL;
    /* Computed in size_t: an int sum would overflow for lengths near INT_MAX. */
    if ((size_t)length > SIZE_MAX - PRL_ALLOC_EXTRA)
        return NULL;
    void *block = i_malloc((size_t)length + PRL_ALLOC_EXTRA);
    if (!block)
        return NULL;
    const uintptr_t aligned = ((uintptr_t)block + PRL_ALLOC_EXTRA - 1) & ~(uintptr_t)(PRL_ALIGN - 1);
    void **result = (void **)aligned;
    result[-1] = block;
    return result;
}

void prlFree(void *ptr)
{
    if (!ptr)
        return;
    i_free(((void **)ptr)[-1]);
}

void *prlAlignPtr(void *ptr, int alignBytes)
{
    const uintptr_t p = (uintptr_t)ptr;
    const uintptr_t mask = (uintptr_t)(intptr_t)alignBytes - 1u;
    return (void *)(p + ((0u - (p & mask)) & mask));
}

Prl32u ownSetMxcsr(Prl32u value, Prl32u mask)
{
    const Prl32u old = _mm_getcsr();
    _mm_setcsr((old & ~mask) | (value & mask));
    return old;
}

static int ownHasSse(void)
{
    Prl32u regs[4];
    ownGetReg(regs, 1, 0);
    return (regs[PRL_EDX] >> 25) & 1u;
}

PrlStatus prlSetFlushToZero(int value, Prl32u *pUMask)
{
    if (!ownHasSse())
        return prlStsCpuNotSupportedErr;
    if (value) {
        /* Underflow must be masked for flush-to-zero to act. */
        const Prl32u masks = _mm_getcsr() & MXCSR_MASKS;
        const Prl32u old = ownSetMxcsr(MXCSR_FTZ | masks | MXCSR_UNDERFLOW_MASK, MXCSR_FTZ | MXCSR_MASKS);
        if (pUMask)
            *pUMask = old & MXCSR_UNDERFLOW_MASK;
    } else {
        Prl32u mask = MXCSR_FTZ;
        if (pUMask && *pUMask == 0)
            mask |= MXCSR_UNDERFLOW_MASK; /* underflow was unmasked before */
        ownSetMxcsr(0, mask);
    }
    return prlStsNoErr;
}

PrlStatus prlSetDenormAreZeros(int value)
{
    if (!ownHasSse())
        return prlStsCpuNotSupportedErr;
    ownSetMxcsr(value ? MXCSR_DAZ : 0, MXCSR_DAZ);
    return prlStsNoErr;
}
