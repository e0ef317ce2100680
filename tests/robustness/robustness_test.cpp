// Hostile client files, databases and settings through the whole program, each
// read for exactly what it holds; and the client's files only ever read,
// through working copies in the program folder that never stay behind.

#include "app/check_pass.h"
#include "edonkey/donkey_folder.h"
#include "edonkey/part_check.h"
#include "fakedb/fake_database.h"
#include "platform/http_client.h"
#include "platform/ini_file.h"
#include "platform/registry.h"
#include "tests/support/scripted_desktop.h"
#include "tests/support/temp_dir.h"
#include "tools/fixture_writer.h"
#include "update/database_update.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::string_literals;
using app::PassEnd;
using edonkey::PartCheck;
using testing_support::readFile;

namespace {

const fixtures::Download cleanDownload{"Knoppix.iso", 700000000, fixtures::hashFromSeed(1), 0};
const fixtures::Download fakeDownload{"Matrix.4.avi", 734003200, fixtures::hashFromSeed(2), 0};
const std::string checking = "*** Checking Files..\r\n";
const std::string fakesFoundEnd = "\r\n*** Finished checking.\r\n";
const std::string fakeFoundLog = "Knoppix.iso\r\nMatrix.4.avi\r\n*** Fake - ad\r\n";
const std::string partHeader = "\xE0\x00\x00\x00\x00"s;
const std::string sizeTag = "\x03\x01\x00\x02"s;
// A header and the hash 00 01 .. 0f, no tags: when no size tag is followed by
// another tag the size is bytes 4 to 7 of the last 51, here 00 00 01 02.
const std::string hashOnly = partHeader + "\0\1\2\3\4\5\6\7\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f"s;

std::string loaded(int entries)
{
    return "*** Loading Database...done ( " + std::to_string(entries) + " entries loaded )\r\n";
}

template <class Enum>
std::string num(Enum value)
{
    return std::to_string(static_cast<int>(value));
}

/// How a pass ended, its log and its messages, as one text to compare.
std::string outcome(PassEnd end, const std::string& log, const std::vector<std::string>& messages)
{
    std::string text = num(end) + "|" + log;
    for (const auto& message : messages)
        text += "|" + message;
    return text;
}

std::string found(const std::string& log, const std::vector<std::string>& messages = {})
{
    return outcome(PassEnd::FakesFound, log + fakesFoundEnd, messages);
}

// A name cut off inside itself: its length points past the end.
std::string cutName()
{
    const auto bytes = fixtures::partMetBytes({"Matrix.4.avi", 5000, fixtures::hashFromSeed(3), 0});
    return bytes.substr(0, bytes.find("Matrix") + 5);
}

/// Everything under `root`, itself included, by path: mode, modification time,
/// and the bytes of each file up to 1 MiB or the target of each link.
/// `ageFirst` sets the times a day back first, so that a later write shows
/// whatever the clock's resolution.
std::map<std::string, std::string> snapshot(const std::string& root, bool ageFirst)
{
    std::vector<fs::path> paths{root};
    for (const auto& entry : fs::recursive_directory_iterator(root))
        paths.push_back(entry.path());
    std::map<std::string, std::string> entries;
    for (const auto& path : paths) {
        const timespec times[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 86400, 0}};
        if (ageFirst)
            ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
        struct stat st {};
        ::lstat(path.c_str(), &st);
        entries[path] = std::to_string(st.st_mode) + " " + std::to_string(st.st_mtim.tv_sec) + "." +
                        std::to_string(st.st_mtim.tv_nsec) + " " +
                        (S_ISLNK(st.st_mode) ? fs::read_symlink(path).string()
                         : S_ISREG(st.st_mode) && st.st_size <= 1 << 20 ? readFile(path)
                                                                        : "");
    }
    return entries;
}

class ScriptedHttp final : public platform::HttpClient {
public:
    std::map<std::string, std::string, std::less<>> bodies;

    std::optional<std::string> get(std::string_view url) override
    {
        const auto body = bodies.find(url);
        return body == bodies.end() ? std::nullopt : std::optional(body->second);
    }
};

