#pragma once

#include "session/database.h"

#include <string>
#include <vector>

namespace cli {

/// What checking finished files came to.
struct FileCheckOutcome {
    bool foundFake = false;
    bool failed = false; // at least one file could not be hashed
};

/// Hashes each file in turn and prints its ed2k link and, on the next line,
/// what "&Check it" answers for that link. A file that cannot be hashed is
/// reported on standard error ("PATH: reason") and the others are still
/// checked. While a file takes more than a second, a progress line is kept on
/// standard error when it is a terminal.
FileCheckOutcome checkFinishedFiles(const std::vector<std::string>& paths,
                                    const session::FakeDatabase& list);

} // namespace cli
