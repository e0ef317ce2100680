// "&Get new Database" against a real server on 127.0.0.1 and the real Qt client.

#include "update/database_update.h"

#include "edonkey/link_check.h"
#include "edonkey/settings.h"
#include "platform/qt/qt_http_client.h"
#include "tests/support/local_http_server.h"
#include "tests/support/scripted_desktop.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

using namespace std::chrono_literals;
using testing_support::HttpAnswer;
using testing_support::LocalHttpServer;
using testing_support::readFile;
using update::UpdateEnd;

namespace {

const std::string oldHash = "0123456789abcdef0123456789abcdef";
const std::string newHash = "fedcba9876543210fedcba9876543210";
const std::string oldList = oldHash + ",734003200,Old fake\r\n";
// As the server holds it: no CR LF after the last line, the client adds one.
const std::string newList = oldHash + ",734003200,Old fake\r\n" + newHash + ",4321000,New fake";

const std::string versionPath = "/brisquen/update/brisquen.txt";
const std::string countPath = "/brisquen/update/fakes.txt";
const std::string databasePath = "/brisquen/update/fakes.dat";

const std::string connecting = "*** Connecting to the server... \r\n";
const std::string newerVersion =
    "*** There is a newer version of brisquen available, please download it.\r\n";
const std::string upToDate = "*** You already got the newest database... \r\n";
const std::string downloaded = "*** New Database downloaded\r\n";
const std::string saved = "*** New Database saved on disk\r\n";
const std::string errorMessage = "Error occured during updating, try again later";

constexpr auto timeout = 1s;
constexpr qint64 maxBody = 64 * 1024;

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
    update::UpdateTarget target{database, justUpdated, files};

    void SetUp() override
    {
        dir.write("program/fakes.dat", oldList);
        database.replace(oldList);
        serveServer("20", "121", "[" + newList + "]");
    }

    void serveServer(const std::string& version, const std::string& count, const std::string& body)
    {
        server.serve(versionPath, HttpAnswer::ok(version));
        server.serve(countPath, HttpAnswer::ok(count));
        server.serve(databasePath, HttpAnswer::ok(body));
    }

    void setFakesNr(const std::string& value)
    {
        edonkey::Settings(files.settingIni()).writeSetting("FakesNr", value);
    }
    std::string fakesNr() const
    {
        return edonkey::Settings(files.settingIni()).readSetting("FakesNr");
    }
    std::string fakesDat() const { return readFile(files.fakesDat()); }

    UpdateEnd getNewDatabase()
    {
        return update::getNewDatabase(server.address(), target, http, desktop, log);
    }

    /// Nothing but the error message, with the old list kept on disk and in memory.
    void expectFailedAndUnchanged(const std::string& storedCount)
    {
        EXPECT_EQ(desktop.messages, std::vector<std::string>{errorMessage});
        EXPECT_EQ(fakesDat(), oldList);
        EXPECT_EQ(database.text(), oldList);
        EXPECT_EQ(fakesNr(), storedCount);
        EXPECT_TRUE(justUpdated);
    }
};

} // namespace

TEST_F(DatabaseUpdate, FirstUpdateWithoutFakesNrFetchesSavesAndStoresTheCount)
{
    serveServer("20", "120", "[" + newList + "]");
    log.text = "earlier line\r\n";

    EXPECT_EQ(getNewDatabase(), UpdateEnd::Updated);

    EXPECT_EQ(log.text, "earlier line\r\n" + connecting + downloaded + saved);
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(fakesDat(), newList + "\r\n");
    EXPECT_EQ(database.text(), newList + "\r\n");
    EXPECT_EQ(fakesNr(), "120");
    EXPECT_TRUE(justUpdated);
    EXPECT_EQ(server.requests(), (std::vector{versionPath, countPath, databasePath}));
}

TEST_F(DatabaseUpdate, NextLookupUsesTheNewDatabase)
{
    ASSERT_EQ(database.lookupFake(newHash, "4321000"), "");

    ASSERT_EQ(getNewDatabase(), UpdateEnd::Updated);

    // The new entry is the server list's last line, which has no CR LF there.
    EXPECT_EQ(database.lookupFake(newHash, "4321000"), "*** New fake");
    EXPECT_EQ(edonkey::checkEd2kLink("ed2k://|file|x.avi|4321000|" + newHash + "|", database),
              "*** New fake");
    EXPECT_EQ(database.lookupFake(oldHash, "734003200"), "*** Old fake");
}

