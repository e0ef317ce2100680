#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

/// A scratch copy of a file that this process holds an advisory lock on for
/// as long as the copy exists. The system drops the lock when the process
/// dies, however it dies, so another process can tell a copy in use from one
/// left behind (see deleteUnheldCopy) without trusting process numbers.
class HeldCopy {
public:
    /// Makes a temporary file beside `to` and takes its lock, before any other
    /// process can see it.
    explicit HeldCopy(const std::string& to);
    /// Deletes the copy, if `to` still names it; its lock goes with it.
    ~HeldCopy();
    HeldCopy(const HeldCopy&) = delete;
    HeldCopy& operator=(const HeldCopy&) = delete;

    /// Copies `from` into the temporary and gives it the name `to`, replacing
    /// what had it; false when the copy is not made.
    bool fill(const std::string& from);

    bool made() const { return m_fd >= 0 && m_temporary.empty(); }

    /// When the copy is not made: true if the fault lies with the copy's side
    /// (the folder cannot be written, the disk is full), with the system's
    /// words for it in reason(); false if `from` could not be read.
    bool copyUnwritable() const { return !m_reason.empty(); }
    const std::string& reason() const { return m_reason; }

    /// The copy's bytes, read through the descriptor held, so whatever else
    /// may come to bear its name is never read; nothing when the copy is not
    /// made, is larger than `maxSize` or a read fails.
    std::optional<std::string> read(std::uint64_t maxSize) const;

private:
    std::string m_path;
    std::string m_temporary; // set until the copy has its name
    std::string m_reason;
    int m_fd = -1;
};

/// Deletes the scratch copy at `path` unless a process holds its lock: a
/// copy nobody holds was left by a process that died. True when deleted.
bool deleteUnheldCopy(const std::string& path);

} // namespace platform
