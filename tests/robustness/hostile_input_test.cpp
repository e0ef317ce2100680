// Hostile client files, databases and settings through the whole program:
// each is passed over or read for exactly what it holds, and none makes a
// pass crash, hang or read what it must not.

#include "edonkey/donkey_folder.h"
#include "edonkey/link_check.h"
#include "edonkey/part_check.h"
#include "fakedb/fake_database.h"
#include "tests/robustness/folder_watch.h"
#include "tests/robustness/pass_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <grp.h>
#include <pwd.h>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::string_literals;
using app::PassEnd;
using edonkey::PartCheck;
using testing::IsEmpty;
using testing_support::cleanDownload;
using testing_support::exists;
using testing_support::fakeDownload;
using testing_support::readFile;

namespace {

const std::string partHeader = "\xE0\x00\x00\x00\x00"s;
const std::string sizeTag = "\x03\x01\x00\x02"s;
const std::string fakeFoundLog = "Knoppix.iso\r\nMatrix.4.avi\r\n*** Fake - ad\r\n";

std::string le32(std::uint32_t value)
{
    std::string bytes;
    for (int shift = 0; shift < 32; shift += 8)
        bytes += static_cast<char>(value >> shift & 0xFF);
    return bytes;
}

std::string outcome(PassEnd end, const std::string& log)
{
    return std::to_string(static_cast<int>(end)) + "|" + log;
}

// Reads of `path` the program makes: one per 2 KiB block and one more.
int blocksOf(const std::string& path)
{
    return static_cast<int>(fs::file_size(path) / 2048 + 1);
}

// Runs `job` in a child process without root's rights, which read any file:
// as the user nobody when this process is root, else as it is. What the job
// returns, or nothing when rights cannot be dropped or `mustRead` is then out
// of reach (a private temporary folder, say).
std::optional<std::string> runUnprivileged(const std::function<std::string()>& job,
                                           const std::string& mustRead)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        if (::geteuid() == 0) {
            const passwd* nobody = ::getpwnam("nobody");
            const uid_t uid = nobody ? nobody->pw_uid : 65534;
            const gid_t gid = nobody ? nobody->pw_gid : 65534;
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
                ::_exit(77);
        }
        if (::access(mustRead.c_str(), R_OK) != 0)
            ::_exit(77);
        const std::string result = job();
        std::size_t written = 0;
        while (written < result.size()) {
            const ssize_t n =
                ::write(pipeEnds[1], result.data() + written, result.size() - written);
            if (n <= 0)
                ::_exit(1);
            written += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    std::string result;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeEnds[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child)
        return std::nullopt;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77)
        return std::nullopt;
    // Anything else that went wrong in the child fails the comparison.
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "<the child ended with status " + std::to_string(status) + ">";
    return result;
}

class HostileInput : public testing_support::ProgramAndClient {
protected:
    void loadDatabase()
    {
        ASSERT_TRUE(fakedb::loadFakeDatabase(state.database, files.fakesDat(), nullptr));
    }

    PartCheck checkChosen(const std::string& path)
    {
        desktop.queueFileChoice(path);
        return edonkey::checkChosenPartFile(files, state.database, desktop, log);
    }
};

class HostilePartFiles : public HostileInput {};
class HostilePrefMet : public HostileInput {};
class HostileFakesDat : public HostileInput {};
class HostileSettingIni : public HostileInput {};
class HostileTempFolder : public HostileInput {};

const std::string zeroHash(32, '0');

} // namespace

// --- Part files ------------------------------------------------------------

TEST_F(HostilePartFiles, TinyFilesInAPassArePassedOverOrReadAsZeros)
{
    dir.write("program/fakes.dat", zeroHash + ",0,Empty header\r\n");
    clientFolder({cleanDownload});
    dir.write("client/temp/empty.part.met", "");
    dir.write("client/temp/one-byte.part.met", "\xE0"s);
    dir.write("client/temp/header-only.part.met", partHeader);

    EXPECT_EQ(runPass(), PassEnd::FakesFound);
    // The five-byte file is a part file whose hash, size and name are all zero bytes.
    EXPECT_EQ(log.text, "*** Loading Database...done ( 2 entries loaded )\r\n" + checkingLine +
                            "Knoppix.iso\r\n\r\n*** Empty header\r\n" + fakesFoundEnd);
}

