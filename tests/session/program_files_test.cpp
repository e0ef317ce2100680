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
    // Relative to the temporary root.
    std::string settingIni;
    std::string loads;
};

// With Xdg::Set, XDG_DATA_DIRS names "local/share" and "usr/share" under the
// root; unset, it is the system's default.
const Row rows[] = {
    {"PortableKeepsEverythingBesideItAndNoSharedList",
     Run::FromBuildFolder,
     Xdg::Set,
     {2, 0, 1},
     "build/bin/Setting.ini",
     "build/bin/fakes.dat"},
    {"InstalledUsesHomeFoldersWhenXdgIsUnset",
     Run::Installed,
     Xdg::Unset,
     {0, 2, 0},
     "home/.config/brisquen/Setting.ini",
     "home/.local/share/brisquen/fakes.dat"},
    {"InstalledIgnoresAListBesideIt",
     Run::Installed,
     Xdg::Set,
     {1, 0, 0},
     "config/brisquen/Setting.ini",
     "data/brisquen/fakes.dat"},
    {"InstalledPrefersItsOwnListToAnOlderOneBesideIt",
     Run::Installed,
     Xdg::Unset,
     {1, 2, 0},
     "home/.config/brisquen/Setting.ini",
     "home/.local/share/brisquen/fakes.dat"},
    {"SharedListWhenTheUserHasNone",
     Run::Installed,
     Xdg::Set,
     {0, 0, 2},
     "config/brisquen/Setting.ini",
     "usr/share/brisquen/fakes.dat"},
    {"SharedListNewerThanTheUsersWins",
     Run::Installed,
     Xdg::Set,
     {0, 2, 1},
     "config/brisquen/Setting.ini",
     "usr/share/brisquen/fakes.dat"},
    {"UsersListNewerThanTheSharedWins",
     Run::Installed,
     Xdg::Set,
     {0, 1, 2},
     "config/brisquen/Setting.ini",
     "data/brisquen/fakes.dat"},
    {"RelativeOrEmptyXdgFoldersCountAsUnset",
     Run::Installed,
     Xdg::Unusable,
     {0, 1, 0},
     "home/.config/brisquen/Setting.ini",
     "home/.local/share/brisquen/fakes.dat"},
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
    writeList(row.xdg == Xdg::Set ? "data/brisquen/fakes.dat"
                                  : "home/.local/share/brisquen/fakes.dat",
              row.lists.own);
    writeList("usr/share/brisquen/fakes.dat", row.lists.shared);

    const auto files = session::programFilesFor(environment, root + "usr/bin");
    ASSERT_TRUE(files);
    EXPECT_EQ(files->settingIni(), root + row.settingIni);
    EXPECT_EQ(session::databaseToLoad(*files), root + row.loads);
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
