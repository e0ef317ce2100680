#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <variant>

namespace edonkey {

/// Reads forward through a client file's bytes; a read past the end gives
/// nothing and nothing is ever allocated, so a length from the file is only a
/// number.
class MetCursor {
public:
    explicit MetCursor(std::string_view bytes)
        : m_rest(bytes)
    {
    }

    std::optional<std::string_view> take(std::uint64_t length);
    /// A little-endian number of `width` bytes.
    std::optional<std::uint64_t> number(std::size_t width);

private:
    std::string_view m_rest;
};

/// One tag of the clients' files, as both the long form (type, 16-bit name
/// length, name) and the compact one (type | 0x80, one-byte id) give it.
struct MetTag {
    std::uint8_t type = 0;          // without the compact form's bit
    std::optional<std::uint8_t> id; // none for a name of other than one byte
    std::string_view value;
    std::string_view name; // the long form's name; empty in the compact one
};

/// Why a tag could not be read.
enum class MetTagFault {
    CutShort,    // the bytes end inside it
    UnknownType, // a type the clients never write: its length is unknown
};

std::variant<MetTag, MetTagFault> readMetTag(MetCursor& in);

bool isStringTag(std::uint8_t type);
bool isUnsignedTag(std::uint8_t type);

/// A string tag's value less a leading UTF-8 byte-order mark, which eMule
/// writes before a name beyond ASCII.
std::string_view withoutByteOrderMark(std::string_view text);

/// The number an unsigned tag of any width holds.
std::uint64_t unsignedValue(const MetTag& tag);

} // namespace edonkey
