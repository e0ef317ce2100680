// known.met as aMule (2.3.3 and 3.x) and eMule write it, and the lookup of a
// finished file's hash by name, size and date.

#include "edonkey/known_met.h"

#include "edonkey/part_file_walker.h"
#include "tools/fixture_writer.h"

#include <gtest/gtest.h>

#include <random>

using edonkey::KnownFile;
using edonkey::KnownMetFault;
using fixtures::KnownRecord;
using fixtures::Mule;

namespace {

using Read = std::variant<std::vector<KnownFile>, KnownMetFault>;

KnownFile known(const KnownRecord& record)
{
    return {record.date, record.file.hash, record.file.size, record.file.name};
}

const std::uint64_t largeFile = 4'290'048'000;

} // namespace

// Small and large files (header 0x0F, 64-bit sizes), names beyond ASCII
// (aMule's second, double-encoded name and eMule's byte-order mark), and
// every tag both clients and aMule 3.x add, read back as written.
TEST(KnownMet, ReadsWhatTheClientsWrite)
{
    std::mt19937_64 random(22);
    for (int round = 0; round < 20; ++round) {
        std::vector<KnownRecord> records;
        for (int i = 0; i < 5; ++i) {
            const std::uint64_t sizes[] = {1, 9'728'000, largeFile, largeFile + 1,
                                           random() % (1ull << 36) + 1};
            records.push_back({{"Caf\xC3\xA9 " + std::to_string(round * 5 + i) + ".mkv",
                                sizes[(round + i) % 5], fixtures::hashFromSeed(random()), 0},
                               static_cast<std::uint32_t>(random())});
        }
        std::vector<KnownFile> expected;
        for (const auto& record : records)
            expected.push_back(known(record));
        for (const auto client : {Mule::aMule, Mule::eMule}) {
            for (const bool amule3 : {false, true}) {
                const auto bytes = fixtures::knownMetBytes(records, client, amule3);
                const bool large = std::any_of(records.begin(), records.end(), [](const auto& r) {
                    return r.file.size > largeFile;
                });
                EXPECT_EQ(bytes[0], large ? '\x0F' : '\x0E');
                EXPECT_EQ(edonkey::readKnownMet(bytes), Read{expected}) << round;
            }
        }
    }
}

// Of several records of one hash the last is live (aMule writes older ones
// of a renamed or touched file first); records without name or size count
// for nothing; a file cut short anywhere, a wrong header or an unknown tag
// type is no list at all.
TEST(KnownMet, LastRecordOfAHashCountsAndBrokenFilesGiveNothing)
{
    const KnownRecord old{{"Old name.avi", 700, fixtures::hashFromSeed(1), 0}, 100};
    const KnownRecord other{{"Other.avi", 800, fixtures::hashFromSeed(2), 0}, 200};
    const KnownRecord renamed{{"New name.avi", 700, fixtures::hashFromSeed(1), 0}, 300};
    EXPECT_EQ(edonkey::readKnownMet(fixtures::knownMetBytes({old, other, renamed}, Mule::aMule)),
              (Read{std::vector{known(other), known(renamed)}}));

    const auto bytes = fixtures::knownMetBytes({old, other}, Mule::eMule);
    for (std::size_t length = 0; length < bytes.size(); ++length)
        EXPECT_EQ(edonkey::readKnownMet(bytes.substr(0, length)), Read{KnownMetFault::CutShort})
            << length;
    for (const char header : {'\x00', '\x0D', '\x10', '\xE0'})
        EXPECT_EQ(edonkey::readKnownMet(header + bytes.substr(1)),
                  Read{KnownMetFault::NotKnownMet});
    // One record, no tags; then one whose only tag is of type 0x0C.
    std::string untagged("\x0E\x01\x00\x00\x00"
                         "\x01\x00\x00\x00",
                         9);
    untagged += std::string(16, '\x11') + std::string(2, '\0') + std::string(4, '\0');
    EXPECT_EQ(edonkey::readKnownMet(untagged), Read{std::vector<KnownFile>{}});
    std::string unknown = untagged;
    unknown[untagged.size() - 4] = 1;
    unknown += std::string("\x0C\x01\x00\x01", 4);
    EXPECT_EQ(edonkey::readKnownMet(unknown), Read{KnownMetFault::UnknownTagType});
    // A count far beyond the records runs out of file, without reserving room for it.
    std::string huge = bytes;
    huge[1] = huge[2] = huge[3] = huge[4] = '\xFF';
    EXPECT_EQ(edonkey::readKnownMet(huge), Read{KnownMetFault::CutShort});
}

// A file's hash is taken only when name (in any letter case), size and
// date all agree with a live record.
TEST(KnownMet, HashIsFoundByNameSizeAndDate)
{
    const KnownRecord film{{"Film.MKV", 734'003'200, fixtures::hashFromSeed(3), 0}, 1'700'000'000};
    const edonkey::KnownFiles files({known(film)});
    EXPECT_EQ(files.hashOf("film.mkv", 734'003'200, 1'700'000'000), film.file.hash);
    EXPECT_EQ(files.hashOf("Film.MKV", 734'003'201, 1'700'000'000), std::nullopt);
    EXPECT_EQ(files.hashOf("Film.MKV", 734'003'200, 1'700'000'001), std::nullopt);
    EXPECT_EQ(files.hashOf("Film2.MKV", 734'003'200, 1'700'000'000), std::nullopt);
}

// aMule 3.x copies a search result's media tags (ids 0xD0-0xD5: text and
// 32-bit numbers) into the part file: walked over like any other tag.
TEST(WalkPartFile, ReadsAmule3PartFilesWithMediaTags)
{
    const fixtures::Download download{"Film.avi", 734'003'200, fixtures::hashFromSeed(4), 1000};
    fixtures::MulePartOptions options;
    options.mediaTags = true;
    const auto bytes = fixtures::mulePartMetBytes(download, Mule::aMule, options);
    EXPECT_NE(bytes.find("\x02\x01\x00\xD5", 0, 4), std::string::npos);
    EXPECT_EQ(edonkey::walkPartFile(bytes),
              (std::variant<edonkey::PartFileInfo, edonkey::PartFileFault>{
                  edonkey::PartFileInfo{download.hash, download.size, download.name}}));
}
