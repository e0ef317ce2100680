// "&Get new Database" against a real server on 127.0.0.1 and the real Qt client.

#include "session/database_update.h"

#include "platform/qt/qt_http_client.h"
#include "session/settings.h"
#include "tests/support/local_http_server.h"
#include "tests/support/scripted_desktop.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_name.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>

using namespace std::chrono_literals;
using namespace std::string_literals;
using session::UpdateAnswer;
using testing_support::HttpAnswer;
using testing_support::LocalHttpServer;
using testing_support::readFile;
using enum UpdateAnswer;

namespace {

const std::string oldHash = "0123456789abcdef0123456789abcdef";
const std::string newHash = "fedcba9876543210fedcba9876543210";
const std::string oldList = oldHash + ",734003200,Old fake\r\n";
// As the server holds it: no CR LF after the last line, the client adds one.
// Bytes beyond ASCII must arrive unchanged.
const std::string newList = oldList + newHash + ",4321000,New fake \xE9\xFF";

const std::string versionPath = "/brisquen/update/brisquen.txt";
const std::string countPath = "/brisquen/update/fakes.txt";
const std::string databasePath = "/brisquen/update/fakes.dat";
const std::vector<std::string> allPaths{versionPath, countPath, databasePath};

const std::string connecting = "*** Connecting to the server... \r\n";
const std::string newerVersion =
    "*** There is a newer version of brisquen available, please download it.\r\n";
const std::string upToDate = "*** You already got the newest database... \r\n";
const std::string downloaded = "*** New Database downloaded\r\n";
const std::string saved = "*** New Database saved on disk\r\n";
const std::vector<std::string> failed{"Error occured during updating, try again later"};

constexpr auto timeout = 500ms;
constexpr qint64 maxBody = 4096;

void serveFiles(LocalHttpServer& server, const std::string& count = "121",
                const std::string& database = "[" + newList + "]",
                const std::string& version = "20")
{
    server.serve(versionPath, HttpAnswer::ok(version));
    server.serve(countPath, HttpAnswer::ok(count));
    server.serve(databasePath, HttpAnswer::ok(database));
}

class DatabaseUpdate : public testing::Test {
protected:
    testing_support::TempDir dir;
    session::ProgramFiles files{dir.makeFolder("program")};
    LocalHttpServer server;
    platform::QtHttpClient http{timeout, maxBody};
    testing_support::ScriptedDesktop desktop;
    testing_support::TextLogBox log;
    session::ProgramState state;
    fakedb::FakeDatabase& database = state.database;

    void SetUp() override
    {
        dir.write("program/fakes.dat", oldList);
        database.replace(oldList);
        serveFiles(server);
    }
    session::Settings settings() const { return session::Settings(files); }
    void setFakesNr(const std::string& value) { settings().writeSetting("FakesNr", value); }
    std::string fakesNr() const { return settings().readSetting("FakesNr"); }
    // The update as a click on the button runs it, its message box included.
    UpdateAnswer getNewDatabase()
    {
        const auto answer = session::updateDatabase(state, files, server.address(), http, log);
        if (const auto message = session::updateMessage(answer); !message.empty())
            desktop.showMessage(message);
        return answer;
    }
};

} // namespace

TEST_F(DatabaseUpdate, FirstUpdateIsSavedAndUsedAndASecondClickIsOnlyTold)
{
    serveFiles(server, "120");
    log.text = "earlier\r\n";

    EXPECT_EQ(getNewDatabase(), Updated);

    EXPECT_EQ(readFile(files.fakesDat()), newList + "\r\n");
    EXPECT_EQ(database.text(), newList + "\r\n");
    // The server list's last line, without a CR LF there, is matched at once.
    EXPECT_EQ(database.lookupFake(newHash, "4321000"), "*** New fake \xE9\xFF");
    EXPECT_EQ(fakesNr(), "120");

    // Before the next check pass clears the flag; the log, messages and requests
    // below are also those of the first click, as they only grow.
    serveFiles(server, "200", "[]");
    EXPECT_EQ(getNewDatabase(), JustUpdated);
    EXPECT_EQ(desktop.messages, std::vector<std::string>{"You just updated the file..."});
    EXPECT_EQ(log.text, "earlier\r\n" + connecting + downloaded + saved);
    EXPECT_EQ(server.requests(), allPaths);
}

