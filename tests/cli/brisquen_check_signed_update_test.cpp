// `brisquen-check update` with the maintainers' public key set, against a
// local server serving lists signed by the real minisign, and forged ones.

#include "tests/support/local_http_server.h"
#include "tests/support/minisign_tool.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>

using namespace std::string_literals;
using testing_support::CommandOutcome;
using testing_support::HttpAnswer;
using testing_support::MinisignKey;
using testing_support::readFile;

namespace {

const std::string oldList = "0123456789abcdef0123456789abcdef,734003200,Old fake\r\n";
const std::string newList = oldList + "fedcba9876543210fedcba9876543210,4321000,New fake";
const std::string shortList = "fedcba9876543210fedcba9876543210,4321000,New fake";

const std::string connecting = "*** Connecting to the server... \n";
const std::string upToDate = "*** You already got the newest database... \n";
const std::string taken = "*** New Database downloaded\n*** New Database saved on disk\n";
const std::string failed = "Error occured during updating, try again later\n";

std::string refused(const std::string& reason)
{
    return connecting + "*** Database refused: " + reason + "\n" + failed;
}

class SignedUpdate : public testing::Test {
protected:
    testing_support::TempDir dir;
    std::string program = dir.makeFolder("program") + "brisquen-check";
    testing_support::LocalHttpServer server;
    std::string update = "'" + program + "' update " + server.address();
    MinisignKey key = MinisignKey::make(dir, "maintainers");

    void SetUp() override
    {
        std::filesystem::copy_file(BRISQUEN_CHECK_PATH, program);
        dir.write("program/fakes.dat", oldList);
        setting("UpdatePublicKey=" + key.publicLine);
        server.serve("/brisquen/update/brisquen.txt", HttpAnswer::ok("20"));
        server.serve("/brisquen/update/fakes.txt", HttpAnswer::ok("121"));
    }
    void setting(const std::string& lines)
    {
        dir.write("program/Setting.ini", "[Settings]\r\n" + lines + "\r\n");
    }
    // Serves `list` between its marks and the real minisign's signature of it.
    std::string publish(const std::string& list, std::uint64_t serial,
                        const MinisignKey* by = nullptr, bool legacy = false)
    {
        const std::string served = dir.write("served/fakes.dat", "[" + list + "]");
        const std::string signature =
            (by ? *by : key).sign(served, "serial=" + std::to_string(serial), legacy);
        server.serve("/brisquen/update/fakes.dat", HttpAnswer::ok("[" + list + "]"));
        server.serve("/brisquen/update/fakes.dat.minisig", HttpAnswer::ok(signature));
        return signature;
    }
    std::string fakesDat() const { return readFile(dir.file("program/fakes.dat")); }
    std::string settings() const { return readFile(dir.file("program/Setting.ini")); }
    std::string serial() const
    {
        const std::string ini = settings();
        const auto at = ini.find("FakesSerial=");
        return at == std::string::npos ? "" : ini.substr(at + 12, ini.find('\r', at) - at - 12);
    }
};

} // namespace

