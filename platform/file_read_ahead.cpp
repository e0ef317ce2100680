#include "platform/file_read_ahead.h"

#include <algorithm>
#include <utility>

namespace platform {
namespace {

// A slice takes well under a millisecond from the page cache, so a stop is
// seen at once, and its owner starts on the bytes while they are in the cache.
constexpr std::size_t readSlice = std::size_t{2} << 20;

} // namespace

FileReadAhead::FileReadAhead(const std::string& path, std::uint64_t maxSize, bool onItsOwnThread)
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
    m_progress.ended = m_length == 0;
    m_failure.reset();
    // A file of one slice is read in turn: a thread would only cost more.
    if (onItsOwnThread && m_length > readSlice)
        m_reader = std::jthread([this](const std::stop_token& stop) { readAll(stop); });
}

bool FileReadAhead::readNextSlice()
{
    // Only the reading thread writes the progress, so it reads it unlocked.
    const std::size_t want = std::min(readSlice, m_length - m_progress.read);
    const auto got = m_file.read(m_block.data() + m_progress.read, want);
    const std::scoped_lock lock(m_mutex);
    if (got)
        m_progress.read += *got;
    else
        m_failure = ReadFailure::Unreadable;
    m_progress.ended = !got || *got < want || m_progress.read == m_length;
    m_moved.notify_all();
    return !m_progress.ended;
}

void FileReadAhead::readAll(const std::stop_token& stop)
{
    // Only the owner's end stops the thread: nobody waits for the read then.
    while (!stop.stop_requested() && readNextSlice()) {
    }
}

FileReadAhead::Progress FileReadAhead::waitFor(std::size_t bytes, const std::stop_token& stop)
{
    if (!m_reader.joinable()) {
        while (!m_progress.ended && m_progress.read < bytes && !stop.stop_requested())
            readNextSlice();
        return m_progress;
    }
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
