// The pasted-link check on any text: it takes apart exactly the links it can
// rebuild, and answers from the database as the plain line scan does.

#include "edonkey/link_check.h"
#include "fuzz/fuzz_support.h"
#include "tests/fakedb/line_scan_model.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view listed = "0123456789abcdef0123456789abcdef,734003200,Fake - ad\r\n"
                                    "a,1,x\r\n";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const auto link = edonkey::parseEd2kLink(text);
    std::string databaseText(listed);
    if (link) {
        FUZZ_REQUIRE(link->hash.size() == 32);
        for (const auto* field : {&link->name, &link->size, &link->hash})
            FUZZ_REQUIRE(field->find('|') == std::string::npos);
        // The fields, put back between bars, are the start of the text.
        const std::string rebuilt =
            "ed2k://|file|" + link->name + "|" + link->size + "|" + link->hash + "|";
        FUZZ_REQUIRE(text.starts_with(rebuilt) || text.starts_with("<a href=\"" + rebuilt));
        // The pasted link is listed too, so that hits are checked as well as misses.
        databaseText += link->hash + "," + link->size + ",pasted\r\n";
    }

    fakedb::FakeDatabase database;
    database.replace(databaseText);
    const auto answer = edonkey::checkEd2kLink(text, database);
    FUZZ_REQUIRE(answer.has_value() == link.has_value());
    if (answer) {
        const std::string hit =
            fakedb::model::lookupByLineScan(databaseText, link->hash, link->size);
        FUZZ_REQUIRE(*answer == (hit.empty() ? std::string(edonkey::noEntryFound) : hit));
    }
    return 0;
}
