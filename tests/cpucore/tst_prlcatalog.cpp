// Localised status messages through the message catalogue "prlmsg.cat".
// CTest builds a test catalogue with gencat and points NLSPATH at it.
#include "prlcore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{

// Puts NLSPATH at a folder without a catalogue for the fixture's lifetime.
class NoCatalogue
{
public:
    NoCatalogue()
    {
        if (const char *old = std::getenv("NLSPATH")) {
            m_had = true;
            m_old = old;
        }
        setenv("NLSPATH", "/nonexistent-prlcore-catalogues/%N", 1);
    }
    ~NoCatalogue()
    {
        if (m_had)
            setenv("NLSPATH", m_old.c_str(), 1);
        else
            unsetenv("NLSPATH");
    }

private:
    bool m_had = false;
    std::string m_old;
};

TEST(PrlCatalog, TranslatedMessages)
{
    ASSERT_NE(std::getenv("NLSPATH"), nullptr) << "the test catalogue is found through NLSPATH";
    PrlMsgCatalog *cat = nullptr;
    ASSERT_EQ(prlMessageCatalogOpenI18n(&cat), prlStsNoErr);
    ASSERT_NE(cat, nullptr);

    struct Case {
        PrlStatus code;
        PrlStatus status;
        std::string text;
    };
    const Case cases[] = {
        {-8, prlStsNoErr, "Puntatore nullo"},
        {24, prlStsNoErr, "La funzione non fa nulla nella versione dinamica della libreria"},
        {-216, prlStsNoErr, "Codice di stato sconosciuto"},
        {-165, prlStsNoErr, "Codice di stato sconosciuto"}, // every unknown code is message 9784
        {123456, prlStsNoErr, "Codice di stato sconosciuto"},
        {0, prlStsI18nGetMessageFail, "prlStsNoErr: No error, it's OK"}, // message 10000 is missing
        {-6, prlStsI18nGetMessageFail, "prlStsSizeErr: Wrong value of data size"},
    };
    for (const Case &c : cases) {
        const char *text = nullptr;
        EXPECT_EQ(prlGetMessageStatusI18n(cat, c.code, &text), c.status) << c.code;
        ASSERT_NE(text, nullptr) << c.code;
        EXPECT_EQ(std::string(text), c.text) << c.code;
        if (c.status == prlStsI18nGetMessageFail) {
            EXPECT_EQ(text, prlGetStatusString(c.code)) << "the English text itself";
        }
    }
    EXPECT_EQ(prlMessageCatalogCloseI18n(cat), prlStsNoErr);
}

TEST(PrlCatalog, WithoutCatalogueTheEnglishTextIsGiven)
{
    NoCatalogue none;
    PrlMsgCatalog *cat = nullptr;
    ASSERT_EQ(prlMessageCatalogOpenI18n(&cat), prlStsI18nMsgCatalogOpenErr);
    ASSERT_NE(cat, nullptr) << "the handle is usable all the same";

    const char *text = nullptr;
    EXPECT_EQ(prlGetMessageStatusI18n(cat, -8, &text), prlStsI18nMsgCatalogInvalid);
    EXPECT_EQ(text, prlGetStatusString(-8));
    EXPECT_EQ(prlGetMessageStatusI18n(cat, -165, &text), prlStsI18nMsgCatalogInvalid);
    EXPECT_STREQ(text, "prlStsUnknownStatusCodeErr: Unknown Status Code");

    EXPECT_EQ(prlMessageCatalogCloseI18n(cat), prlStsI18nMsgCatalogCloseErr);
}

TEST(PrlCatalog, NullArguments)
{
    EXPECT_EQ(prlMessageCatalogOpenI18n(nullptr), prlStsNullPtrErr);
    EXPECT_EQ(prlMessageCatalogCloseI18n(nullptr), prlStsNullPtrErr);

    NoCatalogue none;
    PrlMsgCatalog *cat = nullptr;
    prlMessageCatalogOpenI18n(&cat);
    ASSERT_NE(cat, nullptr);
    const char *text = "untouched";
    EXPECT_EQ(prlGetMessageStatusI18n(nullptr, 0, &text), prlStsNullPtrErr);
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(prlGetMessageStatusI18n(cat, 0, nullptr), prlStsNullPtrErr);
    prlMessageCatalogCloseI18n(cat);
}

TEST(PrlCatalog, ForeignBlockFailsTheTagCheck)
{
    alignas(8) unsigned char block[24] = {};
    auto *fake = reinterpret_cast<PrlMsgCatalog *>(block);
    const char *text = nullptr;
    EXPECT_EQ(prlGetMessageStatusI18n(fake, 0, &text), prlStsContextMatchErr);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(prlMessageCatalogCloseI18n(fake), prlStsContextMatchErr);
}

// ---- Allocation through the hooks ------------------------------------------

std::vector<void *> g_heldBack;
void holdBackFree(void *p)
{
    g_heldBack.push_back(p);
}
void *failingMalloc(size_t)
{
    return nullptr;
}

class HookedAllocation : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_malloc = i_malloc;
        m_free = i_free;
        g_heldBack.clear();
    }
    void TearDown() override
    {
        i_malloc = m_malloc;
        i_free = m_free;
        for (void *p : g_heldBack)
            std::free(p);
        g_heldBack.clear();
    }
    void *(*m_malloc)(size_t) = nullptr;
    void (*m_free)(void *) = nullptr;
};

// A closed handle must not pass for a live one. The hook keeps the memory
// so the stale handle can be looked at without touching freed memory.
TEST_F(HookedAllocation, ClosedHandleIsRejected)
{
    i_free = holdBackFree;
    for (bool withCatalogue : {true, false}) {
        SCOPED_TRACE(withCatalogue ? "catalogue" : "no catalogue");
        std::unique_ptr<NoCatalogue> none;
        if (!withCatalogue)
            none.reset(new NoCatalogue);
        PrlMsgCatalog *cat = nullptr;
        prlMessageCatalogOpenI18n(&cat);
        ASSERT_NE(cat, nullptr);
        prlMessageCatalogCloseI18n(cat);
        ASSERT_FALSE(g_heldBack.empty()) << "the handle went back through i_free";

        const char *text = nullptr;
        EXPECT_EQ(prlMessageCatalogCloseI18n(cat), prlStsContextMatchErr);
        EXPECT_EQ(prlGetMessageStatusI18n(cat, -8, &text), prlStsContextMatchErr);
        EXPECT_EQ(text, nullptr);
    }
}

TEST_F(HookedAllocation, NoMemoryForTheHandle)
{
    i_malloc = failingMalloc;
    PrlMsgCatalog *cat = reinterpret_cast<PrlMsgCatalog *>(&g_heldBack);
    EXPECT_EQ(prlMessageCatalogOpenI18n(&cat), prlStsMemAllocErr);
    EXPECT_EQ(cat, reinterpret_cast<PrlMsgCatalog *>(&g_heldBack));
}

} // namespace
