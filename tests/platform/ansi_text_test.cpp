#include "platform/ansi_text.h"

#include <gtest/gtest.h>

#include <set>

using namespace std::string_literals;

namespace {

struct TextCase {
    const char* name;
    std::string bytes;
    std::string expected;
};

class DisplayText : public ::testing::TestWithParam<TextCase> {};

TEST_P(DisplayText, BytesBecomeUtf8) {
    EXPECT_EQ(platform::toDisplayUtf8(GetParam().bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    ValidUtf8KeptAsItIs, DisplayText,
    ::testing::Values(TextCase{"Empty", "", ""}, TextCase{"Ascii", "Plain.avi", "Plain.avi"},
                      TextCase{"ControlBytesAndNul", "a\0\x01\x7F"s, "a\0\x01\x7F"s},
                      TextCase{"TwoByte", "caf\xC3\xA9", "caf\xC3\xA9"},
                      TextCase{"ThreeByteEuro", "\xE2\x82\xAC", "\xE2\x82\xAC"},
                      TextCase{"FourByteEmoji", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
                      TextCase{"LastCodePoint", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
                      TextCase{"LastBeforeSurrogates", "\xED\x9F\xBF", "\xED\x9F\xBF"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Windows1252, DisplayText,
                         ::testing::Values(TextCase{"Latin1Letter", "caf\xE9", "caf\xC3\xA9"},
                                           TextCase{"Euro", "\x80", "\xE2\x82\xAC"},
                                           TextCase{"RightQuote", "it\x92s", "it\xE2\x80\x99s"},
                                           TextCase{"LastOfHighTable", "\x9F", "\xC5\xB8"},
                                           TextCase{"NoBreakSpace", "\xA0", "\xC2\xA0"},
                                           TextCase{"YDiaeresis", "\xFF", "\xC3\xBF"},
                                           TextCase{"Undefined81", "\x81", "\xC2\x81"},
                                           TextCase{"Undefined8D", "\x8D", "\xC2\x8D"},
                                           TextCase{"Undefined8F", "\x8F", "\xC2\x8F"},
                                           TextCase{"Undefined90", "\x90", "\xC2\x90"},
                                           TextCase{"Undefined9D", "\x9D", "\xC2\x9D"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Anything short of strict UTF-8 is read byte by byte as Windows-1252, the
// valid-looking parts included.
INSTANTIATE_TEST_SUITE_P(
    InvalidUtf8ReadAsWindows1252, DisplayText,
    ::testing::Values(TextCase{"TruncatedAtEnd", "caf\xC3", "caf\xC3\x83"},
                      TextCase{"TruncatedBeforeAscii", "\xE2\x82x", "\xC3\xA2\xE2\x80\x9Ax"},
                      TextCase{"LoneContinuation", "\xA9", "\xC2\xA9"},
                      TextCase{"OverlongTwoByte", "\xC0\xAF", "\xC3\x80\xC2\xAF"},
                      TextCase{"OverlongThreeByte", "\xE0\x9F\xBF", "\xC3\xA0\xC5\xB8\xC2\xBF"},
                      TextCase{"OverlongFourByte", "\xF0\x8F\xBF\xBF",
                               "\xC3\xB0\xC2\x8F\xC2\xBF\xC2\xBF"},
                      TextCase{"Surrogate", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
                      TextCase{"BeyondLastCodePoint", "\xF4\x90\x80\x80",
                               "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC"},
                      TextCase{"ValidPartsDecodedToo", "\xC3\xA9\xE9", "\xC3\x83\xC2\xA9\xC3\xA9"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DisplayTextBytes, EveryHighByteGivesItsOwnValidCharacter) {
    std::set<std::string> seen;
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        const std::string text = platform::toDisplayUtf8(std::string(1, static_cast<char>(byte)));
        EXPECT_GE(text.size(), 2u) << byte;
        // Valid UTF-8 comes back unchanged, so the result must too.
        EXPECT_EQ(platform::toDisplayUtf8(text), text) << byte;
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 128u);
}

} // namespace
