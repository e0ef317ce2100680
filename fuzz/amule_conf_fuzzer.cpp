// aMule's settings file on any text: it never fails, lists each category
// once and in order, and a value written as aMule writes it after any text
// reads back whole.

#include "edonkey/amule_settings.h"
#include "fuzz/fuzz_support.h"

#include <algorithm>

namespace {

// A value as aMule's config writer stores it: escapes for backslash, tab and
// line breaks, and quotes (with escaped inner quotes) around a value that
// begins with a blank or a quote.
std::string written(std::string_view value)
{
    const bool quoted =
        !value.empty() && (value.front() == ' ' || value.front() == '\t' || value.front() == '\v' ||
                           value.front() == '\f' || value.front() == '"');
    std::string out = quoted ? "\"" : "";
    for (const char c : value) {
        switch (c) {
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += quoted ? "\\\"" : "\"";
            break;
        default:
            out += c;
        }
    }
    return quoted ? out + "\"" : out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const edonkey::AmuleConf conf(text);
    const auto numbers = conf.categoryNumbers();
    FUZZ_REQUIRE(std::adjacent_find(numbers.begin(), numbers.end(),
                                    [](long a, long b) { return a >= b; }) == numbers.end());

    const std::string_view value = text.substr(0, std::min<std::size_t>(text.size(), 40));
    const edonkey::AmuleConf appended(std::string(text) + "\n[eMule]\nTempDir=" + written(value) +
                                      "\n");
    FUZZ_REQUIRE(appended.value("eMule", "TempDir") == value);
    return 0;
}
