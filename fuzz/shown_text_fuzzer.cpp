// Showing outside text on any bytes: what comes out is UTF-8 that holds
// nothing a terminal or a text layout would obey, and a text of lines keeps
// its lines, each shown alone.

#include "fuzz/fuzz_support.h"
#include "platform/text_encoding.h"

namespace {

// The characters that must never be shown raw, checked on the decoded text.
bool obeyed(char32_t code)
{
    return (code < 0x20 && code != '\t') || (code >= 0x7F && code <= 0x9F) ||
           (code >= 0x200B && code <= 0x200F) || (code >= 0x2028 && code <= 0x202E) ||
           (code >= 0x2066 && code <= 0x2069);
}

void requireSafe(std::string_view shown)
{
    FUZZ_REQUIRE(platform::isValidUtf8(shown));
    const auto units = platform::utf8ToUtf16Le(shown);
    const auto decoded = platform::utf16LeToUtf8(*units);
    FUZZ_REQUIRE(decoded.exact && decoded.utf8 == shown);
    for (std::size_t i = 0; i + 1 < units->size(); i += 2) {
        const auto unit = static_cast<char32_t>(static_cast<unsigned char>((*units)[i]) |
                                                static_cast<unsigned char>((*units)[i + 1]) << 8);
        FUZZ_REQUIRE(!obeyed(unit));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string shown = platform::shownText(bytes);
    requireSafe(shown);
    // What needs no escape is kept as it decodes.
    if (platform::isValidUtf8(bytes) && bytes.find('\\') == std::string_view::npos &&
        shown.find('\\') == std::string::npos)
        FUZZ_REQUIRE(shown == bytes);

    const std::string lines = platform::shownLines(bytes, "\n");
    std::string expected;
    for (std::size_t start = 0;;) {
        const std::size_t lineFeed = bytes.find('\n', start);
        std::string_view line = bytes.substr(start, lineFeed - start);
        if (lineFeed != std::string_view::npos && line.ends_with('\r'))
            line.remove_suffix(1);
        expected += platform::shownText(line);
        if (lineFeed == std::string_view::npos)
            break;
        expected += '\n';
        start = lineFeed + 1;
    }
    FUZZ_REQUIRE(lines == expected);
    return 0;
}
