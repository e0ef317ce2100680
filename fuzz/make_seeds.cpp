// Writes the fuzzers' seed corpora from the fixture writer: what the client
// really writes, and the cut-off and odd variants the tests use. Run by the
// fuzz build: brisquen-fuzz-seeds FOLDER fills FOLDER/<target>/.

#include "tools/fixture_writer.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;
using namespace std::string_literals;
using fixtures::Download;
using fixtures::hashFromSeed;

namespace {

class Corpus {
public:
    Corpus(const fs::path& root, std::string_view target)
        : m_folder(root / target)
    {
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
    }

    void add(std::string_view name, std::string_view bytes)
    {
        std::ofstream out(m_folder / name, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out)
            throw std::runtime_error("cannot write " + (m_folder / name).string());
    }

private:
    fs::path m_folder;
};

// A string as FuzzedDataProvider::ConsumeRandomLengthString takes it back:
// backslashes doubled, ended by a backslash and one more byte.
std::string providerString(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        out += c;
        if (c == '\\')
            out += '\\';
    }
    return out + "\\;";
}

const std::vector<Download>& downloads()
{
    static const std::vector<Download> list = {
        {"Knoppix.iso", 700000000, hashFromSeed(1), 350000000},
        {"Matrix.4.avi", 734003200, hashFromSeed(2), 0},
        {"a", 5, hashFromSeed(3), 5},
        {"", 0, hashFromSeed(4), 0},
        {"Caf\xE9 del Mar \x96 " + std::string(280, 'x') + ".mp3", 4294967295u, hashFromSeed(5),
         123},
    };
    return list;
}

void partFiles(const fs::path& root)
{
    Corpus corpus(root, "part_file");
    int number = 0;
    for (const auto& download : downloads()) {
        for (const bool fileType : {false, true}) {
            fixtures::PartLayout layout;
            layout.fileTypeAfterSize = fileType;
            layout.gaps = number % 4;
            const std::string bytes = fixtures::partMetBytes(download, layout);
            const std::string name = "client-" + std::to_string(++number);
            corpus.add(name, bytes);
            corpus.add(name + "-half", bytes.substr(0, bytes.size() / 2));
            corpus.add(name + "-last-byte-missing", bytes.substr(0, bytes.size() - 1));
        }
    }
    const std::string whole = fixtures::partMetBytes(downloads()[0]);
    for (const std::size_t length : {0, 1, 5, 21, 23})
        corpus.add("first-" + std::to_string(length) + "-bytes", whole.substr(0, length));
    corpus.add("other-version", "\xE1"s + whole.substr(1));
}

void prefMets(const fs::path& root)
{
    Corpus corpus(root, "pref_met");
    corpus.add("plain", fixtures::prefMetBytes("/data/ed2k/temp/"));
    corpus.add("windows", fixtures::prefMetBytes("C:\\eDonkey\\temp"));
    corpus.add("temp-in-earlier-values",
               fixtures::prefMetBytes("/real/temp/", "tempest", "/home/temp/incoming/"));
    corpus.add("long-path", fixtures::prefMetBytes("/" + std::string(297, 'd')));
    const std::string plain = fixtures::prefMetBytes("/data/ed2k/temp/");
    corpus.add("cut-in-the-value", plain.substr(0, plain.size() - 5));
    corpus.add("bare-temp", "\x14junk temp\x05\x00/tmp/rest"s);
    corpus.add("length-past-the-end", "\x02\x04\x00temp\xFF\xFF/short"s);
}

void links(const fs::path& root)
{
    Corpus corpus(root, "ed2k_link");
    const std::string hash = hashFromSeed(1);
    corpus.add("plain", "ed2k://|file|Knoppix.iso|700000000|" + hash + "|");
    corpus.add("with-slash", "ed2k://|file|Matrix.4.avi|734003200|" + hash + "|/");
    corpus.add("with-extras", "ed2k://|file|a b.avi|5|" + hash + "|h=ABCDEF|/");
    corpus.add("anchor", "<a href=\"ed2k://|file|x.iso|1|" + hash + "|/\">x.iso</a>");
    corpus.add("listed", "ed2k://|file|f|734003200|0123456789abcdef0123456789abcdef|");
    corpus.add("short-hash", "ed2k://|file|x|1|abc|");
    corpus.add("missing-bar", "ed2k://|file|x|1|" + hash);
    corpus.add("server-link", "ed2k://|server|1.2.3.4|4661|/");
}

