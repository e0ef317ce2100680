#pragma once

#include <string>

namespace session {

/// The program's own files, all in the folder that holds its executable.
struct ProgramFiles {
    std::string folder; // ends in "/"; names are joined to it without a separator

    std::string fakesDat() const { return folder + "fakes.dat"; }
    std::string settingIni() const { return folder + "Setting.ini"; }
    std::string prefCopy() const { return folder + "pref.bck"; }
    std::string partCopy() const { return folder + "part.bck"; }
};

} // namespace session
