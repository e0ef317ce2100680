#include "platform/ini_file.h"

#include "tests/platform/file_size_limit.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace std::string_literals;
using testing_support::exists;
using testing_support::FileSizeLimit;
using testing_support::readFile;
using testing_support::TempDir;

namespace {

// --- Reading ---------------------------------------------------------------

struct ReadCase {
    const char* name;
    std::string content;
    std::string section;
    std::string key;
    std::string expected;
};

class IniRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniRead, ValueAsTheClientsSystemReadsIt) {
    TempDir dir;
    const std::string path = dir.write("Setting.ini", GetParam().content);
    EXPECT_EQ(platform::readIniString(path, GetParam().section, GetParam().key),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniRead,
    ::testing::Values(
        ReadCase{"PlainValue", "[Settings]\r\nPrefPath=C:\\eMule\\\r\n", "Settings", "PrefPath",
                 "C:\\eMule\\"},
        ReadCase{"NamesIgnoreCase", "[settings]\r\nprefpath=x\r\n", "SETTINGS", "PrefPATH", "x"},
        ReadCase{"BlanksAroundNamesAndValueIgnored",
                 " \t[ Settings\t]  \r\n\t PrefPath \t=  a  b \t\r\n", "Settings", "PrefPath",
                 "a  b"},
        ReadCase{"BlanksAroundAskedNamesIgnored", "[S]\r\nKey=v\r\n", " S ", "\tKey ", "v"},
        ReadCase{"DoubleQuotedValueLosesQuotes", "[S]\r\nKey=\"  spaced  \"\r\n", "S", "Key",
                 "  spaced  "},
        ReadCase{"SingleQuotedValueLosesQuotes", "[S]\r\nKey= 'x' \r\n", "S", "Key", "x"},
        ReadCase{"MismatchedQuotesKept", "[S]\r\nKey=\"x'\r\n", "S", "Key", "\"x'"},
        ReadCase{"LoneQuoteKept", "[S]\r\nKey=\"\r\n", "S", "Key", "\""},
        ReadCase{"OpeningQuoteOnlyKept", "[S]\r\nKey=\"x\r\n", "S", "Key", "\"x"},
        ReadCase{"EmptyQuotesGiveEmpty", "[S]\r\nKey=''\r\nKey=2\r\n", "S", "Key", ""},
        ReadCase{"EqualsInValueKept", "[S]\r\nKey=a=b\r\n", "S", "Key", "a=b"},
        ReadCase{"FirstDuplicateWins", "[S]\r\nKey=1\r\nkey=2\r\n", "S", "Key", "1"},
        ReadCase{"KeyWithoutEqualsIsAnEmptyKey", "[S]\r\nKey\r\nKey=2\r\n", "S", "Key", ""},
        ReadCase{"FirstSectionCopyWins", "[S]\r\nKey=1\r\n[S]\r\nKey=2\r\n", "S", "Key", "1"},
        ReadCase{"LaterSectionCopyCounts", "[S]\r\nA=1\r\n[T]\r\nKey=t\r\n[S]\r\nKey=2\r\n", "S",
                 "Key", "2"},
        ReadCase{"LfOnlyLines", "[S]\nA=1\nKey=v\n", "S", "Key", "v"},
        ReadCase{"NoFinalLineEnd", "[S]\r\nKey=v", "S", "Key", "v"},
        ReadCase{"BomAtStartIgnored", "\xEF\xBB\xBF[S]\r\nKey=v\r\n", "S", "Key", "v"},
        ReadCase{"BomInsideFileIsText", "[A]\r\n\xEF\xBB\xBF[S]\r\nKey=v\r\n", "S", "Key", ""},
        ReadCase{"TextAfterBracketIgnored", "[S] ; note\r\nKey=v\r\n", "S", "Key", "v"},
        ReadCase{"SectionNameEndsAtFirstBracket", "[S]x]\r\nKey=v\r\n", "S", "Key", "v"},
        ReadCase{"KeyBeforeAnySectionBelongsToNone", "Key=1\r\n[S]\r\nA=2\r\n", "S", "Key", ""},
        ReadCase{"NextSectionEndsTheSearch", "[S]\r\nA=1\r\n[T]\r\nKey=t\r\n", "S", "Key", ""},
        ReadCase{"MissingSection", "[T]\r\nKey=t\r\n", "S", "Key", ""},
        ReadCase{"CommentIsNoKey", "[S]\r\n;Key=1\r\nKey=2\r\n", "S", "Key", "2"},
        ReadCase{"LongValueCutAt254", "[S]\r\nKey=" + std::string(300, 'a') + "\r\n", "S", "Key",
                 std::string(254, 'a')},
        ReadCase{"LongQuotedValueCutAfterQuotesGo",
                 "[S]\r\nKey=\"" + std::string(300, 'b') + "\"\r\n", "S", "Key",
                 std::string(254, 'b')},
        ReadCase{"NulEndsTheValue", "[S]\r\nKey=ab\0cd\r\n"s, "S", "Key", "ab"},
        ReadCase{"HugeLineSkipped", "[S]\r\n" + std::string(1 << 20, 'x') + "\r\nKey=v", "S", "Key",
                 "v"},
        ReadCase{"GarbageReadsAsMissing", "\x00\xFF\x01[\x80\r\r\n\x7F=\x9C\x00]"s, "S", "Key", ""},
        ReadCase{"EmptyFile", "", "S", "Key", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniReadUnreadable, MissingFileOrFolderReadsAsEmpty) {
    TempDir dir;
    const std::string folder = dir.makeFolder("Setting.ini");
    EXPECT_EQ(platform::readIniString(dir.file("missing.ini"), "S", "Key"), "");
    EXPECT_EQ(platform::readIniString(folder, "S", "Key"), "");
}

// --- Writing ---------------------------------------------------------------

struct WriteCase {
    const char* name;
    std::string before;
    std::string key;
    std::string value;
    std::string after;
};

class IniWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(IniWrite, OnlyTheKeysLineChanges) {
    TempDir dir;
    const std::string path = dir.write("Setting.ini", GetParam().before);
    ASSERT_TRUE(platform::writeIniString(path, "Settings", GetParam().key, GetParam().value));
    EXPECT_EQ(readFile(path), GetParam().after);
    EXPECT_EQ(platform::readIniString(path, "Settings", GetParam().key), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniWrite,
    ::testing::Values(
        WriteCase{"ReplacedInPlace",
                  "; top\r\n[Settings]\r\nPrefPath=old\r\nFakesNr=12\r\n\r\n[Other]\r\nx = y \r\n",
                  "PrefPath", "new",
                  "; top\r\n[Settings]\r\nPrefPath=new\r\nFakesNr=12\r\n\r\n[Other]\r\nx = y \r\n"},
        WriteCase{"ReplacedLineTakesCallersSpelling", "[settings]\r\n  prefpath = old \r\n",
                  "PrefPath", "v", "[settings]\r\nPrefPath=v\r\n"},
        WriteCase{"ReplacedLineKeepsItsLfEnding", "[Settings]\nKey=old\nB=1\n", "Key", "new",
                  "[Settings]\nKey=new\nB=1\n"},
        WriteCase{"OnlyFirstDuplicateReplaced", "[Settings]\r\nKey=1\r\nKey=2\r\n", "Key", "3",
                  "[Settings]\r\nKey=3\r\nKey=2\r\n"},
        WriteCase{"SameKeyInOtherSectionUntouched", "[Other]\r\nKey=o\r\n[Settings]\r\nKey=s\r\n",
                  "Key", "n", "[Other]\r\nKey=o\r\n[Settings]\r\nKey=n\r\n"},
        WriteCase{"AddedAfterLastLineOfSectionBeforeNextSection",
                  "[Settings]\r\nA=1\r\n\r\n[Other]\r\nB=2\r\n", "Key", "v",
                  "[Settings]\r\nA=1\r\nKey=v\r\n\r\n[Other]\r\nB=2\r\n"},
        WriteCase{"AddedToFirstCopyOfRepeatedSection",
                  "[Settings]\r\nA=1\r\n[Other]\r\n[Settings]\r\nB=2\r\n", "Key", "v",
                  "[Settings]\r\nA=1\r\nKey=v\r\n[Other]\r\n[Settings]\r\nB=2\r\n"},
        WriteCase{"AddedToEmptySectionAtEndWithoutLineEnd", "[Settings]", "Key", "v",
                  "[Settings]\r\nKey=v\r\n"},
        WriteCase{"AddedToLastSectionWithoutFinalLineEnd", "[Settings]\r\nA=1", "Key", "v",
                  "[Settings]\r\nA=1\r\nKey=v\r\n"},
        WriteCase{"SectionAppendedAtEnd", "[Other]\r\nB=2\r\n", "Key", "v",
                  "[Other]\r\nB=2\r\n[Settings]\r\nKey=v\r\n"},
        WriteCase{"SectionAppendedAfterUnterminatedLine", "[Other]\nB=2", "Key", "v",
                  "[Other]\nB=2\r\n[Settings]\r\nKey=v\r\n"},
        WriteCase{"SectionAddedToEmptyFile", "", "Key", "v", "[Settings]\r\nKey=v\r\n"},
        WriteCase{"BomKept", "\xEF\xBB\xBF[Settings]\r\nKey=old\r\n", "Key", "new",
                  "\xEF\xBB\xBF[Settings]\r\nKey=new\r\n"},
        WriteCase{"OddLinesKeptByteForByte",
                  "junk\x01\0line\r\n[Settings]\r\nA=1\r\n\tweird \r\r\nlone\rcr\r\n"s, "Key", "v",
                  "junk\x01\0line\r\n[Settings]\r\nA=1\r\n\tweird \r\r\nlone\rcr\r\nKey=v\r\n"s},
        WriteCase{"BlanksAtEndsSurviveInQuotes", "", "Key", " x ", "[Settings]\r\nKey=\" x \"\r\n"},
        WriteCase{"QuotedValueKeepsItsQuotes", "", "Key", "'x'", "[Settings]\r\nKey=\"'x'\"\r\n"},
        WriteCase{"EmptyValue", "[Settings]\r\nKey=old\r\n", "Key", "", "[Settings]\r\nKey=\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniWriteFile, MissingFileIsCreatedWithCrLfLines) {
    TempDir dir;
    const std::string path = dir.file("Setting.ini");
    ASSERT_TRUE(platform::writeIniString(path, "Settings", "PrefPath", "C:\\eMule"));
    ASSERT_TRUE(platform::writeIniString(path, "Settings", "FakesNr", "42"));
    EXPECT_EQ(readFile(path), "[Settings]\r\nPrefPath=C:\\eMule\r\nFakesNr=42\r\n");
}

TEST(IniWriteFile, ValuesRoundTrip) {
    TempDir dir;
    const std::string path = dir.file("Setting.ini");
    for (const std::string& value :
         {""s, "plain"s, "C:\\Program Files\\eMule\\"s, "  lead"s, "trail\t"s, "\"quoted\""s,
          "'single'"s, "\""s, "'"s, "a=b"s, "[x]"s, "x\ty"s, std::string(254, 'z')}) {
        ASSERT_TRUE(platform::writeIniString(path, "Settings", "Key", value)) << value;
        EXPECT_EQ(platform::readIniString(path, "Settings", "Key"), value);
    }
}

TEST(IniWriteFile, UnwritablePlaceFailsAndCreatesNothing) {
    TempDir dir;
    const std::string plain = dir.write("plain", "x");
    const std::string folder = dir.makeFolder("folder.ini");
    EXPECT_FALSE(platform::writeIniString(plain + "/Setting.ini", "S", "Key", "v"));
    EXPECT_FALSE(platform::writeIniString(folder, "S", "Key", "v"));
    EXPECT_FALSE(exists(dir.file("plain/Setting.ini")));
    EXPECT_TRUE(fs::is_empty(folder));
}

TEST(IniWriteFile, FailedWriteKeepsOldFile) {
    TempDir dir;
    const std::string old = "[Settings]\r\nKey=old\r\n";
    const std::string path = dir.write("Setting.ini", old);
    {
        FileSizeLimit limit(100);
        EXPECT_FALSE(platform::writeIniString(path, "Settings", "Key", std::string(200, 'n')));
    }
    EXPECT_EQ(readFile(path), old);
}

TEST(IniWriteFile, NamesAndValuesThatWouldNotReadBackAreRefused) {
    TempDir dir;
    const std::string old = "[Settings]\r\nKey=old\r\n";
    const std::string path = dir.write("Setting.ini", old);
    struct Case {
        std::string section;
        std::string key;
        std::string value;
    };
    for (const Case& c :
         {Case{"Settings", "Key", "two\r\nlines"}, Case{"Settings", "K=y", "v"},
          Case{"Settings", "[Key]", "v"}, Case{"Set]tings", "Key", "v"},
          Case{"Settings", "Key", "a\0b"s}, Case{"Settings", " ", "v"}, Case{"", "Key", "v"}}) {
        EXPECT_FALSE(platform::writeIniString(path, c.section, c.key, c.value)) << c.key;
    }
    EXPECT_EQ(readFile(path), old);
}

} // namespace
