// "&Get new Database" against a real server on 127.0.0.1 and the real Qt client.

#include "update/database_update.h"

#include "edonkey/settings.h"
#include "platform/qt/qt_http_client.h"
#include "tests/support/local_http_server.h"
#include "tests/support/scripted_desktop.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using namespace std::chrono_literals;
using namespace std::string_literals;
using testing_support::HttpAnswer;
using testing_support::LocalHttpServer;
using testing_support::readFile;
using update::UpdateEnd;

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
    edonkey::ProgramFiles files{dir.makeFolder("program")};
    LocalHttpServer server;
    platform::QtHttpClient http{timeout, maxBody};
    testing_support::ScriptedDesktop desktop;
    testing_support::TextLogBox log;
    fakedb::FakeDatabase database;
    bool justUpdated = false;

    void SetUp() override
    {
        dir.write("program/fakes.dat", oldList);
        database.replace(oldList);
        serveFiles(server);
    }
    void setFakesNr(const std::string& value)
    {
        edonkey::Settings(files.settingIni()).writeSetting("FakesNr", value);
    }
    std::string fakesNr() const
    {
        return edonkey::Settings(files.settingIni()).readSetting("FakesNr");
    }
    UpdateEnd getNewDatabase()
    {
        return update::getNewDatabase(server.address(), {database, justUpdated, files}, http,
                                      desktop, log);
    }
};

} // namespace

TEST_F(DatabaseUpdate, FirstUpdateIsSavedAndUsedAndASecondClickIsOnlyTold)
{
    serveFiles(server, "120");
    log.text = "earlier\r\n";

    EXPECT_EQ(getNewDatabase(), UpdateEnd::Updated);

    const std::string logAfter = "earlier\r\n" + connecting + downloaded + saved;
    EXPECT_EQ(log.text, logAfter);
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(readFile(files.fakesDat()), newList + "\r\n");
    EXPECT_EQ(database.text(), newList + "\r\n");
    // The server list's last line, without a CR LF there, is matched at once.
    EXPECT_EQ(database.lookupFake(newHash, "4321000"), "*** New fake \xE9\xFF");
    EXPECT_EQ(fakesNr(), "120");
    EXPECT_EQ(server.requests(), allPaths);

    // Before the next check pass clears the flag.
    serveFiles(server, "200", "[]");
    EXPECT_EQ(getNewDatabase(), UpdateEnd::JustUpdated);
    EXPECT_EQ(desktop.messages, std::vector<std::string>{"You just updated the file..."});
    EXPECT_EQ(log.text, logAfter);
    EXPECT_EQ(server.requests(), allPaths);
}

namespace {

struct Case {
    const char* fakesNr = "120"; // "": none stored
    const char* count = "121";
    const char* version = "20";
    const char* database = nullptr; // nullptr: "[" + newList + "]"
    UpdateEnd end = UpdateEnd::Updated;
    const char* fakesNrAfter = "121";
    std::size_t requests = 3;
};

void PrintTo(const Case& c, std::ostream* out)
{
    *out << "FakesNr " << testing::PrintToString(std::string(c.fakesNr)) << ", count "
         << testing::PrintToString(std::string(c.count)) << ", version "
         << testing::PrintToString(std::string(c.version));
}

class DatabaseUpdateCase : public DatabaseUpdate, public testing::WithParamInterface<Case> {};

} // namespace