TEST_F(SignedUpdate, TakesWhatTheKeySignedAndRefusesForgeriesLeavingTheListAsItWas)
{
    publish(newList, 5);
    EXPECT_EQ(testing_support::runCommand(update), (CommandOutcome{0, connecting + taken}));
    EXPECT_EQ(fakesDat(), newList + "\r\n");
    EXPECT_EQ(serial(), "5");

    // The same serial again: nothing fetched after the signature.
    EXPECT_EQ(testing_support::runCommand(update), (CommandOutcome{0, connecting + upToDate}));

    const std::string before = fakesDat();
    const auto attempt = [&](const std::string& reason) {
        EXPECT_EQ(testing_support::runCommand(update), (CommandOutcome{2, refused(reason)}))
            << reason;
        EXPECT_EQ(fakesDat(), before) << reason;
        EXPECT_EQ(serial(), "5") << reason;
    };
    // One byte of the list changed after signing.
    publish(newList, 6);
    const std::string served = "[" + newList + "]";
    const std::string changed = served.substr(0, 40) + char(served[40] ^ 1) + served.substr(41);
    server.serve("/brisquen/update/fakes.dat", HttpAnswer::ok(changed));
    attempt("bad signature");
    // The trusted comment changed: its own signature fails.
    std::string signature = publish(newList, 6);
    signature.replace(signature.find("serial=6"), 8, "serial=9");
    server.serve("/brisquen/update/fakes.dat.minisig", HttpAnswer::ok(signature));
    attempt("bad signature");
    const MinisignKey stranger = MinisignKey::make(dir, "stranger");
    publish(newList, 7, &stranger);
    attempt("unknown key");
    publish(newList, 4);
    attempt("older than the one in use");
    publish(newList, 8);
    server.serve("/brisquen/update/fakes.dat.minisig", {.status = 404});
    attempt("no signature");
    // Signed, but not the list between its marks.
    const std::string bare = dir.write("served/bare.dat", newList);
    server.serve("/brisquen/update/fakes.dat", HttpAnswer::ok(newList));
    server.serve("/brisquen/update/fakes.dat.minisig", HttpAnswer::ok(key.sign(bare, "serial=8")));
    attempt("not whole");

    // Entries taken out: fewer entries, a higher serial, taken all the same.
    publish(shortList, 9);
    EXPECT_EQ(testing_support::runCommand(update), (CommandOutcome{0, connecting + taken}));
    EXPECT_EQ(fakesDat(), shortList + "\r\n");
    EXPECT_EQ(serial(), "9");
    // minisign's older form, the signature of the list itself, is taken too.
    publish(newList, 10, nullptr, true);
    EXPECT_EQ(testing_support::runCommand(update), (CommandOutcome{0, connecting + taken}));
    EXPECT_EQ(fakesDat(), newList + "\r\n");

    // With the list deleted, the same serial brings it back.
    std::filesystem::remove(dir.file("program/fakes.dat"));
    EXPECT_EQ(testing_support::runCommand(update), (CommandOutcome{0, connecting + taken}));
    EXPECT_EQ(fakesDat(), newList + "\r\n");
}

// The faults found from outside with a key set: a poisoned count, and lists
// cut short or served without their marks.
TEST_F(SignedUpdate, CountNoLongerDecidesAndACutListIsRefused)
{
    server.serve("/brisquen/update/fakes.txt", HttpAnswer::ok("9223372036854775807"));
    publish(newList, 5);
    EXPECT_EQ(testing_support::runCommand(update).exitCode, 0);
    server.serve("/brisquen/update/fakes.txt", HttpAnswer::ok("1"));
    publish(shortList, 6);
    EXPECT_EQ(testing_support::runCommand(update), (CommandOutcome{0, connecting + taken}));
    EXPECT_EQ(fakesDat(), shortList + "\r\n");

    // Cut short with no Content-Length: the close looks like the end.
    publish(newList, 7);
    const std::string whole = "[" + newList + "]";
    server.serve("/brisquen/update/fakes.dat",
                 {.body = whole.substr(0, whole.size() - 10), .noLength = true});
    EXPECT_EQ(testing_support::runCommand(update), (CommandOutcome{2, refused("not whole")}));
    // Qt may take a chunked body cut inside a chunk for a whole one, or see
    // the cut: failed either way.
    server.serve("/brisquen/update/fakes.dat",
                 {.body = whole, .pieces = 2, .chunked = true, .unfinished = true});
    EXPECT_EQ(testing_support::runCommand(update).exitCode, 2);
    EXPECT_EQ(fakesDat(), shortList + "\r\n");
}

