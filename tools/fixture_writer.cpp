#include "tools/fixture_writer.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace fixtures {

namespace {

constexpr std::uint32_t kPartSize = 9'728'000;

std::uint64_t splitmix64(std::uint64_t& state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

void putU16(std::string& out, std::uint16_t value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}

void putU32(std::string& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

std::uint16_t checkedLength(std::size_t length)
{
    if (length > 0xFFFF)
        throw std::invalid_argument("a tag text longer than 65535 bytes");
    return static_cast<std::uint16_t>(length);
}

void putString(std::string& out, std::string_view text)
{
    putU16(out, checkedLength(text.size()));
    out += text;
}

void putStringTag(std::string& out, std::string_view name, std::string_view value)
{
    out += '\x02';
    putString(out, name);
    putString(out, value);
}

void putU32Tag(std::string& out, std::string_view name, std::uint32_t value)
{
    out += '\x03';
    putString(out, name);
    putU32(out, value);
}

void putU64(std::string& out, std::uint64_t value)
{
    putU32(out, static_cast<std::uint32_t>(value));
    putU32(out, static_cast<std::uint32_t>(value >> 32));
}

/// A part file's tags, counted for the tag count before them.
class TagList {
public:
    explicit TagList(bool largeFile)
        : m_largeFile(largeFile)
    {
    }

    void string(std::string_view name, std::string_view value)
    {
        putStringTag(m_bytes, name, value);
        ++m_count;
    }
    void u32(std::string_view name, std::uint32_t value)
    {
        putU32Tag(m_bytes, name, value);
        ++m_count;
    }
    /// Sizes and offsets into the file: 64-bit in a large file's part file.
    void offset(std::string_view name, std::uint64_t value)
    {
        if (!m_largeFile)
            return u32(name, static_cast<std::uint32_t>(value));
        m_bytes += '\x0B';
        putString(m_bytes, name);
        putU64(m_bytes, value);
        ++m_count;
    }
    void blob(std::string_view name, std::string_view value)
    {
        m_bytes += '\x07';
        putString(m_bytes, name);
        putU32(m_bytes, static_cast<std::uint32_t>(value.size()));
        m_bytes += value;
        ++m_count;
    }
    std::string countAndTags() const
    {
        std::string out;
        putU32(out, m_count);
        return out + m_bytes;
    }

private:
    bool m_largeFile;
    std::string m_bytes;
    std::uint32_t m_count = 0;
};

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string hashBytes(const std::string& hash)
{
    if (hash.size() != 32)
        throw std::invalid_argument("a hash must have 32 hexadecimal digits: " + hash);
    std::string bytes;
    for (std::size_t i = 0; i < 32; i += 2) {
        const int high = hexDigit(hash[i]);
        const int low = hexDigit(hash[i + 1]);
        if (high < 0 || low < 0)
            throw std::invalid_argument("a hash must have 32 hexadecimal digits: " + hash);
        bytes += static_cast<char>(high * 16 + low);
    }
    return bytes;
}

std::string fileType(std::string_view name)
{
    const auto dot = name.rfind('.');
    std::string extension(dot == std::string_view::npos ? "" : name.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const char* video : {"avi", "mpg", "mpeg", "wmv", "ogm", "mkv"})
        if (extension == video)
            return "Video";
    for (const char* audio : {"mp3", "ogg", "wav", "wma"})
        if (extension == audio)
            return "Audio";
    if (extension == "iso" || extension == "bin" || extension == "img")
        return "Iso";
    if (extension == "zip" || extension == "rar" || extension == "ace")
        return "Arc";
    return "Pro";
}

} // namespace

void writeFile(const std::string& path, std::string_view bytes)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string folderPath(const std::string& folder)
{
    std::string path = fs::absolute(folder).lexically_normal().generic_string();
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

std::string partFileNumber(std::size_t number)
{
    char text[24];
    std::snprintf(text, sizeof text, "%03zu", number);
    return text;
}

std::string partMetBytes(const Download& download, const PartLayout& layout)
{
    return partMetBytes(download, layout, "001.part");
}

std::string partMetBytes(const Download& download, const PartLayout& layout,
                         std::string_view partFileName)
{
    if (download.size > 0xFFFFFFFFu)
        throw std::invalid_argument("eDonkey2000 part files hold sizes below 4 GiB");
    const auto size = static_cast<std::uint32_t>(download.size);
    const std::string hash = hashBytes(download.hash);
    std::string out;
    out += '\xE0';
    putU32(out, 0); // date

    out += hash;
    const std::uint32_t partCount = size < kPartSize ? 0 : size / kPartSize + 1;
    putU16(out, static_cast<std::uint16_t>(partCount));
    std::uint64_t state = 0;
    for (unsigned char c : hash)
        state = state * 131 + c;
    for (std::uint32_t i = 0; i < partCount; ++i) {
        for (int word = 0; word < 4; ++word)
            putU32(out, static_cast<std::uint32_t>(splitmix64(state)));
    }

    const int gaps = std::clamp(layout.gaps, 0, 9);
    const auto transferred =
        static_cast<std::uint32_t>(std::min(download.transferred, download.size));
    // Part file tags are named by an id byte, the gaps by an id byte and a digit.
    std::string tags;
    putStringTag(tags, "\x01", download.name);
    putU32Tag(tags, "\x02", size);
    if (layout.fileTypeAfterSize)
        putStringTag(tags, "\x03", fileType(download.name));
    else
        putU32Tag(tags, "\x08", transferred);
    putStringTag(tags, "\x12", partFileName);
    putU32Tag(tags, "\x13", 1); // priority
    putU32Tag(tags, "\x14", 0); // status
    // Gap i starts piece i of the missing range; all but the last cover half of it.
    const std::uint32_t missing = size - transferred;
    for (int i = 0; i < gaps; ++i) {
        const std::uint32_t piece = missing / static_cast<std::uint32_t>(gaps);
        const std::uint32_t start = transferred + piece * static_cast<std::uint32_t>(i);
        const std::uint32_t end = i + 1 == gaps ? size : start + piece / 2;
        const char digit = static_cast<char>('0' + i);
        putU32Tag(tags, std::string{'\x09', digit}, start);
        putU32Tag(tags, std::string{'\x0A', digit}, end);
    }

    // The tag count's last byte is zero, so the name tag follows a 00.
    putU32(out, static_cast<std::uint32_t>(6 + 2 * gaps));
    return out + tags;
}

namespace {

// Above 441 parts the clients write version E2 and 64-bit offsets.
constexpr std::uint64_t kLargeFileSize = 441ull * kPartSize;
constexpr std::uint32_t kAutoPriority = 5;

// The ids of the tags the clients write into part files.
constexpr std::string_view fileNameTag = "\x01", fileSizeTag = "\x02", lastSeenCompleteTag = "\x05",
                           transferredTag = "\x08", oldDownloadPriorityTag = "\x13",
                           statusTag = "\x14", oldUploadPriorityTag = "\x17",
                           downloadPriorityTag = "\x18", uploadPriorityTag = "\x19",
                           uploadedTag = "\x50", requestsTag = "\x51", acceptsTag = "\x52",
                           categoryTag = "\x53", uploadedHighTag = "\x54";
// And into known.met.
constexpr std::string_view flagsTag = "\x22", aichHashTag = "\x27", lastSeenTag = "\x28",
                           lastSharedTag = "\x34", aichHashSetTag = "\x35", lastUploadTag = "\x55",
                           sharedSinceTag = "\x56";
// Media tags, which aMule 3.x writes again: text, text, text, seconds, kbps, text.
constexpr std::string_view artistTag = "\xD0", albumTag = "\xD1", titleTag = "\xD2",
                           lengthTag = "\xD3", bitrateTag = "\xD4", codecTag = "\xD5";

void putAMuleTags(TagList& tags, const Download& download, const MulePartOptions& options)
{
    for (int copy = 0; copy < 2; ++copy)
        tags.string(fileNameTag, download.name);
    tags.offset(fileSizeTag, download.size);
    tags.offset(transferredTag, download.transferred);
    tags.u32(statusTag, options.paused ? 1 : 0);
    tags.u32(downloadPriorityTag, kAutoPriority);
    tags.u32(oldDownloadPriorityTag, kAutoPriority);
    tags.u32(lastSeenCompleteTag, 0);
    tags.u32(uploadPriorityTag, kAutoPriority);
    tags.u32(oldUploadPriorityTag, kAutoPriority);
    tags.u32(categoryTag, options.category);
    for (const auto statistic : {uploadedTag, uploadedHighTag, requestsTag, acceptsTag})
        tags.u32(statistic, 0);
    // aMule 3.x copies what a search result claimed about the file.
    if (options.mediaTags) {
        tags.string(artistTag, "Some Artist");
        tags.string(albumTag, "Some Album");
        tags.string(titleTag, "Some Title");
        tags.u32(lengthTag, 5400);
        tags.u32(bitrateTag, 1200);
        tags.string(codecTag, "xvid");
    }
}

// Each byte of `text` as a Latin-1 character, in UTF-8: aMule's second name tag.
std::string doubleEncoded(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
            continue;
        }
        out += static_cast<char>(0xC0 | byte >> 6);
        out += static_cast<char>(0x80 | (byte & 0x3F));
    }
    return out;
}

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

void putEMuleTags(TagList& tags, const Download& download, const MulePartOptions& options)
{
    tags.string(fileNameTag, (isAscii(download.name) ? "" : "\xEF\xBB\xBF") + download.name);
    tags.offset(fileSizeTag, download.size);
    if (download.transferred != 0)
        tags.offset(transferredTag, download.transferred);
    if (options.paused)
        tags.u32(statusTag, 1);
    tags.u32(downloadPriorityTag, kAutoPriority);
    tags.u32(uploadPriorityTag, kAutoPriority);
    if (options.category != 0)
        tags.u32(categoryTag, options.category);
}

} // namespace

std::string mulePartMetBytes(const Download& download, Mule client, const MulePartOptions& options)
{
    if (download.transferred > download.size)
        throw std::invalid_argument("more bytes transferred than the file holds");
    const bool large = download.size > kLargeFileSize;
    const std::string hash = hashBytes(download.hash);
    std::string out(1, large ? '\xE2' : '\xE0');
    putU32(out, options.date);
    out += hash;
    const std::uint64_t partHashes =
        !options.hashSetKnown || download.size < kPartSize ? 0 : download.size / kPartSize + 1;
    if (partHashes > 0xFFFF)
        throw std::invalid_argument("a file of more parts than a part file can count");
    putU16(out, static_cast<std::uint16_t>(partHashes));
    std::uint64_t state = download.size;
    for (std::uint64_t i = 0; i < partHashes; ++i)
        out += hashBytes(hashFromSeed(splitmix64(state)));

    TagList tags(large);
    if (client == Mule::aMule)
        putAMuleTags(tags, download, options);
    else
        putEMuleTags(tags, download, options);
    // The one gap's tags are named by their id byte and the gap's index, 0.
    if (download.transferred < download.size) {
        tags.offset(std::string{'\x09', '0'}, download.transferred);
        tags.offset(std::string{'\x0A', '0'}, download.size);
    }
    return out + tags.countAndTags();
}

std::string knownMetBytes(const std::vector<KnownRecord>& records, Mule client, bool amule3)
{
    const bool anyLarge = std::any_of(records.begin(), records.end(), [](const auto& record) {
        return record.file.size > kLargeFileSize;
    });
    std::string out(1, anyLarge ? '\x0F' : '\x0E');
    putU32(out, static_cast<std::uint32_t>(records.size()));
    for (const auto& record : records) {
        const Download& file = record.file;
        putU32(out, record.date);
        out += hashBytes(file.hash);
        const std::uint64_t partHashes = file.size < kPartSize ? 0 : file.size / kPartSize + 1;
        putU16(out, static_cast<std::uint16_t>(partHashes));
        std::uint64_t state = file.size;
        for (std::uint64_t i = 0; i < partHashes; ++i)
            out += hashBytes(hashFromSeed(splitmix64(state)));
        TagList tags(file.size > kLargeFileSize);
        const std::string aich(32, 'A');
        if (client == Mule::aMule) {
            tags.string(fileNameTag, file.name);
            tags.string(fileNameTag, doubleEncoded(file.name));
            tags.offset(fileSizeTag, file.size);
            tags.string(aichHashTag, aich);
            for (const auto statistic : {uploadedTag, uploadedHighTag, requestsTag, acceptsTag})
                tags.u32(statistic, 0);
            tags.u32(uploadPriorityTag, kAutoPriority);
            if (amule3) {
                for (const auto date : {lastSeenTag, lastUploadTag, sharedSinceTag})
                    tags.u32(date, record.date);
                tags.u32(lengthTag, 5400);
                tags.u32(bitrateTag, 1200);
                tags.string(codecTag, "h264");
            }
        } else {
            tags.string(fileNameTag, (isAscii(file.name) ? "" : "\xEF\xBB\xBF") + file.name);
            tags.offset(fileSizeTag, file.size);
            tags.u32(lastSharedTag, record.date);
            tags.string(aichHashTag, aich);
            tags.blob(aichHashSetTag, std::string(40, '\x5A'));
            tags.u32(flagsTag, 0);
            tags.u32(uploadPriorityTag, kAutoPriority);
            tags.u32(lengthTag, 5400);
        }
        out += tags.countAndTags();
    }
    return out;
}

std::string prefMetBytes(std::string_view tempFolder, std::string_view nickname,
                         std::string_view incomingFolder)
{
    std::string out;
    out += '\x14';
    putU32(out, 4);
    putStringTag(out, "nick", nickname);
    putStringTag(out, "incoming", incomingFolder);
    putStringTag(out, "temp", tempFolder);
    putU32Tag(out, "port", 4662);
    return out;
}

std::string fakesDatLine(const Download& download, std::string_view description)
{
    return download.hash + "," + std::to_string(download.size) + "," + std::string(description) +
           "\r\n";
}

ClientFolder writeClientFolder(const std::string& folder, const std::vector<Download>& downloads,
                               const PartLayout& layout)
{
    ClientFolder client;
    client.folder = folderPath(folder);
    client.prefMet = client.folder + "pref.met";
    client.tempFolder = client.folder + "temp/";
    client.incomingFolder = client.folder + "incoming/";
    fs::create_directories(client.tempFolder);
    fs::create_directories(client.incomingFolder);

    writeFile(client.prefMet, prefMetBytes(client.tempFolder));
    for (std::size_t i = 0; i < downloads.size(); ++i) {
        const std::string partName = partFileNumber(i + 1) + ".part";
        const std::string path = client.tempFolder + partName + ".met";
        writeFile(path, partMetBytes(downloads[i], layout, partName));
        client.partFiles.push_back(path);
    }
    return client;
}

void writeZeroFile(const std::string& path, std::uint64_t size)
{
    writeFile(path, "");
    fs::resize_file(path, size);
}

void writeLargeList(const std::string& path, std::uint64_t size)
{
    std::string block;
    std::vector<std::size_t> lineStarts;
    for (int line = 0; block.size() < (1u << 20); ++line) {
        char text[80];
        std::snprintf(text, sizeof text, "%032x,%d,Fake number %d\r\n", line, 1000 + line, line);
        lineStarts.push_back(block.size());
        block += text;
    }
    std::ofstream list(path, std::ios::binary | std::ios::trunc);
    std::uint32_t number = 0;
    for (std::uint64_t written = 0; written < size; written += block.size()) {
        // Each copy's hashes start with its number, so no line repeats.
        char prefix[9];
        std::snprintf(prefix, sizeof prefix, "%08x", number++);
        for (const std::size_t start : lineStarts)
            std::memcpy(block.data() + start, prefix, 8);
        list << block;
    }
    if (!list.flush())
        throw std::runtime_error("cannot write " + path);
}

std::string hashFromSeed(std::uint64_t seed)
{
    std::uint64_t state = seed;
    char text[33];
    std::snprintf(text, sizeof text, "%016llx%016llx",
                  static_cast<unsigned long long>(splitmix64(state)),
                  static_cast<unsigned long long>(splitmix64(state)));
    return text;
}

std::vector<Download> numberedDownloads(std::size_t count, std::uint64_t seed)
{
    std::uint64_t state = seed;
    std::vector<Download> downloads;
    downloads.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto size = static_cast<std::uint32_t>(splitmix64(state));
        downloads.push_back({"Download number " + std::to_string(i) + ".avi", size,
                             hashFromSeed(splitmix64(state)), 0});
    }
    return downloads;
}

