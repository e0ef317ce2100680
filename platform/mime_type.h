#pragma once

#include <string>
#include <string_view>

namespace platform {

/// The MIME type the system's file-type database (libmagic, the library
/// behind `file`) gives `bytes`, such as "video/x-msvideo": never its
/// free-text description. "application/octet-stream" when it cannot name
/// them, and "" when the database cannot be used at all. Each thread keeps a
/// database of its own, opened on first use.
std::string mimeTypeOf(std::string_view bytes);

} // namespace platform
