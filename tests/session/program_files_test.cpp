// Where the programs keep their files, and which list they load, with real
// files in a temporary folder standing for the system's folders.

#include "session/program_files.h"

#include "session/database.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace {

enum class Run { FromBuildFolder, Installed };
enum class Xdg { Unset, Set, Unusable };

// A list's age in hours; 0: there is none.
struct Lists {
    int beside = 0; // beside the executable
    int own = 0;    // in the user's data folder
    int shared = 0; // in the second folder of XDG_DATA_DIRS
};

struct Row {
    const char* name;
    Run run;
    Xdg xdg;
    Lists lists;
    // The folders, relative to the temporary root, of Setting.ini and of the
    // list loaded.
    std::string settingsFolder;
    std::string listFolder;
};

const std::string built = "build/bin/";
const std::string homeConfig = "home/.config/brisquen/";
const std::string homeData = "home/.local/share/brisquen/";
const std::string xdgConfig = "config/brisquen/";
const std::string xdgData = "data/brisquen/";
const std::string shared = "usr/share/brisquen/";

// With Xdg::Set, XDG_DATA_DIRS names "local/share" and "usr/share" under the
// root; unset, it is the system's default.
const Row rows[] = {
    // Portable: everything beside it, and no shared list.
    {"Portable", Run::FromBuildFolder, Xdg::Set, {2, 0, 1}, built, built},
    {"InstalledUsesHomeFolders", Run::Installed, Xdg::Unset, {0, 2, 0}, homeConfig, homeData},
    {"InstalledIgnoresAListBesideIt", Run::Installed, Xdg::Set, {1, 0, 0}, xdgConfig, xdgData},
    // Its own list, older than one beside it, still wins.
    {"InstalledPrefersItsOwnList", Run::Installed, Xdg::Unset, {1, 2, 0}, homeConfig, homeData},
    {"SharedWhenTheUserHasNone", Run::Installed, Xdg::Set, {0, 0, 2}, xdgConfig, shared},
    {"SharedNewerThanTheUsersWins", Run::Installed, Xdg::Set, {0, 2, 1}, xdgConfig, shared},
    {"UsersNewerThanTheSharedWins", Run::Installed, Xdg::Set, {0, 1, 2}, xdgConfig, xdgData},
    // Relative or empty XDG folders count as unset.
    {"UnusableXdgFolders", Run::Installed, Xdg::Unusable, {0, 1, 0}, homeConfig, homeData},
};

class ProgramFilesChoice : public testing::TestWithParam<Row> {
protected:
    testing_support::TempDir dir;
    const std::string& root = dir.path();

    void writeList(const std::string& path, int ageInHours) const
    {
        if (ageInHours == 0)
            return;
        dir.write(path, "0123456789abcdef0123456789abcdef,1,x\r\n");
        std::filesystem::last_write_time(root + path,
                                         std::filesystem::file_time_type::clock::now() -
                                             std::chrono::hours(ageInHours));
    }
};

} // namespace

TEST_P(ProgramFilesChoice, FoldersAndLoadedList)
{
    const Row& row = GetParam();
    const std::string executableFolder =
        root + (row.run == Run::Installed ? "usr/bin/" : "build/bin/");
    platform::Environment environment{root + "home", {}, {}, {}, {}, executableFolder};
    if (row.xdg == Xdg::Set)
        environment = {root + "home",
                       root + "config",
                       root + "data",
                       root + "local/share:" + root + "usr/share",
                       {},
                       executableFolder};
    if (row.xdg == Xdg::Unusable)
        environment = {root + "home", "config", "", "", {}, executableFolder};

    writeList(executableFolder.substr(root.size()) + "fakes.dat", row.lists.beside);
    writeList((row.xdg == Xdg::Set ? xdgData : homeData) + "fakes.dat", row.lists.own);
    writeList(shared + "fakes.dat", row.lists.shared);

    const auto files = session::programFilesFor(environment, root + "usr/bin");
    ASSERT_TRUE(files);
    EXPECT_EQ(files->settingIni(), root + row.settingsFolder + "Setting.ini");
    EXPECT_EQ(session::databaseToLoad(*files), root + row.listFolder + "fakes.dat");
    // The lock file and the working copies lie beside the user's own list.
    EXPECT_EQ(files->lockFile(), files->folder + "brisquen.lock");
    EXPECT_EQ(files->fakesDat(), files->folder + "fakes.dat");
    if (row.run == Run::Installed && row.xdg != Xdg::Set) {
        const std::vector<std::string> systemDefault{"/usr/local/share/brisquen/fakes.dat",
                                                     "/usr/share/brisquen/fakes.dat"};
        EXPECT_EQ(files->sharedLists, systemDefault);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ProgramFilesChoice, testing::ValuesIn(rows),
                         [](const auto& info) { return info.param.name; });

// An installed program with neither HOME nor the XDG folders has nowhere to
// write; one run from elsewhere needs neither.
TEST(ProgramFilesWithoutHome, OnlyTheInstalledProgramNeedsAHome)
{
    const platform::Environment bare{{}, {}, {}, {}, {}, "/usr/bin/"};
    EXPECT_FALSE(session::programFilesFor(bare, "/usr/bin"));
    EXPECT_TRUE(session::programFilesFor(bare, "/usr/local/bin/"));
}
