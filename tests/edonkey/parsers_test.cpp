#include "edonkey/link_check.h"
#include "edonkey/part_file.h"
#include "edonkey/pref_met.h"
#include "tools/fixture_writer.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>

using namespace std::string_literals;
using edonkey::findTempFolder;
using edonkey::parsePartFile;

namespace {

// A part file header with a hash of 00 01 02 ... 0f, followed by `rest`.
std::string withHeader(const std::string& rest)
{
    return "\xE0\0\0\0\0\0\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F"s + rest;
}

std::string le32(std::uint32_t v)
{
    return {char(v & 0xFF), char(v >> 8 & 0xFF), char(v >> 16 & 0xFF), char(v >> 24 & 0xFF)};
}

const std::string sizeTag = "\x03\x01\x00\x02"s;
const std::string doneTag = "\x03\x01\x00\x08"s;
const std::string typeTag = "\x02\x01\x00\x03\x05\x00Video"s;

const std::string hash = "69c092fb09c08501229957056c3639f2";
const std::string prefix = "ed2k://|file|";

} // namespace

TEST(ParsePartFile, RefusesAnythingButTheClientHeaderAndKeepsEveryHashDigit)
{
    const std::string rest = std::string(16, '\x11') + sizeTag + le32(5) + doneTag;
    for (const auto& bytes : {""s, "\xE0\x00\x00\x00"s, "\xE1\x00\x00\x00\x00"s + rest,
                              "\xE2\x00\x00\x00\x00"s + rest, "\xE0\x01\x00\x00\x00"s + rest,
                              "\xE0\x00\x00\x00\x80"s + rest, "\x00\xE0\x00\x00\x00\x00"s + rest})
        EXPECT_FALSE(parsePartFile(bytes)) << testing::PrintToString(bytes);
    const auto info = parsePartFile("\xE0\x00\x00\x00\x00\x00\x0A\xFF"s + std::string(13, 1));
    EXPECT_EQ(info.value().hash, "000aff01010101010101010101010101");
    EXPECT_EQ(parsePartFile("\xE0\x00\x00\x00\x00"s),
              (edonkey::PartFileInfo{std::string(32, '0'), 0, ""}));
}

TEST(ParsePartFile, FindsTheSize)
{
    const std::pair<std::string, std::uint32_t> cases[] = {
        {sizeTag + le32(123456) + doneTag + le32(9), 123456},
        {sizeTag + le32(777) + typeTag, 777},
        // A match inside the part hashes has no known follower and is passed over.
        {sizeTag + le32(1) + "\x12\x34\x56\x78" + sizeTag + le32(42) + doneTag, 42},
        {sizeTag + le32(2147483648u) + doneTag + le32(0), 2147483648u},
        {sizeTag + le32(4294967295u) + doneTag + le32(0), 4294967295u},
        // No accepted size tag: the gap-end among the last 51 bytes, else bytes 4 to 7 of
        // them; a file shorter than that is its own tail (last date byte, hash 00 01 02).
        {std::string(60, 'x') + "\x03\x02\x00\x0A"s + "0" + le32(5000) + "zz", 5000},
        {std::string(60, 'x') + "abcd" + le32(31337) + std::string(43, 'y'), 31337},
        {sizeTag + le32(55), 0x02010000u},
    };
    for (const auto& [tags, size] : cases)
        EXPECT_EQ(parsePartFile(withHeader(tags)).value().size, size)
            << testing::PrintToString(tags);
}

TEST(ParsePartFile, NameUsesTheWholeSixteenBitLengthAndStopsAtTheEnd)
{
    const std::string name(300, 'n');
    for (const auto& [tags, expected] :
         {std::pair{"\x00\x00\x00\x00\x02\x01\x00\x01\x2C\x01"s + name + "tail", name},
          {"\x00\x02\x01\x00\x01\xFF\xFF"s + "abc", "abc"s},
          {sizeTag + le32(1) + doneTag + le32(0), ""s}})
        EXPECT_EQ(parsePartFile(withHeader(tags)).value().name, expected);
}

