// The Wine registry reader on any text: a default value found is text without
// NUL in valid UTF-8, its key exists whatever the letter case it is asked in,
// and a text without Wine's header holds no key at all.

#include "fuzz/fuzz_support.h"
#include "platform/text_encoding.h"
#include "platform/wine_registry.h"

#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string subkey = input.ConsumeRandomLengthString(80);
    const std::string text = input.ConsumeRemainingBytesAsString();

    const platform::WineHive hive(text);
    const std::string path = "Software\\Classes\\" + subkey;
    std::string shouted = path;
    for (char& c : shouted)
        c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    const auto value = hive.defaultValue(path);
    if (value) {
        FUZZ_REQUIRE(hive.hasKey(shouted));
        FUZZ_REQUIRE(value->find('\0') == std::string::npos);
        FUZZ_REQUIRE(platform::toDisplayUtf8(*value) == *value);
    }
    FUZZ_REQUIRE(hive.defaultValue(shouted) == value);
    FUZZ_REQUIRE(platform::classesRootDefault(hive, platform::WineHive(), subkey) == value);
    FUZZ_REQUIRE(!platform::WineHive(" " + text).hasKey(path));
    return 0;
}
