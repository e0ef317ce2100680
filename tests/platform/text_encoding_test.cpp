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

// What could steer a terminal or reorder a line is shown as an escape, after
// decoding: the C1 controls that Windows-1252's undefined bytes stand for are
// caught as well as those written in UTF-8; the rest stays as it decodes.
TEST(ShownText, ControlsBidirectionalAndZeroWidthMarksAreEscaped)
{
    const std::pair<std::string, std::string> cases[] = {
        {"plain caf\xC3\xA9\tname \\x1b", "plain caf\xC3\xA9\tname \\x1b"},
        {"\x1b[1A\x1b[2K", "\\x1b[1A\\x1b[2K"},
        {"a\0b\x7F\r\n*** x"s, "a\\x00b\\x7f\\x0d\\x0a*** x"},
        {"\xC2\x9B"
         "2J \xC2\x85",
         "\\x9b2J \\x85"},
        {"caf\xE9\x9D\x81\x80", "caf\xC3\xA9\\x9d\\x81\xE2\x82\xAC"},
        {"gpj\xE2\x80\xAE.exe \xE2\x81\xA6x\xE2\x81\xA9", "gpj\\u202e.exe \\u2066x\\u2069"},
        {"zero\xE2\x80\x8Bwidth\xE2\x80\x8F \xE2\x80\xA8 \xEF\xBB\xBF",
         "zero\\u200bwidth\\u200f \\u2028 \\ufeff"},
        {"\xE2\x80\x8A \xE2\x80\xAF \xE2\x80\x90", "\xE2\x80\x8A \xE2\x80\xAF \xE2\x80\x90"},
    };
    for (const auto& [bytes, shown] : cases)
        EXPECT_EQ(platform::shownText(bytes), shown) << bytes;
    EXPECT_EQ(platform::shownLines("a\x1b\r\n\r\nb\nc\rd\r\n", "\r\n"),
              "a\\x1b\r\n\r\nb\r\nc\\x0dd\r\n");
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
