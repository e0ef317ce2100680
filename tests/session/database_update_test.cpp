// "&Get new Database" as the user runs it, against a scripted server.

#include "session/database.h"
#include "session/settings.h"
#include "session/update_command.h"
#include "tests/support/scripted_desktop.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <limits>

using namespace std::string_literals;
using session::UpdateAnswer;
using testing_support::readFile;
using enum UpdateAnswer;

namespace {

const std::string oldHash = "0123456789abcdef0123456789abcdef";
const std::string newHash = "fedcba9876543210fedcba9876543210";
const std::string oldList = oldHash + ",734003200,Old fake\r\n";
// As the server holds it: no CR LF after the last line, the client adds one.
// Bytes beyond ASCII must arrive unchanged.
const std::string newList = oldList + newHash + ",4321000,New fake \xE9\xFF";

const std::string server = "http://update.test";
const std::string versionUrl = server + "/brisquen/update/brisquen.txt";
const std::string countUrl = server + "/brisquen/update/fakes.txt";
const std::string databaseUrl = server + "/brisquen/update/fakes.dat";

const std::string connecting = "*** Connecting to the server... \r\n";
const std::string newerVersion =
    "*** There is a newer version of brisquen available, please download it.\r\n";
const std::string upToDate = "*** You already got the newest database... \r\n";
const std::string downloaded = "*** New Database downloaded\r\n";
const std::string saved = "*** New Database saved on disk\r\n";
const std::vector<std::string> failed{"Error occured during updating, try again later"};

class DatabaseUpdate : public testing::Test {
protected:
    testing_support::TempDir dir;
    session::ProgramFiles files{dir.makeFolder("program")};
    testing_support::ScriptedHttp http;
    testing_support::ScriptedDesktop desktop;
    testing_support::TextLogBox log;
    session::ProgramState state;

    void SetUp() override
    {
        dir.write("program/fakes.dat", oldList);
        auto list = std::make_shared<fakedb::FakeDatabase>();
        list->replace(oldList);
        state.list.replace(std::move(list));
        serve("121");
    }
    // The list in use.
    const fakedb::FakeDatabase& database() const { return *state.list.current(); }
    void serve(const std::string& count, const std::string& database = "[" + newList + "]",
               const std::string& version = "20")
    {
        http.bodies = {{versionUrl, version}, {countUrl, count}, {databaseUrl, database}};
    }
    session::Settings settings() const { return session::Settings(files); }
    void setFakesNr(const std::string& value)
    {
        ASSERT_TRUE(settings().writeSetting("FakesNr", value));
    }
    std::string fakesNr() const { return settings().readSetting("FakesNr"); }
    // The update as a click on the button runs it, its message box included.
    UpdateAnswer getNewDatabase()
    {
        const auto answer = session::updateDatabase(state, files, server, http, log);
        if (const auto message = session::updateMessage(answer); !message.empty())
            desktop.showMessage(message);
        return answer;
    }
};

} // namespace