TEST(ParsePartFile, ReadsWhatTheClientWrites)
{
    std::mt19937 random(7);
    for (int i = 0; i < 200; ++i) {
        const auto size = static_cast<std::uint32_t>(random());
        fixtures::Download download{"", size, fixtures::hashFromSeed(random()), size / 3};
        for (auto c = random() % 400; c > 0; --c)
            download.name += static_cast<char>(random() % 256);
        const fixtures::PartLayout layout{i % 2 == 1, static_cast<int>(random() % 4)};
        EXPECT_EQ(parsePartFile(fixtures::partMetBytes(download, layout)),
                  (edonkey::PartFileInfo{download.hash, download.size, download.name}))
            << i;
    }
}

TEST(FindTempFolder, FindsTheTempTagOrFails)
{
    const std::string longPath = "/" + std::string(297, 'd'); // length bytes 2A 01
    const std::pair<std::string, std::string> cases[] = {
        {fixtures::prefMetBytes("C:\\eDonkey\\temp"), "C:\\eDonkey\\temp"},
        {fixtures::prefMetBytes("/real/temp/", "tempest", "/home/temp/incoming/"), "/real/temp/"},
        {fixtures::prefMetBytes(longPath), longPath},
        {"\x14junk temp\x05\x00/tmp/rest"s, "/tmp/"}, // first bare "temp"
        {"temp\x00\x00"s, ""},
        {"\x02\x04\x00temp\xFF\xFF/short"s, "/short"}, // length past the end
        {"temp\x09"s, ""},
    };
    for (const auto& [bytes, folder] : cases)
        EXPECT_EQ(findTempFolder(bytes), folder) << testing::PrintToString(bytes);
    // Any string tag by name, the whole tag before a bare name in the nickname.
    EXPECT_EQ(edonkey::findStringTag(fixtures::prefMetBytes("/t/", "incoming", "/in/"), "incoming"),
              "/in/");
    for (const auto& bytes : {""s, "\x02\x04\x00TEMP\x03\x00/x/"s, "\x02\x04\x00Temp\x03\x00/x/"s,
                              "\x14\x02\x04\x00temp"s})
        EXPECT_FALSE(findTempFolder(bytes)) << testing::PrintToString(bytes);
}

TEST(ParseEd2kLink, TakesTheLinkApartOrRefusesIt)
{
    const std::string upper = "69C092FB09C08501229957056C3639F2", blanks(32, ' ');
    const std::string studio = "Studio.54.DVD-Rip.DivX.avi";
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        // name, size, hash
        {"<a href=\"" + prefix + studio + "|690956288|" + hash + "|\">" + studio + "</a>",
         {studio, "690956288", hash}},
        {prefix + studio + "|690956288|" + hash + "|", {studio, "690956288", hash}},
        {prefix + "a b.iso|12|" + hash + "|h=ABCDEF|/", {"a b.iso", "12", hash}},
        {prefix + "|12|" + hash + "|", {"", "12", hash}},
        {prefix + "n|1|" + upper + "|", {"n", "1", upper}},
        {prefix + "n|1|" + blanks + "|", {"n", "1", blanks}},
    };
    for (const auto& [text, parts] : cases) {
        const auto link = edonkey::parseEd2kLink(text);
        ASSERT_TRUE(link) << text;
        EXPECT_EQ((std::vector{link->name, link->size, link->hash}), parts);
    }
    for (const auto& text : {" " + prefix + "n|1|" + hash + "|", "ED2K://|FILE|n|1|" + hash + "|",
                             "ed2k://|server|1.2.3.4|4661|"s, prefix + "n|1|" + hash,
                             prefix + "n|1|" + hash.substr(1) + "|", prefix + "n|1|" + hash + "0|",
                             "<a href='" + prefix + "n|1|" + hash + "|'>n</a>", ""s, prefix})
        EXPECT_FALSE(edonkey::parseEd2kLink(text)) << text;
}

TEST(CheckEd2kLink, AnswersFromTheDatabase)
{
    using enum edonkey::LinkVerdict;
    fakedb::FakeDatabase database;
    database.replace(hash + ",690956288,Fake\r\n" + hash + ",1,\r\n");
    for (const auto& [link, verdict, hit] :
         {std::tuple{prefix + "x|690956288|" + hash + "|", Fake, "*** Fake"},
          {prefix + "x|1|" + hash + "|", Fake, "*** "},
          {prefix + "x|0690956288|" + hash + "|", NotListed, ""},
          {prefix + "x||" + hash + "|", NotListed, ""}}) {
        const auto check = edonkey::checkEd2kLink(link, database);
        EXPECT_EQ(check.verdict, verdict) << link;
        EXPECT_EQ(check.hit, hit) << link;
    }
}
