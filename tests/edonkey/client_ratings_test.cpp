// The user's own verdicts as aMule and eMule store them.

#include "edonkey/amule_settings.h"
#include "edonkey/emule_settings.h"
#include "platform/files.h"
#include "tests/support/temp_dir.h"
#include "tests/support/utf16_file.h"

#include <gtest/gtest.h>

namespace {

const std::string fakeHash = "0123456789abcdef0123456789abcdef";
const std::string goodHash = "fedcba9876543210fedcba9876543210";
const std::string clearedHash = "00112233445566778899aabbccddeeff";
const std::string unratedHash = "ffeeddccbbaa99887766554433221100";

std::optional<std::string> readAll(const std::string& path)
{
    return platform::readFile(path);
}

} // namespace

// amule.conf as aMule saves it: a group per rated file named by its hash in
// upper case, Rate and Comment; a group in other letter case still counts.
TEST(ClientRatings, AmuleRatingOfOneIsAFake)
{
    testing_support::TempDir dir;
    const auto conf = dir.write(
        "amule.conf",
        "[eMule]\nTempDir=/tmp\n[0123456789ABCDEF0123456789ABCDEF]\nComment=fake !\nRate=1\n"
        "[fedcba9876543210FEDCBA9876543210]\nRate=4\n[00112233445566778899AABBCCDDEEFF]\n"
        "Comment=\"  1\"\nRate= 0\n[Cat#1]\nRate=1\n");
    const auto rated = edonkey::amuleRatedFakes(conf, readAll);
    ASSERT_TRUE(rated.isRatedFake);
    EXPECT_EQ(rated.description, "rated as a fake in aMule");
    EXPECT_TRUE(rated.isRatedFake(fakeHash));
    for (const auto& hash : {goodHash, clearedHash, unratedHash})
        EXPECT_FALSE(rated.isRatedFake(hash)) << hash;
    EXPECT_FALSE(edonkey::amuleRatedFakes(dir.file("missing.conf"), readAll).isRatedFake);
}

// fileinfo.ini beside preferences.ini, in ANSI or UTF-16, its name in any
// letter case; a cleared rating stays as Rate=0.
TEST(ClientRatings, EmuleRatingOfOneIsAFake)
{
    const std::string ini = "[0123456789ABCDEF0123456789ABCDEF]\r\nComment=fake\r\nRate=1\r\n"
                            "[FEDCBA9876543210FEDCBA9876543210]\r\nRate=5\r\n"
                            "[00112233445566778899AABBCCDDEEFF]\r\nRate=0\r\n";
    std::u16string wide(ini.begin(), ini.end());
    for (const auto& [name, bytes] : {std::pair<std::string, std::string>{"fileinfo.ini", ini},
                                      {"FileInfo.ini", testing_support::utf16(wide)}}) {
        testing_support::TempDir dir;
        const auto preferences = dir.write("config/preferences.ini", "[eMule]\r\n");
        dir.write("config/" + name, bytes);
        const auto rated = edonkey::emuleRatedFakes(preferences, readAll);
        ASSERT_TRUE(rated.isRatedFake) << name;
        EXPECT_EQ(rated.description, "rated as a fake in eMule");
        EXPECT_TRUE(rated.isRatedFake(fakeHash)) << name;
        for (const auto& hash : {goodHash, clearedHash, unratedHash})
            EXPECT_FALSE(rated.isRatedFake(hash)) << name << hash;
    }
    testing_support::TempDir none;
    EXPECT_FALSE(edonkey::emuleRatedFakes(none.write("preferences.ini", "[eMule]\r\n"), readAll)
                     .isRatedFake);
}
