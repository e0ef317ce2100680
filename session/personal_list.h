#pragma once

#include "session/program_files.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace session {

/// How a change of the user's own list ended.
enum class PersonalChange {
    Changed,
    Unchanged,      // marked already, or not marked at all
    BadDescription, // holds CR, LF or NUL
    CannotRead,     // myfakes.dat is there but cannot be read
    CannotWrite,
    FolderBusy, // another process held the program folder for longer than a change waits
};

/// The file a mark or unmark names: its hash (lower-case), and its size
/// unless a bare hash named it.
struct MarkedFile {
    std::string hash;
    std::optional<std::uint64_t> size;
};

/// The file `what` names: an ed2k file link, a file (hashed as a finished
/// file is), or, when `bareHashAllowed`, 32 hexadecimal digits that name no
/// file. Otherwise why not, for the user.
std::variant<MarkedFile, std::string> markedFile(const std::string& what, bool bareHashAllowed);

/// Adds the file of `hash` (lower-case) and `size` to myfakes.dat with
/// `description`, unless a line already holds them. The file is replaced
/// whole under the program folder's lock, so two processes marking at once
/// both keep their line.
PersonalChange markFake(const ProgramFiles& files, std::string_view hash, std::uint64_t size,
                        std::string_view description);

/// Removes the lines of `hash` (with `size`, when given) from myfakes.dat,
/// keeping every other line as it was.
PersonalChange unmarkFake(const ProgramFiles& files, std::string_view hash,
                          std::optional<std::uint64_t> size);

} // namespace session
