// brisquen-fixture: writes client folders, part files and fakes.dat files for
// tests, benchmarks and the README's sample data.

#include "tools/client_layouts.h"
#include "tools/fixture_writer.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage = "usage: brisquen-fixture sample PROGRAM_FOLDER CLIENT_FOLDER\n"
                               "       brisquen-fixture client FOLDER NAME:SIZE[:HASH] ...\n"
                               "       brisquen-fixture wine PREFIX NAME:SIZE[:HASH] ...\n"
                               "       brisquen-fixture mounted ROOT NAME:SIZE[:HASH] ...\n"
                               "       brisquen-fixture amule HOME NAME:SIZE[:HASH] ...\n"
                               "       brisquen-fixture emule PREFIX NAME:SIZE[:HASH] ...\n"
                               "       brisquen-fixture part FILE NAME SIZE [HASH]\n"
                               "       brisquen-fixture database FILE LINES\n";

constexpr const char* kHelp =
    "\n"
    "sample    a client folder with five downloads, one of them a known fake, a\n"
    "          finished fake in its incoming folder, and PROGRAM_FOLDER/fakes.dat and\n"
    "          Setting.ini pointing at it\n"
    "client    FOLDER/pref.met and FOLDER/temp/001.part.met, ... one per download;\n"
    "          a missing HASH is derived from the download's number\n"
    "wine      a Wine prefix: the client folder in PREFIX/drive_c/Program Files/eDonkey2000/,\n"
    "          the dosdevices links c: and z:, and system.reg with the client's ed2k keys\n"
    "mounted   ROOT/mnt/c/Program Files/eDonkey2000/, a client folder on a Windows partition\n"
    "          whose pref.met names the temp folder C:\\Program Files\\eDonkey2000\\temp\\\n"
    "amule     aMule's settings in HOME/.aMule: amule.conf and Temp/001.part.met, ... one per\n"
    "          download as aMule writes them (dated, 0xE2 and 64-bit numbers above\n"
    "          4,290,048,000 bytes), each with its .bak copy\n"
    "emule     a Wine prefix holding eMule, registered for ed2k links, its settings in\n"
    "          drive_c/users/root/AppData/Local/eMule/config/preferences.ini naming two temp\n"
    "          folders, C:\\users\\root\\Downloads\\eMule\\Temp and D:\\eMule Temp, which\n"
    "          take the downloads in turn as eMule writes them\n"
    "part      one *.part.met file; a missing HASH is derived from NAME\n"
    "database  a fakes.dat with LINES made-up entries, for load tests\n";

struct BadArguments {};

std::optional<std::uint64_t> parseNumber(std::string_view text, std::uint64_t max)
{
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > max)
        return std::nullopt;
    return value;
}

std::uint64_t parseSize(std::string_view text)
{
    const auto size = parseNumber(text, UINT64_MAX);
    if (!size)
        throw BadArguments{};
    return *size;
}

bool isHash(std::string_view text)
{
    return text.size() == 32 && text.find_first_not_of("0123456789abcdefABCDEF") == text.npos;
}

std::uint64_t nameSeed(std::string_view name)
{
    std::uint64_t seed = 0xCBF29CE484222325ULL; // FNV-1a
    for (unsigned char c : name)
        seed = (seed ^ c) * 0x100000001B3ULL;
    return seed;
}

void printClient(const fixtures::ClientFolder& client)
{
    std::cout << "wrote " << client.prefMet << " (temp folder " << client.tempFolder << ")\n";
    for (const auto& part : client.partFiles)
        std::cout << "wrote " << part << "\n";
}

