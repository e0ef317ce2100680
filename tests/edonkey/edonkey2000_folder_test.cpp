#include "edonkey/edonkey2000_folder.h"

#include "tests/support/scripted_desktop.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

TEST(FindDonkeyFolder, StoredFolderWinsElseTheRegistryValueGivesIt)
{
    testing_support::TempDir dir;
    testing_support::ScriptedRegistry registry;
    // Registry values hold Windows paths; folders whose names end in a
    // backslash stand in for them.
    const std::string root = dir.path();
    for (const auto* name : {"Client\\", "Client\\client.exe\" \"arg\\"})
        dir.makeFolder(name);
    const char* const icon = "ed2k\\DefaultIcon";
    const char* const command = "ed2k\\shell\\open\\command";
    const std::pair<std::map<std::string, std::string, std::less<>>, std::string> cases[] = {
        {{{icon, root + "Client\\client.exe,0"}}, root + "Client\\"},
        {{{icon, "\"" + root + "Client\\client.exe\",0"},
          {command, "\"" + root + "Client\\client.exe\" \"%1\""}},
         root + "Client\\"},
        {{{command, root + "Client\\client.exe \"%1\""}},
         ""}, // unquoted: loses its first character
        {{{command, "\"" + root + "Client\\client.exe\" \"arg\\x\""}},
         root + "Client\\client.exe\" \"arg\\"},
        {{{icon, "/xyz"}}, "/"}, // no backslash: the first character
        {{{command, "\"client.exe\" \"%1\""}}, ""},
        {{}, ""},
    };
    for (const auto& [values, folder] : cases) {
        registry.values.clear();
        for (const auto& [subkey, value] : values)
            registry.setClassesRootDefault(subkey, value);
        EXPECT_EQ(edonkey::findDonkeyFolder("", registry), folder) << folder;
        EXPECT_EQ(edonkey::findDonkeyFolder(dir.file("gone/"), registry), folder) << folder;
    }
    // A stored folder is returned unchanged, without a final separator too.
    const std::string client = dir.makeFolder("client");
    const std::string withoutSlash = client.substr(0, client.size() - 1);
    EXPECT_EQ(edonkey::findDonkeyFolder(withoutSlash, registry), withoutSlash);
}

TEST(FolderOfChosenPrefMet, CutsAtTheFirstPrefMetInAnyCase)
{
    for (const auto& [path, folder] : {std::pair{"/a/Pref.Met", "/a/"},
                                       {"/pref.met.d/pref.met", "/"},
                                       {"/a/b/settings.dat", "/a/b/"},
                                       {"pref.dat", ""}})
        EXPECT_EQ(edonkey::folderOfChosenPrefMet(path), folder);
}
