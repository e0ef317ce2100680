#pragma once

#include "platform/desktop.h"
#include "platform/log_box.h"

#include <functional>
#include <stop_token>
#include <string>

class QObject;

namespace app {

/// Runs `call` on the thread of `window` and waits until it has run; false,
/// at once, when `stop` is requested first (the call is then still made
/// later, so it must own what it writes to). The jobs reach the user this way.
bool runOnWindowThread(QObject& window, std::function<void()> call, const std::stop_token& stop);

/// The desktop as a job sees it: message boxes and dialogs are shown on the
/// window's thread, by `desktop`, and the job waits for the user's answer.
/// A stop request ends the wait: a message then counts as closed, a dialog as
/// cancelled.
class DesktopForJobs final : public platform::Desktop {
public:
    DesktopForJobs(QObject& window, platform::Desktop& desktop, std::stop_token stop);

    void showMessage(std::string_view text) override;
    std::string chooseFile(std::string_view pattern, std::string_view title,
                           std::string_view initialDir) override;
    void openUrl(std::string_view url) override;

private:
    QObject& m_window; // outlives the jobs: the window stops them before it goes
    platform::Desktop& m_desktop;
    std::stop_token m_stop;
};

/// The log box as a job writes it: each write reaches the window's thread in
/// order, before any message or dialog the job shows after it.
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
