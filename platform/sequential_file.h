#pragma once

#include "platform/files.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

/// A regular file opened for one pass from start to end. The system is told the
/// reads are sequential, so it reads ahead while the caller works on a block.
class SequentialFile {
public:
    /// Opens `path`, links followed; error() tells whether it worked.
    explicit SequentialFile(const std::string& path);
    ~SequentialFile();
    SequentialFile(const SequentialFile&) = delete;
    SequentialFile& operator=(const SequentialFile&) = delete;

    /// Why opening failed: cannotOpen for a missing or unreadable path,
    /// notRegularFile for a folder, FIFO or device. Nothing when open.
    std::optional<OpenError> error() const { return m_error; }

    /// The file's length when it was opened.
    std::uint64_t length() const { return m_length; }

    /// Reads the next bytes into `buffer`, filling it unless the file ends
    /// first: the count read (0 at the end), or nothing when a read failed.
    std::optional<std::size_t> read(char* buffer, std::size_t size);

private:
    int m_fd = -1;
    std::optional<OpenError> m_error;
    std::uint64_t m_length = 0;
};

} // namespace platform
