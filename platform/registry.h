#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

/// Read-only access to the registry's HKEY_CLASSES_ROOT, where the client
/// registers its ed2k protocol handler.
class Registry {
public:
    virtual ~Registry() = default;

    /// The default (unnamed) value of `subkey`, cut at its first NUL, or nothing
    /// when the key cannot be opened or read.
    virtual std::optional<std::string> readClassesRootDefault(std::string_view subkey) = 0;
};

/// The registry of the machine the program runs on. Systems without a
/// registry return a registry in which every key is missing.
Registry& systemRegistry();

} // namespace platform
