#pragma once

#include "platform/log_box.h"

#include <QObject>

#include <mutex>
#include <string>
#include <vector>

namespace app {

/// The log box as the jobs write it, from their thread: each write waits in
/// order until the window's thread takes it, which it does before it handles
/// the end of the job that wrote it.
class JobLog final : public QObject, public platform::LogBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(JobLog)

public:
    /// `log` is the window's, written on the window's thread only.
    explicit JobLog(platform::LogBox& log, QObject* parent = nullptr);

    void replace(std::string_view text) override;
    void append(std::string_view text) override;

private:
    struct Write {
        bool replaces = false;
        std::string text;
    };
    void add(Write write);
    Q_INVOKABLE void takeWrites();

    platform::LogBox& m_log;
    std::mutex m_mutex;
    std::vector<Write> m_writes; // not taken yet
};

} // namespace app
