#include "update/database_update.h"

#include "platform/ascii.h"
#include "platform/files.h"
#include "update/server_files.h"

#include <charconv>
#include <new>

#ifndef BRISQUEN_UPDATE_SERVER
#error "BRISQUEN_UPDATE_SERVER must name the update server (set by CMake)"
#endif

namespace update {
namespace {

std::string addressOf(std::string_view server, std::string_view path)
{
    while (server.ends_with('/'))
        server.remove_suffix(1);
    std::string url(server);
    url += path;
    return url;
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

UpdateResult failedAt(UpdateStep step)
{
    return {UpdateEnd::Failed, step, {}, {}};
}

} // namespace

std::string_view defaultServer()
{
    // Final "/"s need no trimming here: every address is built by addressOf.
    return BRISQUEN_UPDATE_SERVER;
}

std::optional<std::int64_t> parseEntryCount(std::string_view text)
{
    text = platform::trimBlanks(storedEntryCount(text));
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

UpdateResult getNewDatabase(std::string_view server, const UpdateTarget& target,
                            platform::HttpClient& http, UpdateObserver& observer)
{
    observer.onProgress(UpdateProgress::Connecting);
    const auto version = http.get(addressOf(server, versionFilePath));
    if (!version)
        return failedAt(UpdateStep::VersionFile);
    if (*version != programVersion)
        observer.onProgress(UpdateProgress::NewerVersion);

    const auto count = http.get(addressOf(server, countFilePath));
    if (!count)
        return failedAt(UpdateStep::CountFile);
    // A count that is no number is refused even when there is nothing to
    // compare it with: stored, it would make every later update fail.
    const auto serverCount = parseEntryCount(*count);
    if (!serverCount)
        return failedAt(UpdateStep::CountFile);
    // Without a stored count the first update always fetches the database.
    if (!target.storedEntryCount.empty()) {
        const auto storedCount = parseEntryCount(target.storedEntryCount);
        if (!storedCount)
            return failedAt(UpdateStep::StoredCount);
        if (*serverCount <= *storedCount) {
            observer.onProgress(UpdateProgress::UpToDate);
            return {UpdateEnd::UpToDate, UpdateStep::None, {}, {}};
        }
    }

    auto database = http.get(addressOf(server, databaseFilePath));
    if (!database || database->size() < 2)
        return failedAt(UpdateStep::DatabaseFile);
    // The server wraps the list in one character at each end. The body becomes
    // the file's bytes in place: it can be tens of megabytes.
    std::string& bytes = *database;
    bytes.pop_back();
    bytes.erase(0, 1);
    observer.onProgress(UpdateProgress::Downloaded);

    // The list in memory is the file's text, so its last line is matched at
    // once, as after the next load, not only once fakes.dat is read again.
    bytes += "\r\n";
    std::shared_ptr<fakedb::FakeDatabase> list;
    try {
        list = std::make_shared<fakedb::FakeDatabase>();
    } catch (const std::bad_alloc&) {
        return failedAt(UpdateStep::Memory);
    }
    if (!list->replace(bytes))
        return failedAt(UpdateStep::Memory);
    bool saved = false;
    const auto save = [&] {
        saved = platform::writeFileAtomically(target.fakesDatPath, bytes);
    };
    if (target.guardSaving && !target.guardSaving(save))
        return failedAt(UpdateStep::FolderBusy);
    if (!target.guardSaving)
        save();
    if (!saved)
        return failedAt(UpdateStep::SavingFile);
    observer.onProgress(UpdateProgress::Saved);
    return {UpdateEnd::Updated, UpdateStep::None, std::string(storedEntryCount(*count)),
            std::move(list)};
}

} // namespace update