void iniFiles(const fs::path& root)
{
    Corpus corpus(root, "ini_file");
    const auto seed = [&](std::string_view name, std::string_view section, std::string_view key,
                          std::string_view otherKey, std::string_view value,
                          std::string_view content) {
        corpus.add(name, providerString(section) + providerString(key) + providerString(otherKey) +
                             providerString(value) + std::string(content));
    };
    const std::string stored = "[Settings]\r\nPrefPath=/home/user/.ed2k/\r\nFakesNr=120\r\n";
    seed("stored-folder", "Settings", "PrefPath", "FakesNr", "/new/folder/", stored);
    seed("new-count", "Settings", "FakesNr", "PrefPath", "121", stored);
    seed("missing-file-content", "Settings", "PrefPath", "FakesNr", "C:\\eDonkey\\", "");
    seed("line-feeds-and-blanks", " settings ", "prefpath", "x", "  spaced  ",
         "[ Settings ]\n\t PrefPath \t= \"/quoted/\" \nx='y'\n");
    seed("bom-and-duplicates", "Settings", "PrefPath", "A", "'q'",
         "\xEF\xBB\xBF[Settings]\r\nA=1\r\n[Other]\r\nPrefPath=no\r\n[settings]\r\nPrefPath=2\r\n");
    seed("new-section", "Brisquen", "Key", "PrefPath", "v", stored + "[Settings]\r\nKey=later");
    seed("garbage", "S", "Key", "K", "v", "\x00\xFF\x01[\x80\r\r\n\x7F=\x9C\x00]"s);
    seed("long-value", "Settings", "PrefPath", "FakesNr", std::string(300, 'v'),
         "[Settings]\r\nPrefPath=" + std::string(300, 'a') + "\r\n");
}

void databases(const fs::path& root)
{
    Corpus corpus(root, "fake_database");
    const auto seed = [&](std::string_view name, std::string_view text,
                          const std::vector<std::pair<std::string, std::string>>& queries,
                          std::uint32_t pieces) {
        std::string bytes = providerString(text);
        for (const auto& [hash, size] : queries)
            bytes += providerString(hash) + providerString(size);
        for (int shift = 0; shift < 32; shift += 8)
            bytes += static_cast<char>(pieces >> shift & 0xFF);
        corpus.add(name, bytes);
    };

    std::string list;
    for (const auto& download : downloads())
        list += fixtures::fakesDatLine(download, "Fake - " + download.name.substr(0, 20));
    const auto& first = downloads()[0];
    seed("list", list, {{first.hash, std::to_string(first.size)}, {first.hash, "0"}}, 1);
    seed("unfinished-last-line", list + "abc,1,no line end", {{"abc", "1"}}, 7);
    seed("odd-lines",
         "a,1,x\r\n\r\nb,2\r\nc,3,y,z\r\n,,\r\nd,4,lf only\ne,5,cr only\rf,6,w\r\r\n"
         "a,1,second\r\n",
         {{"a", "1"}, {"", ""}, {"c", "3"}, {"e", "5"}}, 3);
    // More than one read block, so loading sizes its index from the first one.
    std::string large;
    for (std::uint64_t i = 0; i < 60; ++i)
        large += fixtures::fakesDatLine(
            {"x", static_cast<std::uint32_t>(i * 1000003u), hashFromSeed(100 + i), 0},
            "entry " + std::to_string(i));
    seed("two-blocks", large, {{hashFromSeed(100), "0"}, {hashFromSeed(159), "59000177"}}, 11);
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: brisquen-fuzz-seeds FOLDER\n");
        return 2;
    }
    try {
        const fs::path root = argv[1];
        partFiles(root);
        prefMets(root);
        links(root);
        iniFiles(root);
        databases(root);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "brisquen-fuzz-seeds: %s\n", error.what());
        return 1;
    }
    return 0;
}
