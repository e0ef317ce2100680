#include "app/file_hasher.h"

#include "platform/qt/qt_text.h"
#include "session/finished_files.h"
#include "session/progress_pace.h"
#include "session/suspicion_lines.h"

#include <algorithm>

namespace app {

FileHasher::FileHasher(QObject* parent)
    : QObject(parent)
{
}

FileHasher::~FileHasher()
{
    stop();
}

void FileHasher::hash(const std::string& path)
{
    m_queue.post([this, path](const std::stop_token& stop) { hashOne(path, stop); });
}

void FileHasher::stop()
{
    m_queue.stop();
}

void FileHasher::hashOne(const std::string& path, const std::stop_token& stop)
{
    using namespace std::chrono_literals;
    const QString name = platform::fromClientLine(session::fileNameOf(path));
    // Each report is an event for the window's thread: a few a second are enough.
    session::ProgressPace pace(0ms, 100ms);
    int shownPercent = -1;
    const auto link = session::finishedFileLink(path, [&](std::uint64_t done, std::uint64_t total) {
        if (stop.stop_requested())
            return false;
        const int percent =
            total == 0 ? 100 : int(std::min<std::uint64_t>(done * 100 / total, 100));
        if (percent != shownPercent && pace.due()) {
            shownPercent = percent;
            emit progress(name, percent);
        }
        return true;
    });
    if (const auto* text = std::get_if<std::string>(&link)) {
        const auto suspicion = session::finishedFileSuspicion(path);
        emit hashed(platform::fromClientLine(*text),
                    suspicion ? platform::fromClientLine(session::suspectLine(*suspicion))
                              : QString());
    } else if (const auto error = std::get<session::HashError>(link);
               error != session::HashError::Cancelled)
        emit failed(name, platform::fromUtf8Text(session::hashErrorText(error)));
}

} // namespace app
