// The walk through aMule's and eMule's part files on any bytes: it must never
// read past the end, only the version byte makes a file no part file, and what
// it returns must come from the bytes it was given.

#include "edonkey/part_file_walker.h"
#include "fuzz/fuzz_support.h"

namespace {

// The hash stored after the version byte and the date, as the walk spells it.
std::string storedHash(std::string_view bytes)
{
    std::string hash;
    for (std::size_t i = 5; i < 21; ++i)
        hash += edonkey::byteToHex(static_cast<std::uint8_t>(bytes[i]));
    return hash;
}

// Whether the size's little-endian bytes occur at one of the widths of the
// clients' numbers (1, 2, 4 or 8 bytes) that can hold it.
bool sizeOccurs(std::string_view bytes, std::uint64_t size)
{
    for (const std::size_t width : {1, 2, 4, 8}) {
        if (width < 8 && size >> 8 * width != 0)
            continue;
        std::string stored;
        for (std::size_t i = 0; i < width; ++i)
            stored += static_cast<char>(size >> 8 * i & 0xFF);
        if (bytes.find(stored) != bytes.npos)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto walked = edonkey::walkPartFile(bytes);

    if (const auto* fault = std::get_if<edonkey::PartFileFault>(&walked)) {
        const bool otherVersion = !bytes.empty() && bytes[0] != '\xE0' && bytes[0] != '\xE2';
        FUZZ_REQUIRE((*fault == edonkey::PartFileFault::NotPartFile) == otherVersion);
        FUZZ_REQUIRE(!edonkey::partFileFaultText(*fault).empty());
        return 0;
    }
    const auto& info = std::get<edonkey::PartFileInfo>(walked);
    FUZZ_REQUIRE(info.hash.size() == 32 &&
                 info.hash.find_first_not_of("0123456789abcdef") == std::string::npos);
    FUZZ_REQUIRE(info.hash == storedHash(bytes));
    FUZZ_REQUIRE(info.name.size() <= 0xFFFF && bytes.find(info.name) != bytes.npos);
    // A name that still starts with a byte-order mark had one more before it.
    const std::string mark = "\xEF\xBB\xBF";
    FUZZ_REQUIRE(!info.name.starts_with(mark) || bytes.find(mark + info.name) != bytes.npos);
    FUZZ_REQUIRE(sizeOccurs(bytes, info.size));
    return 0;
}
