#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace edonkey {

/// Bytes `begin` up to, not including, `end` of a download.
struct ByteRange {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;

    bool operator==(const ByteRange&) const = default;
};

/// One gap tag of a part file: its name after the id byte (the gap's index in
/// decimal digits), whether it is the gap's end (0x0A) or start (0x09), and
/// the offset it holds.
struct GapTag {
    std::string_view index;
    bool isEnd = false;
    std::uint64_t offset = 0;
};

/// The ranges of a download of `size` bytes still missing, sorted and apart,
/// from its gap tags in any order: a start and an end of the same index make
/// a gap; a lone one, a start at or past the size, or an end not after its
/// start is dropped; an end past the size is cut to it; overlapping and
/// touching gaps become one (eMule saves its unflushed buffers as gaps too).
std::vector<ByteRange> missingRanges(const std::vector<GapTag>& tags, std::uint64_t size);

/// Whether every byte of `wanted` lies outside the `missing` ranges.
bool isDownloaded(const std::vector<ByteRange>& missing, ByteRange wanted);

} // namespace edonkey
