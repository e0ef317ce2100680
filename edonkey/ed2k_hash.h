#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>

struct rhash_context;

namespace edonkey {

/// The network hashes a file as MD4s of chunks of this many bytes.
inline constexpr std::uint64_t ed2kChunkSize = 9'728'000;

/// A file's ed2k identity: its size and its hash as 32 lower-case hexadecimal
/// digits, the form the fake database and the part-file reader use.
struct FileHash {
    std::uint64_t size = 0;
    std::string hash;

    bool operator==(const FileHash&) const = default;
};

/// Why a file has no hash.
enum class HashError { CannotOpen, NotRegularFile, ReadFailed, Cancelled };

/// A file's hash, or why there is none.
using HashResult = std::variant<FileHash, HashError>;

/// Told the bytes hashed so far and the file's length at opening, on the hashing
/// thread, before the first block and after each (every MiB); returning false
/// cancels the hashing.
using HashProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

/// Hashes bytes given piece by piece. A size that is an exact multiple of the
/// chunk size gets the empty chunk's MD4 appended before the root hash, the
/// convention librhash follows. Each object is independent: one per thread.
class Ed2kHasher {
public:
    Ed2kHasher();
    ~Ed2kHasher();
    Ed2kHasher(const Ed2kHasher&) = delete;
    Ed2kHasher& operator=(const Ed2kHasher&) = delete;

    /// Adds the next bytes of the file.
    void update(std::string_view bytes);

    /// The hash of all bytes added; call it once, after the last update().
    FileHash finish();

private:
    rhash_context* m_context;
    std::uint64_t m_size = 0;
};

/// Hashes the file at `path` (links followed), reading it in large blocks,
/// never whole. The size is the count of bytes read. `progress` may be empty.
HashResult hashFile(const std::string& path, const HashProgress& progress = {});

/// A short reason for a failed hashing, such as "cannot open".
std::string_view hashErrorText(HashError error);

/// The link "ed2k://|file|NAME|SIZE|HASH|" that checkEd2kLink reads back; a bar
/// in the name is written as %7C, so that it cannot end the name field.
std::string ed2kFileLink(std::string_view name, std::uint64_t size, std::string_view hash);

} // namespace edonkey
