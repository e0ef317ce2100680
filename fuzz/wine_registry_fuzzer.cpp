// The Wine registry reader on any text: a string value found is text without
// NUL in valid UTF-8, a value is a string or a DWORD but never both, its key
// exists whatever the letter case key and value are asked in, and a text
// without Wine's header holds no key at all.

#include "fuzz/fuzz_support.h"
#include "platform/text_encoding.h"
#include "platform/wine_registry.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {

std::string shouted(std::string text)
{
    for (char& c : text)
        c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string subkey = input.ConsumeRandomLengthString(80);
    const std::string name = input.ConsumeRandomLengthString(40);
    const std::string text = input.ConsumeRemainingBytesAsString();

    const platform::WineHive hive(text);
    const std::string path = "Software\\Classes\\" + subkey;
    for (const std::string& asked : {std::string(), name}) {
        const auto value = hive.stringValue(path, asked);
        const auto number = hive.dwordValue(path, asked);
        FUZZ_REQUIRE(!(value && number));
        if (value) {
            FUZZ_REQUIRE(value->find('\0') == std::string::npos);
            FUZZ_REQUIRE(platform::isValidUtf8(*value));
        }
        if (value || number)
            FUZZ_REQUIRE(hive.hasKey(shouted(path)));
        FUZZ_REQUIRE(hive.stringValue(shouted(path), shouted(asked)) == value);
        FUZZ_REQUIRE(hive.dwordValue(shouted(path), shouted(asked)) == number);
    }
    const auto value = hive.defaultValue(path);
    FUZZ_REQUIRE(value == hive.stringValue(path, ""));
    FUZZ_REQUIRE(platform::classesRootDefault(hive, platform::WineHive(), subkey) == value);
    FUZZ_REQUIRE(!platform::WineHive(" " + text).hasKey(path));
    return 0;
}
