#include "platform/text_lines.h"

#include <gtest/gtest.h>

#include <string_view>
#include <tuple>
#include <vector>

namespace {

std::vector<std::tuple<std::string_view, std::size_t, std::size_t, std::size_t>>
lines(std::string_view text, std::size_t from = 0)
{
    std::vector<std::tuple<std::string_view, std::size_t, std::size_t, std::size_t>> out;
    for (const platform::Line& line : platform::splitLines(text, from))
        out.emplace_back(line.text, line.begin, line.end, line.next);
    return out;
}

TEST(TextLines, SplitsAtLfAndCrLfOnlyAndSaysWhereEachLineIs)
{
    using Lines = decltype(lines(""));
    const std::string_view text = "a\r\nb\n\r\n\rc\r";
    EXPECT_EQ(lines(text),
              (Lines{{"a", 0, 1, 3}, {"b", 3, 4, 5}, {"", 5, 5, 7}, {"\rc\r", 7, 10, 10}}));
    EXPECT_EQ(lines(text, 3), (Lines{{"b", 3, 4, 5}, {"", 5, 5, 7}, {"\rc\r", 7, 10, 10}}));
    EXPECT_EQ(lines("x\n"), (Lines{{"x", 0, 1, 2}}));
    EXPECT_EQ(lines(""), Lines{});
}

} // namespace
