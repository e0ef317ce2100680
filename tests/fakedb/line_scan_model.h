#pragma once

#include "fakedb/entry_line.h"

#include <string>
#include <string_view>

namespace fakedb::model {

/// What a lookup must answer, found the slow and obvious way: read the lines
/// from the top and stop at the first one whose fields match.
/// The indexed database is checked against this, and the benchmark times it.
inline std::string lookupByLineScan(std::string_view text, std::string_view hash,
                                    std::string_view size)
{
    for (auto line = lineAt(text, 0); line; line = lineAt(text, line->next)) {
        const auto entry = splitEntryLine(line->text);
        if (entry && entry->size == size && entry->hash == hash)
            return "*** " + std::string(entry->description);
    }
    return {};
}

} // namespace fakedb::model