TEST_P(DatabaseUpdateCase, ComparesTheCountsAndReplacesTheListOnlyWhenTheServerHasMore)
{
    const Case& c = GetParam();
    if (*c.fakesNr)
        setFakesNr(c.fakesNr);
    const std::string body = c.database ? c.database : "[" + newList + "]";
    serveFiles(server, c.count, body, c.version);

    EXPECT_EQ(getNewDatabase(), c.end);

    // The server's list without its first and last character, and a CR LF.
    const bool updated = c.end == UpdateEnd::Updated;
    const std::string list = updated ? body.substr(1, body.size() - 2) + "\r\n" : oldList;
    EXPECT_EQ(readFile(files.fakesDat()), list);
    EXPECT_EQ(database.text(), list);
    EXPECT_EQ(fakesNr(), c.fakesNrAfter);
    EXPECT_EQ(server.requests().size(), c.requests);
    EXPECT_EQ(log.text, connecting + (c.version == "20"s ? "" : newerVersion) +
                            (updated                        ? downloaded + saved
                             : c.end == UpdateEnd::UpToDate ? upToDate
                                                            : ""));
    EXPECT_EQ(desktop.messages, c.end == UpdateEnd::Failed ? failed : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Counts, DatabaseUpdateCase,
    testing::Values(
        Case{.count = "120", .end = UpdateEnd::UpToDate, .fakesNrAfter = "120", .requests = 2},
        Case{.count = "119", .end = UpdateEnd::UpToDate, .fakesNrAfter = "120", .requests = 2},
        Case{}, // one more
        Case{.count = "40000", .fakesNrAfter = "40000"},
        Case{.count = "4294967297", .fakesNrAfter = "4294967297"},
        Case{.count = " 121 \r\n", .fakesNrAfter = " 121 "},
        Case{
            .count = "121 entries", .end = UpdateEnd::Failed, .fakesNrAfter = "120", .requests = 2},
        Case{.fakesNr = "",
             .count = "lots",
             .end = UpdateEnd::Failed,
             .fakesNrAfter = "",
             .requests = 2},
        Case{.fakesNr = "many", .end = UpdateEnd::Failed, .fakesNrAfter = "many", .requests = 2},
        Case{.version = "20\r\n"}, Case{.database = "[]"},
        Case{.database = "x", .end = UpdateEnd::Failed, .fakesNrAfter = "120"}));

namespace {

class EntryCount
    : public testing::TestWithParam<std::pair<std::string, std::optional<std::int64_t>>> {};

} // namespace

TEST_P(EntryCount, IsASignedWholeNumberWithBlanksAroundAndOneLineEnd)
{
    EXPECT_EQ(update::parseEntryCount(GetParam().first), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, EntryCount,
    testing::ValuesIn(std::vector<std::pair<std::string, std::optional<std::int64_t>>>{
        {"007", 7},
        {"+7", 7},
        {"-5", -5},
        {" \t120 \r\n", 120},
        {"120\n", 120},
        {"9223372036854775807", std::numeric_limits<std::int64_t>::max()},
        {"-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
        {"9223372036854775808", {}},
        {"", {}},
        {" \r\n", {}},
        {"12a", {}},
        {"1 2", {}},
        {"1.0", {}},
        {"0x10", {}},
        {"+-1", {}},
        {"--1", {}},
        {"120\r", {}},
        {"120\n\n", {}},
        {"\r\n120", {}},
        {"12\0"s, {}}}));

namespace {

// Every body would be a good answer but for the fault.
HttpAnswer fault(const std::string& name, const std::string& path)
{
    if (name == "silent")
        return HttpAnswer::silent();
    if (name == "cut short")
        return HttpAnswer::cutShort("121", 200);
    if (name == "oversized")
        return HttpAnswer::ok(std::string(maxBody, ' ') + "121");
    if (name == "refused")
        return HttpAnswer::redirect(testing_support::refusingAddress() + path);
    if (name == "redirect loop")
        return HttpAnswer::redirect(path);
    return HttpAnswer::withStatus(std::stoi(name), "121");
}

class DatabaseUpdateFault
    : public DatabaseUpdate,
      public testing::WithParamInterface<std::tuple<std::string, std::string>> {};

} // namespace

TEST_P(DatabaseUpdateFault, ShowsTheErrorAndKeepsFakesDatAndFakesNr)
{
    const auto& [name, path] = GetParam();
    setFakesNr("120");
    server.serve(path, fault(name, path));

    EXPECT_EQ(getNewDatabase(), UpdateEnd::Failed);

    EXPECT_EQ(desktop.messages, failed);
    EXPECT_EQ(log.text, connecting);
    EXPECT_EQ(readFile(files.fakesDat()), oldList);
    EXPECT_EQ(database.text(), oldList);
    EXPECT_EQ(fakesNr(), "120");
    EXPECT_EQ(server.requests().back(), path); // nothing is asked after the faulty file
}

INSTANTIATE_TEST_SUITE_P(Faults, DatabaseUpdateFault,
                         testing::Combine(testing::Values("300", "404", "500", "silent",
                                                          "cut short", "oversized", "refused",
                                                          "redirect loop"),
                                          testing::ValuesIn(allPaths)));

TEST_F(DatabaseUpdate, UnwritableFakesDatFailsAndKeepsTheOldDatabase)
{
    setFakesNr("120");
    // A folder in its place cannot be replaced by a file, even by root.
    std::filesystem::remove(files.fakesDat());
    dir.write("program/fakes.dat/keep", "x");

    EXPECT_EQ(getNewDatabase(), UpdateEnd::Failed);

    EXPECT_EQ(desktop.messages, failed);
    EXPECT_EQ(log.text, connecting + downloaded);
    EXPECT_EQ(readFile(dir.file("program/fakes.dat/keep")), "x");
    EXPECT_EQ(database.text(), oldList);
    EXPECT_EQ(fakesNr(), "120");
}

TEST_F(DatabaseUpdate, ServerThatMovedIsFollowed)
{
    LocalHttpServer moved;
    serveFiles(moved);
    for (const auto& path : allPaths)
        server.serve(path, HttpAnswer::redirect(moved.address() + path, 301));

    EXPECT_EQ(getNewDatabase(), UpdateEnd::Updated);

    EXPECT_EQ(readFile(files.fakesDat()), newList + "\r\n");
    EXPECT_EQ(moved.requests(), allPaths);
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

    EXPECT_EQ(getNewDatabase(), UpdateEnd::Updated);

    EXPECT_EQ(readFile(files.fakesDat()), list);
    EXPECT_EQ(fakesNr(), "2");
    EXPECT_EQ(log.text, connecting + downloaded + saved);
}
