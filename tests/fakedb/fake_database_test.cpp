#include "fakedb/fake_database.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using fakedb::FakeDatabase;

FakeDatabase databaseOf(std::string_view text)
{
    FakeDatabase database;
    database.replace(text);
    return database;
}

TEST(FakeDatabaseLookup, EmptyDatabaseMatchesNothing)
{
    const FakeDatabase database;
    EXPECT_EQ(database.lookupFake("", ""), "");
    EXPECT_EQ(database.lookupFake("aaa", "1"), "");
    EXPECT_EQ(databaseOf("").lookupFake("", ""), "");
}

TEST(FakeDatabaseLookup, EntryMatchesOnlyWithItsOwnHashAndSize)
{
    const FakeDatabase database = databaseOf("aaa,1,first\r\nbbb,2,second\r\n");
    EXPECT_EQ(database.lookupFake("aaa", "1"), "*** first");
    EXPECT_EQ(database.lookupFake("bbb", "2"), "*** second");
    EXPECT_EQ(database.lookupFake("bbb", "1"), "");
    EXPECT_EQ(database.lookupFake("aaa", "2"), "");
    EXPECT_EQ(database.lookupFake("first", "1"), "");
}

TEST(FakeDatabaseLookup, HashDifferingOnlyInCaseDoesNotMatch)
{
    const FakeDatabase database = databaseOf("0123abcdef,512,fake\r\n");
    EXPECT_EQ(database.lookupFake("0123ABCDEF", "512"), "");
    EXPECT_EQ(database.lookupFake("0123abcdef", "512"), "*** fake");
}

TEST(FakeDatabaseLookup, SizeIsComparedAsTextNotAsNumber)
{
    const FakeDatabase database = databaseOf("abc,512,fake\r\ndef,0512,padded\r\n");
    EXPECT_EQ(database.lookupFake("abc", "0512"), "");
    EXPECT_EQ(database.lookupFake("def", "512"), "");
    EXPECT_EQ(database.lookupFake("def", "0512"), "*** padded");
}

TEST(FakeDatabaseLookup, FieldsAreNotTrimmed)
{
    const FakeDatabase database = databaseOf(" abc, 12 ,spaced\r\n");
    EXPECT_EQ(database.lookupFake("abc", "12"), "");
    EXPECT_EQ(database.lookupFake(" abc", "12"), "");
    EXPECT_EQ(database.lookupFake(" abc", " 12 "), "*** spaced");
}

TEST(FakeDatabaseLookup, LineEndingAfterSecondCommaGivesBareMark)
{
    const FakeDatabase database = databaseOf("abc,1,\r\n");
    EXPECT_EQ(database.lookupFake("abc", "1"), "*** ");
}

TEST(FakeDatabaseLookup, EmptyHashAndSizeAreOrdinaryKeys)
{
    const FakeDatabase database = databaseOf(",,nameless\r\n");
    EXPECT_EQ(database.lookupFake("", ""), "*** nameless");
    EXPECT_EQ(database.lookupFake("", "1"), "");
}

TEST(FakeDatabaseLookup, DescriptionKeepsItsCommas)
{
    const FakeDatabase database = databaseOf("abc,1,one, two,,three,\r\n");
    EXPECT_EQ(database.lookupFake("abc", "1"), "*** one, two,,three,");
}

TEST(FakeDatabaseLookup, BlankLineBetweenEntriesHidesNeither)
{
    const FakeDatabase database = databaseOf("aaa,1,first\r\n\r\nbbb,2,second\r\n");
    EXPECT_EQ(database.lookupFake("aaa", "1"), "*** first");
    EXPECT_EQ(database.lookupFake("bbb", "2"), "*** second");
    EXPECT_EQ(database.lookupFake("", ""), "");
}

TEST(FakeDatabaseLookup, LineWithOneCommaNeverMatches)
{
    const FakeDatabase database = databaseOf("abc,12\r\nnocomma\r\ndef,3,ok\r\n");
    EXPECT_EQ(database.lookupFake("abc", "12"), "");
    EXPECT_EQ(database.lookupFake("abc", "12\r\nnocomma\r\ndef"), "");
    EXPECT_EQ(database.lookupFake("def", "3"), "*** ok");
}

