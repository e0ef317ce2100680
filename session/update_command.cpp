#include "session/update_command.h"

#include "platform/files.h"
#include "session/folder_lock.h"
#include "session/settings.h"
#include "session/texts.h"

#include <charconv>

namespace session {
namespace {

class UpdateLines final : public update::UpdateObserver {
public:
    explicit UpdateLines(platform::LogBox& log)
        : m_log(log)
    {
    }
    void onProgress(update::UpdateProgress progress) override
    {
        std::string line(lineOf(progress));
        line += texts::lineEnd;
        m_log.append(line);
    }

    static std::string_view lineOf(update::UpdateProgress progress)
    {
        switch (progress) {
        case update::UpdateProgress::Connecting:
            return texts::connecting;
        case update::UpdateProgress::NewerVersion:
            return texts::newerVersion;
        case update::UpdateProgress::UpToDate:
            return texts::upToDate;
        case update::UpdateProgress::Downloaded:
            return texts::downloaded;
        case update::UpdateProgress::Saved:
            break;
        }
        return texts::saved;
    }

    void onRefused(update::Refusal refusal) override
    {
        std::string line(texts::databaseRefused);
        line += reasonOf(refusal);
        line += texts::lineEnd;
        m_log.append(line);
    }

private:
    static std::string_view reasonOf(update::Refusal refusal)
    {
        switch (refusal) {
        case update::Refusal::NoSignature:
            return texts::refusedNoSignature;
        case update::Refusal::UnreadableSignature:
            return texts::refusedUnreadableSignature;
        case update::Refusal::UnknownKey:
            return texts::refusedUnknownKey;
        case update::Refusal::BadSignature:
            return texts::refusedBadSignature;
        case update::Refusal::Older:
            return texts::refusedOlder;
        case update::Refusal::NotWhole:
            return texts::refusedNotWhole;
        case update::Refusal::UnreadableKey:
            break;
        }
        return texts::refusedUnreadableKey;
    }

    platform::LogBox& m_log;
};

} // namespace

bool updateAlreadyRan(const ProgramState& state)
{
    return state.justUpdated;
}

update::PublicKeys trustedKeys(const ProgramFiles& files)
{
    std::string keys(update::builtInPublicKeys());
    keys += ',';
    keys += Settings(files).readSetting(updatePublicKeyKey);
    return update::parsePublicKeys(keys);
}

std::optional<std::uint64_t> storedSerial(const ProgramFiles& files)
{
    const std::string text = Settings(files).readSetting(fakesSerialKey);
    std::uint64_t serial = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, serial, 10);
    if (text.empty() || error != std::errc() || stop != end)
        return std::nullopt;
    return serial;
}

UpdateAnswer updateDatabase(ProgramState& state, const ProgramFiles& files, std::string_view server,
                            platform::HttpClient& http, platform::LogBox& log,
                            const update::TransferTimes& times, const LockWaiting& waiting)
{
    // Set before the first transfer, so a click while one is under way is
    // turned away too.
    if (state.justUpdated.exchange(true))
        return UpdateAnswer::JustUpdated;

    const Settings settings(files, waiting);
    const update::PublicKeys keys = trustedKeys(files);
    update::UpdateTarget target{files.fakesDat(), settings.readSetting(fakesNrKey),
                                folderGuard(files, waiting)};
    target.keys = keys.keys;
    target.unreadableKey = !keys.unreadable.empty();
    // A serial is that of the list the user holds: with the list gone, any
    // signed one is welcome again.
    if (platform::fileSize(files.fakesDat()))
        target.storedSerial = storedSerial(files);
    target.storeEntryCount = [&settings](std::string_view count) {
        return settings.writeSettingLocked(fakesNrKey, count);
    };
    target.storeSerial = [&settings](std::optional<std::uint64_t> serial) {
        return settings.writeSettingLocked(fakesSerialKey,
                                           serial ? std::to_string(*serial) : std::string());
    };
    target.times = times;
    UpdateLines lines(log);
    auto result = update::getNewDatabase(server, target, http, lines);
    switch (result.end) {
    case update::UpdateEnd::Updated:
        state.listLoadedFrom.reset();
        state.list.replace(std::move(result.database));
        return UpdateAnswer::Updated;
    case update::UpdateEnd::UpToDate:
        return UpdateAnswer::UpToDate;
    case update::UpdateEnd::Failed:
        break;
    }
    return result.failedStep == update::UpdateStep::FolderBusy ? UpdateAnswer::FolderBusy
                                                               : UpdateAnswer::Failed;
}

std::string chooseUpdateServer(const ProgramFiles& files, const std::optional<std::string>& given)
{
    if (given)
        return *given;
    if (std::string stored = Settings(files).readSetting(updateServerKey); !stored.empty())
        return stored;
    return std::string(update::defaultServer());
}

std::string_view updateMessage(UpdateAnswer answer)
{
    switch (answer) {
    case UpdateAnswer::JustUpdated:
        return texts::justUpdated;
    case UpdateAnswer::Failed:
        return texts::updateError;
    case UpdateAnswer::UpToDate:
    case UpdateAnswer::Updated:
    case UpdateAnswer::FolderBusy:
        break;
    }
    return {};
}

} // namespace session
