#include "platform/ansi_text.h"

#include <gtest/gtest.h>

#include <utility>

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
}

} // namespace
