#include "edonkey/met_tags.h"

#include <array>

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
constexpr auto utf8ByteOrderMark = "\xEF\xBB\xBF"sv;

} // namespace

std::optional<std::string_view> MetCursor::take(std::uint64_t length)
{
    if (length > m_rest.size())
        return std::nullopt;
    const auto taken = m_rest.substr(0, length);
    m_rest.remove_prefix(length);
    return taken;
}

std::optional<std::uint64_t> MetCursor::number(std::size_t width)
{
    const auto bytes = take(width);
    if (!bytes)
        return std::nullopt;
    std::uint64_t value = 0;
    for (auto byte = bytes->rbegin(); byte != bytes->rend(); ++byte)
        value = value << 8 | static_cast<std::uint8_t>(*byte);
    return value;
}

std::variant<MetTag, MetTagFault> readMetTag(MetCursor& in)
{
    const auto typeByte = in.number(1);
    if (!typeByte)
        return MetTagFault::CutShort;
    MetTag tag{static_cast<std::uint8_t>(*typeByte & ~compactFormBit), std::nullopt, {}, {}};
    if (*typeByte & compactFormBit) {
        const auto id = in.number(1);
        if (!id)
            return MetTagFault::CutShort;
        tag.id = static_cast<std::uint8_t>(*id);
    } else {
        const auto nameLength = in.number(2);
        const auto name = nameLength ? in.take(*nameLength) : std::nullopt;
        if (!name)
            return MetTagFault::CutShort;
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
        return MetTagFault::UnknownType;
    }
    const auto value = length ? in.take(*length) : std::nullopt;
    if (!value)
        return MetTagFault::CutShort;
    tag.value = *value;
    return tag;
}

bool isStringTag(std::uint8_t type)
{
    return type == stringType || (type >= firstShortStringType && type <= lastShortStringType);
}

bool isUnsignedTag(std::uint8_t type)
{
    return type == u8Type || type == u16Type || type == u32Type || type == u64Type;
}

std::string_view withoutByteOrderMark(std::string_view text)
{
    if (text.starts_with(utf8ByteOrderMark))
        text.remove_prefix(utf8ByteOrderMark.size());
    return text;
}

std::uint64_t unsignedValue(const MetTag& tag)
{
    return MetCursor(tag.value).number(tag.value.size()).value_or(0);
}

} // namespace edonkey
