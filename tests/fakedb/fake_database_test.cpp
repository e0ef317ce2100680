// Lookups in the fake database: the rules a reader looks for, each answered
// by the index as by the plain line scan. The fuzz target fake_database holds
// the two against each other on any text.

#include "fakedb/fake_database.h"

#include "tests/fakedb/line_scan_model.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using fakedb::FakeDatabase;

struct Case {
    std::string_view text, hash, size, expected;
};

// The rules the line scan is the reference for, each pinned down once.
TEST(FakeDatabaseLookup, RulesOfTheLineScan)
{
    const std::string_view loneEnds = "a\nb,1,x\r\nc,2,y\rd,3,z\r\ne,4,w\r\r\n";
    const Case cases[] = {
        {"0123abcdef,512,x\r\n", "0123ABCDEF", "512", ""}, // case matters
        {" abc, 12 ,x\r\n", " abc", " 12 ", "*** x"},      // blanks belong to the field
        {"abc,1,one, two,,three,\r\n", "abc", "1", "*** one, two,,three,"},
        {"abc,1,older\r\nabc,1,newer\r\n", "abc", "1", "*** older"},
        {"a,1,2,d\r\n", "a,1", "2", ""}, // no field holds a comma
        {loneEnds, "b", "1", "*** x"},   // an LF alone ends a line too
        {loneEnds, "a\nb", "1", ""},
        {loneEnds, "c", "2", "*** y\rd,3,z"}, // a CR alone is part of the line
        {loneEnds, "e", "4", "*** w\r"},
    };
    for (const Case& c : cases) {
        FakeDatabase whole;
        whole.replace(std::string(c.text));
        FakeDatabase wide(0); // wide index slots, as past 4 GiB of text
        wide.replace(std::string(c.text));
        const std::string query = testing::PrintToString(c.text) + " (" +
                                  testing::PrintToString(c.hash) + "," +
                                  testing::PrintToString(c.size) + ")";
        EXPECT_EQ(fakedb::model::lookupByLineScan(c.text, c.hash, c.size), c.expected) << query;
        EXPECT_EQ(whole.lookupFake(c.hash, c.size), c.expected) << query;
        EXPECT_EQ(wide.lookupFake(c.hash, c.size), c.expected) << query;
    }
}

// A list saved with LF or with mixed line ends answers every query as the same
// list saved with CR LF; saved with CR alone it is one line, and the text
// after the last line end is matched by none of them.
TEST(FakeDatabaseLookup, LineEndStylesAnswerAlike)
{
    std::mt19937 random(24);
    const auto field = [&](std::string_view alphabet, std::size_t length) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i)
            text += alphabet[random() % alphabet.size()];
        return text;
    };
    struct Entry {
        std::string hash, size, description;
    };
    std::vector<Entry> entries;
    for (int i = 0; i < 400; ++i) {
        // Few distinct keys, so that repeated ones test "the first line wins".
        entries.push_back({field("0123456789abcdef", 1 + random() % 3), field("0123456789", 2),
                           field("ab, \t", random() % 6)});
    }
    const auto save = [&](auto lineEnd) {
        std::string text;
        for (std::size_t i = 0; i < entries.size(); ++i)
            text += entries[i].hash + "," + entries[i].size + "," + entries[i].description +
                    std::string(lineEnd(i));
        return text + "tail,00,never matched";
    };
    const std::string crLf = save([](std::size_t) { return "\r\n"; });
    const std::string lf = save([](std::size_t) { return "\n"; });
    const std::string mixed = save([&](std::size_t i) { return i % 3 ? "\n" : "\r\n"; });
    const std::string crOnly = save([](std::size_t) { return "\r"; });
    FakeDatabase reference, lfList, mixedList, crOnlyList;
    ASSERT_TRUE(reference.replace(crLf) && lfList.replace(lf) && mixedList.replace(mixed) &&
                crOnlyList.replace(crOnly));
    std::size_t hits = 0;
    for (const auto& [hash, size, _] : entries) {
        const std::string expected = reference.lookupFake(hash, size);
        hits += !expected.empty();
        EXPECT_EQ(lfList.lookupFake(hash, size), expected) << hash << "," << size;
        EXPECT_EQ(mixedList.lookupFake(hash, size), expected) << hash << "," << size;
        EXPECT_EQ(crOnlyList.lookupFake(hash, size), "") << hash << "," << size;
    }
    EXPECT_EQ(hits, entries.size());
    for (const auto* list : {&reference, &lfList, &mixedList})
        EXPECT_EQ(list->lookupFake("tail", "00"), "");
}

} // namespace
