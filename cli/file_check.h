#pragma once

#include "session/database.h"
#include "session/finished_files.h"

#include <functional>
#include <string>
#include <vector>

namespace cli {

/// What checking finished files came to.
struct FileCheckOutcome {
    bool foundFake = false;
    bool foundSuspect = false;    // at least one file's first bytes are not what its name says
    bool failed = false;          // at least one file could not be hashed
    std::size_t fromKnownMet = 0; // files whose hash the client's known.met gave
};

/// Hashes each file in turn and prints its ed2k link and, on the next line,
/// what "&Check it" answers for that link, and under it the suspect line for
/// a file whose first bytes are not what its name says. A file that cannot be
/// hashed is reported on standard error ("PATH: reason") and the others are
/// still checked. While a file takes more than a second, a progress line is
/// kept on standard error when it is a terminal. A file the client's known.met
/// records, of those `knownFor` gives it for, is not read.
using KnownFilesFor = std::function<const session::KnownFiles*(const std::string& path)>;
FileCheckOutcome checkFinishedFiles(const std::vector<std::string>& paths,
                                    const fakedb::FakeLookup& list,
                                    const KnownFilesFor& knownFor = {});

} // namespace cli
