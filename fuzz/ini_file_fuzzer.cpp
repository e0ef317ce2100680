// The INI reader and writer on any Setting.ini: a value read is a piece of the
// file, a value written reads back the same, and writing one key changes how
// no other key reads.

#include "fuzz/fuzz_support.h"
#include "platform/ini_file.h"

#include <cstddef>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <string_view>

namespace {

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// Names as the reader compares them: without blanks around, ASCII case ignored.
bool sameName(std::string_view a, std::string_view b)
{
    a = trimBlanks(a);
    b = trimBlanks(b);
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) {
            return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
        };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

const fuzzing::ScratchFolder scratch;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(40);
    const std::string key = input.ConsumeRandomLengthString(40);
    const std::string otherKey = input.ConsumeRandomLengthString(40);
    const std::string value = input.ConsumeRandomLengthString(400);
    const std::string content = input.ConsumeRemainingBytesAsString();

    const std::string path = scratch.write("Setting.ini", content);
    const std::string prefPath = platform::readIniString(path, "Settings", "PrefPath");
    const std::string asked = platform::readIniString(path, section, key);
    const std::string other = platform::readIniString(path, section, otherKey);
    for (const auto* read : {&prefPath, &asked, &other}) {
        FUZZ_REQUIRE(read->size() <= 254);
        FUZZ_REQUIRE(read->find('\0') == std::string::npos);
        FUZZ_REQUIRE(content.find(*read) != std::string::npos);
    }

    if (!platform::writeIniString(path, section, key, value))
        return 0;
    FUZZ_REQUIRE(platform::readIniString(path, section, key) == value.substr(0, 254));
    if (!sameName(key, otherKey))
        FUZZ_REQUIRE(platform::readIniString(path, section, otherKey) == other);
    if (!sameName(section, "Settings") || !sameName(key, "PrefPath"))
        FUZZ_REQUIRE(platform::readIniString(path, "Settings", "PrefPath") == prefPath);
    return 0;
}
