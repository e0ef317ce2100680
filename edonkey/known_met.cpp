#include "edonkey/known_met.h"

#include "edonkey/met_tags.h"
#include "edonkey/part_file.h"
#include "platform/ascii.h"

#include <unordered_map>

namespace edonkey {
namespace {

constexpr std::uint8_t knownMetHeader = 0x0E, largeKnownMetHeader = 0x0F;
constexpr std::uint8_t fileNameId = 0x01;
constexpr std::uint8_t fileSizeId = 0x02;
constexpr std::size_t hashBytes = 16;

KnownMetFault faultOf(MetTagFault fault)
{
    return fault == MetTagFault::CutShort ? KnownMetFault::CutShort : KnownMetFault::UnknownTagType;
}

// One record, or why it could not be read; `named` and `sized` say whether it
// had the tags a lookup needs.
struct Record {
    KnownFile file;
    bool named = false;
    bool sized = false;
};

std::variant<Record, KnownMetFault> readRecord(MetCursor& in)
{
    const auto date = in.number(4);
    const auto hash = in.take(hashBytes);
    const auto partHashCount = in.number(2);
    const auto partHashes = partHashCount ? in.take(*partHashCount * hashBytes) : std::nullopt;
    const auto tagCount = in.number(4);
    if (!date || !hash || !partHashes || !tagCount)
        return KnownMetFault::CutShort;
    Record record;
    record.file.date = static_cast<std::uint32_t>(*date);
    for (const char byte : *hash)
        record.file.hash += byteToHex(static_cast<std::uint8_t>(byte));
    // Every tag takes at least three bytes, so a false count soon runs out of file.
    for (std::uint64_t i = 0; i < *tagCount; ++i) {
        const auto read = readMetTag(in);
        if (const auto* fault = std::get_if<MetTagFault>(&read))
            return faultOf(*fault);
        const auto& tag = std::get<MetTag>(read);
        // aMule writes the name twice, the second time double-encoded: the first counts.
        if (tag.id == fileNameId && !record.named && isStringTag(tag.type)) {
            record.file.name = withoutByteOrderMark(tag.value);
            record.named = true;
        } else if (tag.id == fileSizeId && !record.sized && isUnsignedTag(tag.type)) {
            record.file.size = unsignedValue(tag);
            record.sized = true;
        }
    }
    return record;
}

} // namespace

std::variant<std::vector<KnownFile>, KnownMetFault> readKnownMet(std::string_view bytes)
{
    MetCursor in(bytes);
    const auto header = in.number(1);
    if (!header)
        return KnownMetFault::CutShort;
    if (*header != knownMetHeader && *header != largeKnownMetHeader)
        return KnownMetFault::NotKnownMet;
    const auto count = in.number(4);
    if (!count)
        return KnownMetFault::CutShort;

    std::vector<KnownFile> files;
    std::unordered_map<std::string, std::size_t> lastOfHash; // hash -> index in files
    // Every record takes at least 26 bytes, so a false count soon runs out of file.
    for (std::uint64_t i = 0; i < *count; ++i) {
        auto read = readRecord(in);
        if (const auto* fault = std::get_if<KnownMetFault>(&read))
            return *fault;
        auto& record = std::get<Record>(read);
        // An earlier record of the hash is one the client no longer uses.
        if (const auto earlier = lastOfHash.find(record.file.hash); earlier != lastOfHash.end()) {
            files[earlier->second] = {};
            lastOfHash.erase(earlier);
        }
        if (!record.named || !record.sized)
            continue;
        lastOfHash.emplace(record.file.hash, files.size());
        files.push_back(std::move(record.file));
    }
    std::erase(files, KnownFile{});
    return files;
}

KnownFiles::KnownFiles(const std::vector<KnownFile>& files)
{
    for (const auto& file : files)
        m_hashes[{platform::lowerAscii(file.name), file.size, file.date}] = file.hash;
}

std::optional<std::string> KnownFiles::hashOf(std::string_view name, std::uint64_t size,
                                              std::int64_t modifiedSeconds) const
{
    const auto found = m_hashes.find({platform::lowerAscii(name), size, modifiedSeconds});
    if (found == m_hashes.end())
        return std::nullopt;
    return found->second;
}

} // namespace edonkey
