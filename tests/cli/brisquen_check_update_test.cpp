// `brisquen-check update` from a program folder of its own, against a local server.

#include "tests/support/local_http_server.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

using namespace std::string_literals;
using testing_support::HttpAnswer;
using testing_support::readFile;

namespace {

const std::string oldList = "0123456789abcdef0123456789abcdef,734003200,Old fake\r\n";
const std::string newList = oldList + "fedcba9876543210fedcba9876543210,4321000,New fake";

class BrisquenCheckUpdate : public testing::Test {
protected:
    testing_support::TempDir dir;
    testing_support::LocalHttpServer server;

    void SetUp() override
    {
        std::filesystem::copy_file(BRISQUEN_CHECK_PATH,
                                   dir.makeFolder("program") + "brisquen-check");
        dir.write("program/fakes.dat", oldList);
        server.serve("/brisquen/update/brisquen.txt", HttpAnswer::ok("20"));
        server.serve("/brisquen/update/fakes.txt", HttpAnswer::ok("121"));
        server.serve("/brisquen/update/fakes.dat", HttpAnswer::ok("[" + newList + "]"));
    }

    testing_support::CommandOutcome runUpdate()
    {
        return testing_support::runCommand("'" + dir.file("program/brisquen-check") + "' update " +
                                           server.address());
    }
};

} // namespace

TEST_F(BrisquenCheckUpdate, SuccessPrintsTheLogAndExitsZero)
{
    EXPECT_EQ(runUpdate(),
              (testing_support::CommandOutcome{0, "*** Connecting to the server... \n"
                                                  "*** New Database downloaded\n"
                                                  "*** New Database saved on disk\n"s}));
    EXPECT_EQ(readFile(dir.file("program/fakes.dat")), newList + "\r\n");
    EXPECT_EQ(readFile(dir.file("program/Setting.ini")), "[Settings]\r\nFakesNr=121\r\n");
}

TEST_F(BrisquenCheckUpdate, FailurePrintsTheErrorAndExitsTwo)
{
    server.serve("/brisquen/update/fakes.dat", HttpAnswer::withStatus(500));
    EXPECT_EQ(runUpdate(), (testing_support::CommandOutcome{
                               2, "*** Connecting to the server... \n"
                                  "Error occured during updating, try again later\n"s}));
    EXPECT_EQ(readFile(dir.file("program/fakes.dat")), oldList);
}
