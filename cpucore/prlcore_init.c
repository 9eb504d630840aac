/* Library frame: registration slots, initialisation, thread count, version. */
#include "prlcore_internal.h"

#include <omp.h>

static PrlInitFunc PrlDispatcher[PRL_DISPATCHER_SLOTS];
static int ownNumThreads = 1;
static int ownStarted = 0;

static const PrlLibraryVersion s_libVer = {
    7, 0, 205, 1049, {'c', 'o', 'r', 'e'}, "libprlcore.so.7", "7.0 build 205.85", "Nov 25 2011",
};

void ownRegisterLib(unsigned int slot, PrlInitFunc init)
{
    if (slot < PRL_DISPATCHER_SLOTS)
        PrlDispatcher[slot] = init;
}

void ownUnregisterLib(unsigned int slot)
{
    if (slot == PRL_ALL_SLOTS) {
        for (unsigned int i = 0; i < PRL_DISPATCHER_SLOTS; ++i)
            PrlDispatcher[i] = NULL;
    } else if (slot < PRL_DISPATCHER_SLOTS) {
        PrlDispatcher[slot] = NULL;
    }
}

/* Every registered library is initialised, even after one fails; the first
 * non-zero status in slot order is what the caller sees. */
static PrlStatus ownInitAll(int cpuClass)
{
    PrlStatus results[PRL_DISPATCHER_SLOTS];
    for (unsigned int i = 0; i < PRL_DISPATCHER_SLOTS; ++i)
        results[i] = PrlDispatcher[i] ? PrlDispatcher[i](cpuClass) : prlStsNoErr;
    for (unsigned int i = 0; i < PRL_DISPATCHER_SLOTS; ++i) {
        if (results[i] != prlStsNoErr)
            return results[i];
    }
    return prlStsNoErr;
}

PrlStatus prlInit(void)
{
    return ownInitAll(-1);
}

PrlStatus prlInitCpu(int cpuClass)
{
    return ownInitAll(cpuClass);
}

PrlStatus prlStaticInit(void)
{
    return prlStsNoOperationInDll;
}

PrlStatus prlStaticInitCpu(int cpuClass)
{
    (void)cpuClass;
    return prlStsNoOperationInDll;
}

PrlStatus prlSetNumThreads(int numThreads)
{
    if (numThreads <= 0)
        return prlStsSizeErr;
    ownNumThreads = numThreads;
    return prlStsNoErr;
}

PrlStatus prlGetNumThreads(int *pNumThreads)
{
    if (!pNumThreads)
        return prlStsNullPtrErr;
    *pNumThreads = ownNumThreads;
    return prlStsNoErr;
}

int ownGetNumThreads(void)
{
    return ownNumThreads;
}

PrlStatus prlSetAffinity(int mode, int value)
{
    (void)mode;
    (void)value;
    return prlStsNoErr;
}

const PrlLibraryVersion *prlGetLibVersion(void)
{
    return &s_libVer;
}

void ownLibStartup(void)
{
    if (ownStarted)
        return;
    int procs = omp_get_num_procs();
    int maxThreads = omp_get_max_threads();
    (void)prlSetNumThreads(procs < maxThreads ? procs : maxThreads);
    (void)prlGetCpuFeatures(NULL, NULL);
    ownUnregisterLib(PRL_ALL_SLOTS);
    ownStarted = 1;
}

__attribute__((constructor)) static void ownLibLoad(void)
{
    ownLibStartup();
}
