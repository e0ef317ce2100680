#pragma once

#include "fakedb/entry_line.h"

#include <optional>
#include <string>
#include <string_view>

namespace fakedb {

/// What keeps a line of a list from being an entry that lookups can match.
enum class LineFault {
    NotAnEntry, // fewer than two commas
    BadHash,    // the hash is not 32 hexadecimal digits
    BadSize,    // the size is not a whole number of bytes from 1 to 2^64-1, plainly written
};

/// Why `line` (without its line end) is no usable entry; nothing when it is one.
std::optional<LineFault> faultOf(std::string_view line);

/// A short English text for the fault, as the maintainers' tools print it.
std::string_view faultText(LineFault fault);

/// The list line for a file: hash (in lower case, as part files give it),
/// size and description, without a line end.
std::string makeListLine(std::string_view hash, std::string_view size,
                         std::string_view description);

} // namespace fakedb