TEST_F(DatabaseUpdate, FirstUpdateIsSavedAndUsedAtOnce)
{
    serve("120");
    log.text = "earlier\r\n";
    EXPECT_EQ(getNewDatabase(), Updated);
    EXPECT_EQ(readFile(files.fakesDat()), newList + "\r\n");
    EXPECT_EQ(database().text(), newList + "\r\n");
    // The server list's last line, without a CR LF there, is matched at once.
    EXPECT_EQ(database().lookupFake(newHash, "4321000"), "*** New fake \xE9\xFF");
    EXPECT_EQ(fakesNr(), "120");
    EXPECT_EQ(log.text, "earlier\r\n" + connecting + downloaded + saved);
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
    serve(c.count, c.database, c.version);

    EXPECT_EQ(getNewDatabase(), c.end);

    // The server's list without its first and last character, and a CR LF.
    const bool updated = c.end == Updated;
    const std::string list =
        updated ? c.database.substr(1, c.database.size() - 2) + "\r\n" : oldList;
    EXPECT_EQ(readFile(files.fakesDat()), list);
    EXPECT_EQ(database().text(), list);
    EXPECT_EQ(fakesNr(), c.fakesNrAfter);
    EXPECT_EQ(http.requests.size(), c.requests);
    EXPECT_EQ(log.text, connecting + (c.version == "20" ? "" : newerVersion) +
                            (updated             ? downloaded + saved
                             : c.end == UpToDate ? upToDate
                                                 : ""));
    EXPECT_EQ(desktop.messages, c.end == Failed ? failed : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Counts, DatabaseUpdateCase,
    testing::Values(Case{"120", UpToDate, "120", 2}, Case{"119", UpToDate, "120", 2}, Case{},
                    Case{"4294967297", Updated, "4294967297"}, Case{" 121 \r\n", Updated, " 121 "},
                    Case{"121 entries", Failed, "120", 2}, Case{"lots", Failed, "", 2, ""},
                    Case{"121", Failed, "many", 2, "many"},
                    Case{"121", Updated, "121", 3, "120", "20\r\n"},
                    Case{"121", Updated, "121", 3, "120", "20", "[]"},
                    Case{"121", Failed, "120", 3, "120", "20", "x"}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(EntryCount, IsASignedWholeNumberWithBlanksAroundAndOneLineEnd)
{
    constexpr auto max = std::numeric_limits<std::int64_t>::max();
    constexpr auto min = std::numeric_limits<std::int64_t>::min();
    for (const auto& [text, value] : {std::pair{"+7"s, 7L},
                                      {"-5"s, -5L},
                                      {" \t120 \r\n"s, 120L},
                                      {"120\n"s, 120L},
                                      {"9223372036854775807"s, max},
                                      {"-9223372036854775808"s, min}})
        EXPECT_EQ(update::parseEntryCount(text), value) << text;
    for (const std::string& text : {"9223372036854775808"s, ""s, " \r\n"s, "12a"s, "1 2"s, "+-1"s,
                                    "120\r"s, "120\n\n"s, "\r\n120"s, "12\0"s})
        EXPECT_EQ(update::parseEntryCount(text), std::nullopt) << text;
}

// A transfer that fails, or a fakes.dat that cannot be replaced (a folder in
// its place, which even root cannot replace by a file): the error is shown,
// nothing is asked after the failed step, and fakes.dat, the list in memory
// and FakesNr stay as they were.
TEST_F(DatabaseUpdate, FailedStepShowsTheErrorAndKeepsEverything)
{
    setFakesNr("120");
    for (const std::string& missing : {versionUrl, countUrl, databaseUrl}) {
        http.requests.clear();
        state.justUpdated = false;
        serve("121");
        http.bodies.erase(missing);
        EXPECT_EQ(getNewDatabase(), Failed);
        EXPECT_EQ(http.requests.back(), missing);
    }
    std::filesystem::remove(files.fakesDat());
    dir.write("program/fakes.dat/keep", "x");
    state.justUpdated = false;
    serve("121");
    EXPECT_EQ(getNewDatabase(), Failed);
    EXPECT_EQ(desktop.messages, std::vector<std::string>(4, failed[0]));
    EXPECT_EQ(log.text, connecting + connecting + connecting + connecting + downloaded);
    EXPECT_EQ(readFile(dir.file("program/fakes.dat/keep")), "x");
    EXPECT_EQ(database().text(), oldList);
    EXPECT_EQ(fakesNr(), "120");
}

TEST_F(DatabaseUpdate, ListFromTheFilesOfBrisquenServerFilesComesBackUnchanged)
{
    const std::string list = "comment\r\n" + oldHash + ",1,a\r\n" + newHash + ",2,b,c\r\n";
    const std::string command = "'"s + BRISQUEN_SERVER_FILES_PATH + "' '" +
                                dir.write("in.dat", list) + "' '" + dir.file("www") +
                                "' >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (auto& [url, body] : http.bodies)
        body = readFile(dir.file("www") + url.substr(server.size()));
    EXPECT_EQ(getNewDatabase(), Updated);
    EXPECT_EQ(readFile(files.fakesDat()), list);
    EXPECT_EQ(fakesNr(), "2");
    EXPECT_EQ(log.text, connecting + downloaded + saved);
}

// The user's own list is no part of an update: myfakes.dat keeps its bytes
// and its date, and its entries are still found after the new list is in use.
TEST_F(DatabaseUpdate, UpdateLeavesTheUsersOwnListAsItWas)
{
    const std::string mine = newHash + ",4321001,marked by me\r\nmy own note\r\n";
    const std::string path = dir.write("program/myfakes.dat", mine);
    ASSERT_TRUE(session::loadDatabase(state, files));
    const auto before = std::filesystem::last_write_time(path);
    serve("121");
    EXPECT_EQ(getNewDatabase(), Updated);
    EXPECT_EQ(readFile(path), mine);
    EXPECT_EQ(std::filesystem::last_write_time(path), before);
    EXPECT_EQ(session::listsInUse(state).lookupFake(newHash, "4321001"), "*** marked by me");
    EXPECT_EQ(session::listsInUse(state).lookupFake(newHash, "4321000"), "*** New fake \xE9\xFF");
}