TEST(FakeDatabaseLookup, TextAfterLastCrLfIsNeverMatched)
{
    const FakeDatabase database = databaseOf("aaa,1,first\r\nbbb,2,unfinished");
    EXPECT_EQ(database.lookupFake("aaa", "1"), "*** first");
    EXPECT_EQ(database.lookupFake("bbb", "2"), "");
    EXPECT_EQ(databaseOf("bbb,2,unfinished\r").lookupFake("bbb", "2"), "");
    EXPECT_EQ(databaseOf("bbb,2,unfinished\n").lookupFake("bbb", "2"), "");
}

TEST(FakeDatabaseLookup, FirstOfDuplicateLinesWins)
{
    const FakeDatabase database = databaseOf("abc,1,older\r\nabc,1,newer\r\nabc,1,\r\n");
    EXPECT_EQ(database.lookupFake("abc", "1"), "*** older");
}

TEST(FakeDatabaseLookup, LoneLineFeedIsPartOfTheLine)
{
    const FakeDatabase database = databaseOf("a\nb,1,x\r\nc,2,y\nd,3,z\r\n");
    EXPECT_EQ(database.lookupFake("a\nb", "1"), "*** x");
    EXPECT_EQ(database.lookupFake("b", "1"), "");
    EXPECT_EQ(database.lookupFake("c", "2"), "*** y\nd,3,z");
    EXPECT_EQ(database.lookupFake("d", "3"), "");
}

TEST(FakeDatabaseLookup, LoneCarriageReturnIsPartOfTheLine)
{
    const FakeDatabase database = databaseOf("a\r,1,x\r\r\nc,2,y\rd,3,z\r\n");
    EXPECT_EQ(database.lookupFake("a\r", "1"), "*** x\r");
    EXPECT_EQ(database.lookupFake("a", "1"), "");
    EXPECT_EQ(database.lookupFake("c", "2"), "*** y\rd,3,z");
    EXPECT_EQ(database.lookupFake("d", "3"), "");
}

TEST(FakeDatabaseLookup, QueryWithCommaMatchesNothing)
{
    // Pasted together with commas, these queries spell the start of the line.
    const FakeDatabase database = databaseOf("a,1,2,desc\r\n");
    EXPECT_EQ(database.lookupFake("a,1", "2"), "");
    EXPECT_EQ(database.lookupFake("a", "1,2"), "");
    EXPECT_EQ(database.lookupFake("a", "1"), "*** 2,desc");
}

TEST(FakeDatabaseLookup, QueryReachingAcrossLineEndMatchesNothing)
{
    const FakeDatabase database = databaseOf("q\r\nh,5,d\r\nx,1,y\r\nz,2,w\r\n");
    EXPECT_EQ(database.lookupFake("q\r\nh", "5"), "");
    EXPECT_EQ(database.lookupFake("h", "5"), "*** d");
    EXPECT_EQ(database.lookupFake("y\r\nz", "2"), "");
    EXPECT_EQ(database.lookupFake("x", "1\r\n"), "");
}

TEST(FakeDatabaseAppend, LineBecomesVisibleOnlyWhenItsCrLfArrives)
{
    FakeDatabase database;
    database.append("aaa,1,fir");
    EXPECT_EQ(database.lookupFake("aaa", "1"), "");
    database.append("st\r");
    EXPECT_EQ(database.lookupFake("aaa", "1"), "");
    database.append("\nbbb,2,sec");
    EXPECT_EQ(database.lookupFake("aaa", "1"), "*** first");
    EXPECT_EQ(database.lookupFake("bbb", "2"), "");
    database.append("ond\r\n");
    EXPECT_EQ(database.lookupFake("bbb", "2"), "*** second");
    EXPECT_EQ(database.text(), "aaa,1,first\r\nbbb,2,second\r\n");
}

TEST(FakeDatabaseAppend, CarriageReturnNotFollowedByLineFeedStaysInTheLine)
{
    FakeDatabase database;
    database.append("a,1,x\r");
    database.append("y\r");
    database.append("\r");
    database.append("\n");
    EXPECT_EQ(database.lookupFake("a", "1"), "*** x\ry\r");
}