TEST_F(HostilePartFiles, TinyFilesCheckedSinglyAreRefusedOrReadAsZeros)
{
    dir.write("program/fakes.dat", zeroHash + ",0,Empty header\r\n");
    loadDatabase();
    log.text = "kept\r\n";
    EXPECT_EQ(checkChosen(dir.write("empty.part.met", "")), PartCheck::NotChecked);
    EXPECT_EQ(checkChosen(dir.write("one-byte.part.met", "\xE0"s)), PartCheck::NotChecked);
    EXPECT_EQ(log.text, "kept\r\n");

    EXPECT_EQ(checkChosen(dir.write("header-only.part.met", partHeader)), PartCheck::Fake);
    EXPECT_EQ(log.text, "...\r\n*** Empty header\r\n");
    EXPECT_FALSE(exists(files.partCopy()));
}

TEST_F(HostilePartFiles, NameLengthPastTheEndGivesTheNameUpToTheEnd)
{
    std::string bytes =
        fixtures::partMetBytes({"Matrix.4.avi", 5000, fixtures::hashFromSeed(3), 0});
    bytes.resize(bytes.find("Matrix") + 5);
    const auto client = clientFolder({});
    dir.write("client/temp/cut.part.met", bytes);

    EXPECT_EQ(runPass(), PassEnd::Clean);
    EXPECT_EQ(log.text, loadedLine + checkingLine + "Matri\r\n" + noFakesEnd);
    EXPECT_EQ(checkChosen(client.tempFolder + "cut.part.met"), PartCheck::Clean);
    EXPECT_EQ(log.text, "Matri...\r\nno fake !\r\n");
}

TEST_F(HostilePartFiles, NameWithNulAndControlBytesIsLoggedAsStored)
{
    const std::string name = "Fake\0.avi\r\n\x01\xFF"s;
    const auto client = clientFolder({{name, 5000, fixtures::hashFromSeed(3), 0}});

    EXPECT_EQ(runPass(), PassEnd::Clean);
    EXPECT_EQ(log.text, loadedLine + checkingLine + name + "\r\n" + noFakesEnd);
    EXPECT_EQ(checkChosen(client.partFiles[0]), PartCheck::Clean);
    EXPECT_EQ(log.text, name + "...\r\nno fake !\r\n");
}

TEST_F(HostilePartFiles, SizeTagAtTheVeryEndGivesWayToTheSizeInTheTail)
{
    // Hash 00 01 .. 0f. With no size tag followed by another tag, the size is
    // bytes 4 to 7 of the file's last 51, here all of it: 00 00 01 02.
    std::string head = partHeader;
    for (char i = 0; i < 16; ++i)
        head += i;
    dir.write("program/fakes.dat", "000102030405060708090a0b0c0d0e0f,33619968,Tail size\r\n");
    loadDatabase();

    for (const auto& end :
         {sizeTag + le32(55), sizeTag + "\x37\x00"s, sizeTag, sizeTag + le32(55) + "\x03\x01"s}) {
        log.text.clear();
        EXPECT_EQ(checkChosen(dir.write("end.part.met", head + end)), PartCheck::Fake)
            << testing::PrintToString(end);
        EXPECT_EQ(log.text, "...\r\n*** Tail size\r\n");
    }
}

