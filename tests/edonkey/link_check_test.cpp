#include "edonkey/link_check.h"

#include <gtest/gtest.h>

namespace {

const std::string hash = "69c092fb09c08501229957056c3639f2";

struct LinkCase {
    const char* scenario;
    std::string text;
    bool valid;
    std::string name = {};
    std::string size = {};
    std::string hash = {};
};

class Ed2kLinkParsing : public testing::TestWithParam<LinkCase> {};

} // namespace

TEST_P(Ed2kLinkParsing, TakesTheLinkApartOrRefusesIt)
{
    const auto& c = GetParam();
    const auto link = edonkey::parseEd2kLink(c.text);
    ASSERT_EQ(link.has_value(), c.valid);
    if (link) {
        EXPECT_EQ(link->name, c.name);
        EXPECT_EQ(link->size, c.size);
        EXPECT_EQ(link->hash, c.hash);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Ed2kLinkParsing,
    testing::Values(
        LinkCase{"webPageForm",
                 "<a href=\"ed2k://|file|Studio.54.DVD-Rip.DivX.avi|690956288|" + hash +
                     "|\">Studio.54.DVD-Rip.DivX.avi</a>",
                 true, "Studio.54.DVD-Rip.DivX.avi", "690956288", hash},
        LinkCase{"plainForm", "ed2k://|file|Studio.54.DVD-Rip.DivX.avi|690956288|" + hash + "|",
                 true, "Studio.54.DVD-Rip.DivX.avi", "690956288", hash},
        LinkCase{"moreFieldsAfterTheHash", "ed2k://|file|a b.iso|12|" + hash + "|h=ABCDEF|/", true,
                 "a b.iso", "12", hash},
        LinkCase{"emptyName", "ed2k://|file||12|" + hash + "|", true, "", "12", hash},
        LinkCase{"emptySize", "ed2k://|file|n||" + hash + "|", true, "n", "", hash},
        LinkCase{"upperCaseHashKeptAsTyped", "ed2k://|file|n|1|69C092FB09C08501229957056C3639F2|",
                 true, "n", "1", "69C092FB09C08501229957056C3639F2"},
        LinkCase{"anyCharactersMakeAHash", "ed2k://|file|n|1|" + std::string(32, ' ') + "|", true,
                 "n", "1", std::string(32, ' ')},
        LinkCase{"blankBeforeThePrefix", " ed2k://|file|n|1|" + hash + "|", false},
        LinkCase{"upperCasePrefix", "ED2K://|FILE|n|1|" + hash + "|", false},
        LinkCase{"serverLink", "ed2k://|server|1.2.3.4|4661|", false},
        LinkCase{"noClosingBarAfterTheHash", "ed2k://|file|n|1|" + hash, false},
        LinkCase{"hashOf31", "ed2k://|file|n|1|" + hash.substr(1) + "|", false},
        LinkCase{"hashOf33", "ed2k://|file|n|1|" + hash + "0|", false},
        LinkCase{"anchorWithSingleQuote", "<a href='ed2k://|file|n|1|" + hash + "|'>n</a>", false},
        LinkCase{"emptyText", "", false}, LinkCase{"prefixOnly", "ed2k://|file|", false}),
    [](const auto& info) { return std::string(info.param.scenario); });

TEST(CheckEd2kLink, AnswersFromTheDatabase)
{
    fakedb::FakeDatabase database;
    database.replace(hash + ",690956288,Fake\r\n" + hash + ",1,\r\n");
    const std::string link = "ed2k://|file|x|690956288|" + hash + "|";

    EXPECT_EQ(edonkey::checkEd2kLink(link, database), "*** Fake");
    EXPECT_EQ(edonkey::checkEd2kLink("ed2k://|file|x|1|" + hash + "|", database), "*** ");
    EXPECT_EQ(edonkey::checkEd2kLink("ed2k://|file|x|0690956288|" + hash + "|", database),
              "No Entry found");
    EXPECT_EQ(edonkey::checkEd2kLink("ed2k://|file|x||" + hash + "|", database), "No Entry found");
    EXPECT_EQ(edonkey::checkEd2kLink("ed2k://|file|x|690956288|" + hash, database), std::nullopt);
}
