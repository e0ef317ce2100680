#include "platform/wine_registry.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

using platform::WineHive;
using testing_support::TempDir;

namespace {

const std::string kHeader =
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n";
const std::string kIconKey = "[Software\\\\Classes\\\\ed2k\\\\DefaultIcon] 1700000000\n";

std::optional<std::string> icon(const std::string& user, const std::string& machine)
{
    return platform::classesRootDefault(WineHive(user), WineHive(machine), "ed2k\\DefaultIcon");
}

// The prefix's registry files as Wine wrote them.
void copyRealHives(const TempDir& prefix)
{
    for (const char* name : {"system.reg", "user.reg"})
        std::filesystem::copy_file(BRISQUEN_TEST_DATA "/wine/" + std::string(name),
                                   prefix.file(name));
}

} // namespace

TEST(WineRegistry, ReadsTheKeysWineRegAddWrote)
{
    TempDir prefix;
    copyRealHives(prefix);
    platform::WineRegistry registry(prefix.path());
    EXPECT_EQ(registry.readClassesRootDefault("ed2k\\DefaultIcon"),
              "C:\\Program Files\\eDonkey2000\\eDonkey2000.exe");
    EXPECT_EQ(registry.readClassesRootDefault("ED2K\\shell\\Open\\command"),
              "\"C:\\Program Files\\eDonkey2000\\eDonkey2000.exe\" \"%1\"");
    EXPECT_EQ(registry.readClassesRootDefault("unicode\\expand"), "%ProgramFiles%\\\xC3\xA9");
    // The user's key, whose default value is a number, hides the machine's text.
    EXPECT_EQ(registry.readClassesRootDefault("unicode\\DefaultIcon"), std::nullopt);
    EXPECT_EQ(WineHive::load(prefix.file("system.reg"))
                  .defaultValue("Software\\Classes\\unicode\\DefaultIcon"),
              "C:\\Caf\xC3\xA9 \xE2\x82\xAC\\\xF0\x9F\x98\x80x.exe");
    EXPECT_EQ(platform::WineRegistry(prefix.file("absent")).readClassesRootDefault("ed2k\\shell"),
              std::nullopt);
}

TEST(WineRegistry, ReadsNamedValuesOfTheUsersAndTheMachinesHive)
{
    using platform::RegistryRoot;
    TempDir prefix;
    copyRealHives(prefix);
    platform::WineRegistry registry(prefix.path());
    const std::string format = "CLSID\\{05EC7C2B-F1E6-4961-AD46-E1CC810A87D2}";
    const std::string machineFormat = "Software\\Classes\\" + format;
    EXPECT_EQ(registry.readString(RegistryRoot::LocalMachine, machineFormat, "friendlyNAME"),
              "16bpp BGRA5551");
    EXPECT_EQ(registry.readDword(RegistryRoot::LocalMachine, machineFormat, "BitLength"), 16u);
    EXPECT_EQ(registry.readDword(RegistryRoot::ClassesRoot, format, "ChannelCount"), 4u);
    EXPECT_EQ(registry.readString(RegistryRoot::ClassesRoot, format, "ChannelCount"), std::nullopt);
    EXPECT_EQ(registry.readDword(RegistryRoot::ClassesRoot, format + "\\ChannelMasks", "0"),
              std::nullopt); // hex: is binary
    // The value after one continued over several lines.
    EXPECT_EQ(registry.readString(RegistryRoot::ClassesRoot,
                                  "CLSID\\{083863F1-70DE-11D0-BD40-00A0C911CE86}\\Instance\\"
                                  "{1B544C20-FD0B-11CE-8C63-00AA0044B51E}",
                                  "FriendlyName"),
              "AVI Splitter");
    const std::string main = "Software\\Microsoft\\Internet Explorer\\Main";
    EXPECT_EQ(registry.readString(RegistryRoot::CurrentUser, main, "Start Page"),
              "https://www.winehq.org");
    EXPECT_EQ(registry.readString(RegistryRoot::LocalMachine, main, "Start Page"), std::nullopt);
    EXPECT_EQ(registry.readDword(RegistryRoot::CurrentUser,
                                 "Software\\Classes\\unicode\\DefaultIcon", ""),
              5u);
}

