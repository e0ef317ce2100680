#pragma once

#include <cstddef>
#include <stop_token>

namespace platform {

/// Zeroed memory for a large block that lives long (a list's text, its index).
/// A block of a huge page or more is asked for in huge pages where the system
/// has them to give: on a virtual machine, where the first touch of each 4 KiB
/// page costs microseconds, filling the block then costs a small part of that.
/// Such a block takes whole huge pages, so it may hold up to 2 MiB it never uses.
class LargeBlock {
public:
    LargeBlock() = default;

    /// `size` zeroed bytes; an empty block, data() null, when memory runs out.
    explicit LargeBlock(std::size_t size);
    ~LargeBlock();
    LargeBlock(LargeBlock&& other) noexcept;
    LargeBlock& operator=(LargeBlock&& other) noexcept;
    LargeBlock(const LargeBlock&) = delete;
    LargeBlock& operator=(const LargeBlock&) = delete;

    char* data() const { return m_data; }
    std::size_t size() const { return m_size; }

    /// Makes the system give the block its memory now, a huge page at a time,
    /// looking at `stop` between two; false when it asked. Where fresh memory
    /// is slow, each page may take milliseconds, and work that touches the
    /// block at random would otherwise pay for all of them at once.
    bool touchPages(const std::stop_token& stop) const;

private:
    void release();

    char* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_mapped = 0; // the length mapped for it; 0 when it came from calloc
};

} // namespace platform
