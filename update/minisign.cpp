#include "update/minisign.h"

#include "platform/ascii.h"

#include <charconv>
#include <cstring>
#include <sodium.h>

namespace update {
namespace {

constexpr std::string_view untrustedPrefix = "untrusted comment: ";
constexpr std::string_view trustedPrefix = "trusted comment: ";
constexpr std::string_view serialWord = "serial=";
constexpr char algorithmEd[] = {'E', 'd'};
constexpr char algorithmPrehashed[] = {'E', 'D'};

/// Takes the next line off `text`, without its LF or CR LF.
std::optional<std::string_view> takeLine(std::string_view& text)
{
    if (text.empty())
        return std::nullopt;
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.ends_with('\r'))
        line.remove_suffix(1);
    return line;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::optional<PublicKey> parseKeyLine(std::string_view line)
{
    line = platform::trimBlanks(line);
    unsigned char bytes[2 + sizeof(KeyId) + 32];
    if (!fromBase64(line, bytes, sizeof(bytes)) || std::memcmp(bytes, algorithmEd, 2) != 0)
        return std::nullopt;
    PublicKey key;
    std::memcpy(key.id.data(), bytes + 2, key.id.size());
    std::memcpy(key.key.data(), bytes + 2 + key.id.size(), key.key.size());
    return key;
}

} // namespace

bool sodiumReady()
{
    static const bool ready = sodium_init() >= 0;
    return ready;
}

std::string toBase64(const unsigned char* bytes, std::size_t size)
{
    std::string text(sodium_base64_ENCODED_LEN(size, sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(text.data(), text.size(), bytes, size, sodium_base64_VARIANT_ORIGINAL);
    text.pop_back(); // the terminating NUL
    return text;
}

bool fromBase64(std::string_view text, unsigned char* out, std::size_t size)
{
    std::size_t decoded = 0;
    const char* end = nullptr;
    // The decoder stops at the first byte that is no base64; all must be.
    return sodiumReady() &&
           sodium_base642bin(out, size, text.data(), text.size(), nullptr, &decoded, &end,
                             sodium_base64_VARIANT_ORIGINAL) == 0 &&
           end == text.data() + text.size() && decoded == size;
}

std::optional<PublicKey> parsePublicKey(std::string_view text)
{
    std::string_view rest = text;
    const auto first = takeLine(rest);
    if (!first)
        return std::nullopt;
    if (!first->starts_with(untrustedPrefix))
        return rest.empty() ? parseKeyLine(*first) : std::nullopt;
    const auto keyLine = takeLine(rest);
    if (!keyLine || !platform::trimBlanks(rest).empty())
        return std::nullopt;
    return parseKeyLine(*keyLine);
}

PublicKeys parsePublicKeys(std::string_view commaSeparated)
{
    PublicKeys result;
    while (!commaSeparated.empty()) {
        const auto comma = commaSeparated.find(',');
        const std::string_view piece = platform::trimBlanks(commaSeparated.substr(0, comma));
        commaSeparated.remove_prefix(comma == std::string_view::npos ? commaSeparated.size()
                                                                     : comma + 1);
        if (piece.empty())
            continue;
        if (auto key = parseKeyLine(piece))
            result.keys.push_back(*key);
        else
            result.unreadable.emplace_back(piece);
    }
    return result;
}

std::optional<Signature> parseSignature(std::string_view file)
{
    const auto untrusted = takeLine(file);
    const auto signatureLine = takeLine(file);
    const auto trusted = takeLine(file);
    const auto globalLine = takeLine(file);
    if (!globalLine || !untrusted->starts_with(untrustedPrefix) ||
        !trusted->starts_with(trustedPrefix))
        return std::nullopt;
    // Only line ends may follow.
    if (file.find_first_not_of("\r\n") != std::string_view::npos)
        return std::nullopt;

    Signature signature;
    unsigned char bytes[2 + sizeof(KeyId) + 64];
    if (!fromBase64(*signatureLine, bytes, sizeof(bytes)))
        return std::nullopt;
    if (std::memcmp(bytes, algorithmPrehashed, 2) == 0)
        signature.prehashed = true;
    else if (std::memcmp(bytes, algorithmEd, 2) != 0)
        return std::nullopt;
    std::memcpy(signature.keyId.data(), bytes + 2, signature.keyId.size());
    std::memcpy(signature.signature.data(), bytes + 2 + signature.keyId.size(),
                signature.signature.size());
    signature.trustedComment = trusted->substr(trustedPrefix.size());
    if (!fromBase64(*globalLine, signature.globalSignature.data(),
                    signature.globalSignature.size()))
        return std::nullopt;
    return signature;
}

std::optional<std::uint64_t> serialOf(std::string_view trustedComment)
{
    std::optional<std::uint64_t> serial;
    bool seen = false;
    for (std::size_t at = 0; at < trustedComment.size();) {
        while (at < trustedComment.size() && isBlank(trustedComment[at]))
            ++at;
        std::size_t end = at;
        while (end < trustedComment.size() && !isBlank(trustedComment[end]))
            ++end;
        const std::string_view word = trustedComment.substr(at, end - at);
        at = end;
        if (!word.starts_with(serialWord))
            continue;
        if (seen)
            return std::nullopt;
        seen = true;
        const std::string_view digits = word.substr(serialWord.size());
        std::uint64_t value = 0;
        const char* last = digits.data() + digits.size();
        const auto [stop, error] = std::from_chars(digits.data(), last, value, 10);
        // from_chars takes a '-' for signed types only; digits alone remain.
        if (digits.empty() || error != std::errc() || stop != last)
            return std::nullopt;
        serial = value;
    }
    return serial;
}

const PublicKey* keyFor(const Signature& signature, const std::vector<PublicKey>& keys)
{
    for (const auto& key : keys) {
        if (key.id == signature.keyId)
            return &key;
    }
    return nullptr;
}

bool verifiesComment(const Signature& signature, const PublicKey& key)
{
    if (!sodiumReady())
        return false;
    std::string signedBytes(reinterpret_cast<const char*>(signature.signature.data()),
                            signature.signature.size());
    signedBytes += signature.trustedComment;
    return crypto_sign_verify_detached(signature.globalSignature.data(),
                                       reinterpret_cast<const unsigned char*>(signedBytes.data()),
                                       signedBytes.size(), key.key.data()) == 0;
}

bool verifiesFile(const Signature& signature, const PublicKey& key, std::string_view file)
{
    if (!sodiumReady())
        return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(file.data());
    if (!signature.prehashed) {
        return crypto_sign_verify_detached(signature.signature.data(), bytes, file.size(),
                                           key.key.data()) == 0;
    }
    unsigned char hash[crypto_generichash_BYTES_MAX];
    crypto_generichash(hash, sizeof(hash), bytes, file.size(), nullptr, 0);
    return crypto_sign_verify_detached(signature.signature.data(), hash, sizeof(hash),
                                       key.key.data()) == 0;
}

} // namespace update
