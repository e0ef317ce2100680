#include "platform/ini_file.h"

#include "tests/platform/file_size_limit.h"
#include "tests/support/temp_dir.h"
#include "tests/support/utf16_file.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <optional>
#include <tuple>
#include <utility>

using namespace std::string_literals;
using namespace testing_support;
using std::filesystem::perms;

namespace {

TEST(IniFile, ReadsValuesAsTheClientsSystemDoes)
{
    const std::array<std::string, 4> cases[] = {
        {"[settings]\r\nprefpath=x\r\n", "SETTINGS", "PrefPATH", "x"},
        {"\xEF\xBB\xBF \t[ S\t] ; note\r\n\t Key \t=  a = b \t\r\n", " S ", "\tKey ", "a = b"},
        {"[S]\r\nKey=\"  spaced  \"\r\n", "S", "Key", "  spaced  "},
        {"[S]\r\nKey= 'x' \r\n", "S", "Key", "x"},
        {"[S]\r\nKey=\"x'\r\n", "S", "Key", "\"x'"},
        {"[S]\r\nKey=1\r\nkey=2\r\n[S]\r\nKey=3\r\n", "S", "Key", "1"},
        {"[S]\r\nA=1\r\n[T]\r\nKey=t\r\n[s]\r\nKey=2\r\n", "S", "Key", ""},
        {utf16(u"[Settings]\r\nPrefPath=C:\\\u00e9 \u4e2d\U0001F600\xD800\r\n"), "SETTINGS",
         "PrefPath", "C:\\\xC3\xA9 \xE4\xB8\xAD\xF0\x9F\x98\x80?"},
        {utf16(u"[S]\r\nKey=\u00e9") + "\x01", "S", "Key", "\xC3\xA9"},
        {"[S]\nA=1\nKey=v\n", "S", "Key", "v"},
        {"[S]\r\nKey=v", "S", "Key", "v"},
        {"Key=1\r\n[T]\r\nKey=t\r\n", "S", "Key", ""},
        {"[S]\r\nA=1\r\n", "S", "Key", ""},
        {"[S]\r\nKey=" + std::string(300, 'a') + "\r\n", "S", "Key", std::string(254, 'a')},
        {"[S]\r\nKey=ab\0cd\r\n"s, "S", "Key", "ab"},
        {"\x00\xFF\x01[\x80\r\r\n\x7F=\x9C\x00]"s, "S", "Key", ""},
    };
    TempDir dir;
    for (const auto& [content, section, key, expected] : cases) {
        const std::string path = dir.write("Setting.ini", content);
        EXPECT_EQ(platform::readIniString(path, section, key), expected) << content;
    }
    EXPECT_EQ(platform::readIniString(dir.file("missing.ini"), "S", "Key"), "");
}

TEST(IniFile, LoadsOrParsesOnceAndSaysHowTheFileWasSaved)
{
    using platform::IniEncoding;
    const std::u16string longValue(300, u'v');
    const std::u16string text =
        u"[S]\r\nA=1\r\nEmpty=\r\nLong=" + longValue + u"\r\n[T]\r\nB=2\r\n";
    const std::string ascii(text.begin(), text.end());
    const std::pair<std::string, IniEncoding> cases[] = {
        {ascii, IniEncoding::Ansi},
        {"\xEF\xBB\xBF" + ascii, IniEncoding::Utf8WithMark},
        {utf16(text), IniEncoding::Utf16},
    };
    TempDir dir;
    for (const auto& [content, encoding] : cases) {
        const std::optional<platform::IniFile> loaded =
            platform::IniFile::load(dir.write("Setting.ini", content));
        ASSERT_TRUE(loaded.has_value());
        for (const platform::IniFile& ini : {*loaded, platform::IniFile::parse(content)}) {
            EXPECT_EQ(ini.encoding(), encoding);
            EXPECT_EQ(ini.value(" s ", "a"), "1");
            EXPECT_EQ(ini.value("T", "B"), "2");
            EXPECT_EQ(ini.value("S", "Empty"), "");
            EXPECT_EQ(ini.value("S", "Long"), std::string(300, 'v'));
            EXPECT_EQ(ini.value("S", "B"), std::nullopt);
            EXPECT_EQ(ini.value("U", "A"), std::nullopt);
            EXPECT_EQ(ini.value("", "A"), std::nullopt);
        }
    }
    const std::string big = dir.write("big.ini", "[S]\r\nA=1\r\n");
    std::filesystem::resize_file(big, (16u << 20) + 1);
    for (const std::string& path : {dir.file("missing.ini"), dir.path(), big})
        EXPECT_FALSE(platform::IniFile::load(path).has_value()) << path;
}

TEST(IniFile, WritesOnlyTheKeysLine)
{
    const std::pair<std::string, std::string> cases[] = {
        {"\xEF\xBB\xBF; top\r\n[Other]\r\nKey=o\r\n[settings]\r\n key = old \nKey=2\r\n\r\n[B]\r\n",
         "\xEF\xBB\xBF; top\r\n[Other]\r\nKey=o\r\n[settings]\r\nKey=v\nKey=2\r\n\r\n[B]\r\n"},
        {"[Settings]\r\nA=1\r\n\r\n[Other]\r\nB=2\r\n",
         "[Settings]\r\nA=1\r\nKey=v\r\n\r\n[Other]\r\nB=2\r\n"},
        {"[Settings]\r\nA=1", "[Settings]\r\nA=1\r\nKey=v\r\n"},
        {"junk\x01\0\r\n[Other]\nB=2"s, "junk\x01\0\r\n[Other]\nB=2\r\n[Settings]\r\nKey=v\r\n"s},
        {"[settings]\r\nA=1\r\n[T]\r\n[Settings]\r\nKey=2\r\n",
         "[settings]\r\nA=1\r\nKey=v\r\n[T]\r\n[Settings]\r\nKey=2\r\n"},
        {utf16(u"[Settings]\r\nKey=old\r\nA=\u00e9\U0001F600\r\n"),
         utf16(u"[Settings]\r\nKey=v\r\nA=\u00e9\U0001F600\r\n")},
    };
    TempDir dir;
    for (const auto& [before, after] : cases) {
        const std::string path = dir.write("Setting.ini", before);
        EXPECT_TRUE(platform::writeIniString(path, "Settings", "Key", "v"));
        EXPECT_EQ(readFile(path), after);
    }
}

TEST(IniFile, CreatesTheFileReadsBackWhatItWroteAndRefusesTheRest)
{
    TempDir dir;
    const std::string path = dir.file("Setting.ini");
    ASSERT_TRUE(platform::writeIniString(path, "Settings", "PrefPath", "C:\\eDonkey2000"));
    ASSERT_TRUE(platform::writeIniString(path, "Settings", "FakesNr", "42"));
    EXPECT_EQ(readFile(path), "[Settings]\r\nPrefPath=C:\\eDonkey2000\r\nFakesNr=42\r\n");
    for (const std::string& value : {""s, " lead"s, "trail\t"s, "\"quoted\""s, "'single'"s, "\""s,
                                     "a=b"s, std::string(254, 'z')}) {
        ASSERT_TRUE(platform::writeIniString(path, "Settings", "Key", value)) << value;
        EXPECT_EQ(platform::readIniString(path, "Settings", "Key"), value);
    }
    const std::string before = readFile(path);
    EXPECT_FALSE(platform::writeIniString(path, "Settings", "Key", "two\r\nlines"));
    EXPECT_FALSE(platform::writeIniString(path, "Settings", "K=y", "v"));
    EXPECT_FALSE(platform::writeIniString(path, "Set]tings", "Key", "v"));
    limitFileSize(100);
    EXPECT_FALSE(platform::writeIniString(path, "Settings", "Key", std::string(200, 'n')));
    limitFileSize(RLIM_INFINITY);
    EXPECT_EQ(readFile(path), before);
}

TEST(IniFile, LeavesReadOnlyFilesAndUtf16ItCannotKeepAsTheyAre)
{
    constexpr perms writable = perms::owner_read | perms::owner_write;
    const std::tuple<std::string, std::string, perms> cases[] = {
        {"[Settings]\r\nKey=old\r\n", "v", perms::owner_read | perms::group_read},
        {"[Settings]\r\nKey=old\r\n", "v", perms::owner_read | perms::others_write},
        {utf16(u"[Settings]\r\nKey=old\r\n"), "\xE9", writable},
        {utf16(u"[Settings]\r\nA=\xDC00\r\n"), "v", writable},
        {utf16(u"[Settings]\r\n") + "x", "v", writable},
    };
    TempDir dir;
    for (const auto& [content, value, mode] : cases) {
        const std::string path = dir.write("Setting.ini", content);
        std::filesystem::permissions(path, mode);
        EXPECT_FALSE(platform::writeIniString(path, "Settings", "Key", value)) << content;
        EXPECT_EQ(readFile(path), content);
        std::filesystem::permissions(path, writable);
    }
}

} // namespace
