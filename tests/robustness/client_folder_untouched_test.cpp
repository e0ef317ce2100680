// The client's files are only ever read, through working copies in the
// program folder: no pass, single check or update may write, create, remove
// or even open for writing anything in the client folder, however it ends.

#include "edonkey/part_check.h"
#include "platform/http_client.h"
#include "tests/robustness/folder_watch.h"
#include "tests/robustness/pass_fixture.h"
#include "update/database_update.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <sys/stat.h>

namespace fs = std::filesystem;
using app::PassEnd;
using testing::IsEmpty;
using testing_support::cleanDownload;
using testing_support::exists;
using testing_support::fakeDownload;
using testing_support::FolderSnapshot;
using testing_support::WriteWatch;

namespace {

class ScriptedHttp final : public platform::HttpClient {
public:
    std::map<std::string, std::string, std::less<>> bodies;

    std::optional<std::string> get(std::string_view url) override
    {
        const auto body = bodies.find(url);
        return body == bodies.end() ? std::nullopt : std::optional(body->second);
    }
};

class ClientFolderUntouched : public testing_support::ProgramAndClient {
protected:
    fixtures::ClientFolder client = clientFolder({cleanDownload, fakeDownload});
    std::optional<FolderSnapshot> before;
    std::unique_ptr<WriteWatch> watch;
    bool sawPrefCopy = false;
    bool sawPartCopy = false;

    ClientFolderUntouched()
    {
        // The copies exist while their blocks are read, which is when the
        // program yields.
        desktop.onYield([this] {
            sawPrefCopy = sawPrefCopy || exists(files.prefCopy());
            sawPartCopy = sawPartCopy || exists(files.partCopy());
        });
    }

    /// Call once the client folder is as the test wants it.
    void freezeClientFolder()
    {
        testing_support::ageTree(client.folder);
        before.emplace(client.folder);
        watch = std::make_unique<WriteWatch>(client.folder);
    }

    void expectClientFolderUntouched()
    {
        ASSERT_TRUE(before) << "freezeClientFolder() was not called";
        EXPECT_THAT(watch->writes(), IsEmpty());
        EXPECT_THAT(FolderSnapshot(client.folder).changesSince(*before), IsEmpty());
        EXPECT_FALSE(exists(files.prefCopy()));
        EXPECT_FALSE(exists(files.partCopy()));
    }

    // Part files nothing can read: empty, a folder, a dangling link, a FIFO and
    // one over the size limit, which must not even be copied.
    void addUnreadablePartFiles()
    {
        dir.write("client/temp/empty.part.met", "");
        dir.makeFolder("client/temp/folder.part.met");
        fs::create_symlink(dir.file("nowhere"), client.tempFolder + "dangling.part.met");
        ASSERT_EQ(::mkfifo((client.tempFolder + "fifo.part.met").c_str(), 0644), 0);
        dir.write("client/temp/huge.part.met", "");
        fs::resize_file(client.tempFolder + "huge.part.met", 70ull * 1024 * 1024);
    }

    edonkey::PartCheck checkChosen(const std::string& path)
    {
        desktop.queueFileChoice(path);
        return edonkey::checkChosenPartFile(files, state.database, desktop, log);
    }
};

const std::string fakeFoundLog = "Knoppix.iso\r\nMatrix.4.avi\r\n*** Fake - ad\r\n";

} // namespace

TEST_F(ClientFolderUntouched, FullPassReadsEverythingThroughCopiesAndWritesNothing)
{
    freezeClientFolder();
    EXPECT_EQ(runPass(), PassEnd::FakesFound);
    EXPECT_EQ(log.text, loadedLine + checkingLine + fakeFoundLog + fakesFoundEnd);
    EXPECT_TRUE(sawPrefCopy);
    EXPECT_TRUE(sawPartCopy);
    expectClientFolderUntouched();
}

TEST_F(ClientFolderUntouched, PassOverUnreadablePartFilesWritesNothing)
{
    addUnreadablePartFiles();
    freezeClientFolder();
    EXPECT_EQ(runPass(), PassEnd::FakesFound);
    EXPECT_EQ(log.text, loadedLine + checkingLine + fakeFoundLog + fakesFoundEnd);
    expectClientFolderUntouched();
}