TEST_F(SignedUpdate, BadSignatureFilesAndKeysChangeNothing)
{
    const std::string good = publish(newList, 5);
    const auto tryWith = [&](const std::string& signatureBody, const std::string& reason) {
        server.serve("/brisquen/update/fakes.dat.minisig", HttpAnswer::ok(signatureBody));
        EXPECT_EQ(testing_support::runCommand(update), (CommandOutcome{2, refused(reason)}))
            << signatureBody.substr(0, 80);
        EXPECT_EQ(fakesDat(), oldList);
    };
    tryWith("", "unreadable signature");
    tryWith(std::string(16 * 1024 + 1, 'A'), "no signature");
    std::string lines[4];
    std::size_t at = 0;
    for (auto& line : lines) {
        const auto end = good.find('\n', at);
        line = good.substr(at, end - at);
        at = end + 1;
    }
    const auto with = [&](int index, const std::string& text) {
        std::string result;
        for (int i = 0; i < 4; ++i)
            result += (i == index ? text : lines[i]) + "\n";
        return result;
    };
    tryWith(with(1, "RW!!notbase64"), "unreadable signature");
    tryWith(with(2, "trusted comment: no serial here"), "unreadable signature");
    tryWith(with(2, "trusted comment: serial=five"), "unreadable signature");
    tryWith(with(2, "trusted comment: serial=-5"), "unreadable signature");
    tryWith(with(3, lines[3].substr(4)), "unreadable signature");

    server.serve("/brisquen/update/fakes.dat.minisig", HttpAnswer::ok(good));
    setting("UpdatePublicKey=" + key.publicLine + ",not a key");
    EXPECT_EQ(testing_support::runCommand(update),
              (CommandOutcome{2, refused("UpdatePublicKey holds no public key")}));
    EXPECT_EQ(fakesDat(), oldList);
    // A key change: the new key first, the old one kept while lists signed
    // by it are still served.
    // Read whole however long: here the trusted key is the fifth, past 254 bytes.
    const MinisignKey next = MinisignKey::make(dir, "next");
    std::string keys;
    for (int i = 0; i < 4; ++i)
        keys += next.publicLine + ", ";
    setting("UpdatePublicKey=" + keys + key.publicLine);
    EXPECT_EQ(testing_support::runCommand(update), (CommandOutcome{0, connecting + taken}));
}

TEST_F(SignedUpdate, ASerialOrCountThatCannotBeStoredFailsTheUpdate)
{
    publish(newList, 5);
    chmod(dir.file("program/Setting.ini").c_str(), 0444);
    EXPECT_EQ(testing_support::runCommand(update),
              (CommandOutcome{2, connecting + "*** New Database downloaded\n" + failed}));
    EXPECT_EQ(fakesDat(), oldList);

    // Without a key the list is saved, as ever, but FakesNr is not: failed,
    // and the next update fetches the list again.
    chmod(dir.file("program/Setting.ini").c_str(), 0644);
    setting("FakesNr=120");
    chmod(dir.file("program/Setting.ini").c_str(), 0444);
    EXPECT_EQ(testing_support::runCommand("(" + update + " 2>&1)"),
              (CommandOutcome{2, connecting + "*** New Database downloaded\n" + failed}));
    EXPECT_EQ(settings(), "[Settings]\r\nFakesNr=120\r\n");
}

TEST_F(SignedUpdate, WithoutAKeyTheListIsTakenAsBeforeAndCalledUnsigned)
{
    setting("");
    publish(newList, 5);
    server.serve("/brisquen/update/fakes.dat.minisig", {.status = 404});
    EXPECT_EQ(testing_support::runCommand("(" + update + " 2>&1)"),
              (CommandOutcome{0, connecting + taken +
                                     "brisquen-check: the list came unsigned: anyone on the way "
                                     "could have changed it (set UpdatePublicKey)\n"}));
    EXPECT_EQ(fakesDat(), newList + "\r\n");
    EXPECT_EQ(server.requests().size(), 3u); // no signature asked for
}
