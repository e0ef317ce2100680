#include "tools/list_commands.h"

#include "fakedb/fake_database.h"
#include "fakedb/list_line.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/text_encoding.h"
#include "tools/list_lines.h"
#include "tools/terminal_password.h"
#include "update/database_update.h"
#include "update/minisign_signing.h"
#include "update/server_files.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <system_error>

namespace fs = std::filesystem;

namespace tools {
namespace {

constexpr std::string_view lineEnd = "\r\n";

// Paths are shown with their control characters escaped, as all outside text.
std::string shown(std::string_view path)
{
    return platform::shownText(path);
}

std::optional<std::string> readList(const std::string& path, std::string_view program)
{
    auto bytes = platform::readFile(path);
    if (!bytes)
        std::cerr << program << ": cannot read " << shown(path) << '\n';
    return bytes;
}

/// The entries lookups can match in a list as clients store it.
std::uint64_t countEntries(std::string_view list)
{
    std::uint64_t entries = 0;
    fakedb::forEachListLine(list, [&](const fakedb::NumberedLine& line) {
        if (fakedb::splitEntryLine(line.text))
            ++entries;
    });
    return entries;
}

std::size_t lineCount(std::string_view list)
{
    return std::size_t(std::count(list.begin(), list.end(), '\n')) + 1;
}

std::optional<std::uint64_t> lastSerial(const fs::path& signaturePath)
{
    const auto bytes = platform::readFile(signaturePath.string(), update::maxSignatureSize);
    const auto signature = bytes ? update::parseSignature(*bytes) : std::nullopt;
    return signature ? update::serialOf(signature->trustedComment) : std::nullopt;
}

std::optional<std::string> passwordFor(const std::string& keyPath)
{
    if (const char* given = std::getenv("BRISQUEN_KEY_PASSWORD"))
        return std::string(given);
    return askPassword("Password for " + keyPath + ": ");
}

/// The signature file for `body`, or nothing after telling why.
std::optional<std::string> signList(const std::string& keyPath, std::string_view body,
                                    std::uint64_t serial, std::string_view program)
{
    const auto keyFile = platform::readFile(keyPath, 64 * 1024);
    const auto encrypted = keyFile ? update::secretKeyNeedsPassword(*keyFile) : std::nullopt;
    if (!encrypted) {
        std::cerr << program << ": " << shown(keyPath) << " is no minisign secret key\n";
        return std::nullopt;
    }
    std::string password;
    if (*encrypted) {
        auto asked = passwordFor(keyPath);
        if (!asked) {
            std::cerr << program << ": " << shown(keyPath)
                      << " needs a password: set BRISQUEN_KEY_PASSWORD or run on a terminal\n";
            return std::nullopt;
        }
        password = std::move(*asked);
    }
    const auto read = update::readSecretKey(*keyFile, password);
    if (!read.key) {
        std::cerr << program << ": "
                  << (read.problem == update::SecretKeyProblem::WrongPassword
                          ? "wrong password for "
                          : "cannot read the secret key ")
                  << shown(keyPath) << '\n';
        return std::nullopt;
    }
    const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    const std::string comment =
        "timestamp:" + std::to_string(now) + "\tfile:fakes.dat\tserial=" + std::to_string(serial);
    return update::signFile(*read.key, body, comment, "signature of the Brisquen list");
}

} // namespace

int checkList(const std::string& path)
{
    const auto list = readList(path, "brisquen-list");
    if (!list)
        return exitUsage;
    EntryTable entries(*list);
    entries.reserve(lineCount(*list));
    std::uint64_t faults = 0;
    fakedb::forEachListLine(*list, [&](const fakedb::NumberedLine& each) {
        const auto [line, number] = std::pair(each.text, each.number);
        if (const auto fault = fakedb::faultOf(line)) {
            std::cout << shown(path) << ':' << number << ": " << fakedb::faultText(*fault) << '\n';
            ++faults;
        } else if (const auto seen =
                       entries.insert(*fakedb::splitEntryLine(line),
                                      std::uint64_t(line.data() - list->data()), 0, number)) {
            std::cout << shown(path) << ':' << number << ": the same hash and size as line "
                      << seen->line << '\n';
            ++faults;
        }
    });
    std::cout << std::flush;
    std::cerr << shown(path) << ": " << countEntries(*list) << " entries, " << faults
              << " faults\n";
    return faults == 0 ? exitDone : exitFound;
}

int mergeLists(const std::string& out, const std::vector<std::string>& lists)
{
    std::vector<std::string> texts;
    texts.reserve(lists.size());
    std::size_t lines = 0;
    for (const auto& path : lists) {
        auto list = readList(path, "brisquen-list");
        if (!list)
            return exitFound;
        lines += lineCount(*list);
        texts.push_back(std::move(*list));
    }
    // The merged list takes the place of the first one, which is the largest
    // as a rule, and what the others add goes after it: memory stays near the
    // lists' size.
    std::string merged = std::move(texts[0]);
    std::string added;
    std::size_t addedAtMost = 0; // each line may gain a CR
    for (std::size_t i = 1; i < texts.size(); ++i)
        addedAtMost += texts[i].size() + lineCount(texts[i]);
    added.reserve(addedAtMost);
    EntryTable entries(merged, added);
    entries.reserve(lines);
    std::uint64_t kept = 0;
    std::uint64_t dropped = 0;
    // Whether the line goes into the list, where it will be stored at `at`.
    const auto take = [&](std::string_view line, std::uint32_t source, std::uint64_t number,
                          std::uint64_t at) {
        const std::string& path = lists[source];
        if (const auto fault = fakedb::faultOf(line)) {
            std::cerr << shown(path) << ':' << number << ": " << fakedb::faultText(*fault)
                      << "; left out\n";
            ++dropped;
            return false;
        }
        const auto entry = *fakedb::splitEntryLine(line);
        if (const auto seen = entries.insert(entry, at, source, number)) {
            if (seen->description != entry.description) {
                std::cerr << shown(path) << ':' << number
                          << ": another description for the entry of " << shown(lists[seen->source])
                          << ':' << seen->line << ", which is kept\n";
            }
            ++dropped;
            return false;
        }
        ++kept;
        return true;
    };
    const auto append = [&](std::string_view text, std::uint32_t source, std::uint64_t before) {
        fakedb::forEachListLine(text, [&](const fakedb::NumberedLine& each) {
            const auto [line, number] = std::pair(each.text, each.number);
            if (take(line, source, before + number, EntryTable::secondStart + added.size())) {
                added += line;
                added += lineEnd;
            }
        });
    };

    // The first list is merged in place, each line kept moved up over those
    // left out. A line that ended in LF alone grows by its CR: once one would
    // reach the next line, the rest is merged from a copy.
    std::size_t write = 0;
    std::uint64_t number = 0;
    std::string rest;
    for (std::size_t read = 0; read < merged.size();) {
        const auto end = merged.find('\n', read);
        const std::size_t next = end == std::string::npos ? merged.size() : end + 1;
        const std::size_t lineEndsAt =
            end == std::string::npos ? merged.size() : fakedb::lineTextEnd(merged, read, end);
        const std::string_view line(merged.data() + read, lineEndsAt - read);
        if (write + line.size() + lineEnd.size() > next) {
            rest = merged.substr(read);
            break;
        }
        if (take(line, 0, ++number, write)) {
            std::memmove(merged.data() + write, line.data(), line.size());
            write += line.size();
            merged.replace(write, lineEnd.size(), lineEnd);
            write += lineEnd.size();
        }
        read = next;
    }
    merged.resize(write);
    append(rest, 0, number);
    rest = std::string();
    for (std::uint32_t source = 1; source < texts.size(); ++source) {
        append(texts[source], source, 0);
        texts[source] = std::string();
    }
    if (!platform::writeFileAtomically(out, {merged, added})) {
        std::cerr << "brisquen-list: cannot write " << shown(out) << '\n';
        return exitFound;
    }
    std::cerr << shown(out) << ": " << kept << " entries written, " << dropped
              << " lines left out\n";
    return exitDone;
}

std::uint64_t nextSerial(std::optional<std::uint64_t> last, std::uint64_t now)
{
    return last && *last >= now ? *last + 1 : now;
}

int publishList(const std::string& path, const std::string& folderGiven,
                const PublishOptions& options)
{
    const std::string_view program = options.programName;
    const auto bytes = readList(path, program);
    if (!bytes)
        return exitFound;
    const fs::path folder = fs::path(folderGiven) / "brisquen" / "update";
    const fs::path signaturePath = folder / "fakes.dat.minisig";
    // The client adds a CR LF of its own after the list.
    const std::string body = update::servedListOf(*bytes);

    std::optional<std::string> signature;
    if (options.secretKeyPath) {
        const auto last = lastSerial(signaturePath);
        const auto now = std::uint64_t(std::chrono::duration_cast<std::chrono::seconds>(
                                           std::chrono::system_clock::now().time_since_epoch())
                                           .count());
        const std::uint64_t serial = options.serial.value_or(nextSerial(last, now));
        if (last && serial <= *last) {
            std::cerr << program << ": serial " << serial << " is not above " << *last
                      << ", the one in " << shown(folder.string())
                      << ": clients would not take it\n";
            return exitFound;
        }
        signature = signList(*options.secretKeyPath, body, serial, program);
        if (!signature)
            return exitFound;
    }

    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        std::cerr << program << ": cannot create " << shown(folder.string()) << ": "
                  << error.message() << '\n';
        return exitFound;
    }
    const std::uint64_t entries = countEntries(*bytes);
    const std::string count = std::to_string(entries);
    // The list before its signature and count: a client that sees the new
    // ones must not fetch the old list and then believe it is up to date.
    std::vector<std::pair<std::string_view, std::string_view>> files{{"fakes.dat", body}};
    if (signature)
        files.emplace_back("fakes.dat.minisig", *signature);
    files.emplace_back("fakes.txt", count);
    files.emplace_back("brisquen.txt", update::programVersion);
    for (const auto& [name, contents] : files) {
        const fs::path file = folder / name;
        if (!platform::writeFileAtomically(file.string(), contents)) {
            std::cerr << program << ": cannot write " << shown(file.string()) << '\n';
            return exitFound;
        }
    }
    std::cout << entries << " entries; wrote " << shown(folder.string())
              << "/{brisquen.txt,fakes.txt,fakes.dat" << (signature ? ",fakes.dat.minisig" : "")
              << "}\n";
    return exitDone;
}

} // namespace tools
