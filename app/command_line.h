#pragma once

#include <optional>
#include <string_view>

namespace app {

/// The window program's answer to --help or --version among `arguments`, which
/// it prints instead of opening a window; nothing for any other command line
/// (the window takes no arguments of its own and leaves Qt's alone).
std::optional<std::string_view> commandLineAnswer(int argc, const char* const argv[]);

} // namespace app
