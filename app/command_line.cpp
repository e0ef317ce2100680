#include "app/command_line.h"

#include "session/texts.h"

#include <string>

#ifndef BRISQUEN_VERSION
#error "BRISQUEN_VERSION must hold the program's version (set by CMake)"
#endif

namespace app {
namespace {

constexpr std::string_view usageHead = R"(Usage: brisquen [--help | --version]

Opens the Brisquen window, which checks the unfinished downloads of an
eDonkey2000, aMule or eMule client against the list of known fakes, fakes.dat,
as soon as it starts, and offers the other checks and the list's update. An
aMule or eMule download, or a dropped file, whose first bytes are not what its
name says (a program named as a video) gets a "*** Suspect - " line. It takes
no other arguments; brisquen-check runs the same checks in a terminal.

)";

constexpr std::string_view usageTail = R"(.
"brisquen-check where" prints the folders in use; "brisquen-check update"
fetches a first list.

  --help     show this text
  --version  show the version
)";

constexpr std::string_view version = "brisquen " BRISQUEN_VERSION "\n";

std::string_view usage()
{
    static const std::string text = std::string(usageHead) +
                                    std::string(session::texts::programFilesHelp) +
                                    std::string(usageTail);
    return text;
}

} // namespace

std::optional<std::string_view> commandLineAnswer(int argc, const char* const argv[])
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h")
            return usage();
        if (argument == "--version")
            return version;
    }
    return std::nullopt;
}

} // namespace app
