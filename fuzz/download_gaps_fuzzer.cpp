// The gap tags of aMule's and eMule's part files on any bytes, and the look at
// a download's first bytes they lead to: the missing ranges lie inside the
// file, sorted and apart, and the look reads only a data file that holds
// every byte it asks for.

#include "edonkey/content_look.h"
#include "edonkey/part_file_walker.h"
#include "fuzz/fuzz_support.h"

namespace {

const fuzzing::ScratchFolder scratch;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto missing = edonkey::readMissingRanges(bytes);
    const auto walked = edonkey::walkPartFile(bytes);
    FUZZ_REQUIRE(missing.has_value() == std::holds_alternative<edonkey::PartFileInfo>(walked));
    if (!missing)
        return 0;
    const auto downloadSize = std::get<edonkey::PartFileInfo>(walked).size;

    std::uint64_t downloadedFrom = 0; // where the bytes after the last gap begin
    for (const auto& gap : *missing) {
        FUZZ_REQUIRE(gap.begin < gap.end && gap.end <= downloadSize);
        // Apart: a gap that touched the one before would have been merged.
        FUZZ_REQUIRE(gap.begin == 0 || gap.begin > downloadedFrom);
        FUZZ_REQUIRE(!edonkey::isDownloaded(*missing, gap));
        FUZZ_REQUIRE(edonkey::isDownloaded(*missing, {downloadedFrom, gap.begin}));
        downloadedFrom = gap.end;
    }

    // The part file's own bytes stand in for its data file.
    const std::string dataFile = scratch.write("001.part", bytes);
    const auto look = edonkey::lookAtDownload(dataFile, "Movie.avi", downloadSize, *missing);
    const std::uint64_t firstBytes =
        std::min<std::uint64_t>(downloadSize, edonkey::firstBytesLength);
    if (look.end == edonkey::LookEnd::Looked)
        FUZZ_REQUIRE(firstBytes <= size && edonkey::isDownloaded(*missing, {0, firstBytes}));
    if (look.suspicion)
        FUZZ_REQUIRE(look.end == edonkey::LookEnd::Looked);
    return 0;
}
