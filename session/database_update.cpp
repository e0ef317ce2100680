#include "session/database_update.h"

#include "session/folder_lock.h"
#include "session/settings.h"
#include "session/texts.h"

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

private:
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

    platform::LogBox& m_log;
};

} // namespace

UpdateAnswer updateDatabase(ProgramState& state, const ProgramFiles& files, std::string_view server,
                            platform::HttpClient& http, platform::LogBox& log)
{
    // Transfers run the window's event loop, so a click can arrive while one
    // is under way; the flag, set before the first one, turns it away.
    if (state.justUpdated)
        return UpdateAnswer::JustUpdated;
    state.justUpdated = true;

    const Settings settings(files);
    const update::UpdateTarget target{state.database, files.fakesDat(),
                                      settings.readSetting(fakesNrKey), folderGuard(files)};
    UpdateLines lines(log);
    const auto result = update::getNewDatabase(server, target, http, lines);
    switch (result.end) {
    case update::UpdateEnd::Updated:
        settings.writeSetting(fakesNrKey, result.entryCount);
        return UpdateAnswer::Updated;
    case update::UpdateEnd::UpToDate:
        return UpdateAnswer::UpToDate;
    case update::UpdateEnd::Failed:
        break;
    }
    return UpdateAnswer::Failed;
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
        break;
    }
    return {};
}

} // namespace session
