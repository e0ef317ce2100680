#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace edonkey {

/// What the program takes from one of the client's *.part.met files.
struct PartFileInfo {
    std::string hash;       // 32 lower-case hexadecimal digits
    std::uint64_t size = 0; // the download's size in bytes
    std::string name;       // bytes, as the client stored them

    bool operator==(const PartFileInfo&) const = default;
};

/// Which check a part file is read for: the scan of the temp folders, or the
/// check of one file the user chose.
enum class PartFileCheck { Scan, Single };

/// A part file's hash, size and name, or why it is no download.
using PartFileRead = std::variant<PartFileInfo, std::string_view>;

/// Two lower-case hexadecimal digits, high nibble first: 10 gives "0a".
std::string byteToHex(std::uint8_t value);

/// Hash, size and name of a part file's bytes; nothing when the header is not
/// the client's (version E0 and a zero date). Never fails otherwise: missing
/// tags give an empty name or a size read from wherever the layout points.
std::optional<PartFileInfo> parsePartFile(std::string_view bytes);

/// The size stored in a file-size tag whose value is directly followed by the
/// transferred-bytes tag, searching the whole file; nothing without one.
std::optional<std::uint32_t> findSizeBeforeTransferredTag(std::string_view bytes);

/// An eDonkey2000 part file read for `check`: the scan takes the size as
/// parsePartFile does; the check of one file prefers a size tag followed by
/// the transferred-bytes tag, and else agrees with the scan.
PartFileRead readEdonkeyPartFile(std::string_view bytes, PartFileCheck check);

} // namespace edonkey
