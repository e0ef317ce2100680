// The reader of the client's *.part.met files on any bytes: it must never read
// past the end, and what it returns must come from the bytes it was given.

#include "edonkey/part_file.h"
#include "fuzz/fuzz_support.h"

using namespace std::string_literals;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const auto info = edonkey::parsePartFile(bytes);
    FUZZ_REQUIRE(info.has_value() == bytes.starts_with("\xE0\x00\x00\x00\x00"s));
    if (info) {
        FUZZ_REQUIRE(info->hash.size() == 32 &&
                     info->hash.find_first_not_of("0123456789abcdef") == std::string::npos);
        FUZZ_REQUIRE(info->name.size() <= 0xFFFF && bytes.find(info->name) != bytes.npos);
    }
    // A size is only ever one whose tag really is followed by the transferred bytes.
    if (const auto tagged = edonkey::findSizeBeforeTransferredTag(bytes)) {
        std::string expected = "\x03\x01\x00\x02"s;
        for (int shift = 0; shift < 32; shift += 8)
            expected += static_cast<char>(*tagged >> shift & 0xFF);
        FUZZ_REQUIRE(bytes.find(expected + "\x03\x01\x00\x08"s) != bytes.npos);
    }
    return 0;
}
