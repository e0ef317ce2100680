// `brisquen-check update` from a program folder of its own, against a local server.

#include "tests/support/local_http_server.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>

using testing_support::HttpAnswer;
using testing_support::readFile;
using testing_support::TempDir;

namespace {

const std::string oldList = "0123456789abcdef0123456789abcdef,734003200,Old fake\r\n";
const std::string newList = oldList + "fedcba9876543210fedcba9876543210,4321000,New fake";

class BrisquenCheckUpdate : public testing::Test {
protected:
    TempDir dir;
    std::string program = dir.makeFolder("program") + "brisquen-check";
    testing_support::LocalHttpServer server;

    void SetUp() override
    {
        std::filesystem::copy_file(BRISQUEN_CHECK_PATH, program);
        dir.write("program/fakes.dat", oldList);
        server.serve("/brisquen/update/brisquen.txt", HttpAnswer::ok("20"));
        server.serve("/brisquen/update/fakes.txt", HttpAnswer::ok("121"));
        server.serve("/brisquen/update/fakes.dat", HttpAnswer::ok("[" + newList + "]"));
    }

    struct Outcome {
        int exitCode;
        std::string output; // standard output only
    };

    Outcome run(const std::string& arguments)
    {
        const std::string command = "'" + program + "' " + arguments + " 2>/dev/null";
        FILE* pipe = popen(command.c_str(), "r");
        std::string output;
        std::array<char, 4096> buffer;
        while (const auto n = fread(buffer.data(), 1, buffer.size(), pipe))
            output.append(buffer.data(), n);
        const int status = pclose(pipe);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
    }
};

} // namespace

TEST_F(BrisquenCheckUpdate, UpdatePrintsTheLogAndSavesTheDatabaseAndCount)
{
    const auto result = run("update " + server.address());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "*** Connecting to the server... \n"
                             "*** New Database downloaded\n"
                             "*** New Database saved on disk\n");
    EXPECT_EQ(readFile(dir.file("program/fakes.dat")), newList + "\r\n");
    EXPECT_EQ(readFile(dir.file("program/Setting.ini")), "[Settings]\r\nFakesNr=121\r\n");
}

TEST_F(BrisquenCheckUpdate, SecondRunIsUpToDateAndExitsZero)
{
    ASSERT_EQ(run("update " + server.address()).exitCode, 0);
    const auto result = run("update " + server.address());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "*** Connecting to the server... \n"
                             "*** You already got the newest database... \n");
    EXPECT_EQ(server.requests().size(), 5u);
}

TEST_F(BrisquenCheckUpdate, NewerVersionIsReported)
{
    server.serve("/brisquen/update/brisquen.txt", HttpAnswer::ok("21"));
    const auto result = run("update " + server.address());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.output.find("*** There is a newer version of brisquen available, please "
                                 "download it.\n"),
              std::string::npos);
}

TEST_F(BrisquenCheckUpdate, FailurePrintsTheErrorMessageAndExitsTwo)
{
    server.serve("/brisquen/update/fakes.dat", HttpAnswer::withStatus(500));
    const auto result = run("update " + server.address());
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.output, "*** Connecting to the server... \n"
                             "Error occured during updating, try again later\n");
    EXPECT_EQ(readFile(dir.file("program/fakes.dat")), oldList);
    EXPECT_FALSE(testing_support::exists(dir.file("program/Setting.ini")));
}

TEST_F(BrisquenCheckUpdate, UpdateIsInTheUsageAndTakesOneServerAtMost)
{
    EXPECT_NE(run("--help").output.find("update [SERVER]"), std::string::npos);
    EXPECT_EQ(run("update " + server.address() + " extra").exitCode, 2);
    EXPECT_TRUE(server.requests().empty());
}