/// A program folder whose fakes.dat lists fakeDownload, a zero hash and the
/// hash 00 01 .. 0f (5 entries), and a client folder beside it holding
/// cleanDownload and fakeDownload. Public, for the lambdas of table rows.
class Fixture : public testing::Test {
public:
    testing_support::TempDir dir;
    edonkey::ProgramFiles files{dir.makeFolder("program")};
    testing_support::ScriptedDesktop desktop;
    testing_support::ScriptedRegistry registry;
    testing_support::TextLogBox log;
    app::ProgramState state;
    fixtures::ClientFolder client =
        fixtures::writeClientFolder(dir.file("client"), {cleanDownload, fakeDownload});

    Fixture()
    {
        dir.write("program/fakes.dat",
                  "a,1,x\r\n" + fixtures::fakesDatLine(fakeDownload, "Fake - ad") +
                      std::string(32, '0') + ",0,Empty header\r\n" +
                      "000102030405060708090a0b0c0d0e0f,33619968,Tail size\r\n");
        storePrefPath(client.folder);
    }

    void storePrefPath(const std::string& value)
    {
        ASSERT_TRUE(platform::writeIniString(files.settingIni(), "Settings", "PrefPath", value));
    }

    std::string pass()
    {
        const PassEnd end = app::checkPass(state, {files, desktop, registry, log});
        return outcome(end, log.text, desktop.messages);
    }

    PartCheck checkChosen(const std::string& path)
    {
        desktop.queueFileChoice(path);
        return edonkey::checkChosenPartFile(files, state.database, desktop, log);
    }

    void loadDatabase()
    {
        ASSERT_TRUE(fakedb::loadFakeDatabase(state.database, files.fakesDat(), nullptr));
    }
};

struct Case {
    std::string name;
    std::function<void(Fixture&)> setup;
    std::function<std::string(Fixture&)> act; // a pass when empty
    std::string expected;
};

void PrintTo(const Case& row, std::ostream* out)
{
    *out << row.name;
}

class Table : public Fixture, public testing::WithParamInterface<Case> {};

// --- Hostile inputs through a pass ----------------------------------------

INSTANTIATE_TEST_SUITE_P(
    HostileInput, Table,
    testing::Values(
        // The five-byte file is a part file whose hash, size and name are all zero bytes.
        Case{"TinyPartFiles",
             [](Fixture& t) {
                 t.dir.write("client/temp/empty.part.met", "");
                 t.dir.write("client/temp/one-byte.part.met", "\xE0"s);
                 t.dir.write("client/temp/header-only.part.met", partHeader);
             },
             {},
             found(loaded(5) + checking + fakeFoundLog + "\r\n*** Empty header\r\n")},
        Case{"NameLengthPastTheEnd",
             [](Fixture& t) { t.dir.write("client/temp/cut.part.met", cutName()); },
             {},
             found(loaded(5) + checking + fakeFoundLog + "Matri\r\n")},
        Case{"SizeTagAtTheVeryEnd",
             [](Fixture& t) { t.dir.write("client/temp/end.part.met", hashOnly + sizeTag); },
             {},
             found(loaded(5) + checking + fakeFoundLog + "\r\n*** Tail size\r\n")},
        Case{"TempLengthPastTheEnd",
             [](Fixture& t) {
                 t.dir.write("client/pref.met", "\x02\x04\x00temp\xFF\xFF"s + t.client.tempFolder);
             },
             {},
             found(loaded(5) + checking + fakeFoundLog)},
        Case{"TempFolderIsAFile",
             [](Fixture& t) {
                 fs::remove_all(t.client.tempFolder);
                 t.dir.write("client/temp", fixtures::partMetBytes(cleanDownload));
             },
             {},
             outcome(PassEnd::NothingToCheck, loaded(5) + checking, {})},
        Case{"FakesDatWithNulBytes",
             [](Fixture& t) {
                 t.dir.write("program/fakes.dat",
                             "\0\0\0,0,NUL key\r\n"s +
                                 fixtures::fakesDatLine(fakeDownload, "Fake\0with a NUL"s));
             },
             {},
             found(loaded(3) + checking +
                   "Knoppix.iso\r\nMatrix.4.avi\r\n*** Fake\0with a NUL\r\n"s)},
        Case{"FakesDatWithATenThousandCharacterDescription",
             [](Fixture& t) {
                 t.dir.write("program/fakes.dat",
                             "a,1,x\r\n" + fixtures::fakesDatLine(fakeDownload,
                                                                  std::string(9999, 'd') + "!"));
             },
             {},
             found(loaded(3) + checking + "Knoppix.iso\r\nMatrix.4.avi\r\n*** " +
                   std::string(9999, 'd') + "!\r\n")},
        Case{"FakesDatWithAMebibyteLine",
             [](Fixture& t) {
                 t.dir.write("program/fakes.dat",
                             fixtures::fakesDatLine(cleanDownload, "before") +
                                 std::string(1 << 20, 'y') + "\r\n" +
                                 fixtures::fakesDatLine(fakeDownload, "after"));
             },
             {},
             found(loaded(4) + checking +
                   "Knoppix.iso\r\n*** before\r\nMatrix.4.avi\r\n*** after\r\n")},
        Case{"SettingIniOfBinaryGarbageLeadsToTheDialog",
             [](Fixture& t) {
                 std::mt19937 random(6);
                 std::string garbage(4096, '\0');
                 for (char& c : garbage)
                     c = static_cast<char>(random());
                 t.dir.write("program/Setting.ini", garbage);
                 t.desktop.queueFileChoice(t.client.prefMet);
             },
             {},
             found(loaded(5) + checking + fakeFoundLog,
                   {std::string(edonkey::folderNotFoundMessage)})}),
    [](const auto& info) { return info.param.name; });

