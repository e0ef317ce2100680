#include "edonkey/part_file_walker.h"

#include "tests/support/amule_samples.h"
#include "tests/support/temp_dir.h"
#include "tools/fixture_writer.h"

#include <gtest/gtest.h>

#include <random>

using namespace std::string_literals;
using edonkey::PartFileFault;
using edonkey::PartFileInfo;
using edonkey::walkPartFile;
using Walked = std::variant<PartFileInfo, PartFileFault>;

namespace edonkey {
void PrintTo(const PartFileInfo& info, std::ostream* out)
{
    *out << '{' << info.hash << ", " << info.size << ", " << testing::PrintToString(info.name)
         << '}';
}
} // namespace edonkey

namespace {

std::string le(std::uint64_t value, int width)
{
    std::string bytes;
    for (int i = 0; i < width; ++i)
        bytes += static_cast<char>(value >> 8 * i & 0xFF);
    return bytes;
}

// Version, a date, the hash 00 01 ... 0f and `partHashes` part hashes.
std::string header(char version, int partHashes = 0)
{
    std::string bytes = version + "\x78\x56\x34\x12"s;
    for (char i = 0; i < 16; ++i)
        bytes += i;
    return bytes + le(partHashes, 2) + std::string(16 * partHashes, '\xAB');
}
const std::string hash = "000102030405060708090a0b0c0d0e0f";

std::string withTags(const std::string& head, const std::vector<std::string>& tags)
{
    std::string bytes = head + le(tags.size(), 4);
    for (const auto& tag : tags)
        bytes += tag;
    return bytes;
}

// A tag in the long form (type, name length, name) and in the compact one (type | 0x80, id).
std::string tag(char type, const std::string& name, const std::string& value)
{
    return type + le(name.size(), 2) + name + value;
}
std::string compact(char type, char id, const std::string& value)
{
    return static_cast<char>(type | 0x80) + std::string(1, id) + value;
}
std::string str(const std::string& text)
{
    return le(text.size(), 2) + text;
}

const std::string name = tag(2, "\x01", str("Movie.avi"));
const std::string size = tag(3, "\x02", le(700'000'000, 4));
const std::string e0 = header('\xE0');
const std::string plain = withTags(e0, {name, size});
const PartFileInfo movie{hash, 700'000'000, "Movie.avi"};

} // namespace

