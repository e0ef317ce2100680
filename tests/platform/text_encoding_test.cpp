#include "platform/text_encoding.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

using namespace std::string_literals;

namespace {

TEST(AnsiText, ValidUtf8IsKeptAndAnythingElseReadAsWindows1252)
{
    const std::pair<std::string, std::string> cases[] = {
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
        {"caf\xE9 \x80\x81 \x92\x9F", "caf\xC3\xA9 \xE2\x82\xAC\xC2\x81 \xE2\x80\x99\xC5\xB8"},
        {"caf\xC3", "caf\xC3\x83"},
        {"\xE2\x82x", "\xC3\xA2\xE2\x80\x9Ax"},
        {"\xC0\xAF", "\xC3\x80\xC2\xAF"},
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
        {"\xC3\xA9\xE9", "\xC3\x83\xC2\xA9\xC3\xA9"},
    };
    for (const auto& [bytes, expected] : cases)
        EXPECT_EQ(platform::toDisplayUtf8(bytes), expected) << bytes;
    EXPECT_EQ(platform::windows1252ToUtf8("\xC3\xA9"), "\xC3\x83\xC2\xA9");
}

TEST(TextEncoding, Utf16DecodesPairsAndMarksWhatItCannotDecode)
{
    const struct {
        std::string bytes;
        std::string utf8;
        bool exact;
    } rows[] = {
        {"A\0\xE9\0\xAC\x20"s, "A\xC3\xA9\xE2\x82\xAC", true},
        {"\x3D\xD8\x00\xDE"s, "\xF0\x9F\x98\x80", true},
        {"\x00\xDC\101\0"s, "?A", false}, // a low surrogate alone; \101 is A
        {"\x3D\xD8\101\0"s, "?A", false}, // a high one whose pair never comes
        {"A\0\x3D\xD8"s, "A?", false},
        {"A\0B"s, "A", false}, // an odd last byte
    };
    for (const auto& row : rows) {
        const platform::DecodedUtf16 fromBytes = platform::utf16LeToUtf8(row.bytes);
        EXPECT_EQ(fromBytes.utf8, row.utf8) << row.bytes;
        EXPECT_EQ(fromBytes.exact, row.exact) << row.bytes;
        std::u16string units;
        for (std::size_t i = 0; i + 1 < row.bytes.size(); i += 2)
            units += char16_t(static_cast<unsigned char>(row.bytes[i]) |
                              static_cast<unsigned char>(row.bytes[i + 1]) << 8);
        EXPECT_EQ(platform::utf16ToUtf8(units).utf8, row.utf8) << row.bytes;
    }
}

TEST(TextEncoding, Utf8ToUtf16RoundTripsAndRefusesWhatIsNotStrictUtf8)
{
    EXPECT_EQ(platform::utf8ToUtf16Le("A\xF0\x9F\x98\x80"), "A\0\x3D\xD8\x00\xDE"s);
    for (const std::string& text :
         {""s, "caf\xC3\xA9"s, "\xE2\x82\xAC\xEF\xBF\xBF\xF4\x8F\xBF\xBF"s}) {
        ASSERT_TRUE(platform::isValidUtf8(text));
        EXPECT_EQ(platform::utf16LeToUtf8(platform::utf8ToUtf16Le(text).value()).utf8, text);
    }
    // Overlong, a surrogate, past U+10FFFF, cut short, a lone continuation byte.
    for (const char* bytes :
         {"\xC0\xAF", "\xE0\x9F\xBF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82", "\x80"}) {
        EXPECT_FALSE(platform::isValidUtf8(bytes)) << bytes;
        EXPECT_EQ(platform::utf8ToUtf16Le(bytes), std::nullopt) << bytes;
    }
}

TEST(TextEncoding, CutsToUtf16UnitsAtCharacterBoundaries)
{
    const std::string text = "a\xC3\xA9\xF0\x9F\x98\x80z"; // 1, 1, 2 and 1 units
    const std::pair<std::size_t, std::string> rows[] = {
        {0, ""},   {1, "a"},   {2, "a\xC3\xA9"}, {3, "a\xC3\xA9"}, {4, "a\xC3\xA9\xF0\x9F\x98\x80"},
        {5, text}, {99, text},
    };
    for (const auto& [units, prefix] : rows)
        EXPECT_EQ(platform::cutToUtf16Units(text, units), prefix) << units;
    EXPECT_EQ(platform::cutToUtf16Units("ab\xFF" + "cd"s, 10), "ab");
}

} // namespace
