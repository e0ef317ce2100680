#pragma once

#include <string>
#include <string_view>

namespace platform {

/// Reads `key` in `section` of an INI file as the client's system does:
/// section and key names compared without regard to case, blanks around names
/// and values ignored, a value in matching double or single quotes loses them,
/// the first of duplicate keys wins, CR LF and LF line ends alike. A missing
/// key or file reads as empty; values are cut at 254 characters.
std::string readIniString(const std::string& path, std::string_view section, std::string_view key);

/// Writes `key`=`value` in `section`: replaces the key's value in place and
/// keeps every other line; creates the file and the section when missing. Lines
/// end in CR LF. The file is replaced whole, never left cut short. A value with
/// blanks at its ends or in quotes is written in double quotes so it reads back
/// the same; names or values that cannot (line breaks, NUL, '=' in the key,
/// ']' in the section) are refused.
bool writeIniString(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value);

} // namespace platform
