#include "platform/ascii.h"

#include <algorithm>

namespace platform {
char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowerAscii(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = lowerAscii(c);
    return lower;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

std::size_t findIgnoringCase(std::string_view text, std::string_view needle)
{
    const auto hit = std::search(text.begin(), text.end(), needle.begin(), needle.end(),
                                 [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
    return hit == text.end() && !needle.empty() ? std::string_view::npos
                                                : static_cast<std::size_t>(hit - text.begin());
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimLeadingBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    return text;
}

std::string_view trimBlanks(std::string_view text)
{
    text = trimLeadingBlanks(text);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view cutAtNul(std::string_view text)
{
    return text.substr(0, text.find('\0'));
}

} // namespace platform
