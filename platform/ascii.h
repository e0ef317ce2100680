#pragma once

#include <string>
#include <string_view>

namespace platform {

/// Letters compared as the client's system compares names: only A-Z and a-z
/// fold, so bytes of other code pages are never changed.
char lowerAscii(char c);
std::string lowerAscii(std::string_view text);
bool equalsIgnoringCase(std::string_view a, std::string_view b);

/// Where `needle` first occurs in `text`, letters compared without regard to
/// case; npos when it does not.
std::size_t findIgnoringCase(std::string_view text, std::string_view needle);

/// A space or a tab, the blanks that settings and registry files allow
/// around names and values.
bool isBlank(char c);

/// `text` without the blanks at its start.
std::string_view trimLeadingBlanks(std::string_view text);

/// `text` without the blanks at its ends.
std::string_view trimBlanks(std::string_view text);

/// `text` up to its first NUL, as a C string hands it over.
std::string_view cutAtNul(std::string_view text);

} // namespace platform
