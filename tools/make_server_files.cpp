// brisquen-server-files: turns a fakes.dat into the three files that an update
// server hands out under /brisquen/update/, so any static web server can be one.

#include "fakedb/entry_line.h"
#include "platform/files.h"
#include "platform/text_encoding.h"
#include "update/server_files.h"

#include <cstdint>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#ifndef BRISQUEN_VERSION
#error "BRISQUEN_VERSION must hold the program's version (set by CMake)"
#endif

namespace fs = std::filesystem;

namespace {

constexpr int exitDone = 0;
constexpr int exitFailed = 1;
constexpr int exitUsage = 2;

constexpr std::string_view usage = R"(Usage: brisquen-server-files FAKES_DAT OUT_FOLDER

Writes the files of a Brisquen update server for the list FAKES_DAT:
  OUT_FOLDER/brisquen/update/brisquen.txt  the program version, "20"
  OUT_FOLDER/brisquen/update/fakes.txt     the number of entries
  OUT_FOLDER/brisquen/update/fakes.dat     the list, between "[" and "]"
Serve OUT_FOLDER with any web server. Clients fetch the list only when the
number of entries has grown since their last update.

  --help, --version  show this text, or the version
)";

constexpr std::string_view lineEnd = "\r\n";

// The client drops the body's first and last character and writes the rest
// with a CR LF after it; printable marks survive any line-end conversion.
constexpr char listStart = '[';
constexpr char listEnd = ']';

/// The lines a lookup can match in `list` + CR LF, which is what clients store.
std::uint64_t countEntries(std::string_view list)
{
    const std::string stored = std::string(list) + std::string(lineEnd);
    std::uint64_t entries = 0;
    for (auto line = fakedb::lineAt(stored, 0); line; line = fakedb::lineAt(stored, line->next))
        entries += fakedb::splitEntryLine(line->text).has_value();
    return entries;
}

bool writeServerFile(const fs::path& folder, std::string_view name, std::string_view bytes)
{
    const fs::path path = folder / name;
    if (platform::writeFileAtomically(path.string(), bytes))
        return true;
    std::cerr << "brisquen-server-files: cannot write " << platform::shownText(path.string())
              << '\n';
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << usage;
        return exitDone;
    }
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << "brisquen-server-files " BRISQUEN_VERSION "\n";
        return exitDone;
    }
    if (args.size() != 2) {
        std::cerr << usage;
        return exitUsage;
    }
    const std::string fakesDat(args[0]);
    const auto bytes = platform::readFile(fakesDat);
    if (!bytes) {
        std::cerr << "brisquen-server-files: cannot read " << platform::shownText(fakesDat) << '\n';
        return exitFailed;
    }
    // The client adds a CR LF of its own after the list.
    std::string_view list(*bytes);
    if (list.ends_with(lineEnd))
        list.remove_suffix(lineEnd.size());

    const fs::path folder = fs::path(args[1]) / "brisquen" / "update";
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        std::cerr << "brisquen-server-files: cannot create " << platform::shownText(folder.string())
                  << ": " << error.message() << '\n';
        return exitFailed;
    }
    std::string body;
    body.reserve(list.size() + 2);
    body += listStart;
    body += list;
    body += listEnd;
    const std::uint64_t entries = countEntries(list);
    const std::string count = std::to_string(entries);
    // The list before its count: a client that sees the new count must not
    // fetch the old list and then believe it is up to date.
    const std::string_view files[] = {"fakes.dat", "fakes.txt", "brisquen.txt"};
    const std::string_view contents[] = {body, count, update::programVersion};
    for (std::size_t i = 0; i < std::size(files); ++i) {
        if (!writeServerFile(folder, files[i], contents[i]))
            return exitFailed;
    }
    std::cout << entries << " entries; wrote " << platform::shownText(folder.string())
              << "/{brisquen.txt,fakes.txt,fakes.dat}\n";
    return exitDone;
}
