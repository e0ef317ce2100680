// The reader of the client's *.part.met files on any bytes: it must never read
// past the end, and what it returns must come from the bytes it was given.

#include "edonkey/part_file.h"
#include "fuzz/fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace std::string_view_literals;

namespace {

constexpr auto header = "\xE0\x00\x00\x00\x00"sv;
constexpr auto sizeTag = "\x03\x01\x00\x02"sv;
constexpr auto transferredTag = "\x03\x01\x00\x08"sv;

bool isLowerHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

std::string le32(std::uint32_t value)
{
    std::string bytes;
    for (int shift = 0; shift < 32; shift += 8)
        bytes += static_cast<char>(value >> shift & 0xFF);
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const auto info = edonkey::parsePartFile(bytes);
    FUZZ_REQUIRE(info.has_value() == bytes.starts_with(header));
    if (info) {
        FUZZ_REQUIRE(info->hash.size() == 32);
        for (const char c : info->hash)
            FUZZ_REQUIRE(isLowerHex(c));
        // The name is cut out of the file, at most as long as a 16-bit length allows.
        FUZZ_REQUIRE(info->name.size() <= 0xFFFF);
        FUZZ_REQUIRE(bytes.find(info->name) != std::string_view::npos);
        FUZZ_REQUIRE(edonkey::parsePartFile(bytes) == info);
    }

    // A size is only ever one whose tag really is followed by the transferred bytes.
    if (const auto tagged = edonkey::findSizeBeforeTransferredTag(bytes)) {
        const std::string expected =
            std::string(sizeTag) + le32(*tagged) + std::string(transferredTag);
        FUZZ_REQUIRE(bytes.find(expected) != std::string_view::npos);
    }
    return 0;
}
