#pragma once

#include "edonkey/client_kind.h"
#include "edonkey/working_copy.h"
#include "session/program_files.h"

#include <optional>
#include <string>
#include <vector>

namespace session {

/// A folder a client's settings name, as stored and as the program looks for it.
struct ClientFolder {
    std::string stored;
    std::string searched; // ends in "/" unless empty

    bool operator==(const ClientFolder&) const = default;
};

/// The folders of a client, in the order it uses them, each once.
struct ClientFolders {
    std::vector<ClientFolder> temp;
    std::vector<ClientFolder> incoming;
};

/// Reads the client's settings through the pref.bck working copy and resolves
/// each folder they name to where it lies here: relative ones in the client
/// folder, Windows ones through the Wine prefix or beside the client folder.
/// A folder that resolves to one listed before it is left out. Nothing when
/// the settings cannot be read, and then `fault`, when given, says so if the
/// working copy could not be written.
std::optional<ClientFolders> readClientFolders(const edonkey::Client& client,
                                               const ProgramFiles& files,
                                               const std::optional<std::string>& winePrefix,
                                               std::optional<edonkey::CopyFault>* fault = nullptr);

/// Reads a client file through the pref.bck working copy; a copy that cannot
/// be written is told through `fault`, when given.
edonkey::ClientFileReader throughPrefCopy(const ProgramFiles& files,
                                          std::optional<edonkey::CopyFault>* fault = nullptr);

/// The downloads the user rated as fakes in the client, read through the
/// pref.bck working copy; none when the client keeps no ratings or they
/// cannot be read.
fakedb::RatedFakes readClientRatings(const edonkey::Client& client, const ProgramFiles& files);

} // namespace session
