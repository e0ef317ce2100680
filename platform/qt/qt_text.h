#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace platform {

/// Bytes from the client's files or the database as text for a widget: valid
/// UTF-8 as UTF-8, anything else as Windows-1252.
QString fromClientBytes(std::string_view bytes);

/// The program's own UTF-8 texts (captions, addresses, titles) for a widget.
QString fromUtf8Text(std::string_view text);

/// Text the user typed, as the bytes the checks compare (UTF-8).
std::string toClientBytes(const QString& text);

/// A path the user chose, as the bytes the file system takes.
std::string toPathBytes(const QString& path);

} // namespace platform
