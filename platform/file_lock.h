#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace platform {

/// Runs a section of work so that no other process runs one over the same
/// files meanwhile; false, and the section not run, when it could not be
/// guarded. An empty guard runs it as it is.
using SectionGuard = std::function<bool(const std::function<void()>& section)>;

/// An advisory lock on one byte of a file, shared by every process that opens
/// the same path; locks on different bytes are independent. The system drops
/// it when the holder closes the file or dies, so a crashed or killed process
/// leaves nothing that blocks the next one.
class FileLock {
public:
    /// Opens `path`, creating it when missing; it is never deleted, as a
    /// process may be waiting on it.
    FileLock(const std::string& path, std::uint32_t byte);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    /// Takes the lock when no other holder has it; false at once when one has.
    /// True too when the file cannot be opened or locked at all: the caller
    /// then goes on unprotected, as on a folder it cannot write.
    bool tryLock();

    /// Takes the lock shared with other shared holders, waiting at most
    /// `patience` while one holds it alone; false when that one kept it (a
    /// process paused meanwhile, say). True when the file cannot be opened or
    /// locked at all, as for tryLock.
    bool lockShared(std::chrono::milliseconds patience);

    /// Lets the next holder in; also done when the object goes.
    void unlock();

private:
    int m_fd = -1;
    std::uint32_t m_byte = 0;
    bool m_locked = false;
};

/// `path` with this process's id before its extension ("part.bck" becomes
/// "part.1234.bck"): a name no other running process uses.
std::string perProcessName(const std::string& path);

} // namespace platform
