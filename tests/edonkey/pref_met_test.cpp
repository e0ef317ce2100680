#include "edonkey/pref_met.h"

#include "tests/support/temp_dir.h"
#include "tools/fixture_writer.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace std::string_literals;
using edonkey::findTempFolder;
using testing_support::TempDir;

TEST(FindTempFolder, ReadsTheTempTagTheClientWrites)
{
    EXPECT_EQ(findTempFolder(fixtures::prefMetBytes("/data/ed2k/temp/")), "/data/ed2k/temp/");
    EXPECT_EQ(findTempFolder(fixtures::prefMetBytes("C:\\eDonkey\\temp")), "C:\\eDonkey\\temp");
}

TEST(FindTempFolder, IsNotMisledByTempInsideEarlierValues)
{
    const auto bytes = fixtures::prefMetBytes("/real/temp/", "tempest", "/home/temp/incoming/");
    EXPECT_EQ(findTempFolder(bytes), "/real/temp/");
}

TEST(FindTempFolder, UsesTheWholeSixteenBitLength)
{
    const std::string path = "/" + std::string(297, 'd'); // 298 bytes: length bytes 2A 01
    EXPECT_EQ(findTempFolder(fixtures::prefMetBytes(path)), path);
}

TEST(FindTempFolder, FallsBackToTheFirstBareTemp)
{
    EXPECT_EQ(findTempFolder("\x14junk temp\x05\x00/tmp/rest"s), "/tmp/");
    EXPECT_EQ(findTempFolder("temp\x00\x00"s), "");
}

TEST(FindTempFolder, LengthPastTheEndGivesWhatIsThere)
{
    EXPECT_EQ(findTempFolder("\x02\x04\x00temp\xFF\xFF/short"s), "/short");
    EXPECT_EQ(findTempFolder("temp\x09"s), "");
}

TEST(FindTempFolder, FailsWithoutALowerCaseTempOrWhenTheFileEndsAfterIt)
{
    EXPECT_FALSE(findTempFolder(""));
    EXPECT_FALSE(findTempFolder("\x02\x04\x00TEMP\x03\x00/x/"s));
    EXPECT_FALSE(findTempFolder("\x02\x04\x00Temp\x03\x00/x/"s));
    EXPECT_FALSE(findTempFolder("\x14\x02\x04\x00temp"s));
    EXPECT_FALSE(findTempFolder("nick temp"));
}

class ExtractTempFolder : public testing::Test {
protected:
    TempDir dir;
    edonkey::ProgramFiles files{dir.makeFolder("program")};
    int yields = 0;

    std::optional<std::string> extract(const std::string& prefMet)
    {
        return edonkey::extractTempFolder(prefMet, files, [this] { ++yields; });
    }
};

TEST_F(ExtractTempFolder, ReadsThroughAWorkingCopyAndRemovesIt)
{
    const auto prefMet = dir.write("client/pref.met", fixtures::prefMetBytes("/t/"));
    const auto before = testing_support::readFile(prefMet);
    EXPECT_EQ(extract(prefMet), "/t/");
    EXPECT_EQ(yields, 1);
    EXPECT_FALSE(testing_support::exists(files.prefCopy()));
    EXPECT_EQ(testing_support::readFile(prefMet), before);
}

TEST_F(ExtractTempFolder, FindsATagAcrossABlockBoundary)
{
    std::string bytes = std::string(2045, 'x') + "\x02\x04\x00temp\x04\x00/ok/"s;
    EXPECT_EQ(extract(dir.write("pref.met", bytes)), "/ok/");
    EXPECT_EQ(yields, 2);
}

TEST_F(ExtractTempFolder, FailsWithoutLeavingACopyForMissingOrOversizedFiles)
{
    dir.write("program/pref.bck", "left over from a crash");
    EXPECT_FALSE(extract(dir.file("client/pref.met")));
    EXPECT_FALSE(testing_support::exists(files.prefCopy()));

    const auto big = dir.write("big/pref.met", fixtures::prefMetBytes("/t/"));
    std::filesystem::resize_file(big, 70ull * 1024 * 1024);
    EXPECT_FALSE(extract(big));
    EXPECT_FALSE(testing_support::exists(files.prefCopy()));
    EXPECT_EQ(yields, 0);
}
