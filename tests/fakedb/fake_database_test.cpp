// Lookups in the fake database: the rules a reader looks for, each answered
// by the index as by the plain line scan. The fuzz target fake_database holds
// the two against each other on any text.

#include "fakedb/fake_database.h"

#include "tests/fakedb/line_scan_model.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using fakedb::FakeDatabase;

struct Case {
    std::string_view text, hash, size, expected;
};

// The rules the line scan is the reference for, each pinned down once.
TEST(FakeDatabaseLookup, RulesOfTheLineScan)
{
    const std::string_view loneEnds = "a\nb,1,x\r\nc,2,y\rd,3,z\r\n";
    const Case cases[] = {
        {"0123abcdef,512,x\r\n", "0123ABCDEF", "512", ""}, // case matters
        {" abc, 12 ,x\r\n", " abc", " 12 ", "*** x"},      // blanks belong to the field
        {"abc,1,one, two,,three,\r\n", "abc", "1", "*** one, two,,three,"},
        {"abc,1,older\r\nabc,1,newer\r\n", "abc", "1", "*** older"},
        {"a,1,2,d\r\n", "a,1", "2", ""},  // no field holds a comma
        {loneEnds, "a\nb", "1", "*** x"}, // a lone LF or CR is part of the line
        {loneEnds, "c", "2", "*** y\rd,3,z"},
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

} // namespace
