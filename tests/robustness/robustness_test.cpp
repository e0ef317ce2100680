// Hostile client files through the whole program, and the client's files only
// ever read, through working copies in the program folder that never stay
// behind.

#include "session/check_pass.h"
#include "session/database.h"
#include "session/part_check.h"
#include "tests/support/program_fixture.h"
#include "tools/fixture_writer.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace std::string_literals;
using edonkey::DownloadStatus;
using session::PassEnd;

namespace {

const fixtures::Download cleanDownload{"Knoppix.iso", 700000000, fixtures::hashFromSeed(1), 0};
const fixtures::Download fakeDownload{"Matrix.4.avi", 734003200, fixtures::hashFromSeed(2), 0};
const std::string loaded4 = "*** Loading Database...done ( 4 entries loaded )\r\n";
const std::string checking = "*** Checking Files..\r\n";
const std::string bothFound = "Knoppix.iso\r\nMatrix.4.avi\r\n*** Fake - ad\r\n";
const std::string finished = "\r\n*** Finished checking.\r\n";

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

/// A program folder whose fakes.dat lists fakeDownload and a zero hash (4
/// entries), and a client folder beside it holding
/// cleanDownload and fakeDownload, which Setting.ini names.
class ClientFolder : public testing_support::ProgramFixture {
protected:
    fixtures::ClientFolder client =
        fixtures::writeClientFolder(dir.file("client"), {cleanDownload, fakeDownload});
    std::map<std::string, std::string> before;

    void SetUp() override
    {
        dir.write("program/fakes.dat", "a,1,x\r\n" +
                                           fixtures::fakesDatLine(fakeDownload, "Fake - ad") +
                                           std::string(32, '0') + ",0,Empty header\r\n");
        storePrefPath(client.folder);
    }

    // In the temp folder, part files nothing can read: empty, a folder, a
    // dangling link, a FIFO and one over the size limit.
    void addUnreadablePartFiles()
    {
        dir.write("client/temp/empty.part.met", "");
        dir.makeFolder("client/temp/folder.part.met");
        fs::create_symlink(dir.file("nowhere"), client.tempFolder + "dangling.part.met");
        ASSERT_EQ(::mkfifo((client.tempFolder + "fifo.part.met").c_str(), 0644), 0);
        fs::resize_file(dir.write("client/temp/huge.part.met", ""), 70ull * 1024 * 1024);
    }

    // Whatever a test did, the client folder stays byte for byte as it was and
    // no working copy stays behind.
    void expectClientUntouched()
    {
        EXPECT_EQ(snapshot(client.folder, false), before);
        EXPECT_FALSE(testing_support::exists(files.prefCopy()) ||
                     testing_support::exists(files.partCopy()));
    }
    void takeSnapshot() { before = snapshot(client.folder, true); }
};

} // namespace

TEST_F(ClientFolder, PassOverUnreadablePartFilesListsTheOthers)
{
    addUnreadablePartFiles();
    takeSnapshot();
    EXPECT_EQ(pass().end, PassEnd::FakesFound);
    EXPECT_EQ(log.text, loaded4 + checking + bothFound + finished);
    EXPECT_EQ(desktop.messages, std::vector<std::string>{});
    expectClientUntouched();
}

TEST_F(ClientFolder, PassEndsWithoutTempFolder)
{
    dir.write("client/pref.met", "\x02\x04\x00temp"s);
    takeSnapshot();
    EXPECT_EQ(pass().end, PassEnd::TempFolderError);
    EXPECT_EQ(log.text, loaded4);
    EXPECT_EQ(desktop.messages, std::vector{"Temp Folder not found..."s});
    expectClientUntouched();
}

// Beside the temp folder, where a pass does not look, files for the single
// check: one byte, a bare header and a cut name; then the unreadable ones.
// Nothing of the program folder changes either.
TEST_F(ClientFolder, SinglePartFileChecksOfHostileFiles)
{
    addUnreadablePartFiles();
    const auto cutName = [] {
        const auto bytes =
            fixtures::partMetBytes({"Matrix.4.avi", 5000, fixtures::hashFromSeed(3), 0});
        return bytes.substr(0, bytes.find("Matrix") + 5);
    }();
    const std::pair<std::string, std::pair<DownloadStatus, std::string>> cases[] = {
        {"temp/002.part.met", {DownloadStatus::Fake, "Matrix.4.avi...\r\n*** Fake - ad\r\n"}},
        {"\xE0"s, {DownloadStatus::NotPartFile, ""}},
        {"\xE0\x00\x00\x00\x00"s, {DownloadStatus::Fake, "...\r\n*** Empty header\r\n"}},
        {cutName, {DownloadStatus::Clean, "Matri...\r\nno fake !\r\n"}},
        {"temp/empty.part.met", {DownloadStatus::NotPartFile, ""}},
        {"temp/folder.part.met", {DownloadStatus::Unreadable, ""}},
        {"temp/dangling.part.met", {DownloadStatus::Unreadable, ""}},
        {"temp/fifo.part.met", {DownloadStatus::Unreadable, ""}},
        {"temp/huge.part.met", {DownloadStatus::Unreadable, ""}},
    };
    int hostile = 0;
    for (const auto& [file, expected] : cases) {
        const std::string path =
            file.starts_with("temp/")
                ? client.folder + file
                : dir.write("client/hostile" + std::to_string(hostile++), file);
        takeSnapshot();
        // The folder itself changes as the working copy comes and goes.
        const auto programFiles = [&](bool ageFirst) {
            auto entries = snapshot(files.folder, ageFirst);
            entries.erase(files.folder);
            entries.erase(files.lockFile()); // made once, for every later run
            return entries;
        };
        const auto programFolder = programFiles(true);
        ASSERT_TRUE(session::loadDatabase(state, files));
        log.text.clear();
        const auto status = session::checkPartFile(path, state, files, std::nullopt, log).status;
        EXPECT_EQ(std::pair(status, log.text), expected) << testing::PrintToString(file);
        expectClientUntouched();
        EXPECT_EQ(programFiles(false), programFolder);
    }
}
