#pragma once

#include "platform/log_box.h"

class QObject;

namespace app {

/// The log box as a job writes it: each write is posted to the window's
/// thread, in order, so it arrives before the job's end is handled there.
class LogForJobs final : public platform::LogBox {
public:
    LogForJobs(QObject& window, platform::LogBox& log);

    void replace(std::string_view text) override;
    void append(std::string_view text) override;

private:
    QObject& m_window; // outlives the jobs: the window stops them before it goes
    platform::LogBox& m_log;
};

} // namespace app
