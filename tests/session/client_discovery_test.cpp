// Finding the client through the session, as a check pass does: the stored
// folder of any kind, the Wine registration, aMule's home folder, and last
// the user's choice.

#include "platform/wine_registry.h"
#include "tests/support/program_fixture.h"
#include "tools/client_layouts.h"

#include <gtest/gtest.h>

#include <filesystem>

using session::PassEnd;

namespace {

const fixtures::Download clean{"Knoppix.iso", 700000000, fixtures::hashFromSeed(1), 0};
const fixtures::Download fake{"Big.Movie.mkv", 5000000000, fixtures::hashFromSeed(2), 0};
const std::string bothListed = "*** Checking Files..\r\nKnoppix.iso\r\nBig.Movie.mkv\r\n"
                               "*** Fake - big\r\n\r\n*** Finished checking.\r\n";

class ClientDiscovery : public testing_support::ProgramFixture {
protected:
    const std::string home = places.home;

    void SetUp() override
    {
        dir.write("program/fakes.dat", fixtures::fakesDatLine(fake, "Fake - big"));
    }
    // The log after its first line.
    std::string checked() const { return log.text.substr(log.text.find("\r\n") + 2); }
};

} // namespace

// Nothing stored and nothing registered: aMule in the home folder, then
// remembered; a stored folder of another kind wins over it.
TEST_F(ClientDiscovery, AmuleInTheHomeFolderIsFoundWhenNothingElseIs)
{
    const auto amule = fixtures::writeAmuleHome(home, {clean, fake});
    EXPECT_EQ(pass().end, PassEnd::FakesFound);
    EXPECT_EQ(checked(), bothListed);
    EXPECT_EQ(prefPath(), amule.settingsFolder);
    EXPECT_EQ(state.dialogFolder, amule.tempFolder);

    const auto donkey = fixtures::writeClientFolder(dir.file("donkey"), {clean});
    storePrefPath(donkey.folder);
    EXPECT_EQ(pass().end, PassEnd::Clean);
    EXPECT_EQ(prefPath(), donkey.folder);
    EXPECT_TRUE(desktop.messages.empty());
}

// A folder holding several clients' settings means eDonkey2000, as it
// always did; one holding only aMule's is aMule's.
TEST_F(ClientDiscovery, PrefMetWinsInAFolderHoldingSeveralSettingsFiles)
{
    const auto donkey = fixtures::writeClientFolder(dir.file("both"), {clean});
    const auto amule = fixtures::writeAmuleHome(dir.file("other"), {clean, fake});
    std::filesystem::copy_file(amule.conf, donkey.folder + "AMULE.CONF");
    storePrefPath(donkey.folder);
    EXPECT_EQ(pass().kind, edonkey::ClientKind::eDonkey2000);
    storePrefPath(amule.settingsFolder);
    EXPECT_EQ(pass().kind, edonkey::ClientKind::aMule);
    EXPECT_EQ(checked(), bothListed);
}

// Part files aMule's reader cannot walk are counted in the log, just before
// the closing line; eDonkey2000's log keeps the lines it always had.
TEST_F(ClientDiscovery, UnreadablePartFilesAreCountedForTodaysClientsOnly)
{
    const auto amule = fixtures::writeAmuleHome(home, {clean, fake});
    dir.write("home/.aMule/Temp/003.part.met", "\xE0\x01");
    dir.write("home/.aMule/Temp/004.part.met", "");
    const auto result = pass();
    EXPECT_EQ(result.end, PassEnd::FakesFound);
    EXPECT_EQ(checked(),
              "*** Checking Files..\r\nKnoppix.iso\r\nBig.Movie.mkv\r\n*** Fake - big\r\n"
              "*** 2 part files could not be read\r\n\r\n*** Finished checking.\r\n");
    EXPECT_EQ(result.skipped.size(), 2u);

    const auto donkey = fixtures::writeClientFolder(dir.file("donkey"), {clean});
    dir.write("donkey/temp/002.part.met", "");
    storePrefPath(donkey.folder);
    EXPECT_EQ(pass().end, PassEnd::Clean);
    EXPECT_EQ(checked(), "*** Checking Files..\r\nKnoppix.iso\r\n"
                         "*** No fakes found in your temp folder !\r\n");
}

// Under Wine the ed2k registration names eMule: its settings are where
// UsePublicUserDirectories says, or without it in the first of those places
// that holds them; both temp folders are checked, the second on drive D:.
// A registration that leads to no settings falls through to aMule.
TEST_F(ClientDiscovery, EmuleRegisteredUnderWineIsFoundWhereItKeepsItsSettings)
{
    const auto emule = fixtures::writeEmulePrefix(dir.file("prefix"), {clean, fake});
    places.winePrefix = emule.prefix;
    const std::string userReg = testing_support::readFile(emule.prefix + "user.reg");
    const auto choose = [&](std::string_view setting, const std::string& configFolder) {
        std::string reg = userReg;
        const std::string zero = "dword:00000000";
        reg.replace(reg.find(zero), zero.size(), setting);
        dir.write("prefix/user.reg", reg);
        std::filesystem::create_directories(configFolder);
        std::filesystem::rename(prefPath().empty() ? emule.configFolder : prefPath(), configFolder);
        storePrefPath("");
    };
    const auto found = [&] {
        platform::WineRegistry wine(emule.prefix);
        const auto result = pass(&wine);
        return std::pair(result.kind, result.tempFolders.size());
    };
    using edonkey::ClientKind;
    EXPECT_EQ(found(), std::pair(ClientKind::eMule, std::size_t{2}));
    EXPECT_EQ(checked(), bothListed);
    EXPECT_EQ(prefPath(), emule.configFolder);

    choose("dword:00000002", emule.prefix + "drive_c/Program Files/eMule/config/");
    EXPECT_EQ(found().first, ClientKind::eMule);
    EXPECT_EQ(prefPath(), emule.prefix + "drive_c/Program Files/eMule/config/");
    choose("dword:00000001", emule.prefix + "drive_c/ProgramData/eMule/config/");
    EXPECT_EQ(found().first, ClientKind::eMule);
    choose("dword:ffffffff", emule.prefix + "drive_c/Program Files/eMule/config/");
    EXPECT_EQ(found().first, ClientKind::eMule);
    EXPECT_EQ(prefPath(), emule.prefix + "drive_c/Program Files/eMule/config/");
    EXPECT_EQ(checked(), bothListed);

    choose("dword:00000002", emule.prefix + "elsewhere/");
    fixtures::writeAmuleHome(home, {clean});
    EXPECT_EQ(found().first, ClientKind::aMule);
    EXPECT_TRUE(desktop.messages.empty());
}
