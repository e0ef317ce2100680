// aMule's settings file on any text: it never fails, always names one temp
// folder and an incoming one, and a value written as aMule writes it after
// any text reads back whole.

#include "edonkey/amule_settings.h"
#include "fuzz/fuzz_support.h"

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
        const char* escaped = c == '\n'            ? "\\n"
                              : c == '\r'          ? "\\r"
                              : c == '\t'          ? "\\t"
                              : c == '\\'          ? "\\\\"
                              : c == '"' && quoted ? "\\\""
                                                   : nullptr;
        out += escaped ? std::string(escaped) : std::string(1, c);
    }
    return quoted ? out + "\"" : out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const edonkey::AmuleConf conf(text);
    const auto settings = edonkey::amuleSettings(
        "/home/u/.aMule/amule.conf", [&](const std::string&) { return std::string(text); });
    FUZZ_REQUIRE(settings && settings->tempFolders.size() == 1 &&
                 !settings->incomingFolders.empty());

    const std::string_view value = text.substr(0, std::min<std::size_t>(text.size(), 40));
    const edonkey::AmuleConf appended(std::string(text) + "\n[eMule]\nTempDir=" + written(value) +
                                      "\n");
    FUZZ_REQUIRE(appended.value("eMule", "TempDir") == value);
    return 0;
}
