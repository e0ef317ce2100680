// The user's own list: which of its lines count, how mark and unmark change
// its text, and the order in which the lists answer.

#include "fakedb/personal_list.h"

#include "fakedb/fake_lookup.h"

#include <gtest/gtest.h>

using fakedb::BadLine;

namespace {

const std::string hashA = "0123456789abcdef0123456789abcdef";
const std::string hashB = "fedcba9876543210fedcba9876543210";

std::shared_ptr<const fakedb::FakeDatabase> listOf(std::string text)
{
    auto list = std::make_shared<fakedb::FakeDatabase>();
    list->replace(std::move(text));
    return list;
}

} // namespace

// Each bad line is named by the line an editor shows it on and left out; the
// good ones around it are found with their descriptions.
TEST(PersonalList, BadLinesAreNamedByLineNumberAndSkipped)
{
    const std::string text = hashA +
                             ",100,first, with a comma\r\n" // 1
                             "\r\n"                         // 2: empty, passed over
                             "no commas here\r\n"           // 3
                             + "0123456789ABCDEF0123456789ABCDEF,5,upper\r\n" // 4
                             + hashA + ",0100,leading zero\r\n"               // 5
                             + hashA + ",,no size\r\n"                        // 6
                             + hashB + ",200,second\r\n"                      // 7
                             + hashB + ",300,no line end";                    // 8
    const auto personal = fakedb::readPersonalList(text);
    const std::vector<BadLine> expected{
        {3, "not a list line (hash,size,description)"},
        {4, "the hash is not in lower case"},
        {5, "the size is not a number of bytes from 1 to 18446744073709551615"},
        {6, "the size is not a number of bytes from 1 to 18446744073709551615"},
        {8, "no line end after it"},
    };
    EXPECT_EQ(personal.badLines, expected);
    EXPECT_EQ(personal.list->lookupFake(hashA, "100"), "*** first, with a comma");
    EXPECT_EQ(personal.list->lookupFake(hashB, "200"), "*** second");
    EXPECT_EQ(personal.list->lookupFake("0123456789ABCDEF0123456789ABCDEF", "5"), "");
    EXPECT_EQ(personal.list->lookupFake(hashB, "300"), "");
}

// Marking adds one list line at the end (after a line the user left
// without its end) and nothing when it is there; unmarking takes only the
// lines of that file, every other byte kept, bad lines included.
TEST(PersonalList, MarkAndUnmarkChangeOnlyTheirOwnLines)
{
    const auto line = fakedb::personalListLine(hashB, 200, "marked by me");
    ASSERT_EQ(line, hashB + ",200,marked by me\r\n");
    EXPECT_EQ(fakedb::withEntry("", *line, hashB, "200"), *line);
    const std::string edited = "my note\r\n" + hashA + ",100,x";
    EXPECT_EQ(fakedb::withEntry(edited, *line, hashB, "200"), edited + "\r\n" + *line);
    EXPECT_EQ(fakedb::withEntry(*line, *line, hashB, "200"), std::nullopt);
    EXPECT_EQ(fakedb::withEntry(*line, *line, hashB, "201").value_or(""), *line + *line);

    const std::string text = "my note\r\n" + hashA + ",100,a\r\n" + hashB + ",200,b\r\n" + hashA +
                             ",300,c\r\n" + hashA + ",100,no end";
    EXPECT_EQ(fakedb::withoutEntry(text, hashA, "100"),
              "my note\r\n" + hashB + ",200,b\r\n" + hashA + ",300,c\r\n" + hashA + ",100,no end");
    EXPECT_EQ(fakedb::withoutEntry(text, hashA, std::nullopt),
              "my note\r\n" + hashB + ",200,b\r\n" + hashA + ",100,no end");
    EXPECT_EQ(fakedb::withoutEntry(text, hashB, "999"), std::nullopt);

    for (const char* bad : {"a\rb", "a\nb", "new\r\nline"})
        EXPECT_EQ(fakedb::personalListLine(hashA, 1, bad), std::nullopt) << bad;
    EXPECT_EQ(fakedb::personalListLine(hashA, 1, std::string_view("a\0b", 3)), std::nullopt);
}

// fakes.dat answers first, then the user's own list, then the ratings.
TEST(FakeLookup, ListThenPersonalListThenRatingsAnswer)
{
    const auto list = listOf(hashA + ",1,from the list\r\n");
    const auto personal = listOf(hashA + ",1,mine\r\n" + hashB + ",2,mine too\r\n");
    const fakedb::RatedFakes rated{[](std::string_view hash) { return hash != hashA; },
                                   "rated as a fake in aMule"};
    const fakedb::FakeLookup lookup(list, personal, rated);
    EXPECT_EQ(lookup.lookupFake(hashA, "1"), "*** from the list");
    EXPECT_EQ(lookup.lookupFake(hashB, "2"), "*** mine too");
    EXPECT_EQ(lookup.lookupFake(hashB, "3"), "*** rated as a fake in aMule");
    EXPECT_EQ(lookup.lookupFake(hashA, "3"), "");
    EXPECT_EQ(fakedb::FakeLookup(nullptr, personal).lookupFake(hashA, "1"), "*** mine");
    EXPECT_EQ(fakedb::FakeLookup(*list).lookupFake(hashB, "2"), "");
}

// A last line left without its end that is the very entry marked gets its
// end and counts; unmark then takes it.
TEST(PersonalList, MarkingTheUnendedLastLineEndsIt)
{
    const std::string text = "note\r\n" + hashA + ",100,my words";
    const auto line = fakedb::personalListLine(hashA, 100, "marked by me");
    const auto marked = fakedb::withEntry(text, *line, hashA, "100");
    EXPECT_EQ(marked, text + "\r\n");
    EXPECT_EQ(fakedb::readPersonalList(*marked).list->lookupFake(hashA, "100"), "*** my words");
    EXPECT_EQ(fakedb::withoutEntry(*marked, hashA, "100"), "note\r\n");
}
