#pragma once

#include <optional>
#include <string>

namespace tools {

/// Asks for a password on the terminal (/dev/tty) without echoing it; nothing
/// when there is no terminal.
std::optional<std::string> askPassword(const std::string& prompt);

} // namespace tools
