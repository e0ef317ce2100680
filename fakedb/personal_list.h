#pragma once

#include "fakedb/fake_database.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fakedb {

/// A line of the user's own list that no check could ever match.
struct BadLine {
    std::uint64_t number = 0;
    std::string_view reason; // "no line end after it", ...

    bool operator==(const BadLine&) const = default;
};

/// The user's own list, myfakes.dat: lines of the same form as fakes.dat's,
/// so that they can be sent to the list's maintainers as they are.
struct PersonalList {
    std::shared_ptr<const FakeDatabase> list; // its good lines
    std::vector<BadLine> badLines;            // left out, in file order
};

/// Reads myfakes.dat's text. Empty lines are passed over; a line that is not
/// a hash of 32 lower-case hexadecimal digits, a size in plain decimal digits
/// and a description, or that has no line end, is a bad line.
PersonalList readPersonalList(std::string_view text);

/// The entry of myfakes.dat for a file: hash, size, description and CR LF.
/// Nothing when the description holds CR, LF or NUL, which no line can keep.
std::optional<std::string> personalListLine(std::string_view hash, std::uint64_t size,
                                            std::string_view description);

/// `text` with the entry for `hash` and `size` added at its end, or nothing
/// when a good line already holds that hash and size. A last line without
/// its line end gets one first, and when that makes it the entry, nothing
/// else is added.
std::optional<std::string> withEntry(std::string_view text, std::string_view line,
                                     std::string_view hash, std::string_view size);

/// `text` without the good lines for `hash` (and `size`, when given); every
/// other byte kept. Nothing when no line held it.
std::optional<std::string> withoutEntry(std::string_view text, std::string_view hash,
                                        std::optional<std::string_view> size);

} // namespace fakedb
