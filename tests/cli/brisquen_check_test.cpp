// Runs the real brisquen-check from a program folder of its own, as a script would.

#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"
#include "tools/fixture_writer.h"

#include <gtest/gtest.h>

#include <filesystem>

using testing_support::TempDir;

namespace {

const fixtures::Download clean{"Caf\xE9 del Mar.mp3", 4321000, fixtures::hashFromSeed(1), 0};
const fixtures::Download fake{"Matrix.4.avi", 734003200, fixtures::hashFromSeed(2), 0};

class BrisquenCheck : public testing::Test {
protected:
    TempDir dir;
    std::string program = dir.makeFolder("program") + "brisquen-check";

    void SetUp() override
    {
        std::filesystem::copy_file(BRISQUEN_CHECK_PATH, program);
        dir.write("program/fakes.dat", fixtures::fakesDatLine(fake, "Fake - ad"));
    }

    testing_support::CommandOutcome run(const std::string& arguments, std::string prefix = "")
    {
        prefix = prefix.empty() ? "" : "WINEPREFIX='" + prefix + "' ";
        return testing_support::runCommand(prefix + "'" + program + "' " + arguments);
    }
};

} // namespace

const testing_support::CommandOutcome bothListed{
    1, "*** Loading Database...done ( 2 entries loaded )\n*** Checking Files..\n"
       "Caf\u00e9 del Mar.mp3\nMatrix.4.avi\n*** Fake - ad\n\n*** Finished checking.\n"};

TEST_F(BrisquenCheck, ScanPrintsThePassWithUtf8NamesAndLineFeeds)
{
    const auto client = fixtures::writeClientFolder(dir.file("client"), {clean, fake});
    EXPECT_EQ(run("scan '" + client.prefMet + "'"), bothListed);
    EXPECT_FALSE(testing_support::exists(dir.file("program/pref.bck")));
}

// A client under Wine, found through its prefix's registry as real Wine wrote
// it, its temp folder a Windows path; the same client on a mounted Windows
// partition, its temp folder on disk in other letter case.
TEST_F(BrisquenCheck, ClientsUnderWineOrOnAWindowsPartitionAreListed)
{
    const auto wine = fixtures::writeWinePrefix(dir.file("prefix"), {clean, fake});
    std::filesystem::copy_file(BRISQUEN_TEST_DATA "/wine/system.reg", wine.prefix + "/system.reg",
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_EQ(run("scan", wine.prefix), bothListed);
    const std::string ini = testing_support::readFile(dir.file("program/Setting.ini"));
    ASSERT_TRUE(ini.starts_with("[Settings]\r\nPrefPath=/")) << ini;
    EXPECT_TRUE(std::filesystem::equivalent(ini.substr(21, ini.size() - 23), wine.client.folder));

    const auto mounted = fixtures::writeMountedClient(dir.file("disk"), {clean, fake});
    std::filesystem::rename(mounted.tempFolder, mounted.folder + "TEMP");
    EXPECT_EQ(run("scan '" + mounted.prefMet + "'"), bothListed);
}

TEST_F(BrisquenCheck, MissingDatabasePrintsTheWindowsMessage)
{
    std::filesystem::remove(dir.file("program/fakes.dat"));
    for (const auto* arguments : {"scan", "part x.part.met", "link 'ed2k://|file|a|1|b|'"}) {
        const auto result = run(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments;
        EXPECT_NE(result.output.find("No Fake Database found\n( copy the fakes.dat file in the "
                                     "\nsame directory as this file )"),
                  std::string::npos)
            << arguments;
    }
    EXPECT_FALSE(testing_support::exists(dir.file("program/fakes.dat")));
}

TEST_F(BrisquenCheck, PartPrintsTheSinglePartFileCheck)
{
    const auto fakePart = dir.write("f.part.met", fixtures::partMetBytes(fake));
    EXPECT_EQ(run("part '" + fakePart + "'"),
              (testing_support::CommandOutcome{1, "Matrix.4.avi...\n*** Fake - ad\n"}));

    const auto cleanPart = dir.write("c.part.met", fixtures::partMetBytes(clean));
    EXPECT_EQ(run("part '" + cleanPart + "'").exitCode, 0);
    EXPECT_EQ(run("part '" + dir.write("bad.part.met", "\xE1") + "'").exitCode, 2);
}

TEST_F(BrisquenCheck, LinkPrintsTheAnswerOrTheInvalidLinkMessage)
{
    const std::string link = "'ed2k://|file|x|734003200|" + fake.hash + "|'";
    EXPECT_EQ(run("link " + link), (testing_support::CommandOutcome{1, "*** Fake - ad\n"}));
    EXPECT_EQ(run("link 'ed2k://|file|x|1|" + fake.hash + "|'").output, "No Entry found\n");

    EXPECT_EQ(run("link ' ed2k://|file|x|1|" + fake.hash + "|'"),
              (testing_support::CommandOutcome{2, "This is not a valid eDonkey Link\n"}));
}

TEST_F(BrisquenCheck, StoredFolderIsScannedAndBadArgumentsOrNoFolderExitWithTwo)
{
    const auto scan = run("scan");
    EXPECT_EQ(scan.exitCode, 2);
    EXPECT_NE(scan.output.find("eDonkey Folder not found"), std::string::npos);
    const auto client = fixtures::writeClientFolder(dir.file("client"), {clean});
    dir.write("program/Setting.ini", "[Settings]\r\nPrefPath=" + client.folder + "\r\n");
    EXPECT_EQ(run("scan").exitCode, 0);
    EXPECT_EQ(run("").exitCode, 2);
    EXPECT_EQ(run("frobnicate").exitCode, 2);
    EXPECT_EQ(run("--help").exitCode, 0);
}
