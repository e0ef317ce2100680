#pragma once

#include <optional>
#include <string>
#include <variant>

namespace session {

/// A line for the list of fakes, without its line end.
struct ListLine {
    std::string text;
};

/// The list line for an ed2k file link, or for the file at `linkOrFile`
/// (hashed as brisquen-check file hashes it): its hash in lower case, its
/// size, and `description`, else the name. Or a text that says why there is
/// none: an invalid link, a file that cannot be hashed, a description that
/// would not stay one line.
std::variant<ListLine, std::string> listLineFor(const std::string& linkOrFile,
                                                const std::optional<std::string>& description);

} // namespace session