TEST_F(HostilePartFiles, OversizedFileIsSkippedWithoutBeingCopiedOrRead)
{
    const auto client = clientFolder({cleanDownload, fakeDownload});
    const std::string huge = dir.write("client/temp/huge.part.met", "");
    fs::resize_file(huge, 70ull * 1024 * 1024);
    loadDatabase();

    log.text = "kept\r\n";
    testing_support::WriteWatch programFolder(files.folder);
    EXPECT_EQ(checkChosen(huge), PartCheck::NotChecked);
    // Not even copied: no working copy was ever written.
    EXPECT_THAT(programFolder.writes(), IsEmpty());
    EXPECT_EQ(desktop.yields, 0);
    EXPECT_EQ(log.text, "kept\r\n");

    // A pass yields once before the files and once per block read: none for it.
    EXPECT_EQ(runPass(), PassEnd::FakesFound);
    EXPECT_EQ(log.text, loadedLine + checkingLine + fakeFoundLog + fakesFoundEnd);
    EXPECT_EQ(desktop.yields, blocksOf(files.fakesDat()) + blocksOf(client.prefMet) + 1 +
                                  blocksOf(client.partFiles[0]) + blocksOf(client.partFiles[1]));
    EXPECT_FALSE(exists(files.partCopy()));
}

// --- pref.met --------------------------------------------------------------

TEST_F(HostilePrefMet, TempLengthPastTheEndTakesTheRestOfTheFile)
{
    const auto client = clientFolder({cleanDownload, fakeDownload});
    dir.write("client/pref.met", "\x02\x04\x00temp\xFF\xFF"s + client.tempFolder);

    EXPECT_EQ(runPass(), PassEnd::FakesFound);
    EXPECT_EQ(log.text, loadedLine + checkingLine + fakeFoundLog + fakesFoundEnd);
}

TEST_F(HostilePrefMet, CutFilesEndThePassAsTheirBytesSay)
{
    clientFolder({cleanDownload});
    struct Case {
        std::string prefMet;
        PassEnd end;
        std::string log;
        std::size_t messages;
    };
    for (const auto& [prefMet, end, expectedLog, messages] : {
             Case{"\x02\x04\x00temp"s, PassEnd::TempFolderError, loadedLine, 1},
             Case{"\x02\x04\x00temp\x05"s, PassEnd::NothingToCheck, loadedLine + checkingLine, 0},
             Case{"\x02\x04\x00temp\xFF\xFF/no/such/folder/"s, PassEnd::NothingToCheck,
                  loadedLine + checkingLine, 0},
         }) {
        dir.write("client/pref.met", prefMet);
        desktop.messages.clear();
        EXPECT_EQ(runPass(), end) << testing::PrintToString(prefMet);
        EXPECT_EQ(log.text, expectedLog);
        EXPECT_EQ(desktop.messages.size(), messages);
        EXPECT_FALSE(exists(files.prefCopy()));
    }
}

TEST_F(HostilePrefMet, FolderOrFifoInsteadOfAFileShowsTheMessage)
{
    const auto client = clientFolder({cleanDownload});
    fs::remove(client.prefMet);
    fs::create_directory(client.prefMet);
    EXPECT_EQ(runPass(), PassEnd::TempFolderError);

    fs::remove(client.prefMet);
    ASSERT_EQ(::mkfifo(client.prefMet.c_str(), 0644), 0);
    EXPECT_EQ(runPass(), PassEnd::TempFolderError);

    EXPECT_EQ(log.text, loadedLine);
    EXPECT_EQ(desktop.messages, std::vector<std::string>(2, std::string(app::noTempFolderMessage)));
    EXPECT_FALSE(exists(files.prefCopy()));
}

// --- fakes.dat -------------------------------------------------------------

TEST_F(HostileFakesDat, NulBytesStayInKeysAndDescriptions)
{
    dir.write("program/fakes.dat", "\0\0\0,0,NUL key\r\n"s +
                                       fixtures::fakesDatLine(fakeDownload, "Fake\0with a NUL"s) +
                                       "a\0b,1,x\r\n"s);
    clientFolder({cleanDownload, fakeDownload});

    EXPECT_EQ(runPass(), PassEnd::FakesFound);
    EXPECT_EQ(log.text, "*** Loading Database...done ( 4 entries loaded )\r\n" + checkingLine +
                            "Knoppix.iso\r\nMatrix.4.avi\r\n*** Fake\0with a NUL\r\n"s +
                            fakesFoundEnd);
    EXPECT_EQ(edonkey::checkEd2kLink("ed2k://|file|x|734003200|" + fakeDownload.hash + "|",
                                     state.database),
              "*** Fake\0with a NUL"s);
    EXPECT_EQ(state.database.lookupFake("\0\0\0"s, "0"), "*** NUL key");
    EXPECT_EQ(state.database.lookupFake("a\0b"s, "1"), "*** x");
    EXPECT_EQ(state.database.lookupFake("a", "1"), "");
}

