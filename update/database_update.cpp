#include "update/database_update.h"

#include "platform/ascii.h"
#include "platform/files.h"
#include "update/server_files.h"

#include <charconv>
#include <chrono>
#include <new>

#ifndef BRISQUEN_UPDATE_PUBLIC_KEY
#error "BRISQUEN_UPDATE_PUBLIC_KEY must hold the built-in keys, or nothing (set by CMake)"
#endif
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
    return {UpdateEnd::Failed, step, {}};
}

UpdateResult refused(Refusal refusal, UpdateObserver& observer)
{
    observer.onRefused(refusal);
    return failedAt(UpdateStep::Refused);
}

/// The update's transfers, each ending by a deadline counted from the first
/// request: a server that trickles cannot keep the update waiting for ever.
class Transfers {
public:
    Transfers(std::string_view server, platform::HttpClient& http, const TransferTimes& times)
        : m_server(server)
        , m_http(http)
        , m_times(times)
        , m_deadline(std::chrono::steady_clock::now())
    {
    }
    std::optional<std::string> small(std::string_view path, std::size_t maxBytes = SIZE_MAX)
    {
        return get(path, m_times.smallFile, maxBytes);
    }
    std::optional<std::string> list(std::string_view path)
    {
        return get(path, m_times.list, SIZE_MAX);
    }

private:
    std::optional<std::string> get(std::string_view path, std::chrono::milliseconds allowed,
                                   std::size_t maxBytes)
    {
        m_deadline += allowed;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            m_deadline - std::chrono::steady_clock::now());
        if (left <= std::chrono::milliseconds(0))
            return std::nullopt;
        return m_http.get(addressOf(m_server, path), {left, maxBytes});
    }

    std::string_view m_server;
    platform::HttpClient& m_http;
    TransferTimes m_times;
    std::chrono::steady_clock::time_point m_deadline;
};

/// The list between the server's marks. Signed, it must hold both, with only
/// line ends after the last; unsigned, the first and last byte are dropped
/// whatever they are, as servers have always been read.
std::optional<std::string_view> listInside(std::string_view body, bool checked)
{
    if (!checked)
        return body.size() < 2 ? std::nullopt : std::optional(body.substr(1, body.size() - 2));
    while (body.ends_with('\n') || body.ends_with('\r'))
        body.remove_suffix(1);
    if (body.size() < 2 || body.front() != listStart || body.back() != listEnd)
        return std::nullopt;
    return body.substr(1, body.size() - 2);
}

} // namespace

std::string_view defaultServer()
{
    // Final "/"s need no trimming here: every address is built by addressOf.
    return BRISQUEN_UPDATE_SERVER;
}

