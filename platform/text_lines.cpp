#include "platform/text_lines.h"

#include <algorithm>

namespace platform {

std::vector<Line> splitLines(std::string_view text, std::size_t from)
{
    std::vector<Line> lines;
    for (std::size_t begin = from; begin < text.size();) {
        const std::size_t newline = text.find('\n', begin);
        const std::size_t next = newline == std::string_view::npos ? text.size() : newline + 1;
        std::size_t end = std::min(newline, text.size());
        if (newline != std::string_view::npos && end > begin && text[end - 1] == '\r')
            --end;
        lines.push_back({text.substr(begin, end - begin), begin, end, next});
        begin = next;
    }
    return lines;
}

} // namespace platform
