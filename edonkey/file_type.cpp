#include "edonkey/file_type.h"

#include "platform/ascii.h"
#include "platform/mime_type.h"

#include <algorithm>
#include <array>

using namespace std::string_view_literals;

namespace edonkey {
namespace {

// The one table of what names claim: each class and its extensions.
struct ClassExtensions {
    FileClass fileClass;
    std::string_view extensions; // separated by blanks
};
constexpr std::array extensionTable = {
    ClassExtensions{FileClass::Video, "avi divx xvid mkv mp4 m4v mpg mpeg vob mov wmv asf ogm ogv "
                                      "webm flv ts m2ts rm rmvb 3gp"},
    ClassExtensions{FileClass::Audio, "mp3 mp2 ogg oga opus flac wav wma aac m4a mka ac3 ape mpc"},
    ClassExtensions{FileClass::Archive, "zip rar 7z gz tgz bz2 xz tar cab ace arj"},
    ClassExtensions{FileClass::DiscImage, "iso img nrg mdf"},
    ClassExtensions{FileClass::Document,
                    "pdf doc docx odt rtf epub chm djvu xls xlsx ppt pptx ods odp"},
    ClassExtensions{FileClass::Picture, "jpg jpeg png gif bmp tif tiff webp"},
    ClassExtensions{FileClass::Program,
                    "exe com scr msi bat cmd pif lnk vbs ps1 sh run dll jar apk"},
    ClassExtensions{FileClass::Text, "txt nfo srt sub ssa ass cue sfv m3u log"},
};

// The one table of what bytes are, by MIME type: the first row that matches
// counts; a pattern ending in "*" matches every type it begins.
struct MimeRow {
    std::string_view pattern;
    FileClass fileClass;
    std::string_view words;
};
constexpr std::array mimeTable = {
    MimeRow{"application/vnd.microsoft.portable-executable", FileClass::Program,
            "a Windows program"},
    MimeRow{"application/x-dosexec", FileClass::Program, "a Windows program"},
    MimeRow{"application/x-ms-shortcut", FileClass::Program, "a Windows shortcut"},
    MimeRow{"application/x-executable", FileClass::Program, "a Linux program"},
    MimeRow{"application/x-pie-executable", FileClass::Program, "a Linux program"},
    MimeRow{"application/x-sharedlib", FileClass::Program, "a Linux program"},
    MimeRow{"text/x-shellscript", FileClass::Program, "a script"},
    MimeRow{"text/x-msdos-batch", FileClass::Program, "a script"},
    MimeRow{"text/x-script.*", FileClass::Program, "a script"},
    MimeRow{"application/zip", FileClass::Archive, "a ZIP archive"},
    MimeRow{"application/x-rar", FileClass::Archive, "a RAR archive"},
    MimeRow{"application/x-7z-compressed", FileClass::Archive, "a 7-Zip archive"},
    MimeRow{"application/gzip", FileClass::Archive, "a gzip archive"},
    MimeRow{"application/x-bzip2", FileClass::Archive, "a bzip2 archive"},
    MimeRow{"application/x-xz", FileClass::Archive, "an xz archive"},
    MimeRow{"application/x-tar", FileClass::Archive, "a tar archive"},
    MimeRow{"application/vnd.ms-cab-compressed", FileClass::Archive, "a cabinet archive"},
    MimeRow{"application/x-iso9660-image", FileClass::DiscImage, "a disc image"},
    MimeRow{"application/pdf", FileClass::Document, "a PDF document"},
    MimeRow{"text/rtf", FileClass::Document, "an RTF document"},
    MimeRow{"video/*", FileClass::Video, "a video"},
    MimeRow{"audio/*", FileClass::Audio, "audio"},
    MimeRow{"image/*", FileClass::Picture, "a picture"},
    MimeRow{"text/html", FileClass::Text, "a web page"},
    MimeRow{"text/*", FileClass::Text, "text"},
};

// Bytes of another class that are still what the name says: audio in a
// container made for video and the other way round, office documents kept
// in ZIP archives, scripts that are plain text.
struct HarmlessPair {
    std::string_view extensions; // separated by blanks
    std::string_view mimeTypes;  // patterns as in mimeTable, separated by blanks
};
constexpr std::array harmlessPairs = {
    HarmlessPair{"m4a mka wma ogg oga opus", "video/mp4 video/x-matroska video/x-ms-asf "
                                             "video/ogg video/webm"},
    HarmlessPair{"mp4 m4v mkv webm ogm ogv asf wmv", "audio/x-m4a audio/mp4 audio/ogg audio/webm"},
    HarmlessPair{"docx xlsx pptx odt ods odp epub", "application/zip"},
    HarmlessPair{"jar apk", "application/zip"},
    HarmlessPair{"bat cmd vbs ps1 sh", "text/*"},
};

constexpr std::string_view discHeader = "\x01"
                                        "CD001"sv;

bool matches(std::string_view pattern, std::string_view mimeType)
{
    if (pattern.ends_with('*'))
        return mimeType.starts_with(pattern.substr(0, pattern.size() - 1));
    return mimeType == pattern;
}

// Whether the blank-separated `words` hold one for which `accepts` is true.
template <typename Accepts>
bool anyWord(std::string_view words, Accepts&& accepts)
{
    while (!words.empty()) {
        const auto blank = words.find(' ');
        if (accepts(words.substr(0, blank)))
            return true;
        words.remove_prefix(blank == words.npos ? words.size() : blank + 1);
    }
    return false;
}

bool isHarmless(const NamedType& named, std::string_view mimeType)
{
    return std::any_of(harmlessPairs.begin(), harmlessPairs.end(), [&](const HarmlessPair& pair) {
        return anyWord(pair.extensions,
                       [&](std::string_view extension) { return extension == named.extension; }) &&
               anyWord(pair.mimeTypes,
                       [&](std::string_view pattern) { return matches(pattern, mimeType); });
    });
}

bool isOneOf(FileClass fileClass, std::initializer_list<FileClass> classes)
{
    return std::find(classes.begin(), classes.end(), fileClass) != classes.end();
}

// The MIME type behind `content`, for the harmless pairs; empty for a disc image
// found by its header.
struct Judged {
    ContentType content;
    std::string mimeType;
};

Judged judgedBytes(const FirstBytes& bytes)
{
    if (bytes.discHeader && *bytes.discHeader == discHeader)
        return {{FileClass::DiscImage, "a disc image"}, {}};
    std::string mimeType = platform::mimeTypeOf(bytes.start);
    return {typeOfMimeType(mimeType), std::move(mimeType)};
}

} // namespace

std::string_view fileClassWords(FileClass fileClass)
{
    // In the order of FileClass.
    constexpr std::array<std::string_view, 9> words = {"a file of no known type",
                                                       "a video",
                                                       "audio",
                                                       "an archive",
                                                       "a disc image",
                                                       "a document",
                                                       "a picture",
                                                       "a program",
                                                       "text"};
    return words[static_cast<std::size_t>(fileClass)];
}

NamedType typeOfName(std::string_view name)
{
    NamedType named;
    const auto dot = name.rfind('.');
    if (dot == name.npos || dot + 1 == name.size())
        return named;
    named.extension = platform::lowerAscii(name.substr(dot + 1));
    for (const auto& row : extensionTable) {
        if (anyWord(row.extensions,
                    [&](std::string_view extension) { return extension == named.extension; }))
            named.fileClass = row.fileClass;
    }
    return named;
}

ContentType typeOfMimeType(std::string_view mimeType)
{
    for (const auto& row : mimeTable) {
        if (matches(row.pattern, mimeType))
            return {row.fileClass, row.words};
    }
    return {};
}

ContentType typeOfBytes(const FirstBytes& bytes)
{
    return judgedBytes(bytes).content;
}

std::optional<Suspicion> judgeType(const NamedType& named, const ContentType& content)
{
    const FileClass claimed = named.fileClass, actual = content.fileClass;
    if (actual == FileClass::Unknown || actual == claimed)
        return std::nullopt;
    const bool suspect = actual == FileClass::Program ||
                         (actual == FileClass::Archive &&
                          isOneOf(claimed, {FileClass::Video, FileClass::Audio, FileClass::Picture,
                                            FileClass::DiscImage})) ||
                         claimed != FileClass::Unknown;
    if (!suspect)
        return std::nullopt;
    return Suspicion{named, content};
}

std::string suspicionWords(const Suspicion& suspicion)
{
    const auto& named = suspicion.named;
    std::string words;
    if (named.extension.empty())
        words = "named without an extension";
    else if (named.fileClass == FileClass::Unknown)
        words = "named as ." + named.extension;
    else
        words = "named as " + std::string(fileClassWords(named.fileClass)) + " (." +
                named.extension + ")";
    return words + ", but its first bytes are " + std::string(suspicion.content.words);
}

std::optional<Suspicion> suspicionOf(std::string_view name, const FirstBytes& bytes)
{
    const auto named = typeOfName(name);
    const auto judged = judgedBytes(bytes);
    if (!judged.mimeType.empty() && isHarmless(named, judged.mimeType))
        return std::nullopt;
    return judgeType(named, judged.content);
}

} // namespace edonkey
