#pragma once

#include <string>
#include <string_view>

namespace testing_support {

/// `text` as Windows saves a file in "Unicode": UTF-16, little-endian, after a
/// byte-order mark.
inline std::string utf16(std::u16string_view text)
{
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text)
        bytes += {char(unit & 0xFF), char(unit >> 8)};
    return bytes;
}

} // namespace testing_support
