#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace edonkey {

/// The folders a client's settings name, as the client stores them.
struct ClientSettings {
    std::vector<std::string> tempFolders;     // in the order the client uses them
    std::vector<std::string> incomingFolders; // its own first, then its categories'

    bool operator==(const ClientSettings&) const = default;
};

/// More categories than anyone keeps: a larger count in a settings file is
/// not taken at its word.
inline constexpr long categoryLimit = 1000;

/// The rating both clients store for "Invalid / Corrupt / Fake".
inline constexpr long fakeRating = 1;

// What the user reads for a download rated as a fake in the client.
inline constexpr std::string_view ratedFakeInAmule = "rated as a fake in aMule";
inline constexpr std::string_view ratedFakeInEmule = "rated as a fake in eMule";

/// Reads a client file (through a working copy); nothing when it cannot be read.
using ClientFileReader = std::function<std::optional<std::string>(const std::string& path)>;

} // namespace edonkey
