// The INI reader and writer on any Setting.ini: a value read is a piece of the
// file (unless it is UTF-16), IniFile (loaded or parsed) finds what
// readIniString finds before its length cut, a value written reads back the
// same, and writing one key leaves another as it read.

#include "fuzz/fuzz_support.h"
#include "platform/ascii.h"
#include "platform/ini_file.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {

const fuzzing::ScratchFolder scratch;

// A name as the reader compares it: without blanks around, ASCII case ignored.
std::string folded(std::string_view name)
{
    return platform::lowerAscii(platform::trimBlanks(name));
}

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
    const std::string asked = platform::readIniString(path, section, key);
    const std::string other = platform::readIniString(path, section, otherKey);
    // A UTF-16 file reads as UTF-8, which is no piece of its bytes.
    const bool utf16 = content.starts_with("\xFF\xFE");
    const std::optional<platform::IniFile> ini = platform::IniFile::load(path);
    FUZZ_REQUIRE(ini.has_value());
    FUZZ_REQUIRE(ini->encoding() == (utf16 ? platform::IniEncoding::Utf16
                                     : content.starts_with("\xEF\xBB\xBF")
                                         ? platform::IniEncoding::Utf8WithMark
                                         : platform::IniEncoding::Ansi));
    const std::optional<std::string> found = ini->value(section, key);
    FUZZ_REQUIRE(found.value_or("").substr(0, 254) == asked);
    FUZZ_REQUIRE(platform::IniFile::parse(content).value(section, key) == found);
    FUZZ_REQUIRE(!found || found->find('\0') == std::string::npos);
    FUZZ_REQUIRE(utf16 || !found || content.find(*found) != std::string::npos);
    for (const auto* read : {&asked, &other}) {
        FUZZ_REQUIRE(read->size() <= 254 && read->find('\0') == std::string::npos);
        FUZZ_REQUIRE(utf16 || content.find(*read) != std::string::npos);
    }
    if (!platform::writeIniString(path, section, key, value))
        return 0;
    FUZZ_REQUIRE(platform::readIniString(path, section, key) == value.substr(0, 254));
    FUZZ_REQUIRE(platform::IniFile::load(path)->value(section, key) == value);
    if (folded(key) != folded(otherKey))
        FUZZ_REQUIRE(platform::readIniString(path, section, otherKey) == other);
    return 0;
}