TEST_F(HostileFakesDat, TenThousandCharacterDescriptionArrivesWhole)
{
    std::string description;
    for (int i = 0; description.size() < 10000; ++i)
        description += std::to_string(i) + " ";
    description.resize(10000);
    dir.write("program/fakes.dat", "a,1,x\r\n" + fixtures::fakesDatLine(fakeDownload, description));
    clientFolder({cleanDownload, fakeDownload});

    EXPECT_EQ(runPass(), PassEnd::FakesFound);
    EXPECT_EQ(log.text, loadedLine + checkingLine + "Knoppix.iso\r\nMatrix.4.avi\r\n*** " +
                            description + "\r\n" + fakesFoundEnd);
    EXPECT_EQ(edonkey::checkEd2kLink("ed2k://|file|x|734003200|" + fakeDownload.hash + "|",
                                     state.database),
              "*** " + description);
}

TEST_F(HostileFakesDat, LinesOfAMebibyteHideNoEntryAroundThem)
{
    const std::string longKey(1 << 20, 'z');
    dir.write("program/fakes.dat",
              fixtures::fakesDatLine(cleanDownload, "before") + std::string(1 << 20, 'y') + "\r\n" +
                  longKey + ",5,long key\r\n" + fixtures::fakesDatLine(fakeDownload, "after"));
    clientFolder({cleanDownload, fakeDownload});

    EXPECT_EQ(runPass(), PassEnd::FakesFound);
    EXPECT_EQ(log.text, "*** Loading Database...done ( 5 entries loaded )\r\n" + checkingLine +
                            "Knoppix.iso\r\n*** before\r\nMatrix.4.avi\r\n*** after\r\n" +
                            fakesFoundEnd);
    EXPECT_EQ(state.database.lookupFake(longKey, "5"), "*** long key");
    EXPECT_EQ(state.database.lookupFake(longKey.substr(1), "5"), "");
}

// --- Setting.ini -----------------------------------------------------------

TEST_F(HostileSettingIni, BinaryGarbageLeadsToTheDialogAndThePassStillWorks)
{
    std::mt19937 random(6);
    std::string garbage(4096, '\0');
    for (char& c : garbage)
        c = static_cast<char>(random());
    const auto client =
        fixtures::writeClientFolder(dir.file("client"), {cleanDownload, fakeDownload});
    dir.write("program/Setting.ini", garbage);
    desktop.queueFileChoice(client.prefMet);

    EXPECT_EQ(runPass(), PassEnd::FakesFound);
    EXPECT_EQ(desktop.messages,
              std::vector<std::string>{std::string(edonkey::folderNotFoundMessage)});
    EXPECT_EQ(log.text, loadedLine + checkingLine + fakeFoundLog + fakesFoundEnd);
    // The choice is remembered after the garbage, which is kept.
    EXPECT_EQ(platform::readIniString(files.settingIni(), "Settings", "PrefPath"), client.folder);
    EXPECT_TRUE(readFile(files.settingIni()).starts_with(garbage));
}

TEST_F(HostileSettingIni, GarbagePrefPathIsNoFolderAndLeadsToTheDialog)
{
    const auto client = fixtures::writeClientFolder(dir.file("client"), {cleanDownload});
    for (const auto& value :
         {"\xFF\xFE\x80\x01\x7F"s, std::string(10000, 'x'), "\"" + client.folder,
          "\0"s + client.folder, dir.file("moved-away/")}) {
        const std::string ini = "[Settings]\r\nPrefPath=" + value + "\r\n";
        dir.write("program/Setting.ini", ini);
        desktop.messages.clear();
        desktop.dialogs.clear();

        EXPECT_EQ(runPass(), PassEnd::Cancelled) << testing::PrintToString(value);
        EXPECT_EQ(desktop.messages,
                  std::vector<std::string>{std::string(edonkey::folderNotFoundMessage)});
        EXPECT_EQ(desktop.dialogs.size(), 1u);
        EXPECT_EQ(readFile(files.settingIni()), ini);
    }
}

