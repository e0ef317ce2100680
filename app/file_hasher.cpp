#include "app/file_hasher.h"

#include "edonkey/finished_files.h"
#include "platform/qt/qt_text.h"

#include <algorithm>
#include <chrono>

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
    {
        const std::scoped_lock lock(m_mutex);
        m_queue.push_back(path);
    }
    if (!m_thread.joinable())
        m_thread = std::jthread([this](const std::stop_token& stop) { work(stop); });
    m_queued.notify_one();
}

void FileHasher::stop()
{
    if (!m_thread.joinable())
        return;
    m_thread.request_stop();
    m_thread.join();
    m_thread = {};
    const std::scoped_lock lock(m_mutex);
    m_queue.clear();
}

void FileHasher::work(const std::stop_token& stop)
{
    for (;;) {
        std::string path;
        {
            std::unique_lock lock(m_mutex);
            if (!m_queued.wait(lock, stop, [this] { return !m_queue.empty(); }))
                return;
            path = std::move(m_queue.front());
            m_queue.pop_front();
        }
        hashOne(path, stop);
    }
}

void FileHasher::hashOne(const std::string& path, const std::stop_token& stop)
{
    using Clock = std::chrono::steady_clock;
    const QString name = platform::fromClientBytes(edonkey::fileNameOf(path));
    Clock::time_point shownAt;
    int shownPercent = -1;
    const auto link = edonkey::finishedFileLink(path, [&](std::uint64_t done, std::uint64_t total) {
        if (stop.stop_requested())
            return false;
        const int percent =
            total == 0 ? 100 : int(std::min<std::uint64_t>(done * 100 / total, 100));
        const auto now = Clock::now();
        // Each report is an event for the GUI thread: a few a second are enough.
        if (percent != shownPercent && now - shownAt >= std::chrono::milliseconds(100)) {
            shownAt = now;
            shownPercent = percent;
            emit progress(name, percent);
        }
        return true;
    });
    if (const auto* text = std::get_if<std::string>(&link))
        emit hashed(platform::fromClientBytes(*text));
    else if (const auto error = std::get<edonkey::HashError>(link);
             error != edonkey::HashError::cancelled)
        emit failed(name, platform::fromUtf8Text(edonkey::hashErrorText(error)));
}

} // namespace app
