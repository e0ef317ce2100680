#include "edonkey/part_file.h"

#include "edonkey/byte_reader.h"

#include <array>

using namespace std::string_view_literals;

namespace edonkey {
namespace {

// Tag headers of the client's format: type byte, 16-bit name length, name.
constexpr auto fileSizeTag = "\x03\x01\x00\x02"sv;
constexpr auto transferredTag = "\x03\x01\x00\x08"sv;
constexpr auto fileTypeTag = "\x02\x01\x00\x03"sv;
constexpr auto gapEndTag = "\x03\x02\x00\x0A"sv;
// The file-name tag is the first tag, so it follows the tag count, whose last
// byte is zero.
constexpr auto fileNameTag = "\x00\x02\x01\x00\x01"sv;

constexpr auto header = "\xE0\x00\x00\x00\x00"sv;
constexpr std::size_t hashOffset = 5;
constexpr std::size_t hashLength = 16;
// The size tag's 4-byte value sits between its header and the next tag.
constexpr std::size_t nextTagOffset = 8;
// Where no size tag is recognised, the size is taken from the last gap-end tag,
// which the client writes within the file's last 51 bytes.
constexpr std::size_t tailLength = 51;

bool followedBy(std::string_view bytes, std::size_t tag, std::string_view follower)
{
    return tag + nextTagOffset <= bytes.size() &&
           bytes.substr(tag + nextTagOffset).starts_with(follower);
}

// The first file-size tag whose value is followed by one of `followers`. A
// match inside the part hashes is followed by random bytes, so it is passed
// over and the search goes on one byte further.
template <std::size_t N>
std::optional<std::uint32_t> findSizeTag(std::string_view bytes,
                                         const std::array<std::string_view, N>& followers)
{
    for (auto tag = bytes.find(fileSizeTag); tag != std::string_view::npos;
         tag = bytes.find(fileSizeTag, tag + 1)) {
        for (const auto follower : followers) {
            if (followedBy(bytes, tag, follower))
                return ByteReader(bytes).u32At(tag + fileSizeTag.size());
        }
    }
    return std::nullopt;
}

std::uint32_t sizeFromTail(std::string_view bytes)
{
    const auto tail = bytes.substr(bytes.size() - std::min(bytes.size(), tailLength));
    const ByteReader reader(tail);
    const auto gapEnd = tail.find(gapEndTag);
    // The gap-end tag's name is two bytes long, so its value starts at +5.
    return gapEnd == std::string_view::npos ? reader.u32At(4) : reader.u32At(gapEnd + 5);
}

} // namespace

std::string byteToHex(std::uint8_t value)
{
    constexpr auto digits = "0123456789abcdef"sv;
    return {digits[value >> 4], digits[value & 0x0F]};
}

std::optional<std::uint32_t> findSizeBeforeTransferredTag(std::string_view bytes)
{
    return findSizeTag(bytes, std::array{transferredTag});
}

std::optional<PartFileInfo> parsePartFile(std::string_view bytes)
{
    if (!bytes.starts_with(header))
        return std::nullopt;
    const ByteReader reader(bytes);

    PartFileInfo info;
    info.hash.reserve(2 * hashLength);
    for (std::size_t i = 0; i < hashLength; ++i)
        info.hash += byteToHex(reader.byteAt(hashOffset + i));

    const auto tagged = findSizeTag(bytes, std::array{transferredTag, fileTypeTag});
    info.size = tagged ? *tagged : sizeFromTail(bytes);

    // The name's length is 16 bits: names longer than 255 bytes are kept whole.
    if (const auto tag = bytes.find(fileNameTag); tag != std::string_view::npos)
        info.name = reader.textAt(tag + 7, reader.u16At(tag + 5));
    return info;
}

PartFileRead readEdonkeyPartFile(std::string_view bytes, PartFileCheck check)
{
    auto info = parsePartFile(bytes);
    if (!info)
        return "not an eDonkey2000 part file";
    if (check == PartFileCheck::Single) {
        if (const auto size = findSizeBeforeTransferredTag(bytes))
            info->size = *size;
    }
    return std::move(*info);
}

} // namespace edonkey