TEST_F(Fixture, SingleChecksReadOnlyWhatIsThere)
{
    loadDatabase();
    const std::string tail = "...\r\n*** Tail size\r\n";
    const struct {
        std::string bytes;
        PartCheck check;
        std::string log;
    } cases[] = {
        {"", PartCheck::NotChecked, ""},
        {"\xE0"s, PartCheck::NotChecked, ""},
        {partHeader, PartCheck::Fake, "...\r\n*** Empty header\r\n"},
        {cutName(), PartCheck::Clean, "Matri...\r\nno fake !\r\n"},
        {hashOnly + sizeTag + "\x37\x00\x00\x00"s, PartCheck::Fake, tail},
        {hashOnly + sizeTag + "\x37\x00"s, PartCheck::Fake, tail},
        {hashOnly + sizeTag, PartCheck::Fake, tail},
        {hashOnly + sizeTag + "\x37\x00\x00\x00\x03\x01"s, PartCheck::Fake, tail},
    };
    for (const auto& [bytes, check, expectedLog] : cases) {
        log.text.clear();
        EXPECT_EQ(checkChosen(dir.write("chosen.part.met", bytes)), check)
            << testing::PrintToString(bytes);
        EXPECT_EQ(log.text, expectedLog) << testing::PrintToString(bytes);
    }

    // Over the size limit: neither read nor even copied into the program folder.
    const std::string huge = dir.write("huge.part.met", "");
    fs::resize_file(huge, 70ull * 1024 * 1024);
    const auto before = snapshot(files.folder, true);
    desktop.yields = 0;
    EXPECT_EQ(checkChosen(huge), PartCheck::NotChecked);
    EXPECT_EQ(snapshot(files.folder, false), before);
    EXPECT_EQ(log.text, tail);
    EXPECT_EQ(desktop.yields, 0);
}

TEST_F(Fixture, UnreadableTempFolderOrPartFileIsPassedOver)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads files whatever their rights; run as another user";
    fs::permissions(client.tempFolder, fs::perms::none);
    EXPECT_EQ(pass(), outcome(PassEnd::NothingToCheck, loaded(5) + checking, {}));
    fs::permissions(client.tempFolder, fs::perms::owner_all);
    fs::permissions(client.partFiles[1], fs::perms::none);
    EXPECT_EQ(pass(), outcome(PassEnd::Clean,
                              loaded(5) + checking + "Knoppix.iso\r\n" +
                                  "*** No fakes found in your temp folder !\r\n",
                              {}));
}

