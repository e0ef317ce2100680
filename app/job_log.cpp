#include "app/job_log.h"

#include <QMetaObject>
#include <QObject>

#include <string>

namespace app {

LogForJobs::LogForJobs(QObject& window, platform::LogBox& log)
    : m_window(window)
    , m_log(log)
{
}

// Posted with the window as context: a write still waiting when the window
// goes is dropped with it.
void LogForJobs::replace(std::string_view text)
{
    QMetaObject::invokeMethod(
        &m_window, [&log = m_log, text = std::string(text)] { log.replace(text); },
        Qt::QueuedConnection);
}

void LogForJobs::append(std::string_view text)
{
    QMetaObject::invokeMethod(
        &m_window, [&log = m_log, text = std::string(text)] { log.append(text); },
        Qt::QueuedConnection);
}

} // namespace app
