#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace platform {

/// Lines from the client's files or the database, ended by CR LF or LF, as text
/// for a widget: valid UTF-8 as UTF-8, anything else as Windows-1252, and
/// what could disturb the display escaped (platform::shownLines).
QString fromClientBytes(std::string_view bytes);

/// One line of outside text (a name, a link, a description) for a label:
/// decoded and escaped as platform::shownText does, a CR LF included.
QString fromClientLine(std::string_view bytes);

/// The program's own UTF-8 texts (captions, addresses, titles) for a widget.
QString fromUtf8Text(std::string_view text);

/// Text the user typed, as the bytes the checks compare (UTF-8).
std::string toClientBytes(const QString& text);

/// A path the user chose, as the bytes the file system takes.
std::string toPathBytes(const QString& path);

} // namespace platform