TEST(WineRegistry, ReadsWinesValueFormsAndRejectsWhatIsNotARegistry)
{
    const struct {
        std::string user;
        std::string machine;
        std::optional<std::string> value;
    } rows[] = {
        {"", kHeader + kIconKey + "#time=1d9\n@=\"a\\\\b \\\"c\\\" \\t\\n\\r\\x\\101\"\n",
         "a\\b \"c\" \t\n\rxA"},
        {"",
         kHeader + kIconKey +
             "@=\"Caf\\xe9 \\x20ac\\xd83d\\xde00 \\xdc00\\x4142\"", // \x takes 4 digits
         "Caf\xC3\xA9 \xE2\x82\xAC\xF0\x9F\x98\x80 ?\xE4\x85\x82"},
        {"", kHeader + kIconKey + "@=\"x.exe\\0,1\"\n", "x.exe"},
        {"", kHeader + kIconKey + "@=str(2):\"%ProgramFiles%\\\\e.exe\"\n",
         "%ProgramFiles%\\e.exe"},
        {"", kHeader + kIconKey + "@=hex(1):43,00,3a,00,5c,00,\\\n  e9,00,ac,20,00,00,41,00\n",
         "C:\\\xC3\xA9\xE2\x82\xAC"},
        {"", kHeader + kIconKey + "@=hex:43,00\n", std::nullopt},
        {"", kHeader + kIconKey + "\"\"=\"empty name\"\n", "empty name"},
        {"", kHeader + "[software\\\\CLASSES\\\\Ed2k\\\\defaulticon]\r\n@=\"any case\"\r\n",
         "any case"},
        {"", kHeader + kIconKey + "@=\"unterminated\n", std::nullopt},
        {"", kHeader + "[Software\\\\Classes\\\\ed2k\\\\DefaultIcon\n@=\"broken key\"\n",
         std::nullopt},
        {"", "WINE REGISTRY Version 1\n" + kIconKey + "@=\"old\"\n", std::nullopt},
        {kHeader + kIconKey + "@=\"user\"\n", kHeader + kIconKey + "@=\"machine\"\n", "user"},
        // Wine leaves out keys that hold nothing but subkeys, yet they exist.
        {kHeader + "[Software\\\\Classes\\\\ed2k\\\\DefaultIcon\\\\x]\n",
         kHeader + kIconKey + "@=\"m\"\n", std::nullopt},
        {kHeader + "[Software\\\\Classes\\\\ed2k]\n", kHeader + kIconKey + "@=\"machine\"\n",
         "machine"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(icon(row.user, row.machine), row.value) << row.machine;
}

TEST(WineRegistry, ReadsNamedStringsAndDwordsInEveryForm)
{
    const struct {
        std::string values;
        std::optional<std::string> text;
        std::optional<std::uint32_t> number;
    } rows[] = {
        {"\"Port\"=dword:0000120a\n", std::nullopt, 0x120a},
        {"\"PORT\"=\"x\"\n\"port\"=dword:ffffffff\n", std::nullopt, 0xffffffff}, // the last wins
        {"\"Port\"=hex(4):0a,00,00,80\n", std::nullopt, 0x8000000a},
        {"\"Port\"=hex(4):0a,00,00\n", std::nullopt, std::nullopt},
        {"\"Port\"=hex(7):61,00,00,00,62,00,00,00,00,00\n", "a", std::nullopt},
        {"\"Port\"=str(2):\"%TEMP%\"\n\"Port\"=dword:zz\n", std::nullopt, 0},
        {"\"Port\"=\"4662\"\n\"Port\"=hex:zz\n", "4662", std::nullopt}, // unreadable: skipped
        {"@=dword:00000001\n", std::nullopt, std::nullopt},
    };
    for (const auto& row : rows) {
        const WineHive hive(kHeader + kIconKey + row.values);
        EXPECT_EQ(hive.stringValue("Software\\Classes\\ed2k\\DefaultIcon", "port"), row.text)
            << row.values;
        EXPECT_EQ(hive.dwordValue("Software\\Classes\\ed2k\\DefaultIcon", "Port"), row.number)
            << row.values;
    }
}

TEST(WineRegistry, IgnoresAFileAboveTheSizeCap)
{
    TempDir dir;
    const std::string path = dir.write("system.reg", kHeader + kIconKey + "@=\"big\"\n");
    EXPECT_EQ(WineHive::load(path).defaultValue("Software\\Classes\\ed2k\\DefaultIcon"), "big");
    std::filesystem::resize_file(path, (64u << 20) + 1);
    EXPECT_FALSE(WineHive::load(path).hasKey("Software\\Classes\\ed2k\\DefaultIcon"));
}
