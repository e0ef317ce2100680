#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace edonkey {

/// What the program takes from one of the client's *.part.met files.
struct PartFileInfo {
    std::string hash;       // 32 lower-case hexadecimal digits
    std::uint64_t size = 0; // the download's size in bytes
    std::string name;       // bytes, as the client stored them

    bool operator==(const PartFileInfo&) const = default;
};

/// Two lower-case hexadecimal digits, high nibble first: 10 gives "0a".
std::string byteToHex(std::uint8_t value);

/// Hash, size and name of a part file's bytes; nothing when the header is not
/// the client's (version E0 and a zero date). Never fails otherwise: missing
/// tags give an empty name or a size read from wherever the layout points.
std::optional<PartFileInfo> parsePartFile(std::string_view bytes);

/// The size stored in a file-size tag whose value is directly followed by the
/// transferred-bytes tag, searching the whole file; nothing without one.
std::optional<std::uint32_t> findSizeBeforeTransferredTag(std::string_view bytes);

} // namespace edonkey