TEST_F(HostileSettingIni, PrefPathEndsAtANulAsTheClientsSystemHandsItOver)
{
    const auto client =
        fixtures::writeClientFolder(dir.file("client"), {cleanDownload, fakeDownload});
    dir.write("program/Setting.ini", "[Settings]\r\nPrefPath=" + client.folder + "\0/etc/"s);

    EXPECT_EQ(runPass(), PassEnd::FakesFound);
    EXPECT_TRUE(desktop.dialogs.empty());
    EXPECT_EQ(log.text, loadedLine + checkingLine + fakeFoundLog + fakesFoundEnd);
}

// --- The temp folder -------------------------------------------------------

TEST_F(HostileTempFolder, FileInsteadOfAFolderHasNothingToCheck)
{
    const auto client = clientFolder({cleanDownload});
    fs::remove_all(client.tempFolder);
    const std::string file = dir.write("client/temp", fixtures::partMetBytes(cleanDownload));
    for (const auto& tempFolder : {client.tempFolder, file}) {
        dir.write("client/pref.met", fixtures::prefMetBytes(tempFolder));
        EXPECT_EQ(runPass(), PassEnd::NothingToCheck) << tempFolder;
        EXPECT_EQ(log.text, loadedLine + checkingLine);
    }
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(HostileTempFolder, PartFilesThatAreNoFilesArePassedOverAndLinksFollowed)
{
    const auto client = clientFolder({cleanDownload});
    const std::string& temp = client.tempFolder;
    dir.makeFolder("client/temp/a-folder.part.met");
    fs::create_symlink(dir.file("nowhere"), temp + "b-dangling.part.met");
    fs::create_symlink(temp + "c-loop.part.met", temp + "c-loop.part.met");
    ASSERT_EQ(::mkfifo((temp + "d-fifo.part.met").c_str(), 0644), 0);
    fs::create_symlink(dir.path(), temp + "e-folder-link.part.met");
    fs::create_symlink(dir.write("elsewhere/fake.bin", fixtures::partMetBytes(fakeDownload)),
                       temp + "f-linked.part.met");

    EXPECT_EQ(runPass(), PassEnd::FakesFound);
    EXPECT_EQ(log.text, loadedLine + checkingLine + fakeFoundLog + fakesFoundEnd);
    EXPECT_FALSE(exists(files.partCopy()));
}

TEST_F(HostileTempFolder, UnreadableFolderOrPartFileIsPassedOver)
{
    const auto client = clientFolder({cleanDownload, fakeDownload});
    // Room for another user to read the client folder and write the copies.
    fs::permissions(dir.path(),
                    fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::permissions(files.folder, fs::perms::all);
    const auto pass = [this] {
        return runUnprivileged(
            [this] {
                log.text.clear();
                const PassEnd end = runPass();
                return outcome(end, log.text);
            },
            files.fakesDat());
    };

    const auto readable = pass();
    if (!readable)
        GTEST_SKIP() << "cannot run the pass as the user nobody here";
    EXPECT_EQ(*readable, outcome(PassEnd::FakesFound,
                                 loadedLine + checkingLine + fakeFoundLog + fakesFoundEnd));

    fs::permissions(client.tempFolder, fs::perms::none);
    EXPECT_EQ(pass(), outcome(PassEnd::NothingToCheck, loadedLine + checkingLine));

    // Enterable but not listable.
    fs::permissions(client.tempFolder,
                    fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec);
    EXPECT_EQ(pass(), outcome(PassEnd::NothingToCheck, loadedLine + checkingLine));

    fs::permissions(client.tempFolder, fs::perms::owner_all | fs::perms::group_read |
                                           fs::perms::group_exec | fs::perms::others_read |
                                           fs::perms::others_exec);
    fs::permissions(client.partFiles[1], fs::perms::none);
    EXPECT_EQ(pass(),
              outcome(PassEnd::Clean, loadedLine + checkingLine + "Knoppix.iso\r\n" + noFakesEnd));
}
