#include "edonkey/part_file_walker.h"

#include "edonkey/met_tags.h"

#include <cstdint>
#include <optional>

namespace edonkey {
namespace {

constexpr std::uint8_t fileNameId = 0x01;
constexpr std::uint8_t fileSizeId = 0x02;

PartFileFault faultOf(MetTagFault fault)
{
    return fault == MetTagFault::CutShort ? PartFileFault::CutShort : PartFileFault::UnknownTagType;
}

} // namespace

std::variant<PartFileInfo, PartFileFault> walkPartFile(std::string_view bytes)
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

    PartFileInfo info;
    for (const char byte : *hash)
        info.hash += byteToHex(static_cast<std::uint8_t>(byte));
    std::optional<std::uint64_t> size;
    bool named = false;
    // Every tag takes at least three bytes, so a false count soon runs out of file.
    for (std::uint64_t i = 0; i < *tagCount; ++i) {
        const auto read = readMetTag(in);
        if (const auto* fault = std::get_if<MetTagFault>(&read))
            return faultOf(*fault);
        const auto& tag = std::get<MetTag>(read);
        if (tag.id == fileNameId && !named && isStringTag(tag.type)) {
            info.name = withoutByteOrderMark(tag.value);
            named = true;
        } else if (tag.id == fileSizeId && !size && isUnsignedTag(tag.type)) {
            size = unsignedValue(tag);
        }
    }
    if (!size)
        return PartFileFault::NoSizeTag;
    info.size = *size;
    return info;
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
