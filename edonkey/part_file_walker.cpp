#include "edonkey/part_file_walker.h"

#include <array>
#include <cstdint>
#include <optional>

using namespace std::string_view_literals;

namespace edonkey {
namespace {

// Value types of the clients' tags that the walk names.
constexpr std::uint8_t stringType = 0x02, u32Type = 0x03, boolArrayType = 0x06, u16Type = 0x08,
                       u8Type = 0x09, u64Type = 0x0B;
// Strings of 1 to 16 bytes whose length is the type less 0x10.
constexpr std::uint8_t firstShortStringType = 0x11, lastShortStringType = 0x20;

/// How a value of each type 0x00-0x0B is laid out: a fixed width, or the width
/// of the length before it (for the bool array a bit count); neither: unknown.
struct ValueLayout {
    std::uint8_t width = 0;
    std::uint8_t lengthWidth = 0;
};
constexpr std::array<ValueLayout, 12> valueLayouts = {{
    {},      // 0x00
    {16, 0}, // 0x01 hash
    {0, 2},  // 0x02 string
    {4, 0},  // 0x03 u32
    {4, 0},  // 0x04 float
    {1, 0},  // 0x05 bool
    {0, 2},  // 0x06 bool array
    {0, 4},  // 0x07 blob
    {2, 0},  // 0x08 u16
    {1, 0},  // 0x09 u8
    {0, 1},  // 0x0A bsob
    {8, 0},  // 0x0B u64
}};

constexpr std::uint64_t compactFormBit = 0x80;
constexpr std::uint8_t fileNameId = 0x01;
constexpr std::uint8_t fileSizeId = 0x02;
constexpr auto utf8ByteOrderMark = "\xEF\xBB\xBF"sv;

/// Reads forward through the bytes; a read past the end gives nothing and
/// nothing is ever allocated, so a length from the file is only a number.
class Cursor {
public:
    explicit Cursor(std::string_view bytes)
        : m_rest(bytes)
    {
    }

    std::optional<std::string_view> take(std::uint64_t length)
    {
        if (length > m_rest.size())
            return std::nullopt;
        const auto taken = m_rest.substr(0, length);
        m_rest.remove_prefix(length);
        return taken;
    }
    /// A little-endian number of `width` bytes.
    std::optional<std::uint64_t> number(std::size_t width)
    {
        const auto bytes = take(width);
        if (!bytes)
            return std::nullopt;
        std::uint64_t value = 0;
        for (auto byte = bytes->rbegin(); byte != bytes->rend(); ++byte)
            value = value << 8 | static_cast<std::uint8_t>(*byte);
        return value;
    }

private:
    std::string_view m_rest;
};

struct Tag {
    std::uint8_t type = 0;
    std::optional<std::uint8_t> id; // none for a name of other than one byte
    std::string_view name;          // the long form's name; empty in the compact one
    std::string_view value;
};

std::variant<Tag, PartFileFault> readTag(Cursor& in)
{
    const auto typeByte = in.number(1);
    if (!typeByte)
        return PartFileFault::CutShort;
    Tag tag{static_cast<std::uint8_t>(*typeByte & ~compactFormBit), std::nullopt, {}, {}};
    if (*typeByte & compactFormBit) {
        const auto id = in.number(1);
        if (!id)
            return PartFileFault::CutShort;
        tag.id = static_cast<std::uint8_t>(*id);
    } else {
        const auto nameLength = in.number(2);
        const auto name = nameLength ? in.take(*nameLength) : std::nullopt;
        if (!name)
            return PartFileFault::CutShort;
        tag.name = *name;
        if (name->size() == 1)
            tag.id = static_cast<std::uint8_t>(name->front());
    }

    std::optional<std::uint64_t> length;
    if (tag.type >= firstShortStringType && tag.type <= lastShortStringType) {
        length = tag.type - firstShortStringType + 1;
    } else if (tag.type < valueLayouts.size() && valueLayouts[tag.type].width != 0) {
        length = valueLayouts[tag.type].width;
    } else if (tag.type < valueLayouts.size() && valueLayouts[tag.type].lengthWidth != 0) {
        length = in.number(valueLayouts[tag.type].lengthWidth);
        // One byte more than the bits need, as the clients write it.
        if (tag.type == boolArrayType && length)
            length = *length / 8 + 1;
    } else {
        return PartFileFault::UnknownTagType;
    }
    const auto value = length ? in.take(*length) : std::nullopt;
    if (!value)
        return PartFileFault::CutShort;
    tag.value = *value;
    return tag;
}

bool isString(std::uint8_t type)
{
    return type == stringType || (type >= firstShortStringType && type <= lastShortStringType);
}

bool isUnsigned(std::uint8_t type)
{
    return type == u8Type || type == u16Type || type == u32Type || type == u64Type;
}

/// Walks the header and then every tag the tag count promises, handing each
/// to `onTag`: the stored hash, or the fault that stopped the walk.
template <typename OnTag>
std::variant<std::string_view, PartFileFault> walkTags(std::string_view bytes, OnTag&& onTag)
{
    Cursor in(bytes);
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
        const auto read = readTag(in);
        if (const auto* fault = std::get_if<PartFileFault>(&read))
            return *fault;
        onTag(std::get<Tag>(read));
    }
    return *hash;
}

// Gap tags are named by the byte 0x09 (start) or 0x0A (end) and the gap's index.
constexpr char gapStartId = 0x09, gapEndId = 0x0A;

} // namespace

std::variant<PartFileInfo, PartFileFault> walkPartFile(std::string_view bytes)
{
    PartFileInfo info;
    std::optional<std::uint64_t> size;
    bool named = false;
    const auto walked = walkTags(bytes, [&](const Tag& tag) {
        if (tag.id == fileNameId && !named && isString(tag.type)) {
            auto name = tag.value;
            if (name.starts_with(utf8ByteOrderMark))
                name.remove_prefix(utf8ByteOrderMark.size());
            info.name = name;
            named = true;
        } else if (tag.id == fileSizeId && !size && isUnsigned(tag.type)) {
            size = Cursor(tag.value).number(tag.value.size());
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
    walkTags(bytes, [&](const Tag& tag) {
        if (tag.name.size() < 2 || (tag.name[0] != gapStartId && tag.name[0] != gapEndId) ||
            !isUnsigned(tag.type))
            return;
        const auto offset = Cursor(tag.value).number(tag.value.size());
        gaps.push_back({tag.name.substr(1), tag.name[0] == gapEndId, offset.value_or(0)});
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
