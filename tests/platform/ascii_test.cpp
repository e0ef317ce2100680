#include "platform/ascii.h"

#include <gtest/gtest.h>

#include <string_view>

namespace {

TEST(Ascii, FoldsOnlyAsciiLettersTrimsOnlySpacesAndTabsAndCutsAtNul)
{
    EXPECT_EQ(platform::lowerAscii("A\xC9z"), "a\xC9z");
    EXPECT_EQ(platform::findIgnoringCase("x PREF.met", "pref.MET"), 2u);
    EXPECT_EQ(platform::trimBlanks(" \t a b\r \t"), "a b\r");
    EXPECT_EQ(platform::trimLeadingBlanks("\t a "), "a ");
    EXPECT_EQ(platform::cutAtNul(std::string_view("ab\0cd", 5)), "ab");
}

} // namespace
