#include "edonkey/part_file_gaps.h"

#include <algorithm>
#include <map>
#include <optional>

namespace edonkey {

std::vector<ByteRange> missingRanges(const std::vector<GapTag>& tags, std::uint64_t size)
{
    struct Ends {
        std::optional<std::uint64_t> start, end;
    };
    // The clients write each index once; should one repeat, the last tag counts.
    std::map<std::string_view, Ends> byIndex;
    for (const auto& tag : tags)
        (tag.isEnd ? byIndex[tag.index].end : byIndex[tag.index].start) = tag.offset;

    std::vector<ByteRange> gaps;
    for (const auto& [index, ends] : byIndex) {
        if (!ends.start || !ends.end || *ends.start >= size)
            continue;
        const std::uint64_t end = std::min(*ends.end, size);
        if (end > *ends.start)
            gaps.push_back({*ends.start, end});
    }
    std::sort(gaps.begin(), gaps.end(),
              [](const ByteRange& a, const ByteRange& b) { return a.begin < b.begin; });
    std::vector<ByteRange> merged;
    for (const auto& gap : gaps) {
        if (!merged.empty() && gap.begin <= merged.back().end)
            merged.back().end = std::max(merged.back().end, gap.end);
        else
            merged.push_back(gap);
    }
    return merged;
}

bool isDownloaded(const std::vector<ByteRange>& missing, ByteRange wanted)
{
    return std::none_of(missing.begin(), missing.end(), [&](const ByteRange& gap) {
        return gap.begin < wanted.end && wanted.begin < gap.end;
    });
}

} // namespace edonkey
