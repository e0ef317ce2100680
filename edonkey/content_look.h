#pragma once

#include "edonkey/file_type.h"
#include "edonkey/part_file_gaps.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace edonkey {

/// How a look at a file's first bytes ended.
enum class LookEnd {
    Looked,         // the bytes were read and judged
    NotDownloaded,  // a download whose first bytes have not come yet
    DataUnreadable, // the data file is missing, shorter than it should be, or no file
};

struct ContentLook {
    LookEnd end = LookEnd::Looked;
    std::optional<Suspicion> suspicion; // once looked, when the bytes are a suspect
};

/// The data file beside a part file: "NNN.part" for "NNN.part.met" (and for
/// its ".bak" copy).
std::string dataFileOf(const std::string& partFile);

/// Looks at the first bytes of a download of `size` bytes named `name`,
/// whose `missing` ranges have not come yet, in its data file, where the
/// client keeps each byte at its own offset. The file is read in place and
/// never changed, a few KiB of it at most; the disc-image header is read when
/// it has come.
ContentLook lookAtDownload(const std::string& dataFile, std::string_view name, std::uint64_t size,
                           const std::vector<ByteRange>& missing);

/// The same look at a finished file: its first bytes only.
ContentLook lookAtFinishedFile(const std::string& path, std::string_view name);

} // namespace edonkey
