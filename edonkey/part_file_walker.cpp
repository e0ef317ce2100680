#include "edonkey/part_file_walker.h"

#include "edonkey/met_tags.h"

#include <cstdint>
#include <optional>

namespace edonkey {
namespace {

constexpr std::uint8_t fileNameId = 0x01;
constexpr std::uint8_t fileSizeId = 0x02;
// Gap tags are named by the byte 0x09 (start) or 0x0A (end) and the gap's index.
constexpr char gapStartId = 0x09, gapEndId = 0x0A;

PartFileFault faultOf(MetTagFault fault)
{
    return fault == MetTagFault::CutShort ? PartFileFault::CutShort : PartFileFault::UnknownTagType;
}

/// Walks the header and then every tag the tag count promises, handing each
/// to `onTag`: the stored hash, or the fault that stopped the walk.
template <typename OnTag>
std::variant<std::string_view, PartFileFault> walkTags(std::string_view bytes, OnTag&& onTag)
{
    MetCursor in(bytes);
    const auto version = in.number(1);
    if (version && *version != 0xE0 && *version != 0xE2)
        return PartFileFault::NotPartFile;
    const auto date = in.take(4);
    const auto hash = in.take(16);
    const auto partHashCount = in.number(2);
    const auto partHashes = partHashCount ? in.take(*partHashCount * 16) : std::nullopt;
    const auto tagCount = in.number(4);
    if (!version || !date || !hash || !partHashes || !tagCount)
        return PartFileFault::CutShort;
    // Every tag takes at least three bytes, so a false count soon runs out of file.
    for (std::uint64_t i = 0; i < *tagCount; ++i) {
        const auto read = readMetTag(in);
        if (const auto* fault = std::get_if<MetTagFault>(&read))
            return faultOf(*fault);
        onTag(std::get<MetTag>(read));
    }
    return *hash;
}

} // namespace

std::variant<PartFileInfo, PartFileFault> walkPartFile(std::string_view bytes)
{
    PartFileInfo info;
    std::optional<std::uint64_t> size;
    bool named = false;
    const auto walked = walkTags(bytes, [&](const MetTag& tag) {
        if (tag.id == fileNameId && !named && isStringTag(tag.type)) {
            info.name = withoutByteOrderMark(tag.value);
            named = true;
        } else if (tag.id == fileSizeId && !size && isUnsignedTag(tag.type)) {
            size = unsignedValue(tag);
        }
    });
    if (const auto* fault = std::get_if<PartFileFault>(&walked))
        return *fault;
    for (const char byte : std::get<std::string_view>(walked))
        info.hash += byteToHex(static_cast<std::uint8_t>(byte));
    if (!size)
        return PartFileFault::NoSizeTag;
    info.size = *size;
    return info;
}

std::optional<std::vector<ByteRange>> readMissingRanges(std::string_view bytes)
{
    const auto walked = walkPartFile(bytes);
    const auto* info = std::get_if<PartFileInfo>(&walked);
    if (!info)
        return std::nullopt;
    std::vector<GapTag> gaps;
    walkTags(bytes, [&](const MetTag& tag) {
        if (tag.name.size() < 2 || (tag.name[0] != gapStartId && tag.name[0] != gapEndId) ||
            !isUnsignedTag(tag.type))
            return;
        gaps.push_back({tag.name.substr(1), tag.name[0] == gapEndId, unsignedValue(tag)});
    });
    return missingRanges(gaps, info->size);
}

std::string_view partFileFaultText(PartFileFault fault)
{
    switch (fault) {
    case PartFileFault::NotPartFile:
        return "not an aMule or eMule part file";
    case PartFileFault::CutShort:
        return "cut short";
    case PartFileFault::UnknownTagType:
        return "holds a tag of a type the clients never write";
    case PartFileFault::NoSizeTag:
        return "holds no file size";
    }
    return "unreadable";
}

} // namespace edonkey
