// With a trusted key, a list shared for every user is read only when its own
// signature holds and its serial is above the user's.

#include "platform/ini_file.h"
#include "session/database.h"
#include "tests/support/minisign_tool.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

const std::string list = "0123456789abcdef0123456789abcdef,734003200,Shared fake\r\n";

class SignedSharedList : public testing::Test {
protected:
    testing_support::TempDir dir;
    session::ProgramFiles files{dir.makeFolder("data"),
                                dir.makeFolder("config"),
                                {dir.file("share/brisquen/fakes.dat")},
                                true};
    testing_support::MinisignKey key = testing_support::MinisignKey::make(dir, "key");
    std::string shared = dir.write("share/brisquen/fakes.dat", list);

    // Signs the shared list as the server serves it, "[" to "]".
    void signShared(std::uint64_t serial)
    {
        const std::string served =
            dir.write("served.dat", "[" + list.substr(0, list.size() - 2) + "]");
        key.sign(served, "serial=" + std::to_string(serial));
        dir.write("share/brisquen/fakes.dat.minisig",
                  testing_support::readFile(served + ".minisig"));
    }
    void set(const std::string& name, const std::string& value)
    {
        platform::writeIniString(files.settingIni(), "Settings", name, value);
    }
};

} // namespace

TEST_F(SignedSharedList, IsReadOnlyWithItsOwnValidSignatureAndAHigherSerial)
{
    // Without a key the later file wins, as ever: the user has none.
    EXPECT_EQ(session::databaseToLoad(files), shared);
    EXPECT_EQ(session::serialInUse(files), std::nullopt);

    set("UpdatePublicKey", key.publicLine);
    EXPECT_EQ(session::databaseToLoad(files), files.fakesDat()); // no signature
    EXPECT_TRUE(session::offersFirstList(files));
    signShared(5);
    EXPECT_EQ(session::databaseToLoad(files), shared);
    EXPECT_EQ(session::serialInUse(files), 5u);
    EXPECT_FALSE(session::offersFirstList(files));

    // The user's own list, taken at serial 6, wins over it; at 4 it does not.
    dir.write("data/fakes.dat", list);
    set("FakesSerial", "6");
    EXPECT_EQ(session::databaseToLoad(files), files.fakesDat());
    EXPECT_EQ(session::serialInUse(files), 6u);
    set("FakesSerial", "4");
    EXPECT_EQ(session::databaseToLoad(files), shared);

    // A shared list changed after signing is not read.
    dir.write("share/brisquen/fakes.dat", list + "fedcba9876543210fedcba9876543210,1,x\r\n");
    EXPECT_EQ(session::databaseToLoad(files), files.fakesDat());
    EXPECT_EQ(session::serialInUse(files), 4u);
}