TEST_F(DatabaseUpdate, SecondClickBeforeTheNextPassOnlyShowsTheMessage)
{
    ASSERT_EQ(getNewDatabase(), UpdateEnd::Updated);
    const std::string logBefore = log.text;
    const auto requestsBefore = server.requests().size();
    serveServer("20", "200", "[" + oldList + "]");

    EXPECT_EQ(getNewDatabase(), UpdateEnd::JustUpdated);

    EXPECT_EQ(desktop.messages, std::vector<std::string>{"You just updated the file..."});
    EXPECT_EQ(log.text, logBefore);
    EXPECT_EQ(server.requests().size(), requestsBefore);
    EXPECT_EQ(fakesNr(), "121");
    EXPECT_EQ(fakesDat(), newList + "\r\n");
}

TEST_F(DatabaseUpdate, FailedAttemptAlsoBlocksTheNextClickUntilThePassClearsTheFlag)
{
    server.serve(countPath, HttpAnswer::withStatus(500));
    ASSERT_EQ(getNewDatabase(), UpdateEnd::Failed);
    EXPECT_EQ(getNewDatabase(), UpdateEnd::JustUpdated);
    EXPECT_EQ(server.requests().size(), 2u);

    // What the next check pass does at its start.
    justUpdated = false;
    serveServer("20", "121", "[" + newList + "]");
    desktop.messages.clear();
    EXPECT_EQ(getNewDatabase(), UpdateEnd::Updated);
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(fakesDat(), newList + "\r\n");
}

TEST_F(DatabaseUpdate, CountEqualToFakesNrIsUpToDateAndFetchesNothingMore)
{
    setFakesNr("120");
    serveServer("20", "120", "[" + newList + "]");

    EXPECT_EQ(getNewDatabase(), UpdateEnd::UpToDate);

    EXPECT_EQ(log.text, connecting + upToDate);
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(server.requests(), (std::vector{versionPath, countPath}));
    EXPECT_EQ(fakesDat(), oldList);
    EXPECT_EQ(database.text(), oldList);
    EXPECT_EQ(fakesNr(), "120");
}

TEST_F(DatabaseUpdate, CountLowerThanFakesNrIsUpToDate)
{
    setFakesNr("120");
    serveServer("20", "119", "[" + newList + "]");

    EXPECT_EQ(getNewDatabase(), UpdateEnd::UpToDate);

    EXPECT_EQ(log.text, connecting + upToDate);
    EXPECT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(fakesNr(), "120");
}

TEST_F(DatabaseUpdate, CountOneHigherThanFakesNrFetchesTheDatabase)
{
    setFakesNr("120");

    EXPECT_EQ(getNewDatabase(), UpdateEnd::Updated);

    EXPECT_EQ(log.text, connecting + downloaded + saved);
    EXPECT_EQ(fakesDat(), newList + "\r\n");
    EXPECT_EQ(fakesNr(), "121");
}

