#pragma once

#include "app/worker_thread.h"
#include "session/finished_files.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <stop_token>
#include <string>

namespace app {

/// Checks dropped files by their hash, one after another on a worker thread,
/// so the window keeps answering meanwhile. Its signals arrive on the
/// window's thread through queued connections.
class FileHasher final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileHasher)

public:
    /// The lists to check against, as they are when a file's check starts;
    /// nothing before the first list is whole.
    using Lists = std::function<std::optional<fakedb::FakeLookup>()>;
    /// Runs on the hashing thread at each step of a hash: a seam for tests.
    using Step = std::function<void()>;

    explicit FileHasher(Lists lists, Step step = {}, QObject* parent = nullptr);
    ~FileHasher() override;

    /// Queues the file at `path` (bytes as the file system takes them) after
    /// those queued before.
    void hash(const std::string& path);

    /// Cancels the file being hashed, forgets the queue and waits for the thread.
    void stop();

signals:
    /// How far the file `name` is, at most about ten times a second.
    void progress(const QString& name, int percent);
    /// A file is checked: its ed2k link, the answer for it (empty when there
    /// was no list to answer from yet), and the suspect line when its first
    /// bytes are not what its name says (else empty).
    void checked(const QString& link, const QString& answer, const QString& suspect);
    /// The file `name` could not be hashed, for `reason`.
    void failed(const QString& name, const QString& reason);
    /// The check could not finish, for `reason`.
    void broke(const QString& reason);

private:
    void checkOne(const std::string& path, const std::stop_token& stop);

    Lists m_lists;
    Step m_step;
    WorkerThread m_thread; // last, so that it ends before the rest goes
};

} // namespace app
