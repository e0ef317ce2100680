#pragma once

#include "edonkey/client_kind.h"
#include "edonkey/file_type.h"
#include "edonkey/finished_files.h"
#include "fakedb/fake_lookup.h"
#include "session/link_answer.h"
#include "session/program_files.h"

#include <optional>
#include <string>
#include <vector>

namespace session {

// Hashing a finished file into its ed2k link, as the window's worker and
// brisquen-check do it.
using edonkey::fileNameOf;
using edonkey::finishedFileLink;
using edonkey::HashError;
using edonkey::hashErrorText;
using edonkey::HashProgress;
using edonkey::KnownFiles;

/// A finished file checked as "&Check it" checks its link.
struct FinishedFileCheck {
    std::string link;                        // empty when the file could not be hashed
    std::optional<edonkey::HashError> error; // why not
    LinkAnswer answer;                       // once hashed
    bool fromKnownMet = false;               // the hash was the client's, the file not read
    /// Once hashed: what the file's first bytes are, when not what its name says.
    std::optional<edonkey::Suspicion> suspicion;
};

/// Checks a finished file by its hash: the one `known` records for it, when
/// given and it does, else the one its bytes give.
FinishedFileCheck checkFinishedFile(const std::string& path, const fakedb::FakeLookup& list,
                                    const HashProgress& progress,
                                    const edonkey::KnownFiles* known = nullptr);

/// What a finished file's first bytes are, when not what its name says; only
/// those bytes are read.
std::optional<edonkey::Suspicion> finishedFileSuspicion(const std::string& path);

/// The files in a client's incoming folders.
struct IncomingFiles {
    bool named = false;                         // the settings name an incoming folder
    std::vector<std::string> files;             // folder by folder, each sorted
    std::vector<std::string> unreadableFolders; // named, but cannot be read
};

/// The hashes of the client's finished files in its known.met (aMule's in its
/// settings folder, eMule's in its config folder), read through the pref.bck
/// working copy and read again when the client was rewriting it; none when it
/// is missing or cannot be read, and the files are then hashed.
edonkey::KnownFiles readKnownFiles(const edonkey::Client& client, const ProgramFiles& files);

/// The regular files of every incoming folder the client's settings name
/// (read as a check pass reads them), each folder once.
IncomingFiles incomingFiles(const edonkey::Client& client, const ProgramFiles& files,
                            const std::optional<std::string>& winePrefix);

} // namespace session
