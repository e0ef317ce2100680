// The entry counts of the count file and "FakesNr".

#include "update/database_update.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <ostream>
#include <string>

using namespace std::string_literals;

namespace {

struct Row {
    std::string text;
    std::optional<std::int64_t> count;
};

// Every byte that is not plain ASCII as \xNN, so the case names stay on one line.
void PrintTo(const Row& row, std::ostream* out)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    *out << '"';
    for (const char c : row.text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\')
            *out << c;
        else
            *out << "\\x" << digits[byte >> 4] << digits[byte & 15];
    }
    *out << '"';
}

class EntryCount : public testing::TestWithParam<Row> {};

} // namespace

TEST_P(EntryCount, ParsesWholeNumbersOnly)
{
    EXPECT_EQ(update::parseEntryCount(GetParam().text), GetParam().count);
}

INSTANTIATE_TEST_SUITE_P(
    Accepted, EntryCount,
    testing::Values(Row{"120", 120}, Row{"0", 0}, Row{"007", 7}, Row{"40000", 40000}, Row{"-5", -5},
                    Row{"+7", 7}, Row{" 120", 120}, Row{"120 ", 120}, Row{"\t120\t", 120},
                    Row{"120\r\n", 120}, Row{"120\n", 120}, Row{" 120 \r\n", 120},
                    Row{"9223372036854775807", std::numeric_limits<std::int64_t>::max()},
                    Row{"-9223372036854775808", std::numeric_limits<std::int64_t>::min()}));

INSTANTIATE_TEST_SUITE_P(
    Refused, EntryCount,
    testing::Values(Row{"", std::nullopt}, Row{" ", std::nullopt}, Row{"\r\n", std::nullopt},
                    Row{"12a", std::nullopt}, Row{"a12", std::nullopt}, Row{"1 2", std::nullopt},
                    Row{"1.0", std::nullopt}, Row{"1,000", std::nullopt}, Row{"1e3", std::nullopt},
                    Row{"0x10", std::nullopt}, Row{"+", std::nullopt}, Row{"-", std::nullopt},
                    Row{"+-1", std::nullopt}, Row{"-+1", std::nullopt}, Row{"--1", std::nullopt},
                    Row{"++1", std::nullopt}, Row{"- 1", std::nullopt},
                    Row{"9223372036854775808", std::nullopt},
                    Row{"-9223372036854775809", std::nullopt},
                    Row{"99999999999999999999999", std::nullopt}, Row{"120\r", std::nullopt},
                    Row{"120\r\n\r\n", std::nullopt}, Row{"120\n\n", std::nullopt},
                    Row{"\r\n120", std::nullopt}, Row{"120\r\n ", std::nullopt},
                    Row{"1\r\n2", std::nullopt},
                    Row{"\xEF\xBB\xBF"
                        "120",
                        std::nullopt},
                    Row{"12\0"s, std::nullopt},
                    Row{"\0"
                        "12"s,
                        std::nullopt},
                    Row{"\xD9\xA1\xD9\xA2", std::nullopt}));

TEST(StoredEntryCount, KeepsTheTextButForOneFinalLineEnd)
{
    EXPECT_EQ(update::storedEntryCount("121"), "121");
    EXPECT_EQ(update::storedEntryCount("121\r\n"), "121");
    EXPECT_EQ(update::storedEntryCount("121\n"), "121");
    EXPECT_EQ(update::storedEntryCount(" 0121 "), " 0121 ");
    EXPECT_EQ(update::storedEntryCount("121\r\n\r\n"), "121\r\n");
    EXPECT_EQ(update::storedEntryCount("lots"), "lots");
    EXPECT_EQ(update::storedEntryCount(""), "");
}

TEST(DefaultServer, IsAnHttpAddressWithoutAFinalSlash)
{
    const auto server = update::defaultServer();
    EXPECT_TRUE(server.starts_with("http://") || server.starts_with("https://")) << server;
    EXPECT_FALSE(server.ends_with('/'));
}
