// Looking at a download's first bytes in its data file, read in place, and at
// a finished file's: whatever the data file is, no look ever waits or fails.

#include "edonkey/content_look.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using edonkey::lookAtDownload;
using edonkey::LookEnd;

namespace {

std::string sample(std::string_view name)
{
    return testing_support::readFile(BRISQUEN_TEST_DATA "/file-types/" + std::string(name));
}

class ContentLook : public testing::Test {
protected:
    testing_support::TempDir dir;
    const std::string program = sample("windows-program.exe");
    const std::uint64_t size = 700'000'000;
};

TEST_F(ContentLook, ReadsTheFirstBytesOnceTheyHaveComeAndLeavesTheFileAsItWas)
{
    // The client writes each byte at its own offset; the rest of the file is missing.
    const std::string data = dir.write("001.part", program + std::string(60'000, '\0'));
    struct stat before {};
    ASSERT_EQ(::stat(data.c_str(), &before), 0);

    const auto look = lookAtDownload(data, "Movie.2026.avi", size, {{65'536, size}});
    EXPECT_EQ(look.end, LookEnd::Looked);
    ASSERT_TRUE(look.suspicion);
    EXPECT_EQ(edonkey::suspicionWords(*look.suspicion),
              "named as a video (.avi), but its first bytes are a Windows program");
    EXPECT_FALSE(lookAtDownload(data, "setup.exe", size, {{65'536, size}}).suspicion);

    struct stat after {};
    ASSERT_EQ(::stat(data.c_str(), &after), 0);
    EXPECT_EQ(testing_support::readFile(data).substr(0, program.size()), program);
    EXPECT_EQ(after.st_size, before.st_size);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
}

// A gap anywhere in the first bytes: not looked at, the data file not even
// opened (here it is missing).
TEST_F(ContentLook, FirstBytesNotDownloadedAreNotLookedAt)
{
    const std::string missing = dir.file("001.part");
    for (const edonkey::ByteRange gap : {edonkey::ByteRange{0, size}, {4095, 4096}, {0, 1}})
        EXPECT_EQ(lookAtDownload(missing, "Movie.avi", size, {gap}).end, LookEnd::NotDownloaded);
    // A download smaller than the first bytes needs only itself.
    const std::string small = dir.write("002.part", program.substr(0, 1000));
    EXPECT_TRUE(lookAtDownload(small, "Movie.avi", 1000, {{1000, 1000}}).suspicion);
}

// A data file that is missing, cut short, a folder or a FIFO (which would
// block a plain open): no suspect, the look says why.
TEST_F(ContentLook, DataFilesThatCannotBeReadGiveNoSuspect)
{
    const std::string fifo = dir.file("fifo.part");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = dir.makeFolder("folder.part");
    const std::string shortFile = dir.write("short.part", program.substr(0, 100));
    for (const auto& data : {dir.file("missing.part"), shortFile, folder, fifo}) {
        const auto look = lookAtDownload(data, "Movie.avi", size, {{65'536, size}});
        EXPECT_EQ(look.end, LookEnd::DataUnreadable) << data;
        EXPECT_FALSE(look.suspicion);
    }
    EXPECT_EQ(edonkey::lookAtFinishedFile(fifo, "Movie.avi").end, LookEnd::DataUnreadable);
    EXPECT_EQ(edonkey::lookAtFinishedFile(folder, "Movie.avi").end, LookEnd::DataUnreadable);
}

// The disc image's header is read at 0x8000 when it has come, and only then.
TEST_F(ContentLook, DiscHeaderIsReadWhenItHasCome)
{
    const std::string disc = sample("disc.iso");
    const std::string data = dir.write("001.part", disc);
    const std::uint64_t discSize = 300'000'000;
    const auto whole = lookAtDownload(data, "Movie.avi", discSize, {{disc.size(), discSize}});
    ASSERT_TRUE(whole.suspicion);
    EXPECT_EQ(whole.suspicion->content.fileClass, edonkey::FileClass::DiscImage);
    EXPECT_FALSE(lookAtDownload(data, "Movie.avi", discSize, {{0x7000, discSize}}).suspicion);
    EXPECT_EQ(lookAtDownload(data, "Movie.avi", discSize, {{0x7000, discSize}}).end,
              LookEnd::Looked);
}

// A finished file: its first bytes, and the disc header when it is that long.
TEST_F(ContentLook, FinishedFilesAreLookedAtLikeDownloads)
{
    const std::string file = dir.write("Movie.avi", program);
    const auto look = edonkey::lookAtFinishedFile(file, "Movie.avi");
    EXPECT_EQ(look.end, LookEnd::Looked);
    EXPECT_TRUE(look.suspicion);
    EXPECT_FALSE(
        edonkey::lookAtFinishedFile(dir.write("Movie2.avi", sample("video.avi")), "Movie2.avi")
            .suspicion);
    EXPECT_TRUE(edonkey::lookAtFinishedFile(dir.write("Song.mp3", sample("disc.iso")), "Song.mp3")
                    .suspicion);
    EXPECT_EQ(edonkey::dataFileOf("/t/001.part.met"), "/t/001.part");
    EXPECT_EQ(edonkey::dataFileOf("/t/001.part.met.bak"), "/t/001.part");
}

} // namespace
