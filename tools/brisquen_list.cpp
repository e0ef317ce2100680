// brisquen-list: the tool of the people who keep the list of fakes: checks a
// list, merges lists, and writes (and signs) the files of an update server.
// Built as brisquen-server-files too, which only publishes, as it always did.

#include "tools/list_commands.h"

#include <charconv>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#ifndef BRISQUEN_VERSION
#error "BRISQUEN_VERSION must hold the program's version (set by CMake)"
#endif
#ifndef BRISQUEN_TOOL_NAME
#error "BRISQUEN_TOOL_NAME must name the program (set by CMake)"
#endif

namespace {

constexpr std::string_view programName = BRISQUEN_TOOL_NAME;
constexpr bool onlyPublishes = programName == "brisquen-server-files";

constexpr std::string_view serverFilesUsage = R"(Usage: brisquen-server-files FAKES_DAT OUT_FOLDER

Writes the files of a Brisquen update server for the list FAKES_DAT:
  OUT_FOLDER/brisquen/update/brisquen.txt  the program version, "20"
  OUT_FOLDER/brisquen/update/fakes.txt     the number of entries
  OUT_FOLDER/brisquen/update/fakes.dat     the list, between "[" and "]"
Serve OUT_FOLDER with any web server. Clients fetch the list only when the
number of entries has grown since their last update. brisquen-list publish
does the same and can sign the list.

  --help, --version  show this text, or the version
)";

constexpr std::string_view listUsage = R"(Usage: brisquen-list COMMAND ARGUMENTS

The tool of the people who keep Brisquen's list of known fakes (fakes.dat:
one "hash,size,description" line per fake, CR LF or LF line ends).

Commands:
  check LIST            print every line of LIST that is no list line, with
                        its number (from 1) and why, and every duplicate entry
                        (same hash and size) with the line it repeats; exit 1
                        when there is any
  merge OUT LIST...     write OUT from the lists, the published one first: one
                        entry per hash and size, in the order they first
                        appear, the first description kept; bad lines and
                        other descriptions are reported on standard error
  publish LIST FOLDER [--sign SECRET_KEY] [--serial N]
                        write the update server's files for LIST under
                        FOLDER/brisquen/update/ (brisquen.txt, fakes.txt,
                        fakes.dat between "[" and "]"), and with --sign the
                        minisign signature fakes.dat.minisig, its trusted
                        comment holding serial=N; N defaults to the current
                        Unix time, or one more than the serial already in
                        FOLDER when that is higher. An encrypted key's password
                        is read from BRISQUEN_KEY_PASSWORD, else asked on the
                        terminal.
  --help, --version     show this text, or the version

Serve FOLDER with any web server. Clients that hold the public key
(UpdatePublicKey= in Setting.ini) take a list only with a valid signature and
a higher serial; the others take it when it has more entries.

Exit status: 0 done (check: no fault), 1 check found faults or the command
failed, 2 usage or an unreadable list for check.
)";

std::optional<std::uint64_t> parseSerial(std::string_view text)
{
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, 10);
    if (text.empty() || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

int usageError()
{
    std::cerr << (onlyPublishes ? serverFilesUsage : listUsage);
    return tools::exitUsage;
}

int publish(const std::vector<std::string>& args)
{
    tools::PublishOptions options{{}, {}, std::string(programName)};
    std::vector<std::string> places;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--sign" && i + 1 < args.size()) {
            options.secretKeyPath = args[++i];
        } else if (args[i] == "--serial" && i + 1 < args.size()) {
            options.serial = parseSerial(args[++i]);
            if (!options.serial) {
                std::cerr << programName << ": the serial must be a whole number\n";
                return tools::exitUsage;
            }
        } else {
            places.push_back(args[i]);
        }
    }
    if (places.size() != 2 || (options.serial && !options.secretKeyPath))
        return usageError();
    return tools::publishList(places[0], places[1], options);
}

} // namespace

int main(int argc, char* argv[])
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << (onlyPublishes ? serverFilesUsage : listUsage);
        return tools::exitDone;
    }
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << programName << " " BRISQUEN_VERSION "\n";
        return tools::exitDone;
    }
    if (onlyPublishes)
        return args.size() == 2 ? publish(args) : usageError();
    if (args.size() == 2 && args[0] == "check")
        return tools::checkList(args[1]);
    if (args.size() >= 3 && args[0] == "merge")
        return tools::mergeLists(args[1], {args.begin() + 2, args.end()});
    if (!args.empty() && args[0] == "publish")
        return publish({args.begin() + 1, args.end()});
    return usageError();
}
