#include "tools/fixture_writer.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

TEST(PartMetBytes, PutsTheTagsAtTheOffsetsTheParserReads)
{
    const fixtures::Download film{std::string(300, 'n'), 9'727'999,
                                  "00112233445566778899aabbccddeeff", 1};
    // Below one part: no part hashes, so the tag count sits at 23 and its last byte is zero.
    const std::string bytes = fixtures::partMetBytes(film);
    EXPECT_EQ(bytes.substr(0, 23), "\xE0\0\0\0\0\x00\x11\x22\x33\x44\x55\x66\x77\x88\x99\xAA\xBB"
                                   "\xCC\xDD\xEE\xFF\0\0"s);
    EXPECT_EQ(bytes.substr(26, 7), "\x00\x02\x01\x00\x01\x2C\x01"s);
    EXPECT_EQ(bytes.substr(33, 300), film.name);
    EXPECT_EQ(bytes.substr(333, 12), "\x03\x01\x00\x02\xFF\x6F\x94\x00\x03\x01\x00\x08"s);
    EXPECT_EQ(fixtures::partMetBytes(film, {.fileTypeAfterSize = true}).substr(341, 4),
              "\x02\x01\x00\x03"s);
    for (int gaps : {0, 1, 3}) {
        const auto withGaps = fixtures::partMetBytes(film, {.gaps = gaps});
        const auto tail = withGaps.substr(withGaps.size() - 51);
        const auto gapEnd = "\x03\x02\x00\x0A"s + static_cast<char>('0' + gaps - 1);
        EXPECT_EQ(tail.find(gapEnd) != std::string::npos, gaps > 0) << gaps;
    }
}
