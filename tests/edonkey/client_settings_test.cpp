// The clients' settings files as each client reads them: the folders they
// name, in the client's own order, each once.

#include "edonkey/amule_settings.h"
#include "edonkey/emule_settings.h"
#include "edonkey/pref_met.h"
#include "platform/files.h"
#include "tests/support/temp_dir.h"
#include "tests/support/utf16_file.h"
#include "tools/fixture_writer.h"

#include <gtest/gtest.h>

using edonkey::ClientSettings;
using testing_support::utf16;

namespace {

struct SettingsCase {
    std::string name;
    std::string file;        // the settings file; "{}" stands for its folder
    ClientSettings expected; // "{}" stands for the folder holding the file
    std::string beside = {}; // the file beside it (Category.ini), when any
};

void PrintTo(const SettingsCase& c, std::ostream* out)
{
    *out << c.name;
}

class ClientSettingsFiles : public testing::TestWithParam<SettingsCase> {
protected:
    testing_support::TempDir dir;

    // Writes the case's files and expects `reader` to find its folders.
    void expectFolders(std::string_view settingsName, decltype(&edonkey::amuleSettings) reader)
    {
        const SettingsCase& c = GetParam();
        std::string file = c.file;
        if (const auto at = file.find("{}"); at != std::string::npos)
            file.replace(at, 2, dir.path());
        dir.makeFolder("H\xC3\xA9llo");
        const std::string path = dir.write(settingsName, file);
        if (!c.beside.empty())
            dir.write("Category.ini", c.beside);
        ClientSettings expected = c.expected;
        for (auto* list : {&expected.tempFolders, &expected.incomingFolders})
            for (auto& folder : *list)
                if (folder.starts_with("{}"))
                    folder.replace(0, 2, dir.path());
        EXPECT_EQ(reader(path, [](const std::string& file) { return platform::readFile(file); }),
                  expected);
    }
};

class AmuleConfFiles : public ClientSettingsFiles {};
class EmulePreferencesFiles : public ClientSettingsFiles {};

} // namespace

TEST_P(AmuleConfFiles, NameTheFoldersAmuleUses)
{
    expectFolders("amule.conf", edonkey::amuleSettings);
}

INSTANTIATE_TEST_SUITE_P(
    Table, AmuleConfFiles,
    testing::Values(
        SettingsCase{"AsAmuleWritesIt",
                     "[eMule]\nNick=http://www.aMule.org\nTempDir=/home/u/.aMule/Temp\n"
                     "IncomingDir=/home/u/Caf\xC3\xA9 files/Incoming\n[General]\nCount=0\n",
                     {{"/home/u/.aMule/Temp"}, {"/home/u/Caf\xC3\xA9 files/Incoming"}}},
        SettingsCase{"MissingOrEmptyKeysMeanTheFoldersBesideIt",
                     "[eMule]\r\nTempDir=\r\n[Other]\r\nIncomingDir=/elsewhere\r\n",
                     {{"{}Temp"}, {"{}Incoming"}}},
        SettingsCase{"EscapesQuotesCaseCommentsAndTheLastDuplicate",
                     "; comment\n# comment\n [EMULE] ; note\n tempdir = \" /lead\\\\ing\\\"q\\t\"\n"
                     "IncomingDir=/first\nINCOMINGDIR=/last \\x\n",
                     {{" /lead\\ing\"q\t"}, {"/last "}}},
        SettingsCase{"AFolderWrittenAsLatin1BytesIsTheOneOnDisk",
                     "[eMule]\nTempDir={}H\xC3\x83\xC2\xA9llo\nIncomingDir=/H\xC3\x83\xC2\xA9\n",
                     {{"{}H\xC3\xA9llo"}, {"/H\xC3\x83\xC2\xA9"}}},
        SettingsCase{"CategoriesUpToTheCountWithTitleAndFolder",
                     "[General]\nCount=3\n[Cat#3]\nTitle=Music\nIncoming=/m\n[Cat#1]\nTitle=Films\n"
                     "Incoming=/with blank/films\n[Cat#2]\nTitle=\nIncoming=/no-title\n"
                     "[Cat#4]\nTitle=Late\nIncoming=/beyond-count\n",
                     {{"{}Temp"}, {"{}Incoming", "/with blank/films", "/m"}}}),
    testing::PrintToStringParamName());

TEST_P(EmulePreferencesFiles, NameTheFoldersEmuleUses)
{
    expectFolders("preferences.ini", edonkey::emuleSettings);
}

INSTANTIATE_TEST_SUITE_P(
    Table, EmulePreferencesFiles,
    testing::Values(
        SettingsCase{"TempDirsTrimmedWithoutEmptiesOrRepeatsInAnyCase",
                     "[eMule]\r\nTempDir=C:\\eMule\\Temp\r\n"
                     "TempDirs= c:\\emule\\temp\\ | D:\\More Temp||d:\\more temp\\|E:\\x\r\n"
                     "IncomingDir=C:\\eMule\\Incoming\r\n",
                     {{"C:\\eMule\\Temp", "D:\\More Temp", "E:\\x"}, {"C:\\eMule\\Incoming"}}},
        SettingsCase{"AnsiValuesAreWindows1252",
                     "[eMule]\r\nTempDir=C:\\Caf\xE9\\\x80\r\nIncomingDir=C:\\Caf\xC3\xA9\r\n",
                     {{"C:\\Caf\xC3\xA9\\\xE2\x82\xAC"}, {"C:\\Caf\xC3\x83\xC2\xA9"}}},
        SettingsCase{"Utf16FileAndTheBufferOf255Units",
                     utf16(u"[eMule]\r\nTempDir=D:\\T\u00e9\u4e2d|C:\\T2\r\nIncomingDir=" +
                           std::u16string(300, u'x') + u"\r\n"),
                     {{"D:\\T\xC3\xA9\xE4\xB8\xAD", "C:\\T2"}, {std::string(255, 'x')}}},
        SettingsCase{
            "CategoriesUpToTheCount",
            "[eMule]\r\nTempDir=C:\\T\r\nIncomingDir=C:\\In\r\n",
            {{"C:\\T"}, {"C:\\In", "D:\\M\xC3\xBAsica"}},
            "[General]\r\nCount=2\r\n[Cat#0]\r\nIncoming=C:\\In\r\n[Cat#1]\r\n"
            "Incoming=D:\\M\xC3\xBAsica\r\n[Cat#2]\r\nIncoming=\r\n[Cat#3]\r\nIncoming=X:\\\r\n"},
        SettingsCase{"NoTempFolderAtAll", "[eMule]\r\nTempDir=  \r\nTempDirs=|\r\n", {}}),
    testing::PrintToStringParamName());

TEST(ClientSettingsFile, UnreadableSettingsGiveNothing)
{
    const auto unreadable = [](const std::string&) {
        return std::optional<std::string>();
    };
    EXPECT_FALSE(edonkey::amuleSettings("/x/amule.conf", unreadable));
    EXPECT_FALSE(edonkey::emuleSettings("/x/preferences.ini", unreadable));
    EXPECT_FALSE(edonkey::prefMetSettings("/x/pref.met", unreadable));
}
