#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The files of minisign (Ed25519 signatures), which the list's maintainers use
// to sign the list: public keys, and signatures with their trusted comment.
namespace update {

using KeyId = std::array<unsigned char, 8>;

struct PublicKey {
    KeyId id{};
    std::array<unsigned char, 32> key{};
};

/// A public key as the second line of a minisign .pub file holds it (base64
/// of "Ed", the key id and the key), blanks around it allowed; or the whole
/// .pub file, its comment line first. Nothing when it is neither.
std::optional<PublicKey> parsePublicKey(std::string_view text);

/// Keys separated by ",", as UpdatePublicKey= holds them, empty pieces skipped.
struct PublicKeys {
    std::vector<PublicKey> keys;
    std::vector<std::string> unreadable; // the pieces that are no key
};
PublicKeys parsePublicKeys(std::string_view commaSeparated);

/// A .minisig file. `prehashed` signatures sign the BLAKE2b-512 hash of the
/// file ("ED"), the others the file itself ("Ed").
struct Signature {
    bool prehashed = false;
    KeyId keyId{};
    std::array<unsigned char, 64> signature{};
    std::string trustedComment;                      // after "trusted comment: "
    std::array<unsigned char, 64> globalSignature{}; // over signature + comment
};

/// Reads the four lines of a .minisig file (LF or CR LF ends): the untrusted
/// comment, the signature, the trusted comment and the global signature.
/// Nothing when a line is missing, misnamed, or its base64 does not decode to
/// what it must hold.
std::optional<Signature> parseSignature(std::string_view file);

/// The N of the one "serial=N" word (blank-separated) of a trusted comment:
/// decimal digits that fit in 64 bits. Nothing when there is none, more than
/// one, or N is no such number.
std::optional<std::uint64_t> serialOf(std::string_view trustedComment);

/// The key among `keys` that made `signature`, by its key id.
const PublicKey* keyFor(const Signature& signature, const std::vector<PublicKey>& keys);

/// Whether the trusted comment is signed by `key` (the global signature).
bool verifiesComment(const Signature& signature, const PublicKey& key);

/// Whether `file` is what `key` signed.
bool verifiesFile(const Signature& signature, const PublicKey& key, std::string_view file);

/// Base64 of `bytes`, with padding, as minisign writes its lines.
std::string toBase64(const unsigned char* bytes, std::size_t size);

/// Decodes base64 (with padding) of exactly `size` bytes into `out`.
bool fromBase64(std::string_view text, unsigned char* out, std::size_t size);

/// Makes libsodium ready; false when it cannot be (no randomness).
bool sodiumReady();

} // namespace update
