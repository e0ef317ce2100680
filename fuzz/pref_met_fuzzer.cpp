// The temp-folder search on the raw bytes of a client pref.met.

#include "edonkey/pref_met.h"
#include "fuzz/fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const auto folder = edonkey::findTempFolder(bytes);
    if (!folder)
        return 0;
    // Found only behind a "temp", and cut out of the file, never made up.
    const auto temp = bytes.find("temp");
    FUZZ_REQUIRE(temp != std::string_view::npos);
    FUZZ_REQUIRE(folder->size() <= 0xFFFF);
    FUZZ_REQUIRE(bytes.find(*folder, temp + 4) != std::string_view::npos);
    return 0;
}
