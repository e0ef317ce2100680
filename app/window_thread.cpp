#include "app/window_thread.h"

#include <QMetaObject>
#include <QObject>

#include <condition_variable>
#include <memory>
#include <mutex>

namespace app {
namespace {

// Posts `call` to the window's thread.
void post(QObject& window, std::function<void()> call)
{
    QMetaObject::invokeMethod(&window, std::move(call), Qt::QueuedConnection);
}

} // namespace

bool runOnWindowThread(QObject& window, std::function<void()> call, const std::stop_token& stop)
{
    struct Done {
        std::mutex mutex;
        std::condition_variable_any ran;
        bool done = false;
    };
    const auto done = std::make_shared<Done>();
    post(window, [done, call = std::move(call)] {
        call();
        const std::scoped_lock lock(done->mutex);
        done->done = true;
        done->ran.notify_all();
    });
    std::unique_lock lock(done->mutex);
    return done->ran.wait(lock, stop, [&] { return done->done; });
}

DesktopForJobs::DesktopForJobs(QObject& window, platform::Desktop& desktop, std::stop_token stop)
    : m_window(window)
    , m_desktop(desktop)
    , m_stop(std::move(stop))
{
}

void DesktopForJobs::showMessage(std::string_view text)
{
    runOnWindowThread(
        m_window, [&desktop = m_desktop, text = std::string(text)] { desktop.showMessage(text); },
        m_stop);
}

std::string DesktopForJobs::chooseFile(std::string_view pattern, std::string_view title,
                                       std::string_view initialDir)
{
    const auto chosen = std::make_shared<std::string>();
    if (!runOnWindowThread(
            m_window,
            [&desktop = m_desktop, chosen, pattern = std::string(pattern),
             title = std::string(title), initialDir = std::string(initialDir)] {
                *chosen = desktop.chooseFile(pattern, title, initialDir);
            },
            m_stop))
        return {};
    return *chosen;
}

void DesktopForJobs::openUrl(std::string_view url)
{
    post(m_window, [&desktop = m_desktop, url = std::string(url)] { desktop.openUrl(url); });
}

LogForJobs::LogForJobs(QObject& window, platform::LogBox& log)
    : m_window(window)
    , m_log(log)
{
}

void LogForJobs::replace(std::string_view text)
{
    post(m_window, [&log = m_log, text = std::string(text)] { log.replace(text); });
}

void LogForJobs::append(std::string_view text)
{
    post(m_window, [&log = m_log, text = std::string(text)] { log.append(text); });
}

} // namespace app
