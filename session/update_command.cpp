#include "session/update_command.h"

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

bool updateAlreadyRan(const ProgramState& state)
{
    return state.justUpdated;
}

UpdateAnswer updateDatabase(ProgramState& state, const ProgramFiles& files, std::string_view server,
                            platform::HttpClient& http, platform::LogBox& log)
{
    // Set before the first transfer, so a click while one is under way is
    // turned away too.
    if (state.justUpdated.exchange(true))
        return UpdateAnswer::JustUpdated;

    const Settings settings(files);
    const update::UpdateTarget target{files.fakesDat(), settings.readSetting(fakesNrKey),
                                      folderGuard(files)};
    UpdateLines lines(log);
    auto result = update::getNewDatabase(server, target, http, lines);
    switch (result.end) {
    case update::UpdateEnd::Updated:
        state.list.replace(std::move(result.database));
        return settings.writeSetting(fakesNrKey, result.entryCount) ? UpdateAnswer::Updated
                                                                    : UpdateAnswer::FolderBusy;
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
