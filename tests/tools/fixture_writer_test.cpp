#include "tools/fixture_writer.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace {

unsigned byteAt(const std::string& bytes, std::size_t offset)
{
    return static_cast<unsigned char>(bytes.at(offset));
}

unsigned u16At(const std::string& bytes, std::size_t offset)
{
    return byteAt(bytes, offset) | byteAt(bytes, offset + 1) << 8;
}

std::uint32_t u32At(const std::string& bytes, std::size_t offset)
{
    return u16At(bytes, offset) | static_cast<std::uint32_t>(u16At(bytes, offset + 2)) << 16;
}

// Walks the tags from `offset` and returns how many there are; -1 when they
// do not end exactly at the end of the bytes.
int countTags(const std::string& bytes, std::size_t offset)
{
    int tags = 0;
    while (offset < bytes.size()) {
        const unsigned type = byteAt(bytes, offset);
        offset += 3 + u16At(bytes, offset + 1);
        if (type == 0x02)
            offset += 2 + u16At(bytes, offset);
        else if (type == 0x03)
            offset += 4;
        else
            return -1;
        ++tags;
    }
    return offset == bytes.size() ? tags : -1;
}

fixtures::Download download(std::uint32_t size, std::string name = "film.avi")
{
    return {std::move(name), size, "00112233445566778899aabbccddeeff", size / 2};
}

constexpr std::uint32_t kBelowOnePart = 9'727'999;

} // namespace

TEST(PartMetBytes, HasPartHashesOnlyFromOnePartUp)
{
    EXPECT_EQ(u16At(fixtures::partMetBytes(download(kBelowOnePart)), 21), 0u);
    const std::string bytes = fixtures::partMetBytes(download(20'000'000));
    EXPECT_EQ(u16At(bytes, 21), 3u);
    EXPECT_EQ(countTags(bytes, 23 + 3 * 16 + 4), static_cast<int>(u32At(bytes, 23 + 3 * 16)));
}

TEST(PartMetBytes, NameTagFollowsAZeroAndHasASixteenBitLength)
{
    const std::string name(300, 'n');
    const std::string bytes = fixtures::partMetBytes(download(kBelowOnePart, name));
    EXPECT_EQ(bytes.substr(0, 21), "\xE0\0\0\0\0\x00\x11\x22\x33\x44\x55\x66\x77\x88\x99\xAA\xBB"
                                   "\xCC\xDD\xEE\xFF"s);
    // Tag count at 23..26: its last byte is zero.
    EXPECT_EQ(bytes.substr(26, 7), "\x00\x02\x01\x00\x01\x2C\x01"s);
    EXPECT_EQ(bytes.substr(33, 300), name);
    EXPECT_EQ(bytes.substr(333, 8), "\x03\x01\x00\x02\xFF\x6F\x94\x00"s);
    EXPECT_EQ(bytes.substr(341, 4), "\x03\x01\x00\x08"s);
    EXPECT_EQ(countTags(bytes, 27), static_cast<int>(u32At(bytes, 23)));
}

TEST(PartMetBytes, FileTypeCanFollowTheSize)
{
    const std::string bytes =
        fixtures::partMetBytes(download(kBelowOnePart, "a.avi"), {.fileTypeAfterSize = true});
    EXPECT_EQ(bytes.substr(38, 4), "\x03\x01\x00\x02"s);
    EXPECT_EQ(bytes.substr(46, 11), "\x02\x01\x00\x03\x05\x00Video"s);
    EXPECT_EQ(countTags(bytes, 27), static_cast<int>(u32At(bytes, 23)));
}

TEST(PartMetBytes, EndsWithTheGaps)
{
    for (int gaps : {0, 1, 3, 9}) {
        const std::string bytes = fixtures::partMetBytes(download(50'000'000), {.gaps = gaps});
        const std::size_t tagsAt = 23 + 6 * 16;
        EXPECT_EQ(u32At(bytes, tagsAt), 6u + 2u * gaps);
        EXPECT_EQ(countTags(bytes, tagsAt + 4), static_cast<int>(6 + 2 * gaps));
        const std::string last = "\x03\x02\x00\x0A"s + static_cast<char>('0' + gaps - 1);
        EXPECT_EQ(bytes.substr(bytes.size() - 51).find(last) != std::string::npos, gaps > 0);
    }
}

TEST(PrefMetBytes, TempTagComesAfterNicknameAndIncomingFolder)
{
    const std::string bytes = fixtures::prefMetBytes("/x/temp/", "tempest", "/x/incoming/");
    EXPECT_EQ(bytes.substr(0, 5), "\x14\x04\0\0\0"s);
    EXPECT_EQ(bytes.substr(5, 16), "\x02\x04\x00nick\x07\x00tempest"s);
    const auto temp = bytes.find("\x02\x04\x00temp"s);
    ASSERT_NE(temp, std::string::npos);
    EXPECT_GT(temp, bytes.find("/x/incoming/"));
    EXPECT_EQ(bytes.substr(temp + 7), "\x08\x00/x/temp/\x03\x04\x00port\x36\x12\0\0"s);
}
