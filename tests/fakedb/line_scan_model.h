#pragma once

#include "fakedb/entry_line.h"

#include <string>
#include <string_view>

namespace fakedb::model {

/// What a lookup must answer, found the slow and obvious way: read the CR
/// LF-ended lines from the top and stop at the first one whose fields match.
/// The indexed database is checked against this, and the benchmark times it.
inline std::string lookupByLineScan(std::string_view text, std::string_view hash,
                                    std::string_view size)
{
    for (std::size_t lineStart = 0;;) {
        const std::size_t lineEnd = text.find("\r\n", lineStart);
        if (lineEnd == std::string_view::npos)
            return {};
        const auto entry = splitEntryLine(text.substr(lineStart, lineEnd - lineStart));
        lineStart = lineEnd + 2;
        if (entry && entry->size == size && entry->hash == hash)
            return "*** " + std::string(entry->description);
    }
}

} // namespace fakedb::model
