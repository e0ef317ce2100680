#include "tools/client_layouts.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace fixtures {
namespace {

// NNN.part.met and its .bak copy, and the data file they describe.
std::string writePartFile(const std::string& folder, std::size_t number, const std::string& bytes)
{
    const std::string base = folder + partFileNumber(number) + ".part";
    writeFile(base, "");
    writeFile(base + ".met", bytes);
    writeFile(base + ".met.bak", bytes);
    return base + ".met";
}

// Wine's registry text for keys with named values: strings as "text",
// numbers as dword:, backslashes and quotes escaped.
struct RegistryValue {
    std::string key;
    std::string name; // empty: the default value
    std::string text;
    bool dword = false;
};

std::string registryText(const std::vector<RegistryValue>& values)
{
    const auto escaped = [](std::string_view text) {
        std::string out;
        for (const char c : text) {
            if (c == '\\' || c == '"')
                out += '\\';
            out += c;
        }
        return out;
    };
    std::string text = "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n"
                       "#arch=win64\n";
    std::string key;
    for (const auto& value : values) {
        if (value.key != key) {
            key = value.key;
            text += "\n[" + escaped(key) + "] 1700000000\n#time=1d9a2b3c4d5e6f7\n";
        }
        text += (value.name.empty() ? "@" : "\"" + escaped(value.name) + "\"") + "=" +
                (value.dword ? "dword:" + value.text : "\"" + escaped(value.text) + "\"") + "\n";
    }
    return text;
}

} // namespace

AmuleHome writeAmuleHome(const std::string& home, const std::vector<Download>& downloads)
{
    AmuleHome amule;
    amule.settingsFolder = folderPath(home) + ".aMule/";
    amule.conf = amule.settingsFolder + "amule.conf";
    amule.tempFolder = amule.settingsFolder + "Temp/";
    amule.incomingFolder = amule.settingsFolder + "Incoming/";
    fs::create_directories(amule.incomingFolder);
    fs::create_directories(amule.tempFolder);
    const std::string folder = amule.settingsFolder.substr(0, amule.settingsFolder.size() - 1);
    writeFile(amule.conf, "[eMule]\nAppVersion=aMule 2.3.3\nNick=http://www.aMule.org\n"
                          "TempDir=" +
                              folder + "/Temp\nIncomingDir=" + folder + "/Incoming\nOSDirectory=" +
                              amule.settingsFolder + "\n[General]\nCount=0\n");
    for (std::size_t i = 0; i < downloads.size(); ++i)
        amule.partFiles.push_back(
            writePartFile(amule.tempFolder, i + 1, mulePartMetBytes(downloads[i], Mule::aMule)));
    return amule;
}

void interruptAmule3Save(const std::string& partMet, Amule3Save save)
{
    std::ifstream in(partMet, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    switch (save) {
    case Amule3Save::BetweenRenames:
        writeFile(partMet + ".tmp", bytes);
        fs::rename(partMet, partMet + ".bak");
        break;
    case Amule3Save::PartFileCutShort:
        writeFile(partMet, bytes.substr(0, bytes.size() / 2));
        break;
    }
}

EmulePrefix writeEmulePrefix(const std::string& prefix, const std::vector<Download>& downloads)
{
    EmulePrefix emule;
    emule.prefix = folderPath(prefix);
    const std::string user(kWineUser);
    const std::string userFolder = emule.prefix + "drive_c/users/" + user + "/";
    emule.configFolder = userFolder + "AppData/Local/eMule/config/";
    emule.tempFolders = {userFolder + "Downloads/eMule/Temp/",
                         emule.prefix + "drive_d/eMule Temp/"};
    emule.incomingFolder = userFolder + "Downloads/eMule/Incoming/";
    for (const auto& folder :
         {emule.configFolder, emule.tempFolders[0], emule.tempFolders[1], emule.incomingFolder})
        fs::create_directories(folder);
    writeFile(emule.prefix + "drive_c/Program Files/eMule/emule.exe", "");
    fs::create_directories(emule.prefix + "drive_c/ProgramData");

    const fs::path devices = emule.prefix + "dosdevices";
    fs::create_directories(devices);
    for (const auto& [drive, target] :
         {std::pair{"c:", "../drive_c"}, std::pair{"d:", "../drive_d"}, std::pair{"z:", "/"}}) {
        fs::remove(devices / drive);
        fs::create_directory_symlink(target, devices / drive);
    }

    const std::string program = "C:\\Program Files\\eMule\\emule.exe";
    const std::string shellFolders =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    const std::string windowsUser = "C:\\users\\" + user;
    writeFile(
        emule.prefix + "user.reg",
        registryText({
            {"Software\\Classes\\ed2k\\DefaultIcon", "", program},
            {"Software\\Classes\\ed2k\\shell\\open\\command", "", "\"" + program + "\" \"%1\""},
            {"Software\\eMule", "UsePublicUserDirectories", "00000000", true},
            {shellFolders, "AppData", windowsUser + "\\AppData\\Roaming"},
            {shellFolders, "Local AppData", windowsUser + "\\AppData\\Local"},
        }));
    writeFile(emule.prefix + "system.reg",
              registryText({{shellFolders, "Common AppData", "C:\\ProgramData"}}));

    const std::string windowsDownloads = windowsUser + "\\Downloads\\eMule\\";
    writeFile(emule.configFolder + "preferences.ini",
              "[eMule]\r\nAppVersion=0.50a\r\nNick=http://emule-project.net\r\nIncomingDir=" +
                  windowsDownloads + "Incoming\r\nTempDir=" + windowsDownloads +
                  "Temp\r\nTempDirs=D:\\eMule Temp\r\n");
    for (std::size_t i = 0; i < downloads.size(); ++i)
        emule.partFiles.push_back(writePartFile(emule.tempFolders[i % 2], i + 1,
                                                mulePartMetBytes(downloads[i], Mule::eMule)));
    return emule;
}

} // namespace fixtures
