#include "edonkey/donkey_folder.h"

#include "platform/files.h"
#include "tests/support/scripted_desktop.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

using edonkey::locatePrefMet;

namespace {

class DonkeyFolder : public testing::Test {
protected:
    testing_support::TempDir dir;
    edonkey::Settings settings{dir.file("Setting.ini")};
    testing_support::ScriptedRegistry registry;
    testing_support::ScriptedDesktop desktop;
    std::string prefPath() const { return settings.readSetting("PrefPath"); }
};

} // namespace

TEST_F(DonkeyFolder, StoredFolderWinsElseTheRegistryValueGivesIt)
{
    // Registry values hold Windows paths; folders whose names end in a
    // backslash, relative to the test folder, stand in for them.
    for (const auto* name : {"Client\\", "Client\\client.exe\" \"arg\\", "C"})
        dir.makeFolder(name);
    const char* const icon = "ed2k\\DefaultIcon";
    const char* const command = "ed2k\\shell\\open\\command";
    const std::pair<std::map<std::string, std::string, std::less<>>, std::string> cases[] = {
        {{{icon, "Client\\client.exe,0"}}, "Client\\"},
        {{{icon, "\"Client\\client.exe\",0"}, {command, "\"Client\\client.exe\" \"%1\""}},
         "Client\\"},
        {{{command, "Client\\client.exe \"%1\""}}, ""}, // unquoted: loses its first character
        {{{command, "\"Client\\client.exe\" \"arg\\x\""}}, "Client\\client.exe\" \"arg\\"},
        {{{icon, "Cxyz"}}, "C"},
        {{{command, "\"client.exe\" \"%1\""}}, ""},
        {{}, ""},
    };
    for (const auto& [values, folder] : cases) {
        ASSERT_TRUE(platform::setCurrentDirectory(dir.path()));
        registry.values = values;
        EXPECT_EQ(edonkey::findDonkeyFolder(settings, registry), folder) << folder;
    }
    ASSERT_TRUE(platform::setCurrentDirectory(dir.path()));
    registry.values = cases[0].first;
    EXPECT_EQ(locatePrefMet(settings, registry, desktop), "Client\\pref.met");
    EXPECT_EQ(prefPath(), "Client\\");
    EXPECT_EQ(platform::currentDirectory(), dir.path() + "Client\\/");

    // A stored folder is returned unchanged, made current, and joined without a separator.
    const std::string client = dir.makeFolder("client");
    const std::string withoutSlash = client.substr(0, client.size() - 1);
    settings.writeSetting("PrefPath", withoutSlash);
    EXPECT_EQ(edonkey::findDonkeyFolder(settings, registry), withoutSlash);
    EXPECT_EQ(platform::currentDirectory(), client);
    EXPECT_EQ(locatePrefMet(settings, registry, desktop), withoutSlash + "pref.met");
}

TEST_F(DonkeyFolder, MissingFolderPromptsForPrefMetAndChangeFolderAsks)
{
    edonkey::changeDonkeyFolder(settings, desktop);
    EXPECT_FALSE(testing_support::exists(dir.file("Setting.ini")));
    desktop.queueFileChoice("/srv/donkey/pref.met");
    edonkey::changeDonkeyFolder(settings, desktop);
    EXPECT_EQ(prefPath(), "/srv/donkey/");

    const std::string ini = "[Settings]\r\nPrefPath=/no/such/folder/\r\n";
    dir.write("Setting.ini", ini);
    ASSERT_TRUE(platform::setCurrentDirectory(dir.makeFolder("somewhere")));
    EXPECT_EQ(locatePrefMet(settings, registry, desktop), "");
    EXPECT_EQ(desktop.messages, std::vector<std::string>{"eDonkey Folder not found, please select "
                                                         "the\r\npref.met in you eDonkey folder"});
    const auto& dialog = desktop.dialogs.at(2);
    EXPECT_EQ(
        (std::vector{dialog.pattern, dialog.title, dialog.initialDir}),
        (std::vector<std::string>{"pref.met", "Select the pref.met file in your donkey folder",
                                  dir.path() + "somewhere/"}));
    EXPECT_EQ(testing_support::readFile(dir.file("Setting.ini")), ini);

    desktop.queueFileChoice("/mnt/Client/PREF.MET");
    EXPECT_EQ(locatePrefMet(settings, registry, desktop), "/mnt/Client/PREF.MET");
    EXPECT_EQ(prefPath(), "/mnt/Client/");
}

TEST(FolderOfChosenPrefMet, CutsAtTheFirstPrefMetInAnyCase)
{
    for (const auto& [path, folder] : {std::pair{"/a/Pref.Met", "/a/"},
                                       {"/pref.met.d/pref.met", "/"},
                                       {"/a/b/settings.dat", "/a/b/"},
                                       {"pref.dat", ""}})
        EXPECT_EQ(edonkey::folderOfChosenPrefMet(path), folder);
}
