// brisquen-server-files, and a client updating from the files it writes.

#include "edonkey/settings.h"
#include "platform/qt/qt_http_client.h"
#include "tests/support/local_http_server.h"
#include "tests/support/scripted_desktop.h"
#include "tests/support/temp_dir.h"
#include "update/database_update.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/wait.h>

using testing_support::readFile;
using testing_support::TempDir;

namespace {

class ServerFiles : public testing::Test {
protected:
    TempDir dir;

    int run(const std::string& arguments)
    {
        const std::string command =
            std::string("'") + BRISQUEN_SERVER_FILES_PATH + "' " + arguments + " >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    /// Runs the tool on `list` and returns what it wrote.
    struct Written {
        std::string version, count, database;
    };
    Written make(const std::string& list)
    {
        const auto fakesDat = dir.write("list/fakes.dat", list);
        EXPECT_EQ(run("'" + fakesDat + "' '" + dir.file("www") + "'"), 0);
        return {readFile(dir.file("www/brisquen/update/brisquen.txt")),
                readFile(dir.file("www/brisquen/update/fakes.txt")),
                readFile(dir.file("www/brisquen/update/fakes.dat"))};
    }
};

const std::string hash1 = "0123456789abcdef0123456789abcdef";
const std::string hash2 = "fedcba9876543210fedcba9876543210";

} // namespace

TEST_F(ServerFiles, WritesVersionCountAndTheListBetweenTwoMarks)
{
    const auto written = make(hash1 + ",1,Fake one\r\n" + hash2 + ",2,Fake two\r\n");
    EXPECT_EQ(written.version, "20");
    EXPECT_EQ(written.count, "2");
    EXPECT_EQ(written.database, "[" + hash1 + ",1,Fake one\r\n" + hash2 + ",2,Fake two]");
}

TEST_F(ServerFiles, CountsOnlyLinesThatALookupCanMatch)
{
    const auto written = make("comment\r\n"                  // no comma
                              "h1,1\r\n"                     // one comma
                              "h2,2,two\r\n"                 // entry
                              "h3,3,three,with comma\r\n"    // entry
                              "h4,4,four\nsplit by LF\r\n"   // one line: LF alone ends none
                              "\r\n"                         // empty
                              "h5,5,last without line end"); // the client adds its CR LF
    EXPECT_EQ(written.count, "4");
}

TEST_F(ServerFiles, EmptyListGivesCountZeroAndTwoCharacters)
{
    const auto written = make("");
    EXPECT_EQ(written.count, "0");
    EXPECT_EQ(written.database, "[]");
}

TEST_F(ServerFiles, ReplacesTheFilesOfAnEarlierRun)
{
    make(hash1 + ",1,a\r\n");
    const auto written = make(hash1 + ",1,a\r\n" + hash2 + ",2,b\r\n");
    EXPECT_EQ(written.count, "2");
}

TEST_F(ServerFiles, BadArgumentsOrAMissingListFail)
{
    EXPECT_EQ(run(""), 2);
    EXPECT_EQ(run("only-one"), 2);
    EXPECT_EQ(run("--help"), 0);
    EXPECT_EQ(run("'" + dir.file("missing.dat") + "' '" + dir.file("www") + "'"), 1);
    EXPECT_FALSE(testing_support::exists(dir.file("www")));
    // The output folder cannot be made below a file.
    const auto fakesDat = dir.write("fakes.dat", "x\r\n");
    EXPECT_EQ(run("'" + fakesDat + "' '" + fakesDat + "'"), 1);
}

TEST_F(ServerFiles, ClientUpdatingFromTheServedFilesGetsTheSameFakesDat)
{
    for (const std::string& list :
         {hash1 + ",1,a\r\n" + hash2 + ",2,b\r\n", hash1 + ",1,no final line end", std::string(),
          std::string("\r\n"), std::string("x\r\n\r\n")}) {
        const auto written = make(list);
        testing_support::LocalHttpServer server;
        server.serve("/brisquen/update/brisquen.txt",
                     testing_support::HttpAnswer::ok(written.version));
        server.serve("/brisquen/update/fakes.txt", testing_support::HttpAnswer::ok(written.count));
        server.serve("/brisquen/update/fakes.dat",
                     testing_support::HttpAnswer::ok(written.database));
        TempDir program;
        const edonkey::ProgramFiles files{program.path()};
        fakedb::FakeDatabase database;
        bool justUpdated = false;
        platform::QtHttpClient http;
        testing_support::ScriptedDesktop desktop;
        testing_support::TextLogBox log;

        EXPECT_EQ(update::getNewDatabase(server.address(), {database, justUpdated, files}, http,
                                         desktop, log),
                  update::UpdateEnd::Updated);

        const bool endsInLineEnd = list.ends_with("\r\n");
        EXPECT_EQ(readFile(files.fakesDat()), endsInLineEnd ? list : list + "\r\n");
        EXPECT_EQ(edonkey::Settings(files.settingIni()).readSetting("FakesNr"), written.count);
        EXPECT_EQ(log.text.find("newer version"), std::string::npos);
    }
}
