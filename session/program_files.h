#pragma once

#include "platform/environment.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace session {

/// The program's own files. A portable copy keeps them all in the folder that
/// holds its executable; an installed one keeps Setting.ini in the user's
/// configuration folder, the rest in the user's data folder, and may also read
/// a list installed for every user. Several processes may share them.
struct ProgramFiles {
    std::string folder; // fakes.dat, the lock file and the working copies; ends in "/"
    /// Where Setting.ini lies, ending in "/"; empty: in `folder`.
    std::string settingsFolder = {};
    /// Lists of fakes installed for every user, most important first.
    std::vector<std::string> sharedLists = {};
    bool installed = false;

    std::string fakesDat() const { return folder + "fakes.dat"; }
    /// The user's own list, beside fakes.dat and in its format.
    std::string myFakesDat() const { return folder + "myfakes.dat"; }
    std::string settingIni() const
    {
        return (settingsFolder.empty() ? folder : settingsFolder) + "Setting.ini";
    }
    std::string prefCopy() const { return folder + "pref.bck"; }
    std::string partCopy() const { return folder + "part.bck"; }
    std::string lockFile() const { return folder + "brisquen.lock"; }
};

/// The binaries folder the programs are installed to (e.g. "/usr/bin/"),
/// fixed when the project is configured.
std::string_view installedBinFolder();

/// Where the program keeps its files. Run from anywhere but `installedBinFolder`
/// it is portable: everything beside the executable, as in its build folder.
/// Run from there, it follows the XDG base directory rules: Setting.ini in
/// $XDG_CONFIG_HOME/brisquen/ (~/.config), the rest in $XDG_DATA_HOME/brisquen/
/// (~/.local/share), and the shared lists brisquen/fakes.dat in each folder of
/// $XDG_DATA_DIRS (/usr/local/share:/usr/share). Nothing when an installed
/// program finds no home for its files (neither HOME nor the XDG folder set).
std::optional<ProgramFiles> programFilesFor(const platform::Environment& environment,
                                            std::string_view installedBinFolder);

/// Before `path`, one of the program's files, is first written: creates its
/// folder if an installed program has not made it yet. False when it cannot be
/// made; the write that follows then fails as it would have anyway.
bool makeFolderFor(const ProgramFiles& files, const std::string& path);

} // namespace session
