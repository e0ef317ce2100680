#pragma once

#include "edonkey/part_file_gaps.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace edonkey {

/// The kinds of file a name can claim and bytes can turn out to be.
enum class FileClass {
    Unknown,
    Video,
    Audio,
    Archive,
    DiscImage,
    Document,
    Picture,
    Program,
    Text
};

/// A class in plain words: "a video", "an archive", ...
std::string_view fileClassWords(FileClass fileClass);

/// What a file's name claims, by its last extension, without regard to case.
struct NamedType {
    std::string extension; // lower case, without the dot; empty when the name has none
    FileClass fileClass = FileClass::Unknown;

    bool operator==(const NamedType&) const = default;
};
NamedType typeOfName(std::string_view name);

/// What a file's bytes are, by their MIME type.
struct ContentType {
    FileClass fileClass = FileClass::Unknown; // Unknown: nothing to judge by
    std::string_view words;                   // "a Windows program"; empty when unknown

    bool operator==(const ContentType&) const = default;
};
ContentType typeOfMimeType(std::string_view mimeType);

/// How much of a file's start is looked at: enough for every type in the
/// table, and read from a download as soon as its first block has come.
inline constexpr std::size_t firstBytesLength = 4096;
/// Where a disc image (ISO 9660) says so: "\x01" "CD001" at 0x8000, past the
/// first bytes, which are often all zeros.
inline constexpr ByteRange discHeaderRange{0x8000, 0x8006};

/// The bytes a look takes: the file's first bytes (fewer for a short file),
/// and those of discHeaderRange when the file has them.
struct FirstBytes {
    std::string_view start;
    std::optional<std::string_view> discHeader;
};

/// The type of a file's first bytes: a disc image by its header, else what
/// the file-type database's MIME type says.
ContentType typeOfBytes(const FirstBytes& bytes);

/// A name that claims one type for bytes of another that matters.
struct Suspicion {
    NamedType named;
    ContentType content;

    bool operator==(const Suspicion&) const = default;
};

/// Whether bytes of type `content` under a name that claims `named` are a
/// suspect, by their classes alone: a program under any name but a
/// program's; an archive under a video, audio, picture or disc-image name;
/// any other known class under a name whose class is plainly another. Bytes
/// of no known type are never a suspect.
std::optional<Suspicion> judgeType(const NamedType& named, const ContentType& content);

/// The suspect in plain words: "named as a video (.avi), but its first bytes
/// are a Windows program".
std::string suspicionWords(const Suspicion& suspicion);

/// judgeType on a file's name and first bytes, less the harmless pairs of a
/// name and a MIME type (audio in a container made for video, an office
/// document that is a ZIP archive, a script that is plain text, ...).
std::optional<Suspicion> suspicionOf(std::string_view name, const FirstBytes& bytes);

} // namespace edonkey
