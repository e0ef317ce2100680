// Hostile client files, databases and settings through the whole program, each
// read for exactly what it holds; and the client's files only ever read,
// through working copies in the program folder that never stay behind.

#include "app/check_pass.h"
#include "edonkey/donkey_folder.h"
#include "edonkey/part_check.h"
#include "fakedb/fake_database.h"
#include "platform/ini_file.h"
#include "tests/support/scripted_desktop.h"
#include "tests/support/temp_dir.h"
#include "tools/fixture_writer.h"
#include "update/database_update.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <numeric>
#include <random>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace std::string_literals;
using app::PassEnd;
using edonkey::PartCheck;

namespace {

const fixtures::Download cleanDownload{"Knoppix.iso", 700000000, fixtures::hashFromSeed(1), 0};
const fixtures::Download fakeDownload{"Matrix.4.avi", 734003200, fixtures::hashFromSeed(2), 0};
const std::string checking = "*** Checking Files..\r\n";
const std::string partHeader = "\xE0\x00\x00\x00\x00"s;
const std::string sizeTag = "\x03\x01\x00\x02"s;
// A header and the hash 00 01 .. 0f, no tags: when no size tag is followed by
// another tag the size is bytes 4 to 7 of the last 51, here 00 00 01 02.
const std::string hashOnly = partHeader + "\0\1\2\3\4\5\6\7\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f"s;

const auto loaded = [](int entries) {
    return "*** Loading Database...done ( " + std::to_string(entries) + " entries loaded )\r\n";
};
const auto num = [](auto value) {
    return std::to_string(static_cast<int>(value));
};

/// How a pass ended, its log and its messages, as one text to compare.
std::string outcome(PassEnd end, const std::string& log, std::string_view message = {})
{
    return num(end) + "|" + log + (message.empty() ? "" : "|" + std::string(message));
}

const auto found = [](const std::string& log) {
    return outcome(PassEnd::FakesFound, log + "\r\n*** Finished checking.\r\n");
};

/// A pass with the default fakes.dat that finds the fake download, then `more`.
const auto foundWith = [](const std::string& more) {
    return found(loaded(5) + checking + "Knoppix.iso\r\nMatrix.4.avi\r\n*** Fake - ad\r\n" + more);
};

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
        entries[path] =
            std::to_string(st.st_mode) + " " + std::to_string(st.st_mtim.tv_sec) + "." +
            std::to_string(st.st_mtim.tv_nsec) + " " +
            (S_ISLNK(st.st_mode)                            ? fs::read_symlink(path).string()
             : S_ISREG(st.st_mode) && st.st_size <= 1 << 20 ? testing_support::readFile(path)
                                                            : "");
    }
    return entries;
}

struct ScriptedHttp final : platform::HttpClient {
    std::map<std::string, std::string, std::less<>> bodies;
    std::optional<std::string> get(std::string_view url) override
    {
        return bodies.contains(url) ? std::optional(bodies.find(url)->second) : std::nullopt;
    }
};

/// A program folder whose fakes.dat lists fakeDownload, a zero hash and the
/// hash 00 01 .. 0f (5 entries), and a client folder beside it holding
/// cleanDownload and fakeDownload; `pass()` runs a whole pass.
struct Table;
struct Case {
    std::string name;
    std::function<void(Table&)> setup;
    std::string expected;
    std::function<std::string(Table&)> act = {}; // a pass when empty
};

struct Table : testing::TestWithParam<Case> {
    testing_support::TempDir dir;
    edonkey::ProgramFiles files{dir.makeFolder("program")};
    testing_support::ScriptedDesktop desktop;
    testing_support::ScriptedRegistry registry;
    testing_support::TextLogBox log;
    app::ProgramState state;
    fixtures::ClientFolder client =
        fixtures::writeClientFolder(dir.file("client"), {cleanDownload, fakeDownload});

    std::string fakesDat = dir.write(
        "program/fakes.dat", "a,1,x\r\n" + fixtures::fakesDatLine(fakeDownload, "Fake - ad") +
                                 std::string(32, '0') + ",0,Empty header\r\n" +
                                 "000102030405060708090a0b0c0d0e0f,33619968,Tail size\r\n");
    bool prefPathStored =
        platform::writeIniString(files.settingIni(), "Settings", "PrefPath", client.folder);

    std::string pass()
    {
        const PassEnd end = app::checkPass(state, {files, desktop, registry, log});
        return std::accumulate(desktop.messages.begin(), desktop.messages.end(),
                               outcome(end, log.text),
                               [](auto text, auto& m) { return text + "|" + m; });
    }
};

// A name cut off inside itself: its length points past the end.
const auto cutName = [] {
    const auto bytes = fixtures::partMetBytes({"Matrix.4.avi", 5000, fixtures::hashFromSeed(3), 0});
    return bytes.substr(0, bytes.find("Matrix") + 5);
};

