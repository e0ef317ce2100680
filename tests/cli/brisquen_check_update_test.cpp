// `brisquen-check update` from a program folder of its own, against a local server.

#include "tests/support/local_http_server.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"
#include "tools/fixture_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace std::string_literals;
using testing_support::CommandOutcome;
using testing_support::HttpAnswer;
using testing_support::readFile;

namespace {

const std::string oldList = "0123456789abcdef0123456789abcdef,734003200,Old fake\r\n";
const std::string newList = oldList + "fedcba9876543210fedcba9876543210,4321000,New fake";

class BrisquenCheckUpdate : public testing::Test {
protected:
    testing_support::TempDir dir;
    std::string program = dir.makeFolder("program") + "brisquen-check";
    testing_support::LocalHttpServer server;
    std::string update = "'" + program + "' update " + server.address();

    void SetUp() override
    {
        std::filesystem::copy_file(BRISQUEN_CHECK_PATH, program);
        dir.write("program/fakes.dat", oldList);
        server.serve("/brisquen/update/brisquen.txt", HttpAnswer::ok("20"));
        server.serve("/brisquen/update/fakes.txt", HttpAnswer::ok("121"));
        server.serve("/brisquen/update/fakes.dat", HttpAnswer::ok("[" + newList + "]"));
    }
};

} // namespace

TEST_F(BrisquenCheckUpdate, PrintsTheLogAndExitsZeroOrPrintsTheErrorAndExitsTwo)
{
    EXPECT_EQ(testing_support::runCommand(update),
              (CommandOutcome{0, "*** Connecting to the server... \n"
                                 "*** New Database downloaded\n"
                                 "*** New Database saved on disk\n"s}));
    EXPECT_EQ(readFile(dir.file("program/fakes.dat")), newList + "\r\n");
    EXPECT_EQ(readFile(dir.file("program/Setting.ini")), "[Settings]\r\nFakesNr=121\r\n");

    server.serve("/brisquen/update/brisquen.txt", {.status = 500});
    EXPECT_EQ(testing_support::runCommand(update),
              (CommandOutcome{2, "*** Connecting to the server... \n"
                                 "Error occured during updating, try again later\n"s}));
    EXPECT_EQ(readFile(dir.file("program/fakes.dat")), newList + "\r\n");
}

// Updates and scans at once on one program folder: fakes.dat ends as one whole
// list and Setting.ini keeps every key the runs wrote.
TEST_F(BrisquenCheckUpdate, RunsAtOnceLeaveWholeFiles)
{
    const auto client = fixtures::writeClientFolder(dir.file("client"), {});
    const std::string settings = "[Settings]\r\nPrefPath=" + client.folder + "\r\n";
    dir.write("program/Setting.ini", settings);
    std::vector<std::string> commands;
    for (int i = 0; i < 12; ++i)
        commands.push_back(i % 3 ? "'" + program + "' scan" : update);
    for (const auto& outcome : testing_support::runTogether(commands))
        EXPECT_NE(outcome.exitCode, 2) << outcome.output;
    EXPECT_EQ(readFile(dir.file("program/fakes.dat")), newList + "\r\n");
    EXPECT_EQ(readFile(dir.file("program/Setting.ini")), settings + "FakesNr=121\r\n");
}
