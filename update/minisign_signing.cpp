#include "update/minisign_signing.h"

#include <cstdint>
#include <cstring>
#include <sodium.h>

namespace update {
namespace {

constexpr std::string_view untrustedPrefix = "untrusted comment: ";

// The decoded second line of a secret key file.
struct SecretKeyBytes {
    unsigned char algorithm[2];    // "Ed"
    unsigned char kdf[2];          // "Sc" (scrypt) or two NULs when not encrypted
    unsigned char checksumKind[2]; // "B2": BLAKE2b-256
    unsigned char salt[32];
    unsigned char opsLimit[8]; // little-endian
    unsigned char memLimit[8];
    // Encrypted together when the key has a password:
    unsigned char keyId[8];
    unsigned char secretKey[64];
    unsigned char checksum[32];
};
static_assert(sizeof(SecretKeyBytes) == 158);

constexpr std::size_t encryptedSize = 8 + 64 + 32;

std::optional<SecretKeyBytes> decodeSecretKey(std::string_view file)
{
    const auto firstEnd = file.find('\n');
    if (firstEnd == std::string_view::npos || !file.starts_with(untrustedPrefix))
        return std::nullopt;
    std::string_view line = file.substr(firstEnd + 1);
    line = line.substr(0, line.find('\n'));
    if (line.ends_with('\r'))
        line.remove_suffix(1);
    SecretKeyBytes bytes;
    if (!fromBase64(line, reinterpret_cast<unsigned char*>(&bytes), sizeof(bytes)) ||
        std::memcmp(bytes.algorithm, "Ed", 2) != 0 || std::memcmp(bytes.checksumKind, "B2", 2) != 0)
        return std::nullopt;
    const bool encrypted = std::memcmp(bytes.kdf, "Sc", 2) == 0;
    if (!encrypted && std::memcmp(bytes.kdf, "\0\0", 2) != 0)
        return std::nullopt;
    return bytes;
}

std::uint64_t littleEndian64(const unsigned char* bytes)
{
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = value << 8 | bytes[i];
    return value;
}

void checksumOf(const SecretKeyBytes& bytes, unsigned char out[32])
{
    crypto_generichash_state state;
    crypto_generichash_init(&state, nullptr, 0, 32);
    crypto_generichash_update(&state, bytes.algorithm, sizeof(bytes.algorithm));
    crypto_generichash_update(&state, bytes.keyId, sizeof(bytes.keyId));
    crypto_generichash_update(&state, bytes.secretKey, sizeof(bytes.secretKey));
    crypto_generichash_final(&state, out, 32);
}

} // namespace

std::optional<bool> secretKeyNeedsPassword(std::string_view file)
{
    const auto bytes = decodeSecretKey(file);
    if (!bytes)
        return std::nullopt;
    return std::memcmp(bytes->kdf, "Sc", 2) == 0;
}

SecretKeyRead readSecretKey(std::string_view file, std::string_view password)
{
    auto bytes = decodeSecretKey(file);
    if (!bytes || !sodiumReady())
        return {std::nullopt, SecretKeyProblem::Unreadable};
    const bool encrypted = std::memcmp(bytes->kdf, "Sc", 2) == 0;
    if (encrypted) {
        unsigned char stream[encryptedSize];
        const std::uint64_t ops = littleEndian64(bytes->opsLimit);
        const std::uint64_t memory = littleEndian64(bytes->memLimit);
        if (crypto_pwhash_scryptsalsa208sha256(stream, sizeof(stream), password.data(),
                                               password.size(), bytes->salt, ops,
                                               static_cast<std::size_t>(memory)) != 0)
            return {std::nullopt, SecretKeyProblem::Unreadable};
        unsigned char* secret = bytes->keyId; // keyId, secretKey and checksum follow each other
        for (std::size_t i = 0; i < encryptedSize; ++i)
            secret[i] ^= stream[i];
        sodium_memzero(stream, sizeof(stream));
    }
    // minisign leaves the checksum of a key without a password empty.
    unsigned char checksum[32];
    checksumOf(*bytes, checksum);
    if ((encrypted || !sodium_is_zero(bytes->checksum, sizeof(bytes->checksum))) &&
        sodium_memcmp(checksum, bytes->checksum, sizeof(checksum)) != 0) {
        sodium_memzero(&*bytes, sizeof(*bytes));
        return {std::nullopt, SecretKeyProblem::WrongPassword};
    }
    SecretKey key;
    std::memcpy(key.id.data(), bytes->keyId, key.id.size());
    std::memcpy(key.key.data(), bytes->secretKey, key.key.size());
    sodium_memzero(&*bytes, sizeof(*bytes));
    return {key, SecretKeyProblem::None};
}

std::string signFile(const SecretKey& key, std::string_view file, std::string_view trustedComment,
                     std::string_view untrustedComment)
{
    unsigned char hash[crypto_generichash_BYTES_MAX];
    crypto_generichash(hash, sizeof(hash), reinterpret_cast<const unsigned char*>(file.data()),
                       file.size(), nullptr, 0);
    unsigned char line[2 + 8 + crypto_sign_BYTES] = {'E', 'D'};
    std::memcpy(line + 2, key.id.data(), key.id.size());
    crypto_sign_detached(line + 10, nullptr, hash, sizeof(hash), key.key.data());

    std::string globalInput(reinterpret_cast<const char*>(line + 10), crypto_sign_BYTES);
    globalInput += trustedComment;
    unsigned char global[crypto_sign_BYTES];
    crypto_sign_detached(global, nullptr,
                         reinterpret_cast<const unsigned char*>(globalInput.data()),
                         globalInput.size(), key.key.data());

    std::string out(untrustedPrefix);
    out += untrustedComment;
    out += '\n';
    out += toBase64(line, sizeof(line));
    out += "\ntrusted comment: ";
    out += trustedComment;
    out += '\n';
    out += toBase64(global, sizeof(global));
    out += '\n';
    return out;
}

} // namespace update
