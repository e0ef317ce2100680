#pragma once

#include <string>
#include <string_view>

namespace fakedb::model {

/// What a lookup must answer, found the slow and obvious way: read the CR
/// LF-ended lines from the top and stop at the first one whose fields match.
/// The indexed database is checked against this, and the benchmark times it.
inline std::string lookupByLineScan(std::string_view text, std::string_view hash,
                                    std::string_view size)
{
    std::size_t lineStart = 0;
    for (;;) {
        const std::size_t lineEnd = text.find("\r\n", lineStart);
        if (lineEnd == std::string_view::npos)
            return {};
        const std::string_view line = text.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 2;

        const std::size_t firstComma = line.find(',');
        if (firstComma == std::string_view::npos)
            continue;
        const std::size_t secondComma = line.find(',', firstComma + 1);
        if (secondComma == std::string_view::npos)
            continue;
        if (line.substr(firstComma + 1, secondComma - firstComma - 1) == size &&
            line.substr(0, firstComma) == hash)
            return "*** " + std::string(line.substr(secondComma + 1));
    }
}

} // namespace fakedb::model
