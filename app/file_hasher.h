#pragma once

#include "session/work_queue.h"

#include <QObject>
#include <QString>

#include <string>

namespace app {

/// Hashes finished files one after another on a thread of its own, so the
/// window keeps answering meanwhile. Its signals arrive on the window's
/// thread through queued connections; it never touches the list of fakes.
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
    /// A file is hashed: its ed2k link, and the suspect line when its first
    /// bytes are not what its name says (else empty).
    void hashed(const QString& link, const QString& suspect);
    /// The file `name` could not be hashed, for `reason`.
    void failed(const QString& name, const QString& reason);

private:
    void hashOne(const std::string& path, const std::stop_token& stop);

    session::WorkQueue m_queue; // last, so that its thread stops before the rest goes
};

} // namespace app
