#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

/// The registry's root keys that the clients' settings live under.
enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine };

/// Read-only access to the registry, where the client registers its ed2k
/// protocol handler and keeps some of its settings. Key and value names are
/// compared without regard to case.
class Registry {
public:
    virtual ~Registry() = default;

    /// The string value `name` of `subkey` under `root` ("" names the default
    /// value), cut at its first NUL: a REG_SZ, a REG_EXPAND_SZ unexpanded or the
    /// first string of a REG_MULTI_SZ. Nothing when the key or value is missing
    /// or holds another type.
    virtual std::optional<std::string> readString(RegistryRoot root, std::string_view subkey,
                                                  std::string_view name) = 0;

    /// The REG_DWORD value `name` of `subkey` under `root`; nothing when the key
    /// or value is missing or holds another type.
    virtual std::optional<std::uint32_t> readDword(RegistryRoot root, std::string_view subkey,
                                                   std::string_view name) = 0;

    /// The default value of `subkey` under HKEY_CLASSES_ROOT, as readString
    /// gives it.
    std::optional<std::string> readClassesRootDefault(std::string_view subkey)
    {
        return readString(RegistryRoot::ClassesRoot, subkey, "");
    }
};

} // namespace platform
