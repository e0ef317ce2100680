#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace platform {

/// One line of a text: `text` is the line without its line end, found at
/// [begin, end) of the whole text; `next` is where the following line starts.
struct Line {
    std::string_view text;
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t next = 0;
};

/// The lines of `text` from offset `from` on, ended by LF or CR LF alike; a
/// final line end starts no further line.
std::vector<Line> splitLines(std::string_view text, std::size_t from = 0);

} // namespace platform