int sample(const std::string& programArg, const std::string& clientArg)
{
    using fixtures::Download;
    using fixtures::hashFromSeed;
    // One ISO, one film (the fake), music with a Windows-1252 name, an archive,
    // and a file below one part so it has no part hashes.
    const std::vector<Download> downloads = {
        {"knoppix_v3.7-2004-12-08-EN.iso", 733'595'648, hashFromSeed(1), 412'160'000},
        {"Harbour.Lights.2004.DVDRip.XviD-iNTERNAL.avi", 734'003'200, hashFromSeed(2), 98'304'000},
        {"Caf\xE9 del Mar - Volumen Siete - 04 - Sunset Ferry.mp3", 9'812'345, hashFromSeed(3),
         5'120'000},
        {"OOo_1.1.3_Win32Intel_install.zip", 66'453'504, hashFromSeed(4), 66'453'504 / 3},
        {"Free Culture - Chapter 01 (audiobook).mp3", 4'389'120, hashFromSeed(5), 0},
    };
    const std::size_t fake = 1;

    const std::string programFolder = fixtures::folderPath(programArg);
    const std::string clientFolder = fixtures::folderPath(clientArg);
    fs::create_directories(programFolder);
    const auto client = fixtures::writeClientFolder(clientFolder, downloads);

    // Entries for files this client does not have; only hash and size matter.
    const struct {
        std::uint32_t size;
        const char* description;
    } others[] = {
        {731'906'048, "Fake - wrong film, an old cartoon"},
        {713'572'352, "Fake - password protected, asks to pay for the password"},
        {98'111'488, "Fake - only noise after the first minute"},
        {1'325'056, "Fake - renamed virus (.exe inside)"},
        {279'805'952, "Fake - a different, older release"},
        {734'443'520, "Fake - corrupt, never completes"},
        {3'932'160, "Fake - wrong song"},
        {732'010'496, "Fake - the same 30 seconds looped"},
    };
    std::string fakes;
    for (std::size_t i = 0; i < std::size(others); ++i) {
        if (i == 4)
            fakes += fixtures::fakesDatLine(downloads[fake], "Fake - contains an advertisement");
        const Download other{"", others[i].size, hashFromSeed(101 + i), 0};
        fakes += fixtures::fakesDatLine(other, others[i].description);
    }
    // A finished download, in the incoming folder, that is listed too.
    const std::string finished = client.incomingFolder + "Harbour.Lights.2004.Trailer.avi";
    fixtures::writeZeroFile(finished, fixtures::zeroChunkSize);
    fakes += fixtures::fakesDatLine(
        {"", fixtures::zeroChunkSize, std::string(fixtures::zeroChunkHash), 0},
        "Fake - nothing but zero bytes");
    const std::string fakesPath = programFolder + "fakes.dat";
    const std::string settingsPath = programFolder + "Setting.ini";
    fixtures::writeFile(fakesPath, fakes);
    fixtures::writeFile(settingsPath, "[Settings]\r\nPrefPath=" + client.folder + "\r\n");

    printClient(client);
    std::cout << "wrote " << finished << "\n";
    std::cout << "wrote " << fakesPath << " (" << std::size(others) + 2 << " entries; "
              << client.partFiles[fake] << " and " << finished << " are fakes)\n";
    std::cout << "wrote " << settingsPath << "\n";
    return 0;
}

std::vector<fixtures::Download> parseDownloads(const std::vector<std::string>& items)
{
    std::vector<fixtures::Download> downloads;
    for (const std::string& item : items) {
        // Read from the right, so names may hold colons.
        fixtures::Download download;
        std::string rest = item;
        auto colon = rest.rfind(':');
        if (colon == rest.npos)
            throw BadArguments{};
        if (isHash(std::string_view(rest).substr(colon + 1))) {
            download.hash = rest.substr(colon + 1);
            rest.resize(colon);
            colon = rest.rfind(':');
            if (colon == rest.npos)
                throw BadArguments{};
        } else {
            download.hash = fixtures::hashFromSeed(downloads.size() + 1);
        }
        download.size = parseSize(std::string_view(rest).substr(colon + 1));
        download.name = rest.substr(0, colon);
        if (download.name.empty())
            throw BadArguments{};
        downloads.push_back(download);
    }
    return downloads;
}

int clientCommand(const std::string& folder, const std::vector<std::string>& items)
{
    printClient(fixtures::writeClientFolder(folder, parseDownloads(items)));
    return 0;
}

int wineCommand(const std::string& prefix, const std::vector<std::string>& items)
{
    const auto wine = fixtures::writeWinePrefix(prefix, parseDownloads(items));
    printClient(wine.client);
    std::cout << "wrote " << wine.prefix << "system.reg, user.reg and dosdevices/ (pref.met names "
              << fixtures::kWindowsClientFolder << "temp\\)\n";
    return 0;
}

int mountedCommand(const std::string& root, const std::vector<std::string>& items)
{
    printClient(fixtures::writeMountedClient(root, parseDownloads(items)));
    std::cout << "(pref.met names " << fixtures::kWindowsClientFolder << "temp\\)\n";
    return 0;
}

