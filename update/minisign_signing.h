#pragma once

#include "update/minisign.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

// The maintainers' side of minisign: reading a secret key and signing a file
// as `minisign -S` does.
namespace update {

struct SecretKey {
    KeyId id{};
    std::array<unsigned char, 64> key{}; // libsodium's Ed25519 secret key
};

enum class SecretKeyProblem {
    None,
    Unreadable,    // no minisign secret key file, or one of a kind we do not know
    WrongPassword, // the key's checksum fails after decryption
};

struct SecretKeyRead {
    std::optional<SecretKey> key;
    SecretKeyProblem problem = SecretKeyProblem::None;
};

/// Whether the secret key file is encrypted with a password; nothing when it
/// is no minisign secret key file.
std::optional<bool> secretKeyNeedsPassword(std::string_view file);

/// Reads a minisign secret key file, decrypting it with `password` when it is
/// encrypted (scrypt, as minisign does).
SecretKeyRead readSecretKey(std::string_view file, std::string_view password);

/// The .minisig file for `file`: a prehashed signature, `trustedComment`
/// under the global signature, `untrustedComment` on the first line.
std::string signFile(const SecretKey& key, std::string_view file, std::string_view trustedComment,
                     std::string_view untrustedComment);

} // namespace update