TEST_F(DatabaseUpdate, CountAbove16BitsIsComparedAsANumber)
{
    setFakesNr("32767");
    serveServer("20", "40000", "[" + newList + "]");
    ASSERT_EQ(getNewDatabase(), UpdateEnd::Updated);
    EXPECT_EQ(fakesNr(), "40000");

    justUpdated = false;
    EXPECT_EQ(getNewDatabase(), UpdateEnd::UpToDate);

    // Beyond 32 bits too.
    setFakesNr("4294967296");
    serveServer("20", "4294967297", "[" + oldList + "]");
    justUpdated = false;
    EXPECT_EQ(getNewDatabase(), UpdateEnd::Updated);
    EXPECT_EQ(fakesNr(), "4294967297");
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(DatabaseUpdate, NonNumericCountWhileFakesNrIsSetFails)
{
    setFakesNr("120");
    serveServer("20", "121 entries", "[" + newList + "]");

    EXPECT_EQ(getNewDatabase(), UpdateEnd::Failed);

    expectFailedAndUnchanged("120");
    EXPECT_EQ(log.text, connecting);
    EXPECT_EQ(server.requests().size(), 2u);
}

TEST_F(DatabaseUpdate, CountBeyond64BitsWhileFakesNrIsSetFails)
{
    setFakesNr("120");
    serveServer("20", "9223372036854775808", "[" + newList + "]");

    EXPECT_EQ(getNewDatabase(), UpdateEnd::Failed);

    expectFailedAndUnchanged("120");
}

TEST_F(DatabaseUpdate, NonNumericFakesNrFails)
{
    setFakesNr("many");

    EXPECT_EQ(getNewDatabase(), UpdateEnd::Failed);

    expectFailedAndUnchanged("many");
}

// Stored, such a count would make every later update fail.
TEST_F(DatabaseUpdate, NonNumericCountWithoutFakesNrFailsAndStoresNothing)
{
    serveServer("20", "lots", "[" + newList + "]");

    EXPECT_EQ(getNewDatabase(), UpdateEnd::Failed);

    expectFailedAndUnchanged("");
    EXPECT_EQ(server.requests().size(), 2u);
}

TEST_F(DatabaseUpdate, CountWithBlanksAndALineEndIsANumberAndStoredWithoutTheLineEnd)
{
    setFakesNr("120");
    serveServer("20", " 121 \r\n", "[" + newList + "]");

    EXPECT_EQ(getNewDatabase(), UpdateEnd::Updated);
    EXPECT_EQ(fakesNr(), " 121 ");

    justUpdated = false;
    serveServer("20", "121", "[" + oldList + "]");
    EXPECT_EQ(getNewDatabase(), UpdateEnd::UpToDate);
}

class DatabaseUpdateVersion : public DatabaseUpdate,
                              public testing::WithParamInterface<const char*> {};

TEST_P(DatabaseUpdateVersion, AnyVersionButExactly20IsReportedAndTheUpdateGoesOn)
{
    serveServer(GetParam(), "121", "[" + newList + "]");

    EXPECT_EQ(getNewDatabase(), UpdateEnd::Updated);

    EXPECT_EQ(log.text, connecting + newerVersion + downloaded + saved);
    EXPECT_EQ(fakesDat(), newList + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(Versions, DatabaseUpdateVersion,
                         testing::Values("21", "20\r\n", "20\n", " 20", "2", "",
                                         "<html>20</html>"));

TEST_F(DatabaseUpdate, Version20IsNotReported)
{
    EXPECT_EQ(getNewDatabase(), UpdateEnd::Updated);
    EXPECT_EQ(log.text.find(newerVersion), std::string::npos);
}

TEST_F(DatabaseUpdate, DatabaseBodyOfTwoCharactersGivesAnEmptyDatabase)
{
    serveServer("20", "121", "[]");

    EXPECT_EQ(getNewDatabase(), UpdateEnd::Updated);

    EXPECT_EQ(database.text(), "\r\n"); // what the next load of fakes.dat gives
    EXPECT_EQ(database.lookupFake(oldHash, "734003200"), "");
    EXPECT_EQ(fakesDat(), "\r\n");
    EXPECT_EQ(fakesNr(), "121");
}

TEST_F(DatabaseUpdate, DatabaseBodyShorterThanTwoCharactersFails)
{
    setFakesNr("120");
    for (const char* body : {"", "x"}) {
        justUpdated = false;
        desktop.messages.clear();
        server.serve(databasePath, HttpAnswer::ok(body));

        EXPECT_EQ(getNewDatabase(), UpdateEnd::Failed) << body;

        expectFailedAndUnchanged("120");
        EXPECT_EQ(log.text.find(downloaded), std::string::npos);
    }
}

TEST_F(DatabaseUpdate, BytesOfEveryValueArriveUnchanged)
{
    std::string list;
    for (int c = 0; c < 256; ++c)
        list += static_cast<char>(c);
    serveServer("20", "121", "\n" + list + "\n");

    EXPECT_EQ(getNewDatabase(), UpdateEnd::Updated);

    EXPECT_EQ(fakesDat(), list + "\r\n");
    EXPECT_EQ(database.text(), list + "\r\n");
}

TEST_F(DatabaseUpdate, UnwritableFakesDatFailsAndKeepsTheOldDatabaseInMemory)
{
    setFakesNr("120");
    // A folder in its place cannot be replaced by a file, even by root.
    std::filesystem::remove(files.fakesDat());
    dir.write("program/fakes.dat/keep", "x");

    EXPECT_EQ(getNewDatabase(), UpdateEnd::Failed);

    EXPECT_EQ(desktop.messages, std::vector<std::string>{errorMessage});
    EXPECT_EQ(log.text, connecting + downloaded);
    EXPECT_EQ(database.text(), oldList);
    EXPECT_EQ(fakesNr(), "120");
    EXPECT_EQ(readFile(dir.file("program/fakes.dat/keep")), "x");
    // No temporary file is left behind in the program folder.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(dir.file("program")))
        ++entries;
    EXPECT_EQ(entries, 2); // fakes.dat and Setting.ini
}

TEST_F(DatabaseUpdate, ServerThatMovedIsFollowedThroughRedirects)
{
    LocalHttpServer moved;
    moved.serve(versionPath, HttpAnswer::ok("20"));
    moved.serve(countPath, HttpAnswer::ok("121"));
    moved.serve(databasePath, HttpAnswer::ok("[" + newList + "]"));
    for (const auto& path : {versionPath, countPath, databasePath})
        server.serve(path, HttpAnswer::redirect(moved.address() + path, 301));

    EXPECT_EQ(getNewDatabase(), UpdateEnd::Updated);

    EXPECT_EQ(fakesDat(), newList + "\r\n");
    EXPECT_EQ(moved.requests().size(), 3u);
}

TEST_F(DatabaseUpdate, ServerAddressWithAFinalSlashWorks)
{
    EXPECT_EQ(update::getNewDatabase(server.address() + "/", target, http, desktop, log),
              UpdateEnd::Updated);
    EXPECT_EQ(server.requests(), (std::vector{versionPath, countPath, databasePath}));
}

TEST_F(DatabaseUpdate, RefusedConnectionFailsAndChangesNothing)
{
    setFakesNr("120");

    EXPECT_EQ(
        update::getNewDatabase(testing_support::refusingAddress(), target, http, desktop, log),
        UpdateEnd::Failed);

    expectFailedAndUnchanged("120");
    EXPECT_EQ(log.text, connecting);
}

namespace {

struct Fault {
    const char* name;
    HttpAnswer (*answer)();
};

const Fault faults[] = {
    {"NotFound",
     [] {
         return HttpAnswer::withStatus(404, "[" + newList + "]");
     }},
    {"ServerError",
     [] {
         return HttpAnswer::withStatus(500, "[" + newList + "]");
     }},
    {"NeverAnswers",
     [] {
         return HttpAnswer::silent();
     }},
    {"CutShort",
     [] {
         return HttpAnswer::cutShort("[" + newList + "]", newList.size() + 2 + 100);
     }},
    {"Oversized",
     [] {
         return HttpAnswer::ok("[" + std::string(maxBody - 1, 'x') + "]");
     }},
    {"OversizedWithoutLength",
     [] {
         return HttpAnswer::noLength("[" + std::string(maxBody - 1, 'x') + "]");
     }},
};

// Names the cases "NotFound in fakes.dat" and so on.
void PrintTo(const std::tuple<Fault, std::string>& fault, std::ostream* out)
{
    const std::string& path = std::get<1>(fault);
    *out << std::get<0>(fault).name << " in " << path.substr(path.rfind('/') + 1);
}

} // namespace

class DatabaseUpdateFault : public DatabaseUpdate,
                            public testing::WithParamInterface<std::tuple<Fault, std::string>> {};

TEST_P(DatabaseUpdateFault, FaultShowsTheErrorAndKeepsFakesDatAndFakesNr)
{
    const auto& [fault, faultyPath] = GetParam();
    setFakesNr("120");
    server.serve(faultyPath, fault.answer());

    EXPECT_EQ(getNewDatabase(), UpdateEnd::Failed);

    expectFailedAndUnchanged("120");
    EXPECT_EQ(log.text, connecting);
    // Nothing is asked after the faulty file.
    EXPECT_EQ(server.requests().back(), faultyPath);
}

INSTANTIATE_TEST_SUITE_P(Faults, DatabaseUpdateFault,
                         testing::Combine(testing::ValuesIn(faults),
                                          testing::Values(versionPath, countPath, databasePath)));
