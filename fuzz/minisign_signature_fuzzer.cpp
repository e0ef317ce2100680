// The .minisig reader on any bytes: a signature it reads has a one-line
// trusted comment, reads back the same once written out again, and checking
// it against a key and a list never crashes, whatever it holds.

#include "fuzz/fuzz_support.h"
#include "update/database_update.h"
#include "update/minisign.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {

// A key minisign made; the fuzzer's signatures name it or not.
const auto key = update::parsePublicKey("RWRbv5G7m+tnVJmUl8cLuI73JQZbglioDnSY5SXz4zaokcehANMeovgb");

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string list = input.ConsumeRandomLengthString(200);
    const std::string file = input.ConsumeRemainingBytesAsString();

    const auto signature = update::parseSignature(file);
    const auto check = update::checkSignedList(file, {*key}, list);
    if (!signature) {
        FUZZ_REQUIRE(check.refusal == update::Refusal::UnreadableSignature);
        return 0;
    }
    FUZZ_REQUIRE(signature->trustedComment.find('\n') == std::string::npos);
    FUZZ_REQUIRE(!check.refusal || *check.refusal != update::Refusal::NotWhole);
    if (!check.refusal)
        FUZZ_REQUIRE(update::serialOf(signature->trustedComment) == check.serial);

    unsigned char line[2 + 8 + 64] = {'E',
                                      static_cast<unsigned char>(signature->prehashed ? 'D' : 'd')};
    std::copy(signature->keyId.begin(), signature->keyId.end(), line + 2);
    std::copy(signature->signature.begin(), signature->signature.end(), line + 10);
    const std::string again =
        "untrusted comment: x\n" + update::toBase64(line, sizeof(line)) +
        "\ntrusted comment: " + signature->trustedComment + "\n" +
        update::toBase64(signature->globalSignature.data(), signature->globalSignature.size());
    const auto reread = update::parseSignature(again);
    FUZZ_REQUIRE(reread && reread->trustedComment == signature->trustedComment &&
                 reread->signature == signature->signature &&
                 reread->globalSignature == signature->globalSignature &&
                 reread->keyId == signature->keyId && reread->prehashed == signature->prehashed);
    return 0;
}
