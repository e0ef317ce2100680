#pragma once

#include "tools/fixture_writer.h"

#include <string>
#include <vector>

namespace fixtures {

/// aMule's settings folder in a home folder, written to disk.
struct AmuleHome {
    std::string settingsFolder; // HOME/.aMule/
    std::string conf;           // its amule.conf
    std::string tempFolder;     // ends in "/"
    std::string incomingFolder; // ends in "/"
    std::vector<std::string> partFiles;
};

/// Writes `home`/.aMule/amule.conf naming the folders Temp and Incoming
/// beside it, and in Temp one part file per download (001.part.met, ...) as
/// aMule writes them, each with its .bak copy and its (empty) data file.
AmuleHome writeAmuleHome(const std::string& home, const std::vector<Download>& downloads);

/// Where aMule 3.x can be caught saving a part file: it writes
/// NNN.part.met.tmp, renames NNN.part.met to .bak, then renames the .tmp.
enum class Amule3Save {
    BetweenRenames,   // the .tmp and the .bak there, no NNN.part.met
    PartFileCutShort, // NNN.part.met ends early (as after a crash); its .bak whole
};

/// Leaves the part file `partMet`, written by writeAmuleHome, as aMule 3.x
/// leaves it when `save` is interrupted.
void interruptAmule3Save(const std::string& partMet, Amule3Save save);

/// A Wine prefix holding eMule, written to disk.
struct EmulePrefix {
    std::string prefix;                   // ends in "/"
    std::string configFolder;             // holds preferences.ini; ends in "/"
    std::vector<std::string> tempFolders; // as on disk, ending in "/"
    std::string incomingFolder;           // ends in "/"
    std::vector<std::string> partFiles;
};

/// The Windows user of the prefixes written here: the name Wine gives the
/// user when it runs as root, as real prefixes made by root have it.
inline constexpr std::string_view kWineUser = "root";

/// Writes a Wine prefix at `prefix` as eMule leaves it: the program in
/// C:\Program Files\eMule\, registered for ed2k links in user.reg with
/// UsePublicUserDirectories 0, the Shell Folders keys, and its settings in the
/// user's local application data: preferences.ini names the temp folder
/// C:\users\root\Downloads\eMule\Temp and a second one, D:\eMule Temp (the
/// drive D: links to PREFIX/drive_d), and the incoming folder beside the first.
/// Downloads go to the two temp folders in turn, each with its .bak copy.
EmulePrefix writeEmulePrefix(const std::string& prefix, const std::vector<Download>& downloads);

} // namespace fixtures
