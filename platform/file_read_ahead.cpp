#include "platform/file_read_ahead.h"

#include <algorithm>
#include <utility>

namespace platform {
namespace {

// A slice takes well under a millisecond from the page cache, so the owner
// can start on the bytes soon and a stop is seen at once; it is a huge page.
constexpr std::size_t readSlice = std::size_t{2} << 20;

} // namespace

FileReadAhead::FileReadAhead(const std::string& path, std::uint64_t maxSize)
    : m_file(path)
{
    m_progress.ended = true;
    m_failure = ReadFailure::Unreadable;
    if (m_file.error())
        return;
    if (m_file.length() > maxSize || m_file.length() > SIZE_MAX / 2) {
        m_failure = ReadFailure::TooLarge;
        return;
    }
    m_length = static_cast<std::size_t>(m_file.length());
    m_block = LargeBlock(m_length);
    if (!m_block.data()) {
        m_failure = ReadFailure::TooLarge;
        return;
    }
    m_progress.ended = false;
    m_failure.reset();
    // A file of one slice is read at once: a thread would only cost more.
    if (m_length <= readSlice)
        readAll({});
    else
        m_reader = std::jthread([this](const std::stop_token& stop) { readAll(stop); });
}

void FileReadAhead::readAll(const std::stop_token& stop)
{
    std::size_t read = 0;
    std::optional<ReadFailure> failure;
    while (read < m_length) {
        if (stop.stop_requested()) {
            failure = ReadFailure::Stopped;
            break;
        }
        const auto got = m_file.read(m_block.data() + read, std::min(readSlice, m_length - read));
        if (!got) {
            failure = ReadFailure::Unreadable;
            break;
        }
        if (*got == 0)
            break;
        read += *got;
        const std::scoped_lock lock(m_mutex);
        m_progress.read = read;
        m_moved.notify_all();
    }
    const std::scoped_lock lock(m_mutex);
    m_progress = {read, true};
    m_failure = failure;
    m_moved.notify_all();
}

FileReadAhead::Progress FileReadAhead::waitFor(std::size_t bytes, const std::stop_token& stop)
{
    std::unique_lock lock(m_mutex);
    m_moved.wait(lock, stop, [&] { return m_progress.ended || m_progress.read >= bytes; });
    return m_progress;
}

std::optional<ReadFailure> FileReadAhead::failure()
{
    const std::scoped_lock lock(m_mutex);
    return m_failure;
}

LargeBlock FileReadAhead::takeBlock()
{
    const std::scoped_lock lock(m_mutex);
    return std::move(m_block);
}

} // namespace platform
