#pragma once

#include <cstdint>
#include <string_view>

namespace edonkey {

/// Little-endian numbers out of a client file's bytes; a byte past the end of
/// the file reads as zero, so a cut-off file gives small values, never a crash.
class ByteReader {
public:
    explicit ByteReader(std::string_view bytes)
        : m_bytes(bytes)
    {
    }

    std::uint8_t byteAt(std::size_t offset) const
    {
        return offset < m_bytes.size() ? static_cast<std::uint8_t>(m_bytes[offset]) : 0;
    }
    std::uint16_t u16At(std::size_t offset) const
    {
        return static_cast<std::uint16_t>(byteAt(offset) | byteAt(offset + 1) << 8);
    }
    std::uint32_t u32At(std::size_t offset) const
    {
        return static_cast<std::uint32_t>(u16At(offset)) |
               static_cast<std::uint32_t>(u16At(offset + 2)) << 16;
    }

    /// Up to `length` bytes from `offset`, fewer where the file ends.
    std::string_view textAt(std::size_t offset, std::size_t length) const
    {
        return offset < m_bytes.size() ? m_bytes.substr(offset, length) : std::string_view();
    }

private:
    std::string_view m_bytes;
};

} // namespace edonkey
