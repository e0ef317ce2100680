#pragma once

#include "platform/files.h"
#include "platform/large_block.h"
#include "platform/sequential_file.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

namespace platform {

/// A whole file read into a LargeBlock a slice at a time, while its owner
/// works on the bytes already there: by a thread of its own, so that reading
/// a list of hundreds of MB and indexing it take about as long as the slower
/// of the two, or in turn with the owner's work, each slice as the owner asks
/// for more, for a program that keeps a core free for its window. Bytes the
/// file gains once opened are not read; one cut short meanwhile ends with
/// what it still had.
class FileReadAhead {
public:
    /// How far the read has come.
    struct Progress {
        std::size_t read = 0; // bytes from the start of the block
        bool ended = false;   // whole, cut short or failed: nothing more comes
    };

    /// Opens `path` and, `onItsOwnThread`, starts reading it, unless it
    /// cannot be read or is larger than `maxSize` (told by its size, before a
    /// byte is read): then the read has ended at once, failed.
    FileReadAhead(const std::string& path, std::uint64_t maxSize, bool onItsOwnThread);
    /// Stops the read, if it goes on, and waits for its thread.
    ~FileReadAhead() = default;
    FileReadAhead(const FileReadAhead&) = delete;
    FileReadAhead& operator=(const FileReadAhead&) = delete;

    /// The block being read into; its first Progress::read bytes are there.
    const char* data() const { return m_block.data(); }
    /// The file's length when it was opened: at most that much comes.
    std::size_t length() const { return m_length; }

    /// Waits until at least `bytes` are read or the read has ended, whichever
    /// comes first, or until `stop` asks; read in turn, reads until then.
    Progress waitFor(std::size_t bytes, const std::stop_token& stop);

    /// Once the read has ended: why it failed, nothing when it did not.
    std::optional<ReadFailure> failure();

    /// Once the read has ended without failing: the block, which then leaves
    /// this object.
    LargeBlock takeBlock();

private:
    // Reads the next slice; false once the read has ended.
    bool readNextSlice();
    void readAll(const std::stop_token& stop);

    SequentialFile m_file;
    std::size_t m_length = 0;
    LargeBlock m_block;
    std::mutex m_mutex;
    std::condition_variable_any m_moved; // the progress moved on
    Progress m_progress;
    std::optional<ReadFailure> m_failure;
    std::jthread m_reader; // last: stopped and joined before the rest goes
};

} // namespace platform
