// Registration slots, initialisation calls, thread count and version record
// of the shared library.
#include "prlcore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace
{

struct Call {
    int slot;
    int cpuClass;
};
std::vector<Call> g_calls;

template <int Slot, PrlStatus Result> PrlStatus recordingInit(int cpuClass)
{
    g_calls.push_back({Slot, cpuClass});
    return Result;
}

class PrlFrame : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ownUnregisterLib(PRL_ALL_SLOTS);
        g_calls.clear();
        ASSERT_EQ(prlGetNumThreads(&m_threads), prlStsNoErr);
    }
    void TearDown() override
    {
        ownUnregisterLib(PRL_ALL_SLOTS);
        prlSetNumThreads(m_threads);
    }
    std::vector<int> calledSlots() const
    {
        std::vector<int> slots;
        for (const Call &c : g_calls)
            slots.push_back(c.slot);
        return slots;
    }
    int m_threads = 0;
};

TEST(PrlFrameLoad, SlotsAreEmptyAfterLoading)
{
    // Nothing registered yet in this process: the start-up emptied every slot.
    EXPECT_EQ(prlInit(), prlStsNoErr);
    EXPECT_EQ(prlInitCpu(0x46), prlStsNoErr);
}

TEST_F(PrlFrame, EveryLibraryRunsAndTheFirstNonZeroStatusWins)
{
    ownRegisterLib(3, recordingInit<3, prlStsNoOperationInDll>);
    ownRegisterLib(9, recordingInit<9, prlStsCpuNotSupportedErr>);
    ownRegisterLib(16, recordingInit<16, prlStsNoErr>);

    EXPECT_EQ(prlInit(), prlStsNoOperationInDll);
    EXPECT_EQ(calledSlots(), (std::vector<int>{3, 9, 16}));
    for (const Call &c : g_calls)
        EXPECT_EQ(c.cpuClass, -1) << "slot " << c.slot;

    g_calls.clear();
    EXPECT_EQ(prlInitCpu(0x45), prlStsNoOperationInDll);
    ASSERT_EQ(g_calls.size(), 3u);
    for (const Call &c : g_calls)
        EXPECT_EQ(c.cpuClass, 0x45) << "slot " << c.slot;
}

TEST_F(PrlFrame, ErrorOfAnEarlierSlotHidesWarningOfALaterOne)
{
    ownRegisterLib(0, recordingInit<0, prlStsCpuNotSupportedErr>);
    ownRegisterLib(1, recordingInit<1, prlStsNoOperationInDll>);
    EXPECT_EQ(prlInit(), prlStsCpuNotSupportedErr);
    EXPECT_EQ(calledSlots(), (std::vector<int>{0, 1}));
}

TEST_F(PrlFrame, SlotIndicesOutOfRangeAreIgnored)
{
    ownRegisterLib(17, recordingInit<17, prlStsCpuNotSupportedErr>);
    ownRegisterLib(0xFFFFFFFFu, recordingInit<17, prlStsCpuNotSupportedErr>);
    EXPECT_EQ(prlInit(), prlStsNoErr);
    EXPECT_TRUE(g_calls.empty());

    ownRegisterLib(5, recordingInit<5, prlStsNoOperationInDll>);
    ownUnregisterLib(17);
    EXPECT_EQ(prlInit(), prlStsNoOperationInDll);
}

TEST_F(PrlFrame, UnregisterOneSlotOrAll)
{
    ownRegisterLib(2, recordingInit<2, prlStsNoErr>);
    ownRegisterLib(4, recordingInit<4, prlStsNoOperationInDll>);
    ownUnregisterLib(4);
    EXPECT_EQ(prlInit(), prlStsNoErr);
    EXPECT_EQ(calledSlots(), (std::vector<int>{2}));

    g_calls.clear();
    ownRegisterLib(4, recordingInit<4, prlStsNoOperationInDll>);
    ownUnregisterLib(PRL_ALL_SLOTS);
    EXPECT_EQ(prlInit(), prlStsNoErr);
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(PrlFrame, RegistrationAfterInitialisationCountsAtTheNextCall)
{
    ownRegisterLib(1, recordingInit<1, prlStsNoErr>);
    EXPECT_EQ(prlInit(), prlStsNoErr);
    ownRegisterLib(7, recordingInit<7, prlStsNoOperationInDll>);
    ownRegisterLib(1, recordingInit<11, prlStsNoErr>); // replaces slot 1
    g_calls.clear();
    EXPECT_EQ(prlInit(), prlStsNoOperationInDll);
    EXPECT_EQ(calledSlots(), (std::vector<int>{11, 7}));
}

TEST(PrlFrameStatic, StaticEntryPointsDoNothing)
{
    EXPECT_EQ(prlStaticInit(), prlStsNoOperationInDll);
    EXPECT_EQ(prlStaticInitCpu(0x46), prlStsNoOperationInDll);
    EXPECT_EQ(prlSetAffinity(1, 3), prlStsNoErr);
}

TEST_F(PrlFrame, ThreadCount)
{
    EXPECT_GE(m_threads, 1);
    EXPECT_EQ(ownGetNumThreads(), m_threads);

    EXPECT_EQ(prlSetNumThreads(0), prlStsSizeErr);
    EXPECT_EQ(prlSetNumThreads(-4), prlStsSizeErr);
    EXPECT_EQ(ownGetNumThreads(), m_threads);

    EXPECT_EQ(prlSetNumThreads(m_threads + 5), prlStsNoErr);
    int n = 0;
    EXPECT_EQ(prlGetNumThreads(&n), prlStsNoErr);
    EXPECT_EQ(n, m_threads + 5);
    EXPECT_EQ(ownGetNumThreads(), m_threads + 5);

    EXPECT_EQ(prlGetNumThreads(nullptr), prlStsNullPtrErr);
}

TEST(PrlFrameVersion, VersionRecord)
{
    const PrlLibraryVersion *v = prlGetLibVersion();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v, prlGetLibVersion());
    EXPECT_EQ(v->major, 7);
    EXPECT_EQ(v->minor, 0);
    EXPECT_EQ(v->majorBuild, 205);
    EXPECT_EQ(v->build, 1049);
    EXPECT_EQ(std::memcmp(v->targetCpu, "core", 4), 0);
    // The file name is the one the dynamic loader knows the library by.
    EXPECT_STREQ(v->Name, PRLCORE_SONAME);
    EXPECT_STREQ(v->Version, "7.0 build 205.85");
    EXPECT_STREQ(v->BuildDate, "Nov 25 2011");
}

} // namespace
