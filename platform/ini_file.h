#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

/// How an INI file was saved: in the system's code page, as UTF-8 behind a
/// byte-order mark, or as UTF-16 little-endian behind its byte-order mark.
enum class IniEncoding { Ansi, Utf8WithMark, Utf16 };

/// An INI file read once, to look several values up.
class IniFile {
public:
    /// Nothing when the file is missing, unreadable, not a regular file or
    /// larger than the size a settings file can have (16 MiB).
    static std::optional<IniFile> load(const std::string& path);

    /// The file from its bytes, read elsewhere (from a working copy, say), as
    /// load would read them.
    static IniFile parse(std::string_view bytes);

    IniEncoding encoding() const { return m_encoding; }

    /// `key` in `section` as Windows' private-profile reading finds it: names
    /// compared without regard to case and the blanks around them ignored, a
    /// value loses the blanks at its ends and then matching double or single
    /// quotes, the first of duplicate keys wins and only the first of sections
    /// of the same name counts; CR LF and LF line ends alike. The value is cut at
    /// a NUL, but not in length; it is UTF-8 for a UTF-16 file and the file's
    /// bytes otherwise. Nothing when the section or key is missing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

private:
    IniFile(std::string text, IniEncoding encoding);

    std::string m_text; // as UTF-8 when the file is UTF-16
    IniEncoding m_encoding;
};

/// The buffer Windows' clients hand over for a value, NUL included.
inline constexpr std::size_t windowsValueBuffer = 255;

/// Reads `key` in `section` of an INI file as the client's system does, as
/// IniFile::value finds it: a missing key or file reads as empty, and a value
/// is cut to fit a buffer of `bufferSize` bytes with its NUL (254 bytes, as
/// Windows hands them to the client, unless the caller asks for more).
std::string readIniString(const std::string& path, std::string_view section, std::string_view key,
                          std::size_t bufferSize = windowsValueBuffer);

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