std::string wineRegistryText(const std::vector<std::pair<std::string, std::string>>& defaults)
{
    const auto escaped = [](std::string_view text) {
        std::string out;
        for (const char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            if (c == '\\' || c == '"') {
                out += '\\';
                out += c;
            } else if (byte < 0x20 || byte >= 0x7F) {
                char unit[8];
                std::snprintf(unit, sizeof unit, "\\x%04x", byte);
                out += unit;
            } else {
                out += c;
            }
        }
        return out;
    };
    std::string text = "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n"
                       "#arch=win64\n";
    for (const auto& [key, value] : defaults)
        text += "\n[" + escaped(key) + "] 1700000000\n#time=1d9a2b3c4d5e6f7\n@=\"" +
                escaped(value) + "\"\n";
    return text;
}

WinePrefix writeWinePrefix(const std::string& prefix, const std::vector<Download>& downloads)
{
    WinePrefix wine;
    wine.prefix = folderPath(prefix);
    wine.client = writeClientFolder(wine.prefix + "drive_c/Program Files/eDonkey2000/", downloads);
    const std::string windowsFolder(kWindowsClientFolder);
    writeFile(wine.client.prefMet, prefMetBytes(windowsFolder + "temp\\"));

    const fs::path devices = wine.prefix + "dosdevices";
    fs::create_directories(devices);
    for (const auto& [drive, target] : {std::pair{"c:", "../drive_c"}, std::pair{"z:", "/"}}) {
        fs::remove(devices / drive);
        fs::create_directory_symlink(target, devices / drive);
    }
    const std::string program = windowsFolder + "eDonkey2000.exe";
    writeFile(wine.prefix + "system.reg",
              wineRegistryText({{"Software\\Classes\\ed2k\\DefaultIcon", program + ",0"},
                                {"Software\\Classes\\ed2k\\shell\\open\\command",
                                 "\"" + program + "\" \"%1\""}}));
    writeFile(wine.prefix + "user.reg",
              wineRegistryText({{"Software\\Wine\\Explorer", "Default"}}));
    return wine;
}

ClientFolder writeMountedClient(const std::string& root, const std::vector<Download>& downloads)
{
    const fs::path folder = fs::absolute(root) / "mnt/c/Program Files/eDonkey2000/";
    ClientFolder client = writeClientFolder(folder.lexically_normal().generic_string(), downloads);
    writeFile(client.prefMet, prefMetBytes(std::string(kWindowsClientFolder) + "temp\\"));
    return client;
}

} // namespace fixtures