std::string_view builtInPublicKeys()
{
    return BRISQUEN_UPDATE_PUBLIC_KEY;
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

SignatureCheck checkSignature(std::string_view signatureFile, const std::vector<PublicKey>& keys)
{
    const auto signature = parseSignature(signatureFile);
    const auto serial = signature ? serialOf(signature->trustedComment) : std::nullopt;
    if (!serial)
        return {Refusal::UnreadableSignature};
    const PublicKey* key = keyFor(*signature, keys);
    if (!key)
        return {Refusal::UnknownKey};
    if (!verifiesComment(*signature, *key))
        return {Refusal::BadSignature};
    return {std::nullopt, *serial};
}

SignatureCheck checkSignedList(std::string_view signatureFile, const std::vector<PublicKey>& keys,
                               std::string_view servedList)
{
    SignatureCheck check = checkSignature(signatureFile, keys);
    if (check.refusal)
        return check;
    // Checked once more: the comment's check above does not hold the list's.
    const auto signature = parseSignature(signatureFile);
    if (!verifiesFile(*signature, *keyFor(*signature, keys), servedList))
        check.refusal = Refusal::BadSignature;
    return check;
}

std::string servedListOf(std::string_view fakesDat)
{
    if (fakesDat.ends_with("\r\n"))
        fakesDat.remove_suffix(2);
    std::string served;
    served.reserve(fakesDat.size() + 2);
    served += listStart;
    served += fakesDat;
    served += listEnd;
    return served;
}

UpdateResult getNewDatabase(std::string_view server, const UpdateTarget& target,
                            platform::HttpClient& http, UpdateObserver& observer)
{
    const bool keyed = !target.keys.empty() || target.unreadableKey;
    observer.onProgress(UpdateProgress::Connecting);
    if (target.unreadableKey)
        return refused(Refusal::UnreadableKey, observer);
    Transfers transfers(server, http, target.times);
    const auto version = transfers.small(versionFilePath);
    if (!version)
        return failedAt(UpdateStep::VersionFile);
    if (*version != programVersion)
        observer.onProgress(UpdateProgress::NewerVersion);

    const auto count = transfers.small(countFilePath);
    if (!count)
        return failedAt(UpdateStep::CountFile);
    // A count that is no number is refused even when there is nothing to
    // compare it with: stored, it would make every later update fail. A signed
    // list does not go by the count.
    const auto serverCount = parseEntryCount(*count);
    if (!serverCount && !keyed)
        return failedAt(UpdateStep::CountFile);
    // Without a stored count the first update always fetches the database.
    if (!keyed && !target.storedEntryCount.empty()) {
        const auto storedCount = parseEntryCount(target.storedEntryCount);
        if (!storedCount)
            return failedAt(UpdateStep::StoredCount);
        if (*serverCount <= *storedCount) {
            observer.onProgress(UpdateProgress::UpToDate);
            return {UpdateEnd::UpToDate, UpdateStep::None, {}};
        }
    }

    std::optional<std::string> signatureFile;
    std::uint64_t serial = 0;
    if (keyed) {
        signatureFile = transfers.small(signatureFilePath, maxSignatureSize);
        if (!signatureFile)
            return refused(Refusal::NoSignature, observer);
        const SignatureCheck check = checkSignature(*signatureFile, target.keys);
        if (check.refusal)
            return refused(*check.refusal, observer);
        serial = check.serial;
        if (target.storedSerial && serial == *target.storedSerial) {
            observer.onProgress(UpdateProgress::UpToDate);
            return {UpdateEnd::UpToDate, UpdateStep::None, {}};
        }
        if (target.storedSerial && serial < *target.storedSerial)
            return refused(Refusal::Older, observer);
    }

    auto database = transfers.list(databaseFilePath);
    if (!database)
        return failedAt(UpdateStep::DatabaseFile);
    const auto inside = listInside(*database, keyed);
    if (!inside)
        return keyed ? refused(Refusal::NotWhole, observer) : failedAt(UpdateStep::DatabaseFile);
    if (keyed) {
        const auto signature = parseSignature(*signatureFile);
        if (!verifiesFile(*signature, *keyFor(*signature, target.keys), *database))
            return refused(Refusal::BadSignature, observer);
    }
    // The list becomes the file's bytes in place: it can be tens of megabytes.
    std::string& bytes = *database;
    const std::size_t listSize = inside->size();
    bytes.erase(0, std::size_t(inside->data() - bytes.data()));
    bytes.resize(listSize);
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

    UpdateStep failed = UpdateStep::None;
    const auto save = [&] {
        platform::removeAbandonedTemporaries(target.fakesDatPath);
        // The serial first: a list in use never has an older serial stored
        // than its own, which would let an older list in again.
        if (keyed && target.storeSerial && !target.storeSerial(serial)) {
            failed = UpdateStep::StoringState;
            return;
        }
        if (!platform::writeFileAtomically(target.fakesDatPath, bytes)) {
            if (keyed && target.storeSerial)
                target.storeSerial(target.storedSerial);
            failed = UpdateStep::SavingFile;
            return;
        }
        if (serverCount && target.storeEntryCount &&
            !target.storeEntryCount(storedEntryCount(*count)))
            failed = UpdateStep::StoringState;
    };
    if (target.guardSaving && !target.guardSaving(save))
        return failedAt(UpdateStep::FolderBusy);
    if (!target.guardSaving)
        save();
    if (failed != UpdateStep::None)
        return failedAt(failed);
    observer.onProgress(UpdateProgress::Saved);
    return {UpdateEnd::Updated, UpdateStep::None, std::move(list), keyed};
}

} // namespace update