// --- The client folder is never written -------------------------------------

TEST_P(Table, EndsAsExpectedAndTheClientFolderIsUntouched)
{
    GetParam().setup(*this);
    const auto before = snapshot(client.folder, true);
    EXPECT_EQ(GetParam().act ? GetParam().act(*this) : pass(), GetParam().expected);
    EXPECT_EQ(snapshot(client.folder, false), before);
    EXPECT_FALSE(testing_support::exists(files.prefCopy()));
    EXPECT_FALSE(testing_support::exists(files.partCopy()));
}

// Part files nothing can read: empty, a folder, a dangling link, a FIFO and
// one over the size limit.
void addUnreadablePartFiles(Fixture& t)
{
    t.dir.write("client/temp/empty.part.met", "");
    t.dir.makeFolder("client/temp/folder.part.met");
    fs::create_symlink(t.dir.file("nowhere"), t.client.tempFolder + "dangling.part.met");
    ASSERT_EQ(::mkfifo((t.client.tempFolder + "fifo.part.met").c_str(), 0644), 0);
    fs::resize_file(t.dir.write("client/temp/huge.part.met", ""), 70ull * 1024 * 1024);
}

const std::string fullPass = found(loaded(5) + checking + fakeFoundLog);

INSTANTIATE_TEST_SUITE_P(
    ClientFolder, Table,
    testing::Values(
        Case{"ClientFullPass", [](Fixture&) {}, {}, fullPass},
        Case{"ClientPassOverUnreadablePartFiles", addUnreadablePartFiles, {}, fullPass},
        Case{"ClientPassWithoutATempFolder",
             [](Fixture& t) { t.dir.write("client/pref.met", "\x02\x04\x00temp"s); },
             {},
             outcome(PassEnd::TempFolderError, loaded(5), {std::string(app::noTempFolderMessage)})},
        Case{"ClientPassWithTheDialogCancelled",
             [](Fixture& t) { t.storePrefPath(t.dir.file("moved-away/")); },
             {},
             outcome(PassEnd::Cancelled, loaded(5), {std::string(edonkey::folderNotFoundMessage)})},
        Case{"ClientSinglePartFileCheck", [](Fixture& t) { t.loadDatabase(); },
             [](Fixture& t) { return num(t.checkChosen(t.client.partFiles[1])) + t.log.text; },
             num(PartCheck::Fake) + "Matrix.4.avi...\r\n*** Fake - ad\r\n"},
        Case{"ClientSingleChecksEndingEarly", addUnreadablePartFiles,
             [](Fixture& t) {
                 std::string checks;
                 for (const char* name : {"", "empty.part.met", "folder.part.met",
                                          "dangling.part.met", "fifo.part.met", "huge.part.met"})
                     checks += num(t.checkChosen(*name ? t.client.tempFolder + name : ""));
                 return checks + t.log.text;
             },
             std::string(6, '0' + static_cast<int>(PartCheck::NotChecked))},
        Case{"ClientUpdateThenPass", [](Fixture&) {},
             [](Fixture& t) {
                 const std::string server = "http://update.test";
                 ScriptedHttp http;
                 http.bodies[server + std::string(update::versionFilePath)] = "20";
                 http.bodies[server + std::string(update::countFilePath)] = "4";
                 http.bodies[server + std::string(update::databaseFilePath)] =
                     "[a,1,x\r\n" + fixtures::fakesDatLine(fakeDownload, "Fake - ad") +
                     cleanDownload.hash + ",700000000,Now listed]";
                 bool justUpdated = false;
                 const auto end = update::getNewDatabase(
                     server, {t.state.database, justUpdated, t.files}, http, t.desktop, t.log);
                 return num(end) + t.pass();
             },
             // The next pass uses the new list: the clean download is now listed too.
             num(update::UpdateEnd::Updated) +
                 found(loaded(4) + checking +
                       "Knoppix.iso\r\n*** Now listed\r\nMatrix.4.avi\r\n*** Fake - ad\r\n")}),
    [](const auto& info) { return info.param.name; });

} // namespace
