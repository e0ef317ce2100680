#pragma once

#include "edonkey/part_file.h"
#include "edonkey/part_file_gaps.h"

#include <optional>
#include <string_view>
#include <variant>
#include <vector>

namespace edonkey {

/// Why a file could not be walked.
enum class PartFileFault {
    NotPartFile,    // the version byte is not E0 or E2
    CutShort,       // the file ends inside the header or a tag (an empty file too)
    UnknownTagType, // a tag of a type the clients never write: its length is unknown
    NoSizeTag,      // every tag was read, but none gave the file's size
};

/// Hash, size and name of an aMule or eMule part file, read by walking its
/// structure: version byte E0 or E2, any date, the hash, the part hashes, then
/// every tag the tag count promises, in the long form (type, 16-bit name length,
/// name) or the compact one (type | 0x80, id). Where the clients' files leave a
/// choice:
/// - E1 ("split", read but never written by the clients) is refused as no part file;
/// - a one-byte name in the long form is the tag's id, as the clients read it;
/// - the name is the first file-name tag of a string type, less a leading UTF-8
///   byte-order mark; a name tag of another type is passed over; none gives "";
/// - the size is the first file-size tag of an unsigned type of any width (u8 to
///   u64, whatever the version); a size tag of another type is no size;
/// - fewer tags than the count promises is a file cut short; bytes after the last
///   tag are ignored.
std::variant<PartFileInfo, PartFileFault> walkPartFile(std::string_view bytes);

/// The ranges of an aMule or eMule download still missing, from its part
/// file's gap tags (see missingRanges); nothing when the file cannot be walked.
std::optional<std::vector<ByteRange>> readMissingRanges(std::string_view bytes);

/// A short reason for a fault, for the user: "cut short", ...
std::string_view partFileFaultText(PartFileFault fault);

} // namespace edonkey
