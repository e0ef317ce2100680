// brisquen-list, the maintainers' tool: check, merge and publish as a
// maintainer runs them, the signature checked by the real minisign.

#include "tests/support/minisign_tool.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

using namespace std::string_literals;
using testing_support::CommandOutcome;
using testing_support::readFile;
using testing_support::runCommand;

namespace {

const std::string hashA = "0123456789abcdef0123456789abcdef";
const std::string hashB = "fedcba9876543210fedcba9876543210";
const std::string hashC = "00000000000000000000000000000000";

std::string tool(const std::string& arguments)
{
    return "'"s + BRISQUEN_LIST_PATH + "' " + arguments;
}

// Standard error into standard output, which runCommand collects.
std::string withErrors(const std::string& command)
{
    return "(" + command + " 2>&1)";
}

// A list of `count` distinct entries with CR LF line ends.
std::string bigList(std::size_t count)
{
    std::string list;
    list.reserve(count * 64);
    char line[96];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(line, sizeof line, "%016zx%016zx,%zu,Fake number %zu\r\n", i * 7919, i,
                      i + 1000, i);
        list += line;
    }
    return list;
}

} // namespace

TEST(BrisquenList, CheckNamesEachBadLineAndEachDuplicateByNumber)
{
    testing_support::TempDir dir;
    const std::string list =
        dir.write("fakes.dat", hashA + ",100,A\r\n" +        // 1
                                   "\r\n" +                  // 2: empty
                                   "no commas here\n" +      // 3: LF ends count as line ends
                                   hashB + ",0,zero\r\n" +   // 4
                                   "0123,5,short hash\r\n" + // 5
                                   hashA.substr(0, 31) + "g,5,not hex\r\n" +              // 6
                                   hashA + ",007,leading zero\r\n" +                      // 7
                                   "0123456789ABCDEF0123456789ABCDEF,100,Same as 1\r\n" + // 8
                                   hashB + ",100,B\r\n" +                                 // 9
                                   hashB + ",100,B again");                               // 10
    EXPECT_EQ(runCommand(withErrors(tool("check '" + list + "'"))),
              (CommandOutcome{1, list + ":2: not a list line (hash,size,description)\n" + list +
                                     ":3: not a list line (hash,size,description)\n" + list +
                                     ":4: the size is not a number of bytes from 1 to "
                                     "18446744073709551615\n" +
                                     list + ":5: the hash is not 32 hexadecimal digits\n" + list +
                                     ":6: the hash is not 32 hexadecimal digits\n" + list +
                                     ":7: the size is not a number of bytes from 1 to "
                                     "18446744073709551615\n" +
                                     list + ":8: the same hash and size as line 1\n" + list +
                                     ":10: the same hash and size as line 9\n" + list +
                                     ": 8 entries, 8 faults\n"}));
    const std::string clean = dir.write("clean.dat", bigList(50000));
    EXPECT_EQ(runCommand(tool("check '" + clean + "'")), (CommandOutcome{0, ""}));
    EXPECT_EQ(runCommand(tool("check '" + dir.file("missing") + "'")).exitCode, 2);
}

TEST(BrisquenList, MergeKeepsFirstEntriesInOrderAndReportsTheRest)
{
    testing_support::TempDir dir;
    const std::string published =
        dir.write("published.dat", hashA + ",1,A\r\n" + hashB + ",2,B\r\n");
    const std::string sent = dir.write("sent.txt", hashC + ",3,C\n" + "garbage\n" + hashB +
                                                       ",2,B\n" + hashA + ",1,Not A\n");
    const std::string out = dir.file("merged.dat");
    EXPECT_EQ(
        runCommand(withErrors(tool("merge '" + out + "' '" + published + "' '" + sent + "'"))),
        (CommandOutcome{0, sent + ":2: not a list line (hash,size,description); left out\n" + sent +
                               ":4: another description for the entry of " + published +
                               ":1, which is kept\n" + out +
                               ": 3 entries written, 3 lines left out\n"}));
    EXPECT_EQ(readFile(out), hashA + ",1,A\r\n" + hashB + ",2,B\r\n" + hashC + ",3,C\r\n");

    // LF line ends first, which grow by a CR each: merged from a copy.
    EXPECT_EQ(runCommand(tool("merge '" + out + "' '" + sent + "' '" + published + "' 2>/dev/null"))
                  .exitCode,
              0);
    EXPECT_EQ(readFile(out), hashC + ",3,C\r\n" + hashB + ",2,B\r\n" + hashA + ",1,Not A\r\n");

    // A real-sized list merged with itself and one new line: the list, and the line.
    const std::string list = bigList(50000);
    const std::string big = dir.write("big.dat", list);
    const std::string extra = dir.write("extra.dat", hashC + ",3,C");
    EXPECT_EQ(runCommand(tool("merge '" + out + "' '" + big + "' '" + extra + "' '" + big + "'"))
                  .exitCode,
              0);
    EXPECT_EQ(readFile(out), list + hashC + ",3,C\r\n");
    EXPECT_EQ(
        runCommand(tool("merge '" + dir.file("no/such/folder/x") + "' '" + big + "'")).exitCode, 1);
}

