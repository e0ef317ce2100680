// The user's own list, myfakes.dat, on any bytes: every line is either taken
// or named as bad by its number, the taken ones are found, and marking then
// unmarking a file gives back the text it started from.

#include "fakedb/personal_list.h"
#include "fuzz/fuzz_support.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto personal = fakedb::readPersonalList(text);
    const auto lineCount = static_cast<std::uint64_t>(std::count(text.begin(), text.end(), '\n'));
    std::uint64_t previous = 0;
    for (const auto& bad : personal.badLines) {
        FUZZ_REQUIRE(bad.number > previous && bad.number <= lineCount + 1);
        FUZZ_REQUIRE(!bad.reason.empty());
        previous = bad.number;
    }
    // Each line taken is found with its own description, unless an earlier one has its key.
    fakedb::forEachListLine(personal.list->text(), [&](const fakedb::NumberedLine& line) {
        FUZZ_REQUIRE(line.ended);
        const auto hit = personal.list->lookupFake(
            line.text.substr(0, 32), line.text.substr(33, line.text.find(',', 33) - 33));
        FUZZ_REQUIRE(hit.starts_with("*** "));
    });

    const std::string hash = "0123456789abcdef0123456789abcdef";
    const auto line = fakedb::personalListLine(hash, 4242, "fuzzed");
    FUZZ_REQUIRE(line.has_value());
    if (const auto marked = fakedb::withEntry(text, *line, hash, "4242")) {
        const auto again = fakedb::readPersonalList(*marked);
        FUZZ_REQUIRE(again.list->lookupFake(hash, "4242").starts_with("*** "));
        const auto unmarked = fakedb::withoutEntry(*marked, hash, std::string_view("4242"));
        FUZZ_REQUIRE(unmarked.has_value());
        FUZZ_REQUIRE(fakedb::readPersonalList(*unmarked).list->lookupFake(hash, "4242").empty());
        // Every other line is kept; a last line the user left without its end got one.
        if (text.find(hash + ",4242,") == std::string_view::npos)
            FUZZ_REQUIRE(*unmarked == text || *unmarked == std::string(text) + "\r\n");
    }
    return 0;
}