TEST(FakeDatabaseAppend, LineFeedAfterEarlierCompleteLineStartsNoLine)
{
    FakeDatabase database;
    database.append("a,1,x\r\n");
    database.append("\nb,2,y\r\n");
    EXPECT_EQ(database.lookupFake("a", "1"), "*** x");
    EXPECT_EQ(database.lookupFake("\nb", "2"), "*** y");
    EXPECT_EQ(database.lookupFake("b", "2"), "");
}

TEST(FakeDatabaseAppend, DuplicateArrivingLaterDoesNotReplaceFirst)
{
    FakeDatabase database;
    database.append("abc,1,older\r\n");
    EXPECT_EQ(database.lookupFake("abc", "1"), "*** older");
    database.append("abc,1,newer\r\n");
    EXPECT_EQ(database.lookupFake("abc", "1"), "*** older");
}

TEST(FakeDatabaseAppend, AppendingOwnTextDoublesIt)
{
    FakeDatabase database;
    database.append("abc,1,x\r\n");
    database.append(database.text());
    EXPECT_EQ(database.text(), "abc,1,x\r\nabc,1,x\r\n");
    EXPECT_EQ(database.lookupFake("abc", "1"), "*** x");
}

TEST(FakeDatabaseReplace, ReplaceDropsOldEntries)
{
    FakeDatabase database = databaseOf("old,1,gone\r\n");
    database.replace("new,2,here\r\n");
    EXPECT_EQ(database.lookupFake("old", "1"), "");
    EXPECT_EQ(database.lookupFake("new", "2"), "*** here");
    EXPECT_EQ(database.text(), "new,2,here\r\n");
}

TEST(FakeDatabaseReplace, ReplaceForgetsUnfinishedLine)
{
    FakeDatabase database;
    database.append("a,1,x\r");
    database.replace("b,2,y\r\n");
    database.append("\n");
    EXPECT_EQ(database.lookupFake("a", "1"), "");
    EXPECT_EQ(database.lookupFake("b", "2"), "*** y");
    EXPECT_EQ(database.text(), "b,2,y\r\n\n");
}

TEST(FakeDatabaseReplace, ReplaceWithOwnTextKeepsEntries)
{
    FakeDatabase database = databaseOf("abc,1,x\r\n");
    database.replace(database.text());
    EXPECT_EQ(database.text(), "abc,1,x\r\n");
    EXPECT_EQ(database.lookupFake("abc", "1"), "*** x");
}

TEST(FakeDatabaseReplace, ClearEmptiesTextAndIndex)
{
    FakeDatabase database = databaseOf("abc,1,x\r\n");
    database.clear();
    EXPECT_EQ(database.text(), "");
    EXPECT_EQ(database.lookupFake("abc", "1"), "");
    database.append("def,2,y\r\n");
    EXPECT_EQ(database.lookupFake("def", "2"), "*** y");
}

// Enough lines to make the table grow many times while being filled, both
// all at once and in pieces.
TEST(FakeDatabaseScale, EveryLineOfLargeDatabaseIsFound)
{
    std::string text;
    constexpr int lineCount = 50'000;
    for (int i = 0; i < lineCount; ++i)
        text += "h" + std::to_string(i % 5'000) + "," + std::to_string(i / 5'000) + ",d" +
                std::to_string(i) + "\r\n";

    FakeDatabase whole = databaseOf(text);
    FakeDatabase pieces;
    for (std::size_t at = 0; at < text.size(); at += 1'000)
        pieces.append(std::string_view(text).substr(at, 1'000));

    for (int i = 0; i < lineCount; ++i) {
        const std::string hash = "h" + std::to_string(i % 5'000);
        const std::string size = std::to_string(i / 5'000);
        const std::string expected = "*** d" + std::to_string(i);
        ASSERT_EQ(whole.lookupFake(hash, size), expected) << i;
        ASSERT_EQ(pieces.lookupFake(hash, size), expected) << i;
    }
    EXPECT_EQ(whole.lookupFake("h5000", "0"), "");
    EXPECT_EQ(pieces.lookupFake("h1", "10"), "");
}

} // namespace