TEST(BrisquenList, PublishSignsWhatMinisignVerifiesWithARisingSerial)
{
    testing_support::TempDir dir;
    const auto key = testing_support::MinisignKey::make(dir, "maintainers");
    const std::string list = dir.write("fakes.dat", hashA + ",1,A\r\n" + hashB + ",2,B\r\n");
    const std::string www = dir.file("www");
    const std::string served = www + "/brisquen/update/";
    const std::string publish =
        tool("publish '" + list + "' '" + www + "' --sign '" + key.secretFile + "' >/dev/null");
    const auto verify = [&] {
        return runCommand("minisign -Vm '" + served + "fakes.dat' -P " + key.publicLine).output;
    };

    const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    ASSERT_EQ(runCommand(publish).exitCode, 0);
    EXPECT_EQ(readFile(served + "fakes.dat"), "[" + hashA + ",1,A\r\n" + hashB + ",2,B]");
    EXPECT_EQ(readFile(served + "fakes.txt"), "2");
    EXPECT_EQ(readFile(served + "brisquen.txt"), "20");
    const std::string first = verify();
    ASSERT_NE(first.find("Signature and comment signature verified"), std::string::npos) << first;
    const auto serialAt = first.find("serial=");
    const auto serial = std::stoull(first.substr(serialAt + 7));
    EXPECT_GE(serial, std::uint64_t(now));
    // Published twice within a second: the serial still rises.
    ASSERT_EQ(runCommand(publish).exitCode, 0);
    EXPECT_NE(verify().find("serial=" + std::to_string(serial + 1)), std::string::npos);

    // A serial that clients would refuse writes nothing.
    const std::string signature = readFile(served + "fakes.dat.minisig");
    EXPECT_EQ(runCommand(tool("publish '" + list + "' '" + www + "' --sign '" + key.secretFile +
                              "' --serial 5 2>/dev/null"))
                  .exitCode,
              1);
    EXPECT_EQ(readFile(served + "fakes.dat.minisig"), signature);

    // A key with a password: the wrong one writes nothing. (Keys with a
    // password are read with the right one in the minisign tests.)
    const std::string locked = dir.file("locked.key");
    ASSERT_EQ(runCommand("printf 'pw\\npw\\n' | minisign -G -f -p '" + dir.file("locked.pub") +
                         "' -s '" + locked + "' >/dev/null 2>&1")
                  .exitCode,
              0);
    const std::string other = dir.file("other");
    EXPECT_EQ(runCommand(withErrors("BRISQUEN_KEY_PASSWORD=wrong " +
                                    tool("publish '" + list + "' '" + other + "' --sign '" +
                                         locked + "' </dev/null"))),
              (CommandOutcome{1, "brisquen-list: wrong password for " + locked + "\n"}));
    EXPECT_FALSE(testing_support::exists(other));
}

TEST(BrisquenCheckLine, PrintsTheListLineForALinkOrAFile)
{
    testing_support::TempDir dir;
    const std::string check = "'"s + BRISQUEN_CHECK_PATH + "' line ";
    EXPECT_EQ(runCommand(check + "'ed2k://|file|Matrix.4.avi|734003200|" +
                         "0123456789ABCDEF0123456789ABCDEF|/'"),
              (CommandOutcome{0, hashA + ",734003200,Matrix.4.avi\n"}));
    // A file under one part is hashed as MD4 of its bytes.
    dir.write("small.avi", "abc");
    EXPECT_EQ(runCommand(check + "'" + dir.file("small.avi") + "' 'Fake - ad'"),
              (CommandOutcome{0, "a448017aaf21d8525fc10ae87aa6729d,3,Fake - ad\n"}));
    EXPECT_EQ(runCommand(check + "'" + dir.file("small.avi") + "'"),
              (CommandOutcome{0, "a448017aaf21d8525fc10ae87aa6729d,3,small.avi\n"}));
    // An empty file is nothing the network shares.
    dir.write("empty.avi", "");
    EXPECT_EQ(runCommand(check + "'" + dir.file("empty.avi") + "'").exitCode, 2);
    EXPECT_EQ(runCommand(check + "'ed2k://|file|x|12|nothex|/'").exitCode, 2);
    EXPECT_EQ(
        runCommand(check + "'" + dir.file("small.avi") + "' \"$(printf 'two\\nlines')\"").exitCode,
        2);
    EXPECT_EQ(runCommand(check + "'" + dir.file("missing") + "'").exitCode, 2);
}
