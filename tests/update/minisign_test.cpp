// The minisign readers and the signing of brisquen-list, held against the
// real minisign: what it signs we verify, and what we sign it verifies.

#include "update/minisign.h"

#include "tests/support/minisign_tool.h"
#include "update/minisign_signing.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using testing_support::MinisignKey;
using testing_support::readFile;
using testing_support::runCommand;

namespace {

class Minisign : public testing::Test {
protected:
    testing_support::TempDir dir;
    MinisignKey key = MinisignKey::make(dir, "key");
    std::string list = dir.write("fakes.dat", "[0123456789abcdef0123456789abcdef,1,x\r\n]");

    update::PublicKey publicKey() const { return *update::parsePublicKey(key.publicLine); }
};

} // namespace

TEST_F(Minisign, VerifiesBothFormsOfTheRealToolAndNothingChanged)
{
    for (const bool legacy : {false, true}) {
        const auto signature = update::parseSignature(key.sign(list, "serial=12", legacy));
        ASSERT_TRUE(signature) << legacy;
        EXPECT_EQ(signature->prehashed, !legacy);
        EXPECT_EQ(signature->trustedComment, "serial=12");
        EXPECT_EQ(update::serialOf(signature->trustedComment), 12u);
        ASSERT_NE(update::keyFor(*signature, {publicKey()}), nullptr);
        EXPECT_TRUE(update::verifiesComment(*signature, publicKey()));
        const std::string bytes = readFile(list);
        EXPECT_TRUE(update::verifiesFile(*signature, publicKey(), bytes));

        std::string changed = bytes;
        changed[5] ^= 0x20;
        EXPECT_FALSE(update::verifiesFile(*signature, publicKey(), changed));
        EXPECT_FALSE(update::verifiesFile(*signature, publicKey(), bytes + "\n"));
        auto otherComment = *signature;
        otherComment.trustedComment = "serial=13";
        EXPECT_FALSE(update::verifiesComment(otherComment, publicKey()));
        const auto stranger = MinisignKey::make(dir, "stranger");
        EXPECT_EQ(update::keyFor(*signature, {*update::parsePublicKey(stranger.publicLine)}),
                  nullptr);
    }
}

TEST_F(Minisign, SignaturesWeWriteAreVerifiedByTheRealTool)
{
    const std::string keyFile = readFile(key.secretFile);
    ASSERT_EQ(update::secretKeyNeedsPassword(keyFile), false);
    const auto secret = update::readSecretKey(keyFile, "");
    ASSERT_TRUE(secret.key);
    const std::string bytes = readFile(list);
    dir.write("fakes.dat.minisig", update::signFile(*secret.key, bytes, "serial=3", "ours"));
    EXPECT_EQ(runCommand("minisign -Vm '" + list + "' -P " + key.publicLine).exitCode, 0);
    dir.write("fakes.dat", bytes + " ");
    EXPECT_NE(runCommand("minisign -Vm '" + list + "' -P " + key.publicLine).exitCode, 0);

    // A key with a password, made by minisign, which reads it from standard input.
    const std::string pub = dir.file("locked.pub");
    const std::string locked = dir.file("locked.key");
    ASSERT_EQ(runCommand("printf 'pass word\\npass word\\n' | minisign -G -f -p '" + pub +
                         "' -s '" + locked + "' >/dev/null 2>&1")
                  .exitCode,
              0);
    const std::string lockedFile = readFile(locked);
    EXPECT_EQ(update::secretKeyNeedsPassword(lockedFile), true);
    // (A wrong password is tried in brisquen-list's tests: each try costs
    // seconds and a gigabyte, as minisign means it to.)
    const auto opened = update::readSecretKey(lockedFile, "pass word");
    ASSERT_TRUE(opened.key);
    const auto signature =
        update::parseSignature(update::signFile(*opened.key, bytes, "serial=4", "ours"));
    ASSERT_TRUE(signature);
    const auto lockedPublic = update::parsePublicKey(readFile(pub));
    ASSERT_TRUE(lockedPublic);
    EXPECT_TRUE(update::verifiesComment(*signature, *lockedPublic));
    EXPECT_TRUE(update::verifiesFile(*signature, *lockedPublic, bytes));
    EXPECT_EQ(update::secretKeyNeedsPassword(readFile(pub)), std::nullopt);
}

TEST(MinisignKeys, AreReadFromTheLineOrTheWholeFileAndBadOnesNamed)
{
    const std::string line = "RWRbv5G7m+tnVJmUl8cLuI73JQZbglioDnSY5SXz4zaokcehANMeovgb";
    const auto key = update::parsePublicKey(line);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->id[0], 0x5b); // the id is stored little-endian: 5467EB9BBB91BF5B
    const std::string file = "untrusted comment: minisign public key 5467EB9BBB91BF5B\n" + line;
    EXPECT_EQ(update::parsePublicKey(file)->key, key->key);
    EXPECT_EQ(update::parsePublicKey(file + "\r\n")->key, key->key);
    EXPECT_EQ(update::parsePublicKey("  " + line + "\t")->key, key->key);
    for (const std::string& bad :
         std::vector<std::string>{"", line.substr(1), line + "A", "RW" + line.substr(2, 10),
                                  "untrusted comment: x\n", file + "\nmore",
                                  // "Ed" replaced by "ED": the prehashed mark is for signatures
                                  "RUR" + line.substr(3)}) {
        EXPECT_FALSE(update::parsePublicKey(bad)) << bad;
    }
    const auto keys = update::parsePublicKeys(" " + line + " ,, not a key," + line);
    EXPECT_EQ(keys.keys.size(), 2u);
    EXPECT_EQ(keys.unreadable, std::vector<std::string>{"not a key"});
    EXPECT_TRUE(update::parsePublicKeys(" , ").keys.empty());
}

TEST(MinisignSerial, IsTheOneSerialWordOfTheTrustedComment)
{
    const std::pair<std::string, std::optional<std::uint64_t>> cases[] = {
        {"serial=1", 1},
        {"timestamp:1796640400\tfile:fakes.dat\tserial=1796640400", 1796640400},
        {"serial=18446744073709551615 release", UINT64_MAX},
        {"serial=18446744073709551616", std::nullopt},
        {"serial=", std::nullopt},
        {"serial=+1", std::nullopt},
        {"serial=-1", std::nullopt},
        {"serial=1x", std::nullopt},
        {"serial=1 serial=2", std::nullopt},
        {"no serial here", std::nullopt},
        {"myserial=4", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [comment, serial] : cases)
        EXPECT_EQ(update::serialOf(comment), serial) << comment;
}
