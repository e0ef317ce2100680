// Writes a few seeds per fuzz target from the fixture writer, what the client
// really writes plus a cut-off variant; libFuzzer finds the rest. Run by the
// fuzz build: brisquen-fuzz-seeds FOLDER fills FOLDER/<target>/.

#include "tools/fixture_writer.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using namespace std::string_literals;
using fixtures::hashFromSeed;

namespace {

// A string as FuzzedDataProvider::ConsumeRandomLengthString takes it back.
std::string provided(const std::string& text)
{
    std::string out;
    for (const char c : text)
        out += c == '\\' ? "\\\\"s : std::string(1, c);
    return out + "\\;";
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2)
        return 2;
    const fixtures::Download iso{"Knoppix.iso", 700000000, hashFromSeed(1), 350000000};
    const fixtures::Download odd{"Caf\xE9 " + std::string(280, 'x'), 4294967295u, hashFromSeed(5)};
    const std::string part = fixtures::partMetBytes(iso);
    const fixtures::Download large{"Caf\xC3\xA9 del Mar.mkv", 5'000'000'000, hashFromSeed(7),
                                   1'000'000};
    const std::string amule = fixtures::mulePartMetBytes(iso, fixtures::Mule::aMule);
    const std::string pref = fixtures::prefMetBytes("/data/ed2k/temp/", "tempest");
    std::string fakes =
        fixtures::fakesDatLine(iso, "Fake - iso") + fixtures::fakesDatLine(odd, "o");
    for (int i = 0; i < 60; ++i) // more than one read block, so loading sizes its index
        fakes += fixtures::fakesDatLine({"x", 1000003u * i, hashFromSeed(100 + i), 0}, "entry");
    const std::string registry = fixtures::wineRegistryText(
        {{"Software\\Classes\\ed2k\\DefaultIcon", "C:\\eDonkey2000\\eDonkey2000.exe,0"},
         {"Software\\Classes\\ed2k\\shell\\open\\command", "\"C:\\Caf\xE9\\e.exe\" \"%1\""}});
    const std::string minisignSignature =
        "untrusted comment: signature from minisign secret key\n"
        "RURbv5G7m+tnVJ+RKblJoqAAlmp2Kg53YriipFASHcbxGOK3AJE3uOZisIGuDeLH/azrTs0XycBf4qU0rhe3FKgQb/"
        "yyjkYOmQQ=\ntrusted comment: serial=5\n"
        "B20BZflG9O93vJo58qNEnTNLkboAoKprSdB92O+LUJAXXbAAaz5Elke1mlg4n4opTMpXxWAfv3NWaJnIIdz5Ag=="
        "\n";
    const std::string minisignPublicKey =
        "untrusted comment: minisign public key 5467EB9BBB91BF5B\n"
        "RWRbv5G7m+tnVJmUl8cLuI73JQZbglioDnSY5SXz4zaokcehANMeovgb\n";
    const std::vector<std::pair<std::string, std::string>> seeds = {
        {"amule_conf/client",
         "[eMule]\nAppVersion=aMule 2.3.3\nTempDir=/home/u/.aMule/Temp\n"
         "IncomingDir=/home/u/H\xC3\x83\xC2\xA9llo/Incoming\n[General]\nCount=2\n[Cat#1]\n"
         "Title=Music\nIncoming=/home/u/My Music\nComment=Live \"bootlegs\" \\\\ B-sides\n"
         "[Cat#2]\nTitle=x\nIncoming=\" lead\\t\\\"q\\\"\"\n"},
        {"part_file/client", part},
        {"part_file/file-type-after-size", fixtures::partMetBytes(odd, {true, 3})},
        {"part_file/half", part.substr(0, part.size() / 2)},
        {"part_file_walker/amule", amule},
        {"part_file_walker/amule-large-paused",
         fixtures::mulePartMetBytes(large, fixtures::Mule::aMule,
                                    {.paused = true, .hashSetKnown = false, .category = 2})},
        {"part_file_walker/emule-large",
         fixtures::mulePartMetBytes(large, fixtures::Mule::eMule, {.hashSetKnown = false})},
        {"part_file_walker/emule-new",
         fixtures::mulePartMetBytes({"a.avi", 20'000'000, hashFromSeed(8)}, fixtures::Mule::eMule,
                                    {.date = 0xFFFFFFFF, .hashSetKnown = false})},
        {"part_file_walker/half", amule.substr(0, amule.size() / 2)},
        {"download_gaps/first-block",
         fixtures::mulePartMetBytes({"a.avi", 20'000'000, hashFromSeed(9), 65'536},
                                    fixtures::Mule::eMule)},
        {"download_gaps/amule-large", fixtures::mulePartMetBytes(large, fixtures::Mule::aMule)},
        {"file_type/program-as-video", provided("Movie.2026.avi") + provided("") +
                                           "MZ\x90\x00\x03\x00\x00\x00\x04\x00\x00\x00\xFF\xFF"s +
                                           std::string(48, '\0') + "PE\0\0"s},
        {"file_type/zip-as-mkv", provided("Clip.MKV") + provided("") + "PK\x03\x04\x14\x00"s},
        {"file_type/disc", provided("Disc.iso") +
                               provided("\x01"
                                        "CD001") +
                               std::string(64, '\0')},
        {"pref_met/client", pref},
        {"pref_met/cut", pref.substr(0, pref.size() - 5)},
        {"shown_text/hostile-name", "\x1b[1A\x1b[2Kname\r\n*** forged\xE2\x80\xAE.exe"},
        {"shown_text/windows-1252", "caf\xE9 \x9D"
                                    "0;title\x07\r\nnext\rline\n"},
        {"ed2k_link/plain", "ed2k://|file|Knoppix.iso|700000000|" + iso.hash + "|/"},
        {"ed2k_link/anchor", "<a href=\"ed2k://|file|x.iso|1|" + iso.hash + "|/\">x</a>"},
        {"ini_file/stored", provided("Settings") + provided("PrefPath") + provided("FakesNr") +
                                provided("/new/") +
                                "[Settings]\r\nPrefPath=/home/user/\r\nFakesNr=120\r\n"},
        {"ini_file/odd", provided(" settings ") + provided("prefpath") + provided("x") +
                             provided("'q'") + "\xEF\xBB\xBF[ Settings ]\n PrefPath = \"/q/\"\n"},
        // Made by minisign for the list "[a,1,x" CR LF "]" with the key below.
        {"minisign_signature/real", provided("[a,1,x\r\n]") + minisignSignature},
        {"minisign_signature/legacy-cut", provided("") + minisignSignature.substr(0, 60)},
        {"minisign_public_key/file", minisignPublicKey},
        {"minisign_public_key/list",
         minisignPublicKey.substr(minisignPublicKey.find('\n') + 1) + ", RWQ," +
             minisignPublicKey.substr(minisignPublicKey.find('\n') + 1)},
        {"wine_registry/keys", provided("ed2k\\DefaultIcon") + provided("") + registry},
        {"wine_registry/cut", provided("ed2k\\shell\\open\\command") + provided("") +
                                  registry.substr(0, registry.size() - 9)},
        {"wine_registry/named",
         provided("x") + provided("Port") +
             "WINE REGISTRY Version 2\n[Software\\\\Classes\\\\x] 1\n\"Port\"=dword:0000120a\n"
             "\"Name\"=\"a\"\n\"Bin\"=hex(4):0a,00,\\\n  00,00\n"},
        {"known_met/amule",
         fixtures::knownMetBytes({{iso}, {large, 1'600'000'000}}, fixtures::Mule::aMule, true)},
        {"known_met/emule", fixtures::knownMetBytes({{odd}, {iso}}, fixtures::Mule::eMule)},
        {"personal_list/mine", fakes + "junk line\r\n" + iso.hash + ",1,no end"},
        {"fake_database/list",
         provided(fakes) + provided(iso.hash) + provided("700000000") + "\x01\x00\x00\x00"s},
        {"fake_database/odd-lines",
         provided("a,1,x\r\n\r\nb,2\r\n,,\r\nd,4,lf\ne,5,cr\rf,6,w\r\r\na,1,y\r\nc,3,end") +
             provided("a") + provided("1") + "\x07\x00\x00\x00"s},
    };
    fs::remove_all(argv[1]);
    for (const auto& [name, bytes] : seeds) {
        const fs::path path = fs::path(argv[1]) / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    }
    return 0;
}
