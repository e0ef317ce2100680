#include "edonkey/part_file.h"

#include "tools/fixture_writer.h"

#include <gtest/gtest.h>

#include <random>

using namespace std::string_literals;
using edonkey::parsePartFile;

namespace {

// A part file header with a hash of 00 01 02 ... 0f, followed by `rest`.
std::string withHeader(const std::string& rest)
{
    std::string bytes = "\xE0\x00\x00\x00\x00"s;
    for (char i = 0; i < 16; ++i)
        bytes += i;
    return bytes + rest;
}

std::string le32(std::uint32_t v)
{
    return {char(v & 0xFF), char(v >> 8 & 0xFF), char(v >> 16 & 0xFF), char(v >> 24 & 0xFF)};
}

const std::string sizeTag = "\x03\x01\x00\x02"s;
const std::string transferredTag = "\x03\x01\x00\x08"s;
const std::string fileTypeTag = "\x02\x01\x00\x03"s;

} // namespace

TEST(ByteToHex, GivesTwoLowerCaseDigitsHighNibbleFirst)
{
    EXPECT_EQ(edonkey::byteToHex(0), "00");
    EXPECT_EQ(edonkey::byteToHex(10), "0a");
    EXPECT_EQ(edonkey::byteToHex(171), "ab");
    EXPECT_EQ(edonkey::byteToHex(255), "ff");
}

TEST(ParsePartFile, RefusesAnythingButTheClientHeader)
{
    const std::string hashAndTags = std::string(16, '\x11') + sizeTag + le32(5) + transferredTag;
    for (const auto& bytes :
         {""s, "\xE0"s, "\xE0\x00\x00\x00"s, "\xE1\x00\x00\x00\x00"s + hashAndTags,
          "\xE2\x00\x00\x00\x00"s + hashAndTags, "\xE0\x01\x00\x00\x00"s + hashAndTags,
          "\xE0\x00\x00\x00\x80"s + hashAndTags, "\x00\xE0\x00\x00\x00\x00"s + hashAndTags}) {
        EXPECT_FALSE(parsePartFile(bytes)) << testing::PrintToString(bytes);
    }
}

TEST(ParsePartFile, HashKeepsLeadingZerosOfEveryByte)
{
    std::string bytes = "\xE0\x00\x00\x00\x00\x00\x0A\xFF"s + std::string(13, '\x01');
    const auto info = parsePartFile(bytes);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->hash, "000aff01010101010101010101010101");
}

TEST(ParsePartFile, ShortFilesGiveZeroBytesInsteadOfReadingPastTheEnd)
{
    const auto info = parsePartFile("\xE0\x00\x00\x00\x00"s);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->hash, std::string(32, '0'));
    EXPECT_EQ(info->size, 0u);
    EXPECT_EQ(info->name, "");
}

struct SizeCase {
    const char* scenario;
    std::string tags;
    std::uint32_t size;
};

class PartFileSize : public testing::TestWithParam<SizeCase> {};

TEST_P(PartFileSize, IsTakenFromTheRightPlace)
{
    const auto info = parsePartFile(withHeader(GetParam().tags));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->size, GetParam().size);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PartFileSize,
    testing::Values(
        SizeCase{"followedByTransferred", sizeTag + le32(123456) + transferredTag + le32(9),
                 123456},
        SizeCase{"followedByFileType", sizeTag + le32(777) + fileTypeTag + "\x05\x00Video"s, 777},
        SizeCase{"falseMatchInPartHashesIsPassedOver",
                 sizeTag + le32(1) + "\x12\x34\x56\x78"s + sizeTag + le32(42) + transferredTag +
                     le32(0),
                 42},
        SizeCase{"highBitSet", sizeTag + "\x00\x00\x00\x80"s + transferredTag + le32(0),
                 2147483648u},
        SizeCase{"largest", sizeTag + "\xFF\xFF\xFF\xFF"s + transferredTag + le32(0), 4294967295u},
        SizeCase{"gapEndInTheTailWhenNoSizeTagIsAccepted",
                 std::string(60, 'x') +
                     "\x03\x02\x00\x0A"
                     "0"s +
                     le32(5000) + "zz"s,
                 5000},
        SizeCase{"tailBytesFourToSevenWithoutGapEnd",
                 std::string(60, 'x') + "abcd"s + le32(31337) + std::string(43, 'y'), 31337},
        // No follower fits, and the whole file is its own tail: bytes 4 to 7 are the
        // last date byte and the first three hash bytes.
        SizeCase{"sizeTagAtTheVeryEnd", sizeTag + le32(55), 0x02010000u}),
    [](const auto& info) { return std::string(info.param.scenario); });

TEST(ParsePartFile, NameUsesTheWholeSixteenBitLength)
{
    const std::string name(300, 'n');
    const auto info =
        parsePartFile(withHeader("\x00\x00\x00\x00\x02\x01\x00\x01\x2C\x01"s + name + "tail"));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->name, name);
}

TEST(ParsePartFile, NameLengthPastTheEndGivesWhatIsThere)
{
    const auto info = parsePartFile(withHeader("\x00\x02\x01\x00\x01\xFF\xFF"
                                               "abc"s));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->name, "abc");
}

TEST(ParsePartFile, MissingNameTagGivesAnEmptyName)
{
    const auto info = parsePartFile(withHeader(sizeTag + le32(1) + transferredTag + le32(0)));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->name, "");
    EXPECT_EQ(info->size, 1u);
}

TEST(ParsePartFile, ReadsWhatTheClientWrites)
{
    std::mt19937 random(7);
    for (int i = 0; i < 200; ++i) {
        fixtures::Download download;
        download.size = static_cast<std::uint32_t>(random());
        download.hash = fixtures::hashFromSeed(random());
        download.transferred = download.size / 3;
        const auto nameLength = random() % 400;
        for (std::size_t c = 0; c < nameLength; ++c)
            download.name += static_cast<char>(random() % 256);
        fixtures::PartLayout layout;
        layout.fileTypeAfterSize = i % 2 == 1;
        layout.gaps = static_cast<int>(random() % 4);

        const auto info = parsePartFile(fixtures::partMetBytes(download, layout));
        ASSERT_TRUE(info) << i;
        EXPECT_EQ(*info, (edonkey::PartFileInfo{download.hash, download.size, download.name}))
            << "download " << i;
    }
}

TEST(FindSizeBeforeTransferredTag, AcceptsOnlyTheTransferredBytesFollower)
{
    EXPECT_FALSE(edonkey::findSizeBeforeTransferredTag(
        withHeader(sizeTag + le32(777) + fileTypeTag + "\x05\x00Video"s)));
    EXPECT_EQ(edonkey::findSizeBeforeTransferredTag(withHeader(
                  sizeTag + le32(777) + fileTypeTag + sizeTag + le32(99) + transferredTag)),
              99u);
}
