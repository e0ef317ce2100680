#include "platform/large_block.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>
#include <utility>

namespace platform {
namespace {

// The size of a transparent huge page on x86-64 and of the usual arm64 one.
constexpr std::size_t hugePageSize = std::size_t{2} << 20;

// `size` bytes rounded up to whole huge pages and starting at one, so that
// the kernel can back all of it with them; anonymous memory comes zeroed.
char* mapHugePages(std::size_t size, std::size_t* mapped)
{
    const std::size_t length = (size + hugePageSize - 1) / hugePageSize * hugePageSize;
    if (length < size || length + hugePageSize < length)
        return nullptr;
    // Mapped with one huge page to spare, then trimmed to an aligned start.
    void* area = ::mmap(nullptr, length + hugePageSize, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (area == MAP_FAILED)
        return nullptr;
    const auto address = reinterpret_cast<std::uintptr_t>(area);
    const std::uintptr_t start = (address + hugePageSize - 1) & ~(hugePageSize - 1);
    if (start > address)
        ::munmap(area, start - address);
    if (const std::size_t tail = address + hugePageSize - start; tail > 0)
        ::munmap(reinterpret_cast<void*>(start + length), tail);
    // Only a hint: without huge pages the memory is the same, only slower to fill.
    ::madvise(reinterpret_cast<void*>(start), length, MADV_HUGEPAGE);
    *mapped = length;
    return reinterpret_cast<char*>(start);
}

} // namespace

LargeBlock::LargeBlock(std::size_t size)
{
    if (size >= hugePageSize)
        m_data = mapHugePages(size, &m_mapped);
    else
        m_data = static_cast<char*>(std::calloc(size == 0 ? 1 : size, 1));
    if (m_data)
        m_size = size;
}

LargeBlock::~LargeBlock()
{
    release();
}

LargeBlock::LargeBlock(LargeBlock&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr))
    , m_size(std::exchange(other.m_size, 0))
    , m_mapped(std::exchange(other.m_mapped, 0))
{
}

LargeBlock& LargeBlock::operator=(LargeBlock&& other) noexcept
{
    if (this != &other) {
        release();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_mapped = std::exchange(other.m_mapped, 0);
    }
    return *this;
}

bool LargeBlock::touchPages(const std::stop_token& stop) const
{
    constexpr std::size_t smallPage = 4096;
    for (std::size_t slice = 0; slice < m_size; slice += hugePageSize) {
        if (stop.stop_requested())
            return false;
        // A write to each small page, since huge pages are only a hint; the
        // block is zeroed, so writing a zero changes nothing.
        const std::size_t end = std::min(m_size, slice + hugePageSize);
        for (std::size_t at = slice; at < end; at += smallPage)
            static_cast<volatile char*>(m_data)[at] = 0;
    }
    return true;
}

void LargeBlock::release()
{
    if (m_mapped > 0)
        ::munmap(m_data, m_mapped);
    else
        std::free(m_data);
    m_data = nullptr;
    m_size = 0;
    m_mapped = 0;
}

} // namespace platform
