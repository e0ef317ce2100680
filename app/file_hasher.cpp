#include "app/file_hasher.h"

#include "platform/qt/qt_text.h"
#include "session/finished_files.h"
#include "session/job_failure.h"
#include "session/progress_pace.h"
#include "session/suspicion_lines.h"

#include <algorithm>

namespace app {

FileHasher::FileHasher(Lists lists, Step step, QObject* parent)
    : QObject(parent)
    , m_lists(std::move(lists))
    , m_step(std::move(step))
{
}

FileHasher::~FileHasher()
{
    stop();
}

void FileHasher::hash(const std::string& path)
{
    m_thread.post([this, path](const std::stop_token& stop) {
        try {
            checkOne(path, stop);
        } catch (...) {
            emit broke(platform::fromUtf8Text(session::reasonOf(std::current_exception())));
        }
    });
}

void FileHasher::stop()
{
    m_thread.stop();
}

void FileHasher::checkOne(const std::string& path, const std::stop_token& stop)
{
    using namespace std::chrono_literals;
    const QString name = platform::fromClientLine(session::fileNameOf(path));
    // Each report is an event for the window's thread: a few a second are enough.
    session::ProgressPace pace(0ms, 100ms);
    int shownPercent = -1;
    const auto lists = m_lists();
    const auto check = session::checkFinishedFile(
        path, lists.value_or(fakedb::FakeLookup(nullptr, nullptr)),
        [&](std::uint64_t done, std::uint64_t total) {
            if (stop.stop_requested())
                return false;
            if (m_step)
                m_step();
            const int percent =
                total == 0 ? 100 : int(std::min<std::uint64_t>(done * 100 / total, 100));
            if (percent != shownPercent && pace.due()) {
                shownPercent = percent;
                emit progress(name, percent);
            }
            return true;
        });
    if (check.error) {
        if (*check.error != session::HashError::Cancelled)
            emit failed(name, platform::fromUtf8Text(session::hashErrorText(*check.error)));
        return;
    }
    emit checked(platform::fromClientLine(check.link),
                 lists ? platform::fromClientLine(check.answer.text) : QString(),
                 check.suspicion ? platform::fromClientLine(session::suspectLine(*check.suspicion))
                                 : QString());
}

} // namespace app
