// A file's name and first bytes on any input: the name's extension is read
// as lower case without its dot, and a suspect is only ever a known type of
// bytes that differs from what the name claims, told in plain words.

#include "edonkey/file_type.h"
#include "fuzz/fuzz_support.h"

#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string name = input.ConsumeRandomLengthString(300);
    // Empty: the bytes at the disc header's place have not come.
    const std::string discHeader = input.ConsumeRandomLengthString(16);
    const std::string start = input.ConsumeRemainingBytesAsString();

    const auto named = edonkey::typeOfName(name);
    FUZZ_REQUIRE(named.extension.find('.') == std::string::npos);
    FUZZ_REQUIRE(named.extension.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") == std::string::npos);
    FUZZ_REQUIRE(named.extension.empty() ==
                 (named.fileClass == edonkey::FileClass::Unknown && named.extension.empty()));

    const edonkey::FirstBytes first{
        start, discHeader.empty() ? std::nullopt : std::optional<std::string_view>(discHeader)};
    const auto content = edonkey::typeOfBytes(first);
    FUZZ_REQUIRE(content.words.empty() == (content.fileClass == edonkey::FileClass::Unknown));
    const auto suspicion = edonkey::suspicionOf(name, first);
    if (!suspicion)
        return 0;
    FUZZ_REQUIRE(suspicion->named == named && suspicion->content == content);
    FUZZ_REQUIRE(content.fileClass != edonkey::FileClass::Unknown &&
                 content.fileClass != named.fileClass);
    const auto words = edonkey::suspicionWords(*suspicion);
    FUZZ_REQUIRE(words.starts_with("named ") && words.ends_with(content.words));
    return 0;
}
