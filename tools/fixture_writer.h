#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fixtures {

/// One unfinished download of the client.
struct Download {
    std::string name;       // bytes, as the client stores them
    std::uint64_t size = 0; // bytes
    std::string hash;       // 32 hexadecimal digits
    std::uint64_t transferred = 0;
};

/// How a part file's tags are laid out; the defaults are what the eDonkey2000
/// client writes for an ordinary download.
struct PartLayout {
    bool fileTypeAfterSize = false; // a file-type tag right after the size instead of
                                    // the transferred-bytes tag
    int gaps = 1;                   // pairs of gap-start/gap-end tags at the end
};

/// The bytes of a `*.part.met` file in the eDonkey2000 layout: version byte E0,
/// a zero date, the file hash, the part hashes, then the tag list (file name,
/// size, transferred bytes or file type, part file name, priority, status and
/// gaps). That client's numbers have 32 bits: sizes above 4 GiB are refused.
std::string partMetBytes(const Download& download, const PartLayout& layout = {});

/// As above, with `partFileName` (e.g. "002.part") in the part-file-name tag
/// instead of "001.part".
std::string partMetBytes(const Download& download, const PartLayout& layout,
                         std::string_view partFileName);

/// The two clients of today whose part files are walked tag by tag.
enum class Mule { aMule, eMule };

/// What an aMule or eMule part file holds beside the download itself.
struct MulePartOptions {
    std::uint32_t date = 1'700'000'000; // modification time of the .part data file
    bool paused = false;
    bool hashSetKnown = true; // false: part-hash count 0, as before the hash set arrived
    std::uint8_t category = 0;
    /// aMule 3.x: the media tags (ids 0xD0-0xD5) taken from a search result.
    bool mediaTags = false;
};

/// The bytes of NNN.part.met as `client` writes it: version E0, or E2 with 64-bit
/// size, transferred and gap tags above 4,290,048,000 bytes; the date; the hash;
/// the part hashes; and the client's own tag list, whose one gap runs from the
/// transferred bytes to the end. aMule writes its fixed set of fifteen tags with
/// the name twice, as raw UTF-8; eMule writes transferred bytes, status and
/// category only when they are not zero, and a name with any byte above 0x7F
/// after a UTF-8 byte-order mark. `download.name` is UTF-8.
std::string mulePartMetBytes(const Download& download, Mule client,
                             const MulePartOptions& options = {});

/// One finished file as a client's known.met records it.
struct KnownRecord {
    Download file;                      // its name (UTF-8), size and hash
    std::uint32_t date = 1'700'000'000; // its modification time
};

/// The bytes of known.met as `client` writes it, records in the order given:
/// header 0x0E, or 0x0F when a file is over 4,290,048,000 bytes (and its size
/// then 64 bits); per record the date, hash, part hashes and tags. aMule
/// writes the name twice (the second one double-encoded), the AICH hash and
/// statistics, and as 3.x (`amule3`) also its dates and media tags; eMule
/// writes a name beyond ASCII after a byte-order mark, its last-shared date,
/// the AICH hash set as a blob and media tags.
std::string knownMetBytes(const std::vector<KnownRecord>& records, Mule client,
                          bool amule3 = false);

/// The bytes of a client `pref.met` whose string tag "temp" holds `tempFolder`;
/// the nickname and incoming-folder tags come before it.
std::string prefMetBytes(std::string_view tempFolder, std::string_view nickname = "brisquen user",
                         std::string_view incomingFolder = "incoming/");

/// One fakes.dat line for `download`: hash, size, description and CR LF.
std::string fakesDatLine(const Download& download, std::string_view description);

/// A client folder written to disk.
struct ClientFolder {
    std::string folder;         // ends in "/"
    std::string prefMet;        // folder + "pref.met"
    std::string tempFolder;     // ends in "/"
    std::string incomingFolder; // folder + "incoming/", empty
    std::vector<std::string> partFiles;
};

/// Writes `folder`/pref.met, `folder`/temp/NNN.part.met, one part file per
/// download in order (001.part.met, 002.part.met, ...), and the empty folder
/// `folder`/incoming/ that pref.met names. `folder` may lack its final "/".
ClientFolder writeClientFolder(const std::string& folder, const std::vector<Download>& downloads,
                               const PartLayout& layout = {});

/// The folder of a client installed in the default place, as Windows names it.
inline constexpr std::string_view kWindowsClientFolder = "C:\\Program Files\\eDonkey2000\\";

/// Wine's registry text (header, then one key per entry with the entry's
/// second part as default value), as `system.reg` or `user.reg` hold it.
/// Values are bytes read as Latin-1, written with Wine's escapes.
std::string wineRegistryText(const std::vector<std::pair<std::string, std::string>>& defaults);

/// A Wine prefix written to disk.
struct WinePrefix {
    std::string prefix; // ends in "/"
    ClientFolder client;
};

/// Writes a Wine prefix at `prefix`: the client folder
/// drive_c/Program Files/eDonkey2000/ whose pref.met names its temp folder
/// kWindowsClientFolder + "temp\", the links dosdevices/c: (to ../drive_c)
/// and z: (to /), a system.reg with the client's ed2k DefaultIcon and
/// shell\open\command keys, and a user.reg without classes.
WinePrefix writeWinePrefix(const std::string& prefix, const std::vector<Download>& downloads);

/// Writes `root`/mnt/c/Program Files/eDonkey2000/ as a client folder on a
/// mounted Windows partition: its pref.met names the temp folder
/// kWindowsClientFolder + "temp\".
ClientFolder writeMountedClient(const std::string& root, const std::vector<Download>& downloads);

/// A finished file whose ed2k hash is known without hashing it: one chunk of
/// zero bytes, hashed with the empty chunk's MD4 appended as the client does.
inline constexpr std::uint32_t zeroChunkSize = 9'728'000;
inline constexpr std::string_view zeroChunkHash = "fc21d9af828f92a8df64beac3357425d";

/// Writes `path` as `size` zero bytes, sparse where the file system allows.
void writeZeroFile(const std::string& path, std::uint64_t size);

/// Writes a fakes.dat of at least `size` bytes at `path`, quickly: one MB of
/// valid lines, written over and over with their hashes renumbered, so that
/// every line is an entry of its own.
void writeLargeList(const std::string& path, std::uint64_t size);

/// Writes `bytes` to `path`, making its folders first; throws
/// std::runtime_error when it cannot.
void writeFile(const std::string& path, std::string_view bytes);

/// `folder` made absolute, without "." or "..", and ending in "/".
std::string folderPath(const std::string& folder);

/// "001" for 1: the three digits at least the clients number their part files with.
std::string partFileNumber(std::size_t number);

/// A hash of 32 lower-case hexadecimal digits derived from `seed`, for
/// downloads that need one.
std::string hashFromSeed(std::uint64_t seed);

/// `count` downloads named "Download number N.avi", with sizes under 4 GiB
/// and hashes drawn from `seed`, for benchmarks.
std::vector<Download> numberedDownloads(std::size_t count, std::uint64_t seed);

} // namespace fixtures
