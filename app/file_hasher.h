#pragma once

#include <QObject>
#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace app {

/// Hashes finished files one after another on a thread of its own, so the
/// window keeps answering meanwhile. Its signals arrive on the GUI thread
/// through queued connections; it never touches the database.
class FileHasher final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileHasher)

public:
    explicit FileHasher(QObject* parent = nullptr);
    ~FileHasher() override;

    /// Queues the file at `path` (bytes as the file system takes them) after
    /// those queued before.
    void hash(const std::string& path);

    /// Cancels the file being hashed, forgets the queue and waits for the thread.
    void stop();

signals:
    /// How far the file `name` is, at most about ten times a second.
    void progress(const QString& name, int percent);
    /// A file is hashed: its ed2k link.
    void hashed(const QString& link);
    /// The file `name` could not be hashed, for `reason`.
    void failed(const QString& name, const QString& reason);

private:
    void work(const std::stop_token& stop);
    void hashOne(const std::string& path, const std::stop_token& stop);

    std::mutex m_mutex;
    std::condition_variable_any m_queued;
    std::deque<std::string> m_queue;
    std::jthread m_thread; // last, so that it is stopped before the queue goes
};

} // namespace app
