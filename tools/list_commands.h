#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The commands of brisquen-list, the tool of the people who keep the list.
namespace tools {

inline constexpr int exitDone = 0;
inline constexpr int exitFound = 1; // check found faults, or a command failed
inline constexpr int exitUsage = 2;

/// Prints each line of the list at `path` that is no usable entry and each
/// duplicate entry on standard output; exitFound when there is any.
int checkList(const std::string& path);

/// Writes to `out` the entries of `lists`, each hash and size once, in the
/// order they first appear; bad lines and dropped descriptions are reported
/// on standard error.
int mergeLists(const std::string& out, const std::vector<std::string>& lists);

struct PublishOptions {
    std::optional<std::string> secretKeyPath; // sign with this minisign key
    std::optional<std::uint64_t> serial;      // the signature's; else chosen
    std::string programName;                  // for messages
};

/// Writes the update server's files for the list at `path` under
/// `folder`/brisquen/update/, the signature too when a key is given.
int publishList(const std::string& path, const std::string& folder, const PublishOptions& options);

/// The serial a publication gets when none is given: the current Unix time,
/// or one more than `last` when that is higher.
std::uint64_t nextSerial(std::optional<std::uint64_t> last, std::uint64_t now);

} // namespace tools
