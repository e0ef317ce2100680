// The temp-folder search on the raw bytes of a client pref.met: found only
// behind a "temp", and cut out of the file, never made up.

#include "edonkey/pref_met.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (const auto folder = edonkey::findTempFolder(bytes)) {
        const auto temp = bytes.find("temp");
        FUZZ_REQUIRE(temp != bytes.npos && folder->size() <= 0xFFFF);
        FUZZ_REQUIRE(bytes.find(*folder, temp + 4) != bytes.npos);
    }
    return 0;
}
