#include "edonkey/ed2k_hash.h"

#include "platform/sequential_file.h"

#include <memory>
#include <mutex>
#include <new>
#include <rhash.h>

namespace edonkey {
namespace {

// Large enough that system calls cost nothing next to MD4, small enough that
// a block read is still in the cache when it is hashed.
constexpr std::size_t blockSize = std::size_t{1} << 20;

void initLibraryOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { rhash_library_init(); });
}

} // namespace

Ed2kHasher::Ed2kHasher()
{
    initLibraryOnce();
    m_context = rhash_init(RHASH_ED2K);
    if (!m_context)
        throw std::bad_alloc();
}

Ed2kHasher::~Ed2kHasher()
{
    rhash_free(m_context);
}

void Ed2kHasher::update(std::string_view bytes)
{
    rhash_update(m_context, bytes.data(), bytes.size());
    m_size += bytes.size();
}

FileHash Ed2kHasher::finish()
{
    rhash_final(m_context, nullptr);
    char hex[2 * 16 + 1] = {};
    const std::size_t length = rhash_print(hex, m_context, RHASH_ED2K, RHPR_HEX);
    return {m_size, std::string(hex, length)};
}

HashResult hashFile(const std::string& path, const HashProgress& progress)
{
    platform::SequentialFile file(path);
    if (const auto error = file.error())
        return *error == platform::OpenError::NotRegularFile ? HashError::NotRegularFile
                                                             : HashError::CannotOpen;
    const std::uint64_t total = file.length();
    Ed2kHasher hasher;
    const auto buffer = std::make_unique_for_overwrite<char[]>(blockSize);
    std::uint64_t done = 0;
    for (;;) {
        if (progress && !progress(done, total))
            return HashError::Cancelled;
        const auto got = file.read(buffer.get(), blockSize);
        if (!got)
            return HashError::ReadFailed;
        if (*got == 0)
            break;
        hasher.update({buffer.get(), *got});
        done += *got;
    }
    return hasher.finish();
}

std::string_view hashErrorText(HashError error)
{
    switch (error) {
    case HashError::CannotOpen:
        return "cannot open";
    case HashError::NotRegularFile:
        return "not a regular file";
    case HashError::ReadFailed:
        return "read failed";
    case HashError::Cancelled:
        return "cancelled";
    }
    return {};
}

std::string ed2kFileLink(std::string_view name, std::uint64_t size, std::string_view hash)
{
    std::string link = "ed2k://|file|";
    for (const char c : name) {
        if (c == '|')
            link += "%7C";
        else
            link += c;
    }
    link += '|';
    link += std::to_string(size);
    link += '|';
    link += hash;
    link += '|';
    return link;
}

} // namespace edonkey
