#pragma once

#include <string>
#include <string_view>

namespace platform {

/// Reads `key` in `section` of an INI file as the client's system does:
/// section and key names compared without regard to case, blanks around names
/// and values ignored, a value in matching double or single quotes loses them,
/// the first of duplicate keys wins, CR LF and LF line ends alike. Only the
/// first of sections of the same name counts. A file saved as UTF-16
/// little-endian with its byte-order mark reads as UTF-8; a UTF-8 one has its
/// mark skipped. A missing key or file reads as empty; values are cut at 254
/// bytes.
std::string readIniString(const std::string& path, std::string_view section, std::string_view key);

/// Writes `key`=`value` in `section`: replaces the key's value in place and
/// keeps every other line; creates the file and the section when missing, adds
/// a missing key to the first section of that name. Lines end in CR LF; a
/// UTF-16 file stays UTF-16, and refuses values that are not UTF-8. The file is
/// replaced whole, never left cut short; a read-only one is refused and left
/// as it is. A value with
/// blanks at its ends or in quotes is written in double quotes so it reads back
/// the same; names or values that cannot (line breaks, NUL, '=' in the key,
/// ']' in the section) are refused.
bool writeIniString(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value);

} // namespace platform
