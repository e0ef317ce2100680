// The type table on files made by real tools (tests/data/file-types tells
// how), and the rules that make a name and its bytes a suspect.

#include "edonkey/file_type.h"

#include "platform/mime_type.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <sstream>
#include <thread>

using edonkey::FileClass;
using edonkey::FirstBytes;
using edonkey::NamedType;
using edonkey::suspicionOf;

namespace {

std::string sample(std::string_view name)
{
    const std::string bytes =
        testing_support::readFile(BRISQUEN_TEST_DATA "/file-types/" + std::string(name));
    EXPECT_NE(bytes, "<missing>") << name;
    return bytes;
}

// A sample's first bytes as a look takes them, the disc header included.
struct Sample {
    std::string bytes;
    FirstBytes first() const
    {
        const auto disc = edonkey::discHeaderRange;
        return {std::string_view(bytes).substr(0, edonkey::firstBytesLength),
                bytes.size() >= disc.end ? std::optional(std::string_view(bytes).substr(
                                               disc.begin, disc.end - disc.begin))
                                         : std::nullopt};
    }
};

// One row of the MIME table each: samples libmagic names by that row's MIME
// type, and the class and words the row gives them.
struct MimeRowCase {
    std::string_view mimeType;
    std::vector<std::string_view> samples;
    FileClass fileClass;
    std::string_view words;
};

void PrintTo(const MimeRowCase& row, std::ostream* out)
{
    *out << row.mimeType;
}

class MimeRow : public testing::TestWithParam<MimeRowCase> {};

TEST_P(MimeRow, NamesTheSamplesOfItsType)
{
    const auto& row = GetParam();
    for (const auto name : row.samples) {
        const Sample file{sample(name)};
        EXPECT_EQ(platform::mimeTypeOf(file.bytes), row.mimeType) << name;
        EXPECT_EQ(edonkey::typeOfBytes(file.first()),
                  (edonkey::ContentType{row.fileClass, row.words}))
            << name;
    }
}

const MimeRowCase mimeRows[] = {
    {"application/vnd.microsoft.portable-executable",
     {"windows-program.exe"},
     FileClass::Program,
     "a Windows program"},
    {"application/x-dosexec", {"dos-program.exe"}, FileClass::Program, "a Windows program"},
    {"application/x-ms-shortcut", {"shortcut.lnk"}, FileClass::Program, "a Windows shortcut"},
    {"application/x-executable", {"linux-program"}, FileClass::Program, "a Linux program"},
    {"application/x-sharedlib", {"linux-library.so"}, FileClass::Program, "a Linux program"},
    {"text/x-shellscript", {"script.sh"}, FileClass::Program, "a script"},
    {"text/x-msdos-batch", {"script.bat"}, FileClass::Program, "a script"},
    {"text/x-script.python", {"script.py"}, FileClass::Program, "a script"},
    {"application/zip", {"archive.zip"}, FileClass::Archive, "a ZIP archive"},
    {"application/x-rar", {"archive.rar"}, FileClass::Archive, "a RAR archive"},
    {"application/x-7z-compressed", {"archive.7z"}, FileClass::Archive, "a 7-Zip archive"},
    {"application/gzip", {"archive.gz"}, FileClass::Archive, "a gzip archive"},
    {"application/x-bzip2", {"archive.bz2"}, FileClass::Archive, "a bzip2 archive"},
    {"application/x-xz", {"archive.xz"}, FileClass::Archive, "an xz archive"},
    {"application/x-tar", {"archive.tar"}, FileClass::Archive, "a tar archive"},
    {"application/vnd.ms-cab-compressed", {"archive.cab"}, FileClass::Archive, "a cabinet archive"},
    {"application/x-iso9660-image", {"disc.iso"}, FileClass::DiscImage, "a disc image"},
    {"application/pdf", {"document.pdf"}, FileClass::Document, "a PDF document"},
    {"text/rtf", {"document.rtf"}, FileClass::Document, "an RTF document"},
    {"text/html", {"web-page.html"}, FileClass::Text, "a web page"},
    {"text/plain", {"text.txt"}, FileClass::Text, "text"},
    {"application/octet-stream", {"unknown.bin"}, FileClass::Unknown, ""},
};
INSTANTIATE_TEST_SUITE_P(Samples, MimeRow, testing::ValuesIn(mimeRows));

// The rows that take a whole family of MIME types, each on every sample of it.
TEST(MimeFamily, VideoAudioAndPictureTypesTakeTheirClass)
{
    const std::pair<std::vector<std::string_view>, edonkey::ContentType> families[] = {
        {{"video.avi", "video.mkv", "video.mp4", "video.mov", "video.wmv", "video.webm",
          "video.flv", "video.mpg", "video.ogv", "audio.mka", "audio.wma"},
         {FileClass::Video, "a video"}},
        {{"audio.mp3", "audio.ogg", "audio.flac", "audio.wav", "audio.m4a"},
         {FileClass::Audio, "audio"}},
        {{"picture.png", "picture.jpg", "picture.gif", "picture.bmp"},
         {FileClass::Picture, "a picture"}},
    };
    for (const auto& [names, type] : families) {
        for (const auto name : names)
            EXPECT_EQ(edonkey::typeOfBytes(Sample{sample(name)}.first()), type) << name;
    }
    // Debian 12's libmagic calls a position-independent program a shared
    // library; later ones have a type of its own, and newer RAR files another.
    EXPECT_EQ(edonkey::typeOfMimeType("application/x-pie-executable").fileClass,
              FileClass::Program);
    EXPECT_EQ(edonkey::typeOfMimeType("text/x-script.perl").words, "a script");
    EXPECT_EQ(edonkey::typeOfMimeType("application/x-object").fileClass, FileClass::Unknown);
}

// A disc image is known by its header at 0x8000 even when libmagic, given
// only the first bytes, cannot name it; without that header it is no type.
TEST(DiscImage, IsKnownByItsHeaderOnly)
{
    const Sample disc{sample("disc.iso")};
    EXPECT_EQ(platform::mimeTypeOf(disc.first().start), "application/octet-stream");
    EXPECT_EQ(edonkey::typeOfBytes(disc.first()).fileClass, FileClass::DiscImage);
    EXPECT_EQ(edonkey::typeOfBytes({disc.first().start, std::nullopt}).fileClass,
              FileClass::Unknown);
    EXPECT_EQ(suspicionOf("Movie.avi", disc.first()).has_value(), true);
    EXPECT_FALSE(suspicionOf("Movie.iso", disc.first()));
}

// The extension table: the last extension counts, without regard to case.
TEST(NameType, TheLastExtensionGivesTheClass)
{
    const std::pair<std::string_view, NamedType> names[] = {
        {"Movie.2026.DivX.AVI", {"avi", FileClass::Video}},
        {"movie.avi.exe", {"exe", FileClass::Program}},
        {"Song.mp3", {"mp3", FileClass::Audio}},
        {"Pack.part1.RAR", {"rar", FileClass::Archive}},
        {"Disc.iso", {"iso", FileClass::DiscImage}},
        {"Book.epub", {"epub", FileClass::Document}},
        {"Cover.JPEG", {"jpeg", FileClass::Picture}},
        {"Release.nfo", {"nfo", FileClass::Text}},
        {"setup.lnk", {"lnk", FileClass::Program}},
        {"data.xyz", {"xyz", FileClass::Unknown}},
        {"README", {"", FileClass::Unknown}},
        {"trailing.", {"", FileClass::Unknown}},
    };
    for (const auto& [name, type] : names)
        EXPECT_EQ(edonkey::typeOfName(name), type) << name;
}

// Which name and bytes make a suspect, on the real samples, and the words.
TEST(Suspect, ProgramsArchivesAndPlainlyOtherTypesAreSuspectsOthersNot)
{
    const std::pair<std::string_view, std::string_view> suspects[] = {
        {"Movie.2026.avi", "windows-program.exe"},
        {"Song.mp3", "linux-program"},
        {"Pack.zip", "windows-program.exe"},
        {"Pack.rar", "script.sh"},
        {"readme.txt", "script.py"},
        {"setup", "dos-program.exe"},
        {"data.xyz", "shortcut.lnk"},
        {"Movie.mkv", "archive.zip"},
        {"Song.flac", "archive.rar"},
        {"Cover.jpg", "archive.7z"},
        {"Disc.iso", "archive.gz"},
        {"Movie.avi", "audio.mp3"},
        {"Movie.avi", "web-page.html"},
        {"Book.pdf", "video.avi"},
        {"Pack.zip", "video.mp4"},
        {"Release.nfo", "picture.png"},
    };
    for (const auto& [name, bytes] : suspects)
        EXPECT_TRUE(suspicionOf(name, Sample{sample(bytes)}.first())) << name << " " << bytes;

    const std::pair<std::string_view, std::string_view> harmless[] = {
        {"setup.exe", "windows-program.exe"},
        {"install.sh", "script.sh"},
        {"install.bat", "text.txt"},
        {"Movie.divx", "video.avi"},
        {"Movie.mp4", "video.mov"},
        {"Movie.m4v", "video.mp4"},
        {"Song.m4a", "video.mp4"},
        {"Song.mka", "audio.mka"},
        {"Song.wma", "audio.wma"},
        {"Movie.mp4", "audio.m4a"},
        {"Report.docx", "archive.zip"},
        {"Release.nfo", "text.txt"},
        {"Movie.avi", "unknown.bin"},
        {"data.xyz", "archive.zip"},
        {"Disc.iso", "disc.iso"},
        {"Pack.tar", "archive.tar"},
    };
    for (const auto& [name, bytes] : harmless)
        EXPECT_FALSE(suspicionOf(name, Sample{sample(bytes)}.first())) << name << " " << bytes;

    const std::pair<std::string_view, std::string_view> words[] = {
        {"Movie.2026.AVI", "named as a video (.avi), but its first bytes are a Windows program"},
        {"Pack.rar", "named as an archive (.rar), but its first bytes are a Windows program"},
        {"setup", "named without an extension, but its first bytes are a Windows program"},
        {"data.xyz", "named as .xyz, but its first bytes are a Windows program"},
    };
    const Sample program{sample("windows-program.exe")};
    for (const auto& [name, text] : words)
        EXPECT_EQ(edonkey::suspicionWords(*suspicionOf(name, program.first())), text);
}

// libmagic runs on each thread with a handle of its own.
TEST(MimeType, EachThreadNamesTypesWithItsOwnHandle)
{
    const std::string program = sample("windows-program.exe"), video = sample("video.avi");
    std::vector<std::thread> threads;
    std::atomic<int> wrong = 0;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 50; ++i)
                wrong +=
                    platform::mimeTypeOf(i % 2 ? program : video) !=
                    (i % 2 ? "application/vnd.microsoft.portable-executable" : "video/x-msvideo");
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, 0);
}

} // namespace

// The README prints the extension table: each of its rows is the class the
// program gives those extensions.
TEST(NameType, TheReadmesExtensionTableIsTheProgramsOwn)
{
    const std::pair<std::string_view, FileClass> classes[] = {
        {"video", FileClass::Video},       {"audio", FileClass::Audio},
        {"archive", FileClass::Archive},   {"disc image", FileClass::DiscImage},
        {"document", FileClass::Document}, {"picture", FileClass::Picture},
        {"program", FileClass::Program},   {"text", FileClass::Text},
    };
    std::istringstream readme(testing_support::readFile(BRISQUEN_TEST_DATA "/../../README.md"));
    std::size_t rows = 0;
    for (std::string line; std::getline(readme, line);) {
        for (const auto& [words, fileClass] : classes) {
            const std::string head = "| " + std::string(words) + " | ";
            if (!line.starts_with(head) || line.find('.') != std::string::npos)
                continue;
            ++rows;
            std::istringstream extensions(line.substr(head.size()));
            for (std::string extension; extensions >> extension && extension != "|";)
                EXPECT_EQ(edonkey::typeOfName("x." + extension).fileClass, fileClass) << extension;
        }
    }
    EXPECT_EQ(rows, std::size(classes));
}
