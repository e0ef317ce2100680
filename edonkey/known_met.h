#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <variant>
#include <vector>

namespace edonkey {

/// A finished file as the client's known.met records it.
struct KnownFile {
    std::uint32_t date = 0; // the file's modification time, Unix seconds
    std::string hash;       // 32 lower-case hexadecimal digits
    std::uint64_t size = 0;
    std::string name; // bytes, as the client stored them

    bool operator==(const KnownFile&) const = default;
};

/// Why a known.met could not be read.
enum class KnownMetFault {
    NotKnownMet,    // the first byte is not 0x0E or 0x0F
    CutShort,       // the file ends inside a record (as while eMule rewrites it)
    UnknownTagType, // a tag of a type the clients never write
};

/// The records of a known.met (aMule's, or eMule's config\known.met): header
/// 0x0E, or 0x0F when a record is large, a record count, then per record its
/// date, hash, part hashes and long-form tags, of which the first file-name
/// tag (less a UTF-8 byte-order mark) and the file-size tag (32 or 64 bits)
/// are taken. Of several records of one hash only the last is the client's
/// live one; the others are left out. Records without a name or a size are
/// left out too.
std::variant<std::vector<KnownFile>, KnownMetFault> readKnownMet(std::string_view bytes);

/// The hashes the client already computed for finished files, found by the
/// file's name (without regard to letter case), size and modification time,
/// which must all agree with a record, or the file may have changed since.
class KnownFiles {
public:
    KnownFiles() = default;
    explicit KnownFiles(const std::vector<KnownFile>& files);

    /// The recorded hash of the file `name` of `size` bytes last modified at
    /// `modifiedSeconds`; nothing when no record has all three.
    std::optional<std::string> hashOf(std::string_view name, std::uint64_t size,
                                      std::int64_t modifiedSeconds) const;

    std::size_t size() const { return m_hashes.size(); }

private:
    using Key = std::tuple<std::string, std::uint64_t, std::int64_t>;
    std::map<Key, std::string> m_hashes;
};

} // namespace edonkey