int amuleCommand(const std::string& home, const std::vector<std::string>& items)
{
    const auto amule = fixtures::writeAmuleHome(home, parseDownloads(items));
    std::cout << "wrote " << amule.conf << " (temp folder " << amule.tempFolder << ")\n";
    for (const auto& part : amule.partFiles)
        std::cout << "wrote " << part << " and its .bak copy\n";
    return 0;
}

int emuleCommand(const std::string& prefix, const std::vector<std::string>& items)
{
    const auto emule = fixtures::writeEmulePrefix(prefix, parseDownloads(items));
    std::cout << "wrote " << emule.configFolder << "preferences.ini (temp folders "
              << emule.tempFolders[0] << " and " << emule.tempFolders[1] << ")\n";
    for (const auto& part : emule.partFiles)
        std::cout << "wrote " << part << " and its .bak copy\n";
    std::cout << "wrote " << emule.prefix << "user.reg, system.reg and dosdevices/\n";
    return 0;
}

int partCommand(const std::string& file, const std::string& name, const std::string& size,
                const std::string* hash)
{
    if (hash && !isHash(*hash))
        throw BadArguments{};
    fixtures::Download download;
    download.name = name;
    download.size = parseSize(size);
    download.hash = hash ? *hash : fixtures::hashFromSeed(nameSeed(name));
    fixtures::writeFile(file, fixtures::partMetBytes(download));
    std::cout << "wrote " << file << " (hash " << download.hash << ")\n";
    return 0;
}

int databaseCommand(const std::string& file, const std::string& linesArg)
{
    const auto lines = parseNumber(linesArg, 100'000'000);
    if (!lines)
        throw BadArguments{};
    const char* titles[] = {"Matrix",       "Shrek",       "Troy",       "Alexander",
                            "Hellboy",      "Van.Helsing", "Collateral", "Ocean's.Twelve",
                            "The.Terminal", "Garden.State"};
    const char* releases[] = {"DVDRip.XviD", "TS", "DVDSCR", "CAM", "TC.XviD"};
    const char* descriptions[] = {"Fake - contains an advertisement", "Fake - wrong film",
                                  "Fake - password protected",        "Fake - corrupt",
                                  "Fake - only the trailer",          "Fake - renamed virus"};
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    std::string block;
    for (std::uint64_t i = 0; i < *lines; ++i) {
        fixtures::Download download;
        download.hash = fixtures::hashFromSeed(1'000'000 + i);
        download.size =
            600'000'000 + static_cast<std::uint32_t>(nameSeed(download.hash) % 150'000'000);
        const std::string name = std::string(titles[i % std::size(titles)]) + "." +
                                 std::to_string(2000 + i % 5) + "." +
                                 releases[i / 7 % std::size(releases)] + ".avi";
        block += fixtures::fakesDatLine(download,
                                        std::string(descriptions[i / 3 % std::size(descriptions)]) +
                                            " (" + name + ")");
        if (block.size() > (1 << 20)) {
            out << block;
            block.clear();
        }
    }
    out << block;
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + file);
    std::cout << "wrote " << file << " (" << *lines << " entries)\n";
    return 0;
}

int run(const std::vector<std::string>& args)
{
    if (args.empty())
        throw BadArguments{};
    const std::string& command = args[0];
    if (command == "--help" || command == "-h") {
        std::cout << kUsage << kHelp;
        return 0;
    }
    if (command == "sample" && args.size() == 3)
        return sample(args[1], args[2]);
    if (command == "client" && args.size() >= 2)
        return clientCommand(args[1], {args.begin() + 2, args.end()});
    if (command == "wine" && args.size() >= 2)
        return wineCommand(args[1], {args.begin() + 2, args.end()});
    if (command == "mounted" && args.size() >= 2)
        return mountedCommand(args[1], {args.begin() + 2, args.end()});
    if (command == "amule" && args.size() >= 2)
        return amuleCommand(args[1], {args.begin() + 2, args.end()});
    if (command == "emule" && args.size() >= 2)
        return emuleCommand(args[1], {args.begin() + 2, args.end()});
    if (command == "part" && (args.size() == 4 || args.size() == 5))
        return partCommand(args[1], args[2], args[3], args.size() == 5 ? &args[4] : nullptr);
    if (command == "database" && args.size() == 3)
        return databaseCommand(args[1], args[2]);
    throw BadArguments{};
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return run({argv + 1, argv + argc});
    } catch (const BadArguments&) {
        std::cerr << kUsage;
        return 2;
    } catch (const std::exception& error) {
        std::cerr << "brisquen-fixture: " << error.what() << "\n";
        return 1;
    }
}
