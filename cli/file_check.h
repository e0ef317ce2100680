#pragma once

#include "session/database.h"

#include <string>
#include <vector>

namespace cli {

/// What checking finished files came to.
struct FileCheckOutcome {
    bool foundFake = false;
    bool foundSuspect = false; // at least one file's first bytes are not what its name says
    bool failed = false;       // at least one file could not be hashed
};

/// Hashes each file in turn and prints its ed2k link and, on the next line,
/// what "&Check it" answers for that link, and under it the suspect line for
/// a file whose first bytes are not what its name says. A file that cannot be
/// hashed is reported on standard error ("PATH: reason") and the others are
/// still checked. While a file takes more than a second, a progress line is kept on
/// standard error when it is a terminal.
FileCheckOutcome checkFinishedFiles(const std::vector<std::string>& paths,
                                    const session::FakeDatabase& list);

} // namespace cli
