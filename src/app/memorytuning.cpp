#include "memorytuning.h"

#include <cstdlib> // defines __GLIBC__ where glibc is the C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void keepLargeBlocksMapped()
{
#if defined(__GLIBC__)
    // A fixed threshold also stops the automatic raising of the trim
    // threshold, so freed heap tops go back to the system as well.
    mallopt(M_MMAP_THRESHOLD, 512 * 1024);
#endif
}

void releaseFreedHeap()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}
