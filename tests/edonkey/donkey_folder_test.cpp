#include "edonkey/donkey_folder.h"

#include "platform/files.h"
#include "platform/ini_file.h"
#include "tests/support/scripted_desktop.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <map>

using testing_support::readFile;
using testing_support::ScriptedDesktop;
using testing_support::TempDir;

namespace {

class DonkeyFolder : public testing::Test {
protected:
    TempDir dir;
    edonkey::Settings settings{dir.file("Setting.ini")};
    testing_support::ScriptedRegistry registry;
    ScriptedDesktop desktop;

    std::string prefPath() const
    {
        return platform::readIniString(dir.file("Setting.ini"), "Settings", "PrefPath");
    }

    // Registry values hold Windows paths. A folder whose name ends in a
    // backslash, entered relative to the test folder, stands in for one.
    void makeWindowsStyleFolder(const std::string& name)
    {
        dir.makeFolder(name);
        ASSERT_TRUE(platform::setCurrentDirectory(dir.path()));
    }
};

} // namespace

TEST_F(DonkeyFolder, StoredFolderIsReturnedUnchangedAndMadeCurrent)
{
    const std::string client = dir.makeFolder("client");
    const std::string withoutSlash = client.substr(0, client.size() - 1);
    settings.writeSetting("PrefPath", withoutSlash);

    EXPECT_EQ(edonkey::findDonkeyFolder(settings, registry), withoutSlash);
    EXPECT_EQ(platform::currentDirectory(), client);
    // The file name is joined without a separator, as the stored value says.
    EXPECT_EQ(edonkey::locatePrefMet(settings, registry, desktop), withoutSlash + "pref.met");
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(DonkeyFolder, RegistryFolderIsFoundAndStoredWhenNothingIsStored)
{
    makeWindowsStyleFolder("Client\\");
    registry.values["ed2k\\DefaultIcon"] = "Client\\client.exe,0";

    EXPECT_EQ(edonkey::locatePrefMet(settings, registry, desktop), "Client\\pref.met");
    EXPECT_EQ(prefPath(), "Client\\");
    EXPECT_EQ(platform::currentDirectory(), dir.path() + "Client\\/");
}

struct RegistryCase {
    const char* scenario;
    std::string defaultIcon;
    std::string openCommand;
    std::string folder; // "" when discovery fails
};

class RegistryDiscovery : public DonkeyFolder, public testing::WithParamInterface<RegistryCase> {};

TEST_P(RegistryDiscovery, CutsTheFolderOutOfTheValue)
{
    makeWindowsStyleFolder("Client\\");
    makeWindowsStyleFolder("Client\\client.exe\" \"arg\\");
    makeWindowsStyleFolder("C");
    if (!GetParam().defaultIcon.empty())
        registry.values["ed2k\\DefaultIcon"] = GetParam().defaultIcon;
    if (!GetParam().openCommand.empty())
        registry.values["ed2k\\shell\\open\\command"] = GetParam().openCommand;
    EXPECT_EQ(edonkey::findDonkeyFolder(settings, registry), GetParam().folder);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegistryDiscovery,
    testing::Values(RegistryCase{"iconWithIndex", "Client\\client.exe,0", "", "Client\\"},
                    RegistryCase{"quotedIconFailsAndCommandIsTried", "\"Client\\client.exe\",0",
                                 "\"Client\\client.exe\" \"%1\"", "Client\\"},
                    RegistryCase{"commandWithoutQuoteLosesItsFirstCharacter", "",
                                 "Client\\client.exe \"%1\"", ""},
                    RegistryCase{"backslashInTheArgumentsMovesTheCut", "",
                                 "\"Client\\client.exe\" \"arg\\x\"",
                                 "Client\\client.exe\" \"arg\\"},
                    RegistryCase{"iconWithoutBackslashGivesItsFirstCharacter", "Cxyz", "", "C"},
                    RegistryCase{"commandWithoutBackslashFails", "", "\"client.exe\" \"%1\"", ""},
                    RegistryCase{"nothingRegistered", "", "", ""}),
    [](const auto& info) { return std::string(info.param.scenario); });

TEST_F(DonkeyFolder, MissingFolderPromptsAndCancelLeavesSettingsAlone)
{
    dir.write("Setting.ini", "[Settings]\r\nPrefPath=/no/such/folder/\r\n");
    ASSERT_TRUE(platform::setCurrentDirectory(dir.makeFolder("somewhere")));

    EXPECT_EQ(edonkey::locatePrefMet(settings, registry, desktop), "");
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0],
              "eDonkey Folder not found, please select the\r\npref.met in you eDonkey folder");
    ASSERT_EQ(desktop.dialogs.size(), 1u);
    EXPECT_EQ(desktop.dialogs[0].pattern, "pref.met");
    EXPECT_EQ(desktop.dialogs[0].title, "Select the pref.met file in your donkey folder");
    EXPECT_EQ(desktop.dialogs[0].initialDir, dir.path() + "somewhere/");
    EXPECT_EQ(readFile(dir.file("Setting.ini")), "[Settings]\r\nPrefPath=/no/such/folder/\r\n");
}

TEST_F(DonkeyFolder, ChosenPrefMetIsReturnedAndItsFolderStored)
{
    desktop.queueFileChoice("/mnt/Client/PREF.MET");
    EXPECT_EQ(edonkey::locatePrefMet(settings, registry, desktop), "/mnt/Client/PREF.MET");
    EXPECT_EQ(prefPath(), "/mnt/Client/");
}

TEST(FolderOfChosenPrefMet, CutsAtTheFirstPrefMetInAnyCase)
{
    EXPECT_EQ(edonkey::folderOfChosenPrefMet("/a/Pref.Met"), "/a/");
    EXPECT_EQ(edonkey::folderOfChosenPrefMet("/pref.met.d/pref.met"), "/");
    EXPECT_EQ(edonkey::folderOfChosenPrefMet("/a/b/settings.dat"), "/a/b/");
    EXPECT_EQ(edonkey::folderOfChosenPrefMet("pref.dat"), "");
}

TEST_F(DonkeyFolder, ChangeFolderStoresTheChoiceAndIgnoresACancel)
{
    edonkey::changeDonkeyFolder(settings, desktop);
    EXPECT_FALSE(testing_support::exists(dir.file("Setting.ini")));
    EXPECT_TRUE(desktop.messages.empty());

    desktop.queueFileChoice("/srv/donkey/pref.met");
    edonkey::changeDonkeyFolder(settings, desktop);
    EXPECT_EQ(prefPath(), "/srv/donkey/");
    EXPECT_EQ(desktop.dialogs.size(), 2u);
}

TEST_F(DonkeyFolder, SettingsReadMissingKeysAsEmptyAndKeepOtherKeys)
{
    EXPECT_EQ(settings.readSetting("FakesNr"), "");
    settings.writeSetting("FakesNr", "120");
    settings.writeSetting("PrefPath", "/x/");
    settings.writeSetting("FakesNr", "121");
    EXPECT_EQ(settings.readSetting("FakesNr"), "121");
    EXPECT_EQ(settings.readSetting("PrefPath"), "/x/");
    EXPECT_EQ(readFile(dir.file("Setting.ini")), "[Settings]\r\nFakesNr=121\r\nPrefPath=/x/\r\n");
}
