// The client's known.met on any bytes: never a read past the end, a fault
// only for what the format rules out, and every record taken from the bytes,
// each hash once; the lookup finds each record by its own name, size and date.

#include "edonkey/known_met.h"
#include "fuzz/fuzz_support.h"

#include <set>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto read = edonkey::readKnownMet(bytes);
    if (const auto* fault = std::get_if<edonkey::KnownMetFault>(&read)) {
        const bool otherHeader = !bytes.empty() && bytes[0] != '\x0E' && bytes[0] != '\x0F';
        FUZZ_REQUIRE((*fault == edonkey::KnownMetFault::NotKnownMet) == otherHeader);
        return 0;
    }
    const auto& files = std::get<std::vector<edonkey::KnownFile>>(read);
    std::set<std::string> hashes;
    for (const auto& file : files) {
        FUZZ_REQUIRE(file.hash.size() == 32 &&
                     file.hash.find_first_not_of("0123456789abcdef") == std::string::npos);
        FUZZ_REQUIRE(hashes.insert(file.hash).second);
        FUZZ_REQUIRE(file.name.size() <= 0xFFFF && bytes.find(file.name) != bytes.npos);
    }
    const edonkey::KnownFiles known(files);
    FUZZ_REQUIRE(known.size() <= files.size());
    for (const auto& file : files)
        FUZZ_REQUIRE(known.hashOf(file.name, file.size, file.date).has_value());
    return 0;
}
