#include "update/database_update.h"

#include "edonkey/settings.h"
#include "platform/files.h"

#include <charconv>

#ifndef BRISQUEN_UPDATE_SERVER
#error "BRISQUEN_UPDATE_SERVER must name the update server (set by CMake)"
#endif

namespace update {
namespace {

constexpr std::string_view lineEnd = "\r\n";
constexpr std::string_view fakesNrKey = "FakesNr";

std::string addressOf(std::string_view server, std::string_view path)
{
    while (server.ends_with('/'))
        server.remove_suffix(1);
    std::string url(server);
    url += path;
    return url;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The count file's text as "FakesNr" keeps it: unchanged but for one final
// line end, which Setting.ini cannot hold.
std::string_view storedEntryCount(std::string_view countFile)
{
    if (countFile.ends_with("\r\n"))
        countFile.remove_suffix(2);
    else if (countFile.ends_with('\n'))
        countFile.remove_suffix(1);
    return countFile;
}

} // namespace

std::string_view defaultServer()
{
    // Final "/"s need no trimming here: every address is built by addressOf.
    return BRISQUEN_UPDATE_SERVER;
}

std::optional<std::int64_t> parseEntryCount(std::string_view text)
{
    text = storedEntryCount(text);
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    // from_chars takes a '-' but no '+', and nothing else around the digits.
    if (text.starts_with('+')) {
        text.remove_prefix(1);
        if (text.starts_with('-'))
            return std::nullopt;
    }
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, 10);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

UpdateEnd getNewDatabase(std::string_view server, const UpdateTarget& target,
                         platform::HttpClient& http, platform::Desktop& desktop,
                         platform::LogBox& log)
{
    // Transfers run the window's event loop, so a click can arrive while one
    // is under way; the flag set before the first one turns it away.
    if (target.justUpdated) {
        desktop.showMessage(justUpdatedMessage);
        return UpdateEnd::JustUpdated;
    }
    const auto logLine = [&log](std::string_view line) {
        std::string text(line);
        text += lineEnd;
        log.append(text);
    };
    const auto fail = [&desktop] {
        desktop.showMessage(updateErrorMessage);
        return UpdateEnd::Failed;
    };

    logLine(connectingLine);
    target.justUpdated = true;

    const auto version = http.get(addressOf(server, versionFilePath));
    if (!version)
        return fail();
    if (*version != programVersion)
        logLine(newerVersionLine);

    const auto count = http.get(addressOf(server, countFilePath));
    if (!count)
        return fail();
    // A count that is no number is refused even when there is nothing to
    // compare it with: stored, it would make every later update fail.
    const auto serverCount = parseEntryCount(*count);
    if (!serverCount)
        return fail();
    const edonkey::Settings settings(target.files.settingIni());
    const std::string stored = settings.readSetting(fakesNrKey);
    // Without a stored count the first update always fetches the database.
    if (!stored.empty()) {
        const auto storedCount = parseEntryCount(stored);
        if (!storedCount)
            return fail();
        if (*serverCount <= *storedCount) {
            logLine(upToDateLine);
            return UpdateEnd::UpToDate;
        }
    }

    auto database = http.get(addressOf(server, databaseFilePath));
    if (!database || database->size() < 2)
        return fail();
    // The server wraps the list in one character at each end. The body becomes
    // the file's bytes in place: it can be tens of megabytes.
    std::string& bytes = *database;
    bytes.pop_back();
    bytes.erase(0, 1);
    logLine(downloadedLine);

    // The list in memory is the file's text, so its last line is matched at
    // once, as after the next load, not only once fakes.dat is read again.
    bytes += lineEnd;
    if (!platform::writeFileAtomically(target.files.fakesDat(), bytes))
        return fail();
    target.database.replace(bytes);
    settings.writeSetting(fakesNrKey, storedEntryCount(*count));
    logLine(savedLine);
    return UpdateEnd::Updated;
}

} // namespace update
