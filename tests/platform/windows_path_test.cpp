#include "platform/windows_path.h"

#include "tests/support/temp_dir.h"
#include "tools/fixture_writer.h"

#include <gtest/gtest.h>

using platform::PathContext;

TEST(WindowsPath, MapsDrivesThroughThePrefixOrTheMountedPartition)
{
    testing_support::TempDir dir;
    const auto wine = fixtures::writeWinePrefix(dir.file("wine"), {});
    const auto mounted = fixtures::writeMountedClient(dir.file("disk"),
                                                      {{"a.iso", 1, fixtures::hashFromSeed(1), 0}});
    dir.makeFolder("wine/drive_c/Caf\xC3\xA9");
    const std::string root = dir.file("disk/");
    // "P/" or "M/" stands for the prefix or for the folder that holds mnt/;
    // only one is replaced, as the folder put in may hold the other mark.
    const auto expand = [&](std::string text) {
        for (const auto& [mark, folder] : {std::pair{"P/", wine.prefix}, std::pair{"M/", root}})
            if (const auto at = text.find(mark); at != std::string::npos)
                return text.replace(at, 2, folder);
        return text;
    };
    const PathContext inWine{wine.prefix, std::nullopt};
    const PathContext onDisk{dir.file("nowhere"), mounted.folder};
    const PathContext both{wine.prefix, mounted.folder};
    const struct {
        const char* path;
        const PathContext& context;
        std::optional<std::string> mapped;
    } rows[] = {
        {"C:\\Program Files\\eDonkey2000\\temp\\", inWine,
         "P/drive_c/Program Files/eDonkey2000/temp/"},
        {"c:/program files/EDONKEY2000/Temp", inWine, "P/drive_c/Program Files/eDonkey2000/temp"},
        {"C:\\Program Files\\..\\.\\Program Files\\eDonkey2000\\pref.met", inWine,
         "P/drive_c/Program Files/eDonkey2000/pref.met"},
        {"\\Program Files\\eDonkey2000\\", inWine, "P/drive_c/Program Files/eDonkey2000/"},
        {"C:\\Caf\xE9\\", inWine, "P/drive_c/Caf\xC3\xA9/"},
        {"Z:M/mnt\\c\\", inWine, "M/mnt/c/"},
        {"C:\\Program Files\\Missing\\", inWine, std::nullopt},
        {"D:\\Program Files\\eDonkey2000\\", inWine, std::nullopt},
        {"C:\\Program Files\\eDonkey2000\\temp\\", onDisk,
         "M/mnt/c/Program Files/eDonkey2000/temp/"},
        {"D:\\PROGRAM FILES\\eDonkey2000\\temp\\001.part.met", both,
         "M/mnt/c/Program Files/eDonkey2000/temp/001.part.met"},
        {"C:\\Program Files\\Other\\", onDisk, std::nullopt},
        {"TEMP\\", onDisk, "M/mnt/c/Program Files/eDonkey2000/temp/"},
        {"temp\\", inWine, std::nullopt},
        {"\\\\server\\share\\temp\\", both, std::nullopt},
        {"/no/such/folder/", both, "/no/such/folder/"},
    };
    for (const auto& row : rows) {
        const std::string path = expand(row.path);
        const auto expected = row.mapped ? std::optional(expand(*row.mapped)) : std::nullopt;
        EXPECT_EQ(platform::mapWindowsPath(path, row.context), expected) << path;
    }
}

TEST(WindowsPath, TakesThePrefixFromWineprefixElseHome)
{
    EXPECT_EQ(platform::winePrefixFrom("/srv/wine", "/home/u"), "/srv/wine");
    EXPECT_EQ(platform::winePrefixFrom("", "/home/u"), "/home/u/.wine");
    EXPECT_EQ(platform::winePrefixFrom(std::nullopt, std::nullopt), "");
}