// In the temp folder, part files nothing can read: empty, a folder, a dangling
// link, a FIFO and one over the size limit. Beside it, where a pass does not
// look, files for the single check: one byte, a bare header, a cut name and
// the ends of a size tag, with and without its value.
void addHostilePartFiles(Table& t)
{
    t.dir.write("client/temp/empty.part.met", "");
    t.dir.makeFolder("client/temp/folder.part.met");
    fs::create_symlink(t.dir.file("nowhere"), t.client.tempFolder + "dangling.part.met");
    ASSERT_EQ(::mkfifo((t.client.tempFolder + "fifo.part.met").c_str(), 0644), 0);
    fs::resize_file(t.dir.write("client/temp/huge.part.met", ""), 70ull * 1024 * 1024);
    int i = 0;
    for (const auto& bytes :
         {"\xE0"s, partHeader, cutName(), hashOnly + sizeTag + "\x37\x00\x00\x00"s,
          hashOnly + sizeTag + "\x37\x00"s, hashOnly + sizeTag,
          hashOnly + sizeTag + "\x37\x00\x00\x00\x03\x01"s})
        t.dir.write("client/hostile" + std::to_string(i++), bytes);
}

/// Each check's result and log: the fake download, the hostile files, ones
/// that end early, and last the huge one with the yields and whether the
/// program folder changed.
std::string singleChecks(Table& t)
{
    EXPECT_TRUE(fakedb::loadFakeDatabase(t.state.database, t.files.fakesDat(), nullptr));
    std::string checks;
    std::map<std::string, std::string> before;
    for (const auto& name :
         {"temp/002.part.met", "hostile0", "hostile1", "hostile2", "hostile3", "hostile4",
          "hostile5", "hostile6", "", "temp/empty.part.met", "temp/folder.part.met",
          "temp/dangling.part.met", "temp/fifo.part.met", "temp/huge.part.met"}) {
        before = snapshot(t.files.folder, true);
        t.log.text.clear();
        t.desktop.yields = 0;
        t.desktop.queueFileChoice(*name ? t.client.folder + name : "");
        checks += num(edonkey::checkChosenPartFile(t.files, t.state.database, t.desktop, t.log)) +
                  t.log.text + "|";
    }
    return checks + std::to_string(t.desktop.yields) +
           (snapshot(t.files.folder, false) == before ? " same" : " changed");
}

std::string updateThenPass(Table& t)
{
    const std::string server = "http://update.test";
    ScriptedHttp http;
    http.bodies = {{server + std::string(update::versionFilePath), "20"},
                   {server + std::string(update::countFilePath), "4"},
                   {server + std::string(update::databaseFilePath),
                    "[a,1,x\r\n" + fixtures::fakesDatLine(fakeDownload, "Fake - ad") +
                        cleanDownload.hash + ",700000000,Now listed]"}};
    bool justUpdated = false;
    const auto end = update::getNewDatabase(server, {t.state.database, justUpdated, t.files}, http,
                                            t.desktop, t.log);
    return num(end) + t.pass();
}

// Each row ends exactly as expected, the client folder stays byte for byte
// as it was and no working copy stays behind.
TEST_P(Table, EndsAsExpectedAndTheClientFolderIsUntouched)
{
    GetParam().setup(*this);
    const auto before = snapshot(client.folder, true);
    EXPECT_EQ(GetParam().act ? GetParam().act(*this) : pass(), GetParam().expected);
    EXPECT_EQ(snapshot(client.folder, false), before);
    EXPECT_FALSE(testing_support::exists(files.prefCopy()) ||
                 testing_support::exists(files.partCopy()));
}

const std::string tail = num(PartCheck::Fake) + "...\r\n*** Tail size\r\n|";
const std::string notChecked = num(PartCheck::NotChecked) + "|";

