// The pasted-link check on any text: it takes apart exactly the links it can
// rebuild, and answers from the database as the plain line scan does.

#include "edonkey/link_check.h"
#include "fuzz/fuzz_support.h"
#include "tests/fakedb/line_scan_model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto link = edonkey::parseEd2kLink(text);
    std::string listed = "0123456789abcdef0123456789abcdef,734003200,Fake - ad\r\na,1,x\r\n";
    if (link) {
        FUZZ_REQUIRE(link->hash.size() == 32);
        // The fields, put back between bars, are the start of the text.
        const std::string rebuilt =
            "ed2k://|file|" + link->name + "|" + link->size + "|" + link->hash + "|";
        FUZZ_REQUIRE(text.starts_with(rebuilt) || text.starts_with("<a href=\"" + rebuilt));
        FUZZ_REQUIRE((link->name + link->size + link->hash).find('|') == std::string::npos);
        listed += link->hash + "," + link->size + ",pasted\r\n"; // so hits are checked too
    }
    fakedb::FakeDatabase database;
    database.replace(listed);
    const auto check = edonkey::checkEd2kLink(text, database);
    FUZZ_REQUIRE((check.verdict == edonkey::LinkVerdict::Invalid) == !link.has_value());
    if (link) {
        const std::string hit = fakedb::model::lookupByLineScan(listed, link->hash, link->size);
        FUZZ_REQUIRE(check.hit == hit);
        FUZZ_REQUIRE((check.verdict == edonkey::LinkVerdict::Fake) == !hit.empty());
    }
    return 0;
}
