#pragma once

#include <string>
#include <string_view>

namespace platform {

/// Turns bytes from the client's files into UTF-8 for display: text that is
/// valid UTF-8 is kept as it is, anything else is read as Windows-1252, the
/// code page the client wrote it in.
std::string toDisplayUtf8(std::string_view bytes);

} // namespace platform
