#include "app/job_log.h"

#include <QMetaObject>

namespace app {

JobLog::JobLog(platform::LogBox& log, QObject* parent)
    : QObject(parent)
    , m_log(log)
{
}

void JobLog::replace(std::string_view text)
{
    add({true, std::string(text)});
}

void JobLog::append(std::string_view text)
{
    add({false, std::string(text)});
}

void JobLog::add(Write write)
{
    bool first = false;
    {
        const std::scoped_lock lock(m_mutex);
        first = m_writes.empty();
        m_writes.push_back(std::move(write));
    }
    // One event takes every write made until it runs.
    if (first)
        QMetaObject::invokeMethod(this, "takeWrites", Qt::QueuedConnection);
}

void JobLog::takeWrites()
{
    std::vector<Write> writes;
    {
        const std::scoped_lock lock(m_mutex);
        writes.swap(m_writes);
    }
    for (const Write& write : writes) {
        if (write.replaces)
            m_log.replace(write.text);
        else
            m_log.append(write.text);
    }
}

} // namespace app