// `put` is a setup that writes `bytes` to `path` under the test folder.
const auto none = [](Table&) {
};
const auto put = [](std::string path, std::string bytes) {
    return [=](Table& t) {
        t.dir.write(path, bytes);
    };
};
INSTANTIATE_TEST_SUITE_P(Robustness, Table,
                         testing::Values(Case{"FullPass", none, foundWith("")},
                                         Case{"PassOverUnreadablePartFiles", addHostilePartFiles,
                                              foundWith("")},
                                         Case{"PassWithoutATempFolder",
                                              put("client/pref.met", "\x02\x04\x00temp"s),
                                              outcome(PassEnd::TempFolderError, loaded(5),
                                                      app::noTempFolderMessage)},
                                         Case{"PassWithTheDialogCancelled",
                                              [](Table& t) {
                                                  platform::writeIniString(
                                                      t.files.settingIni(), "Settings", "PrefPath",
                                                      t.dir.file("moved-away/"));
                                              },
                                              outcome(PassEnd::Cancelled, loaded(5),
                                                      edonkey::folderNotFoundMessage)},
                                         Case{"SinglePartFileChecks", addHostilePartFiles,
                                              num(PartCheck::Fake) +
                                                  "Matrix.4.avi...\r\n*** Fake - ad\r\n|" +
                                                  notChecked + num(PartCheck::Fake) +
                                                  "...\r\n*** Empty header\r\n|" +
                                                  num(PartCheck::Clean) +
                                                  "Matri...\r\nno fake !\r\n|" + tail + tail +
                                                  tail + tail + notChecked + notChecked +
                                                  notChecked + notChecked + notChecked +
                                                  notChecked + "0 same",
                                              singleChecks},
                                         // The next pass uses the new list: the clean download is
                                         // now listed too.
                                         Case{
                                             "UpdateThenPass", none,
                                             num(update::UpdateEnd::Updated) +
                                                 found(
                                                     loaded(4) + checking +
                                                     "Knoppix.iso\r\n*** Now "
                                                     "listed\r\nMatrix.4.avi\r\n*** Fake - ad\r\n"),
                                             updateThenPass},
                                         // The five-byte file is a part file whose hash, size and
                                         // name are all zero bytes.
                                         Case{"TinyPartFiles",
                                              [](Table& t) {
                                                  t.dir.write("client/temp/empty.part.met", "");
                                                  t.dir.write("client/temp/one-byte.part.met",
                                                              "\xE0"s);
                                                  t.dir.write("client/temp/header-only.part.met",
                                                              partHeader);
                                              },
                                              foundWith("\r\n*** Empty header\r\n")},
                                         Case{"NameLengthPastTheEnd",
                                              put("client/temp/cut.part.met", cutName()),
                                              foundWith("Matri\r\n")},
                                         Case{"SizeTagAtTheVeryEnd",
                                              put("client/temp/end.part.met", hashOnly + sizeTag),
                                              foundWith("\r\n*** Tail size\r\n")},
                                         Case{"TempLengthPastTheEnd",
                                              [](Table& t) {
                                                  t.dir.write("client/pref.met",
                                                              "\x02\x04\x00temp\xFF\xFF"s +
                                                                  t.client.tempFolder);
                                              },
                                              foundWith("")},
                                         Case{"TempFolderIsAFile",
                                              [](Table& t) {
                                                  fs::remove_all(t.client.tempFolder);
                                                  t.dir.write("client/temp", fixtures::partMetBytes(
                                                                                 cleanDownload));
                                              },
                                              outcome(PassEnd::NothingToCheck,
                                                      loaded(5) + checking)},
                                         Case{
                                             "FakesDatWithNulBytes",
                                             put("program/fakes.dat",
                                                 "\0\0\0,0,NUL key\r\n"s +
                                                     fixtures::fakesDatLine(fakeDownload,
                                                                            "Fake\0with a NUL"s)),
                                             found(loaded(3) +
                                                   checking + "Knoppix.iso\r\nMatrix.4.avi\r\n*** Fake\0with a NUL\r\n"s)},
                                         Case{
                                             "FakesDatWithATenThousandCharacterDescription",
                                             put("program/fakes.dat", "a,1,x\r\n" +
                                                                          fixtures::
                                                                              fakesDatLine(fakeDownload, std::string(9999, 'd') +
                                                                                                             "!")),
                                             found(loaded(3) +
                                                   checking + "Knoppix.iso\r\nMatrix.4.avi\r\n*** " +
                                                   std::string(9999, 'd') + "!\r\n")},
                                         Case{"FakesDatWithAMebibyteLine",
                                              put("program/fakes.dat", fixtures::
                                                                               fakesDatLine(cleanDownload,
                                                                                            "befor"
                                                                                            "e") +
                                                                           std::string(1 << 20,
                                                                                       'y') +
                                                                           "\r\n" +
                                                                           fixtures::fakesDatLine(
                                                                               fakeDownload,
                                                                               "after")),
                                              found(loaded(4) +
                                                    checking + "Knoppix.iso\r\n*** before\r\nMatrix.4.avi\r\n*** after\r\n")},
                                         Case{"SettingIniOfBinaryGarbageLeadsToTheDialog",
                                              [](Table& t) {
                                                  std::string garbage(4096, '\0');
                                                  std::generate(garbage.begin(), garbage.end(),
                                                                std::mt19937(6));
                                                  t.dir.write("program/Setting.ini", garbage);
                                                  t.desktop.queueFileChoice(t.client.prefMet);
                                              },
                                              foundWith("") + "|" +
                                                  std::string(edonkey::folderNotFoundMessage)}),
                         [](const auto& info) { return info.param.name; });

} // namespace
