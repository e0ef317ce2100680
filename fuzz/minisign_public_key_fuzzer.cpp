// The readers of minisign public keys (a .pub file, its second line, and the
// ","-separated list of UpdatePublicKey=) on any text: a key read writes back
// to a line that reads as the same key, and every piece of a list is either
// a key or named as unreadable.

#include "fuzz/fuzz_support.h"
#include "update/minisign.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (const auto key = update::parsePublicKey(text)) {
        unsigned char bytes[2 + 8 + 32] = {'E', 'd'};
        std::copy(key->id.begin(), key->id.end(), bytes + 2);
        std::copy(key->key.begin(), key->key.end(), bytes + 10);
        const auto again = update::parsePublicKey(update::toBase64(bytes, sizeof(bytes)));
        FUZZ_REQUIRE(again && again->id == key->id && again->key == key->key);
    }
    const auto keys = update::parsePublicKeys(text);
    const auto pieces = std::size_t(std::count(text.begin(), text.end(), ',')) + 1;
    FUZZ_REQUIRE(keys.keys.size() + keys.unreadable.size() <= pieces);
    for (const auto& piece : keys.unreadable)
        FUZZ_REQUIRE(!piece.empty() && piece.find(',') == std::string::npos);
    return 0;
}
