#include "edonkey/ed2k_hash.h"

#include "edonkey/link_check.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <ostream>
#include <unistd.h>
#include <vector>

using edonkey::FileHash;
using edonkey::HashError;
using edonkey::hashFile;
using testing_support::TempDir;

namespace edonkey {
void PrintTo(const FileHash& file, std::ostream* out)
{
    *out << file.size << ' ' << file.hash;
}
} // namespace edonkey

// Expected values were computed once with `rhash --ed2k` 1.4.3 on files whose
// byte i is i % 251. Around the chunk size they pin the convention: an exact
// multiple of 9,728,000 bytes gets the empty chunk's MD4 appended.
TEST(HashFile, MatchesTheReferenceAroundTheChunkBoundaries)
{
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "31d6cfe0d16ae931b73c59d7e0c089c0"},
        {1, "47c61a0fa8738ba77308a8a600f88e4b"},
        {9'727'999, "8bc46f92ea3ad078998cc7baf97c31c3"},
        {9'728'000, "22155255a2ed92712ccd01ad0eb9e8cb"},
        {9'728'001, "07149b89efa248c03d7e2c5e734d2d88"},
        {19'456'000, "b22937d7a5bb74050fb54037fe573649"},
    };
    std::string pattern(19'456'000, '\0');
    for (std::size_t i = 0; i < pattern.size(); ++i)
        pattern[i] = static_cast<char>(i % 251);
    TempDir dir;
    for (const auto& [size, expected] : cases) {
        const std::string_view bytes = std::string_view(pattern).substr(0, size);
        const std::string path = dir.write(std::to_string(size), bytes);
        EXPECT_EQ(hashFile(path), edonkey::HashResult(FileHash{size, expected}));
        // Pieces that straddle the chunk edges give the same hash.
        edonkey::Ed2kHasher hasher;
        for (std::size_t at = 0; at < size; at += 1'000'003)
            hasher.update(bytes.substr(at, 1'000'003));
        EXPECT_EQ(hasher.finish(), (FileHash{size, expected}));
    }
}

// A file of zeros just over 4 GiB, so the size needs its 64 bits. The hash
// was computed with `rhash --ed2k` on `truncate -s 4294979641`. Reserved
// rather than sparse where the system can: reading holes for the first time
// costs the kernel about three times as long as the hashing.
TEST(HashFile, HashesAFileOver4GiB)
{
    constexpr std::uint64_t size = 4'294'967'296 + 12'345;
    TempDir dir;
    const std::string path = dir.file("big");
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    if (::fallocate(fd, 0, 0, size) != 0) {
        ASSERT_EQ(::ftruncate(fd, size), 0);
    }
    ::close(fd);
    EXPECT_EQ(hashFile(path),
              edonkey::HashResult(FileHash{size, "f2b2940aca7d7037ce39360d05496f2c"}));
}

// Not opening and not being a regular file are told by brisquen-check file.
TEST(HashFile, ReadFailureIsToldAndProgressRisesUntilStopped)
{
    // Reading the process's own memory at address 0 fails, though it opens.
    EXPECT_EQ(hashFile("/proc/self/mem"), edonkey::HashResult(HashError::ReadFailed));
    TempDir dir;
    const std::string path = dir.write("f", std::string(5'000'000, 'x'));
    std::vector<std::uint64_t> seen;
    hashFile(path, [&](std::uint64_t done, std::uint64_t total) {
        seen.push_back(total == 5'000'000 ? done : 0);
        return true;
    });
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.front(), 0u);
    EXPECT_EQ(seen.back(), 5'000'000u);
    int calls = 0;
    EXPECT_EQ(hashFile(path, [&](auto, auto) { return ++calls < 3; }),
              edonkey::HashResult(HashError::Cancelled));
    EXPECT_EQ(calls, 3);
}

TEST(Ed2kFileLink, ReadsBackThroughTheLinkCheck)
{
    const std::string hash = "22155255a2ed92712ccd01ad0eb9e8cb";
    fakedb::FakeDatabase database;
    database.replace(hash + ",4294979641,Fake\r\n");
    const std::string link = edonkey::ed2kFileLink("a|b.avi", 4'294'979'641, hash);
    EXPECT_EQ(link, "ed2k://|file|a%7Cb.avi|4294979641|" + hash + "|");
    EXPECT_EQ(edonkey::checkEd2kLink(link, database).hit, "*** Fake");
}