TEST_F(ClientFolderUntouched, PassEndingWithoutATempFolderWritesNothing)
{
    dir.write("client/pref.met", fixtures::prefMetBytes("/x/").substr(0, 20));
    freezeClientFolder();
    EXPECT_EQ(runPass(), PassEnd::TempFolderError);
    EXPECT_EQ(log.text, loadedLine);
    EXPECT_EQ(desktop.messages, std::vector<std::string>{std::string(app::noTempFolderMessage)});
    EXPECT_TRUE(sawPrefCopy);
    expectClientFolderUntouched();
}

TEST_F(ClientFolderUntouched, PassWithTheDialogCancelledWritesNothing)
{
    storePrefPath(dir.file("moved-away/"));
    freezeClientFolder();
    EXPECT_EQ(runPass(), PassEnd::Cancelled);
    EXPECT_EQ(log.text, loadedLine);
    EXPECT_EQ(desktop.dialogs.size(), 1u);
    expectClientFolderUntouched();
}

TEST_F(ClientFolderUntouched, PassThroughAPrefMetChosenInTheDialogWritesNothing)
{
    storePrefPath("");
    desktop.queueFileChoice(client.prefMet);
    freezeClientFolder();
    EXPECT_EQ(runPass(), PassEnd::FakesFound);
    EXPECT_EQ(log.text, loadedLine + checkingLine + fakeFoundLog + fakesFoundEnd);
    expectClientFolderUntouched();
}

TEST_F(ClientFolderUntouched, SinglePartFileCheckWritesNothing)
{
    freezeClientFolder();
    ASSERT_TRUE(fakedb::loadFakeDatabase(state.database, files.fakesDat(), nullptr));
    EXPECT_EQ(checkChosen(client.partFiles[1]), edonkey::PartCheck::Fake);
    EXPECT_EQ(log.text, "Matrix.4.avi...\r\n*** Fake - ad\r\n");
    EXPECT_TRUE(sawPartCopy);
    expectClientFolderUntouched();
}

TEST_F(ClientFolderUntouched, SingleCheckEndingEarlyWritesNothing)
{
    addUnreadablePartFiles();
    dir.write("client/temp/other-version.part.met", "\xE1\x00\x00\x00\x00 rest");
    freezeClientFolder();
    log.text = "kept\r\n";
    for (const char* name : {"", "empty.part.met", "folder.part.met", "dangling.part.met",
                             "fifo.part.met", "huge.part.met", "other-version.part.met"}) {
        const std::string path = *name ? client.tempFolder + name : std::string();
        EXPECT_EQ(checkChosen(path), edonkey::PartCheck::NotChecked) << name;
    }
    EXPECT_EQ(log.text, "kept\r\n");
    expectClientFolderUntouched();
}

TEST_F(ClientFolderUntouched, UpdateAndThePassAfterItWriteNothing)
{
    const std::string server = "http://update.test";
    ScriptedHttp http;
    http.bodies[server + std::string(update::versionFilePath)] = "20";
    http.bodies[server + std::string(update::countFilePath)] = "4";
    http.bodies[server + std::string(update::databaseFilePath)] =
        "[a,1,x\r\n" + fixtures::fakesDatLine(fakeDownload, "Fake - ad") + cleanDownload.hash +
        "," + std::to_string(cleanDownload.size) + ",Now listed]";
    freezeClientFolder();

    bool justUpdated = false;
    EXPECT_EQ(
        update::getNewDatabase(server, {state.database, justUpdated, files}, http, desktop, log),
        update::UpdateEnd::Updated);
    EXPECT_TRUE(desktop.messages.empty());
    expectClientFolderUntouched();

    // The next pass uses the new list: the clean download is now listed too.
    EXPECT_EQ(runPass(), PassEnd::FakesFound);
    EXPECT_EQ(log.text, "*** Loading Database...done ( 4 entries loaded )\r\n" + checkingLine +
                            "Knoppix.iso\r\n*** Now listed\r\nMatrix.4.avi\r\n*** Fake - ad\r\n" +
                            fakesFoundEnd);
    expectClientFolderUntouched();
}