namespace {

struct Case {
    std::string count = "121";
    UpdateAnswer end = Updated;
    std::string fakesNrAfter = "121";
    std::size_t requests = 3;
    std::string fakesNr = "120"; // "": none stored
    std::string version = "20";
    std::string database = "[" + newList + "]";
    friend void PrintTo(const Case& c, std::ostream* out) { *out << c.count << '/' << c.fakesNr; }
};

class DatabaseUpdateCase : public DatabaseUpdate, public testing::WithParamInterface<Case> {};

} // namespace

TEST_P(DatabaseUpdateCase, ComparesTheCountsAndReplacesTheListOnlyWhenTheServerHasMore)
{
    const Case& c = GetParam();
    if (!c.fakesNr.empty())
        setFakesNr(c.fakesNr);
    serveFiles(server, c.count, c.database, c.version);

    EXPECT_EQ(getNewDatabase(), c.end);

    // The server's list without its first and last character, and a CR LF.
    const bool updated = c.end == Updated;
    const std::string list =
        updated ? c.database.substr(1, c.database.size() - 2) + "\r\n" : oldList;
    EXPECT_EQ(readFile(files.fakesDat()), list);
    EXPECT_EQ(database.text(), list);
    EXPECT_EQ(fakesNr(), c.fakesNrAfter);
    EXPECT_EQ(server.requests().size(), c.requests);
    EXPECT_EQ(log.text, connecting + (c.version == "20" ? "" : newerVersion) +
                            (updated             ? downloaded + saved
                             : c.end == UpToDate ? upToDate
                                                 : ""));
    EXPECT_EQ(desktop.messages, c.end == Failed ? failed : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Counts, DatabaseUpdateCase,
    testing::Values(Case{"120", UpToDate, "120", 2}, Case{"119", UpToDate, "120", 2}, Case{},
                    Case{"40000", Updated, "40000"}, Case{"4294967297", Updated, "4294967297"},
                    Case{" 121 \r\n", Updated, " 121 "}, Case{"121 entries", Failed, "120", 2},
                    Case{"lots", Failed, "", 2, ""}, Case{"121", Failed, "many", 2, "many"},
                    Case{"121", Updated, "121", 3, "120", "20\r\n"},
                    Case{"121", Updated, "121", 3, "120", "20", "[]"},
                    Case{"121", Failed, "120", 3, "120", "20", "x"}),
    [](const auto& info) {
        return std::to_string(info.index) + "_" + testing_support::testName(info.param.count);
    });

TEST(EntryCount, IsASignedWholeNumberWithBlanksAroundAndOneLineEnd)
{
    constexpr auto max = std::numeric_limits<std::int64_t>::max();
    constexpr auto min = std::numeric_limits<std::int64_t>::min();
    for (const auto& [text, value] :
         {std::pair{"007"s, 7L}, std::pair{"+7"s, 7L}, std::pair{"-5"s, -5L},
          std::pair{" \t120 \r\n"s, 120L}, std::pair{"120\n"s, 120L},
          std::pair{"9223372036854775807"s, max}, std::pair{"-9223372036854775808"s, min}})
        EXPECT_EQ(update::parseEntryCount(text), value) << text;
    for (const std::string& text :
         {"9223372036854775808"s, ""s, " \r\n"s, "12a"s, "1 2"s, "1.0"s, "0x10"s, "+-1"s, "--1"s,
          "120\r"s, "120\n\n"s, "\r\n120"s, "12\0"s})
        EXPECT_EQ(update::parseEntryCount(text), std::nullopt) << text;
}

namespace {

// Every body would be a good answer but for the fault.
HttpAnswer fault(const std::string& name, const std::string& path)
{
    // A server that is gone leaves its port refusing connections.
    const std::string to = name == "refused" ? LocalHttpServer().address() + path : path;
    if (name == "silent" || name == "cut short" || name == "oversized")
        return {.status = name == "silent" ? 0 : 200,
                .body = name == "oversized" ? std::string(maxBody, ' ') + "121" : "121",
                .length = name == "cut short" ? 200 : -1};
    return {.status = std::isdigit(name[0]) ? std::stoi(name) : 302,
            .body = "121",
            .location = std::isdigit(name[0]) ? "" : to};
}

class DatabaseUpdateFault
    : public DatabaseUpdate,
      public testing::WithParamInterface<std::pair<std::string, std::string>> {};

} // namespace

TEST_P(DatabaseUpdateFault, ShowsTheErrorAndKeepsFakesDatAndFakesNr)
{
    const auto& [name, path] = GetParam();
    setFakesNr("120");
    server.serve(path, fault(name, path));

    EXPECT_EQ(getNewDatabase(), Failed);

    EXPECT_EQ(desktop.messages, failed);
    EXPECT_EQ(log.text, connecting);
    EXPECT_EQ(readFile(files.fakesDat()), oldList);
    EXPECT_EQ(database.text(), oldList);
    EXPECT_EQ(fakesNr(), "120");
    EXPECT_EQ(server.requests().back(), path); // nothing is asked after the faulty file
}

// Each fault of a server once, on one of the three files in turn.
INSTANTIATE_TEST_SUITE_P(
    Faults, DatabaseUpdateFault,
    testing::Values(std::pair{"300"s, versionPath}, std::pair{"404"s, countPath},
                    std::pair{"500"s, databasePath}, std::pair{"silent"s, versionPath},
                    std::pair{"cut short"s, countPath}, std::pair{"oversized"s, databasePath},
                    std::pair{"refused"s, versionPath}, std::pair{"redirect loop"s, countPath}),
    [](const auto& info) {
        return testing_support::testName(info.param.first + "_" + info.param.second.substr(17));
    });

TEST_F(DatabaseUpdate, UnwritableFakesDatFailsAndKeepsTheOldDatabase)
{
    setFakesNr("120");
    // A folder in its place cannot be replaced by a file, even by root.
    std::filesystem::remove(files.fakesDat());
    dir.write("program/fakes.dat/keep", "x");

    EXPECT_EQ(getNewDatabase(), Failed);

    EXPECT_EQ(desktop.messages, failed);
    EXPECT_EQ(log.text, connecting + downloaded);
    EXPECT_EQ(readFile(dir.file("program/fakes.dat/keep")), "x");
    EXPECT_EQ(database.text(), oldList);
    EXPECT_EQ(fakesNr(), "120");
}

TEST_F(DatabaseUpdate, ListServedFromTheFilesOfBrisquenServerFilesComesBackUnchanged)
{
    const std::string list = "comment\r\n" + oldHash + ",1,a\r\n" + newHash + ",2,b,c\r\n";
    const std::string command = "'"s + BRISQUEN_SERVER_FILES_PATH + "' '" +
                                dir.write("in.dat", list) + "' '" + dir.file("www") +
                                "' >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const auto& path : allPaths)
        server.serve(path, HttpAnswer::ok(readFile(dir.file("www") + path)));
    // A long list comes in parts: the time-out is for each wait, not for the whole.
    server.serve(databasePath,
                 HttpAnswer::slow(readFile(dir.file("www") + databasePath), 4, timeout * 2 / 5));

    EXPECT_EQ(getNewDatabase(), Updated);

    EXPECT_EQ(readFile(files.fakesDat()), list);
    EXPECT_EQ(fakesNr(), "2");
    EXPECT_EQ(log.text, connecting + downloaded + saved);
}