TEST(WalkPartFile, ReadsEveryLayoutOrSaysWhyNot)
{
    using enum PartFileFault;
    const std::string bom = "\xEF\xBB\xBF";
    const std::string gapStart = tag(3, "\x09"s + "0", le(5, 4));
    const std::vector<std::pair<std::string, Walked>> cases = {
        {plain, movie},
        {withTags(header('\xE2', 3), {name, tag(0x0B, "\x02", le(5'000'000'000, 8))}),
         PartFileInfo{hash, 5'000'000'000, "Movie.avi"}},
        // Either width whatever the version, and the narrow widths too.
        {withTags(e0, {name, tag(0x0B, "\x02", le(7, 8))}), PartFileInfo{hash, 7, "Movie.avi"}},
        {withTags(header('\xE2'), {name, size}), movie},
        {withTags(e0, {name, tag(8, "\x02", le(65535, 2))}),
         PartFileInfo{hash, 65535, "Movie.avi"}},
        {withTags(e0, {compact(0x19, 1, "Movie.avi"), compact(9, 2, "\xFF")}),
         PartFileInfo{hash, 255, "Movie.avi"}},
        {withTags(e0, {compact(2, 1, str("Movie.avi")), compact(3, 2, le(700'000'000, 4))}), movie},
        {withTags(e0, {tag(0x20, "\x01", std::string(16, 'n')), size}),
         PartFileInfo{hash, 700'000'000, std::string(16, 'n')}},
        // The byte-order mark is dropped once; a name tag that is no string is passed over.
        {withTags(e0, {tag(2, "\x01", str(bom + "Caf\xC3\xA9")), size}),
         PartFileInfo{hash, 700'000'000, "Caf\xC3\xA9"}},
        {withTags(e0, {tag(2, "\x01", str(bom + bom)), size}),
         PartFileInfo{hash, 700'000'000, bom}},
        {withTags(e0, {tag(3, "\x01", le(1, 4)), name, tag(2, "\x01", str("second")), size}),
         movie},
        // Only a one-byte name is an id; the first numeric size tag is the size.
        {withTags(e0, {tag(2, "\x01x", str("x")), tag(2, "", str("y")), size}),
         PartFileInfo{hash, 700'000'000, ""}},
        {withTags(e0, {name, tag(2, "\x02", str("12")), size}), movie},
        {withTags(e0, {name, size, tag(3, "\x02", le(1, 4))}), movie},
        {withTags(e0, {name, tag(2, "\x02", str("12"))}), NoSizeTag},
        {withTags(e0, {name}), NoSizeTag},
        // Whatever follows the size: every value type the clients write, and trailing bytes.
        {withTags(e0, {name, size, tag(3, "\x14", le(1, 4)), compact(1, 0x27, std::string(16, 'h')),
                       tag(4, "\x15", "\0\0\x80?"s), tag(5, "\x16", "\x01"),
                       tag(6, "\x17", le(9, 2) + "\xFF\x01"), tag(7, "blob", le(3, 4) + "abc"),
                       compact(0x0A, 0x20, "\x02xy"), gapStart, tag(3, "\x0A"s + "0", le(9, 4))}) +
             "trailing",
         movie},
        // Cut short in the part hashes, or promising more tags than it holds.
        {header('\xE0', 2).substr(0, 40), CutShort},
        {e0 + le(3, 4) + name + size, CutShort},
        {withTags(e0, {size, tag(7, "\x03", le(0xFFFFFFFF, 4) + "abc")}), CutShort},
        {withTags(e0, {size, tag(2, "\x01", le(5, 2) + "abc")}), CutShort},
        {withTags(e0, {size, tag(6, "\x05", "\xFF")}), CutShort},
        // A type whose length nobody knows ends the walk; so does another version.
        {withTags(e0, {size, tag(0, "\x03", "")}), UnknownTagType},
        {withTags(e0, {size, tag(0x0C, "\x03", "abcd")}), UnknownTagType},
        {withTags(e0, {size, tag(0x21, "\x03", "abcd")}), UnknownTagType},
        {withTags(e0, {size, compact(0x7F, 3, "abcd")}), UnknownTagType},
        {"\xE1" + plain.substr(1), NotPartFile},
        {"\xE3" + plain.substr(1), NotPartFile},
        {"\x00"s, NotPartFile},
    };
    for (const auto& [bytes, expected] : cases)
        EXPECT_EQ(walkPartFile(bytes), expected) << testing::PrintToString(bytes);
    // Cut short in every field, from the version to the last byte of the size.
    for (const std::size_t length : {0, 3, 15, 22, 25, 28, 31, 40, 49})
        EXPECT_EQ(walkPartFile(plain.substr(0, length)), Walked{CutShort}) << length;
}

TEST(WalkPartFile, ReadsWhatBothClientsWrite)
{
    const std::vector<std::string> letters = {
        "a", "Z", " ", ".", "\xC3\xA9", "\xE6\x97\xA5", "\xF0\x9F\x8E\xAC", "\xEF\xBB\xBF"};
    const std::uint64_t largeFile = 4'290'048'000;
    const std::vector<std::uint64_t> edges = {1, 9'728'000, largeFile, largeFile + 1, 1ull << 32};
    std::mt19937_64 random(11);
    for (int i = 0; i < 300; ++i) {
        fixtures::Download download;
        download.size =
            i < 10 ? edges[i % edges.size()] : random() % (1ull << (random() % 39 + 1)) + 1;
        download.hash = fixtures::hashFromSeed(random());
        download.transferred = random() % (download.size + 1);
        for (auto length = random() % 300; length > 0; --length)
            download.name += letters[random() % letters.size()];
        const fixtures::MulePartOptions options{static_cast<std::uint32_t>(random()),
                                                random() % 2 == 0, random() % 2 == 0,
                                                static_cast<std::uint8_t>(random() % 3)};
        for (const auto client : {fixtures::Mule::aMule, fixtures::Mule::eMule}) {
            const auto bytes = fixtures::mulePartMetBytes(download, client, options);
            EXPECT_EQ(bytes[0], download.size > largeFile ? '\xE2' : '\xE0');
            // aMule keeps a name's own leading byte-order mark; the walk drops it.
            auto name = download.name;
            if (client == fixtures::Mule::aMule && name.starts_with("\xEF\xBB\xBF"))
                name.erase(0, 3);
            EXPECT_EQ(walkPartFile(bytes),
                      (Walked{PartFileInfo{download.hash, download.size, name}}))
                << i << testing::PrintToString(download.name);
        }
    }
}

// Files real aMule 2.3.3 wrote: the walk reads their downloads, and the
// fixture writer writes the same bytes for them.
TEST(WalkPartFile, ReadsRealAMuleFilesThatTheFixtureWriterRepeats)
{
    for (const auto& [number, download, paused, category] : testing_support::amuleSamples()) {
        const auto bytes =
            testing_support::readFile(BRISQUEN_TEST_DATA "/amule/" + number + ".part.met");
        EXPECT_EQ(walkPartFile(bytes),
                  (Walked{PartFileInfo{download.hash, download.size, download.name}}))
            << number;
        // The date is the .part file's, whenever aMule wrote it; no hash set had arrived.
        std::uint32_t date = 0;
        for (int i = 4; i >= 1; --i)
            date = date << 8 | static_cast<std::uint8_t>(bytes[i]);
        EXPECT_EQ(fixtures::mulePartMetBytes(download, fixtures::Mule::aMule,
                                             {date, paused, false, category}),
                  bytes)
            << number;
    }
}

// Gap tags in any order and of any width: pairs by index, merged, clipped;
// lone, empty, reversed and out-of-file ones dropped. Real aMule files hold one
// gap over the whole file.
TEST(ReadMissingRanges, MakesSortedRangesInsideTheFileOfEveryPair)
{
    using edonkey::ByteRange;
    using Ranges = std::optional<std::vector<ByteRange>>;
    const auto start = [](std::string index, std::uint64_t at, int width = 4) {
        return tag(width == 8 ? 0x0B : 3, "\x09"s + index, le(at, width));
    };
    const auto end = [](std::string index, std::uint64_t at, int width = 4) {
        return tag(width == 8 ? 0x0B : 3, "\x0A"s + index, le(at, width));
    };
    const auto gaps = [](std::vector<std::string> tags) {
        tags.insert(tags.begin(), {name, tag(3, "\x02", le(1000, 4))});
        return edonkey::readMissingRanges(withTags(e0, tags));
    };
    const std::vector<std::pair<Ranges, Ranges>> cases = {
        {gaps({}), std::vector<ByteRange>{}},
        {gaps({start("0", 100), end("0", 200)}), std::vector<ByteRange>{{100, 200}}},
        // Any order, either width, touching and overlapping gaps merged.
        {gaps({end("1", 900, 8), start("0", 100), start("1", 300, 8), end("0", 300)}),
         std::vector<ByteRange>{{100, 900}}},
        {gaps({start("0", 500), end("0", 700), start("1", 0), end("1", 600), start("12", 800),
               end("12", 850)}),
         std::vector<ByteRange>{{0, 700}, {800, 850}}},
        // Past the size: an end is clipped, a start there drops the gap.
        {gaps({start("0", 900), end("0", 5000), start("1", 1000), end("1", 1200)}),
         std::vector<ByteRange>{{900, 1000}}},
        // Lone, empty or reversed; a gap tag of a string type, or a one-byte name.
        {gaps({start("0", 10), end("1", 20), start("2", 50), end("2", 50), start("3", 70),
               end("3", 60),
               tag(2,
                   "\x09"
                   "4",
                   str("1")),
               tag(2,
                   "\x0A"
                   "4",
                   str("9")),
               tag(3, "\x09", le(1, 4)), tag(3, "\x0A", le(9, 4))}),
         std::vector<ByteRange>{}},
        {edonkey::readMissingRanges(plain.substr(0, 30)), std::nullopt},
    };
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(cases[i].first, cases[i].second) << i;

    for (const auto& [number, download, paused, category] : testing_support::amuleSamples()) {
        const auto bytes =
            testing_support::readFile(BRISQUEN_TEST_DATA "/amule/" + number + ".part.met");
        EXPECT_EQ(edonkey::readMissingRanges(bytes),
                  (Ranges{std::vector<ByteRange>{{0, download.size}}}))
            << number;
    }
}

TEST(IsDownloaded, OnlyRangesThatTouchNoGap)
{
    const std::vector<edonkey::ByteRange> missing{{100, 200}, {500, 600}};
    EXPECT_TRUE(edonkey::isDownloaded(missing, {0, 100}));
    EXPECT_TRUE(edonkey::isDownloaded(missing, {200, 500}));
    EXPECT_FALSE(edonkey::isDownloaded(missing, {0, 101}));
    EXPECT_FALSE(edonkey::isDownloaded(missing, {199, 300}));
    EXPECT_FALSE(edonkey::isDownloaded(missing, {0, 1000}));
    EXPECT_TRUE(edonkey::isDownloaded({}, {0, 1000}));
}
