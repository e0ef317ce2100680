// Finished files checked with the hashes of the client's known.met: a file
// a record covers is never opened for hashing, one changed since is.

#include "session/finished_files.h"

#include "tests/support/bytes_read.h"
#include "tests/support/temp_dir.h"
#include "tools/client_layouts.h"
#include "tools/fixture_writer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace {

std::uint32_t unixDate(const std::string& path)
{
    const auto written = std::chrono::file_clock::to_sys(std::filesystem::last_write_time(path));
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::seconds>(written.time_since_epoch()).count());
}

} // namespace

// The hashing reports before its first read: with the record's hash it is
// never asked, and of the file only its first bytes are read; with a file
// touched since its record it is hashed whole. eMule's Known.met, found in
// any letter case, is read as aMule's is.
TEST(FinishedFiles, FileKnownMetCoversIsNeverHashed)
{
    testing_support::TempDir dir;
    constexpr std::uint64_t size = 64 << 20;
    const std::string film = dir.write("incoming/Film.avi", std::string(70'000, 'x'));
    std::filesystem::resize_file(film, size);
    const fixtures::Download record{"film.AVI", size, fixtures::hashFromSeed(9), 0};
    const auto prefix = fixtures::writeEmulePrefix(dir.file("prefix"), {});
    const session::ProgramFiles files{dir.makeFolder("program")};
    fixtures::writeFile(prefix.configFolder + "Known.met",
                        fixtures::knownMetBytes({{record, unixDate(film)}}, fixtures::Mule::eMule));
    const edonkey::Client emule{edonkey::ClientKind::eMule,
                                prefix.configFolder + "preferences.ini"};
    const auto known = session::readKnownFiles(emule, files);
    ASSERT_EQ(known.size(), 1u);

    const fakedb::FakeDatabase list;
    int reads = 0;
    const auto counting = [&](std::uint64_t, std::uint64_t) {
        return ++reads, true;
    };
    const auto readBefore = testing_support::bytesReadSoFar();
    const auto covered = session::checkFinishedFile(film, list, counting, &known);
    EXPECT_LT(testing_support::bytesReadSoFar() - readBefore, 64'000u);
    EXPECT_TRUE(covered.fromKnownMet);
    EXPECT_EQ(covered.link, "ed2k://|file|Film.avi|67108864|" + record.hash + "|");
    EXPECT_EQ(reads, 0);

    std::filesystem::last_write_time(film, std::filesystem::last_write_time(film) +
                                               std::chrono::seconds(2));
    const auto hashBefore = testing_support::bytesReadSoFar();
    const auto changed = session::checkFinishedFile(film, list, counting, &known);
    EXPECT_GE(testing_support::bytesReadSoFar() - hashBefore, size);
    EXPECT_FALSE(changed.fromKnownMet);
    EXPECT_NE(changed.link.find("|67108864|"), std::string::npos);
    EXPECT_EQ(changed.link.find(record.hash), std::string::npos);
    EXPECT_GT(reads, 0);
    EXPECT_FALSE(std::filesystem::exists(files.prefCopy()));
}
