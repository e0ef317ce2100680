#pragma once

#include "platform/registry.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace platform {

/// One registry file of a Wine prefix (`system.reg` for the machine, `user.reg`
/// for the user), read the way Wine loads it. Key paths are relative to the
/// file's root (e.g. "Software\Classes\ed2k\DefaultIcon") and compared without
/// regard to ASCII letter case.
class WineHive {
public:
    /// What the hive keeps of a value: a string (as UTF-8), a DWORD, or that it
    /// is of another type.
    using Value = std::variant<std::monostate, std::string, std::uint32_t>;

    /// An empty hive, in which every key is missing.
    WineHive() = default;

    /// Reads Wine's registry text. A text that does not start with Wine's header
    /// gives an empty hive; a line Wine could not read is skipped, as Wine does.
    explicit WineHive(std::string_view text);

    /// Reads the file at `path`; a missing, unreadable or oversized file gives an
    /// empty hive.
    static WineHive load(const std::string& path);

    /// True when the key exists, listed itself or as the parent of a listed key
    /// (Wine leaves out keys that hold nothing but subkeys).
    bool hasKey(std::string_view path) const;

    /// The string value `name` of the key ("" names the default value) as
    /// UTF-8 text, cut at its first NUL; nothing when the key or value is missing
    /// or the value is no string (dword:, hex: and hex(N): other than the string
    /// types 1, 2 and 7). UTF-8 rather than the ANSI code page because Wine names
    /// the prefix's files in UTF-8, so a folder taken from the value is found
    /// there in any script. Value names are compared without regard to ASCII
    /// letter case.
    std::optional<std::string> stringValue(std::string_view path, std::string_view name) const;

    /// The key's default value, as stringValue gives it.
    std::optional<std::string> defaultValue(std::string_view path) const;

    /// The DWORD value `name` of the key (dword:, or hex(4): of four bytes);
    /// nothing when the key or value is missing or holds another type.
    std::optional<std::uint32_t> dwordValue(std::string_view path, std::string_view name) const;

private:
    const Value* find(std::string_view path, std::string_view name) const;

    // Folded key path -> folded value name -> value.
    std::map<std::string, std::map<std::string, Value>> m_keys;
};

/// The default value of `subkey` under HKEY_CLASSES_ROOT, which merges the
/// user's classes over the machine's: when the user's hive has the key, its
/// value (or its lack of one) wins.
std::optional<std::string> classesRootDefault(const WineHive& user, const WineHive& machine,
                                              std::string_view subkey);

/// The registry of the Wine prefix at `prefixFolder`: HKEY_CURRENT_USER is its
/// `user.reg`, HKEY_LOCAL_MACHINE its `system.reg`, and HKEY_CLASSES_ROOT the
/// user's `Software\Classes` over the machine's. A file is read again whenever
/// its time or size changed, so a client registered while the program runs is
/// found. An empty folder name gives a registry with no keys. Not for use from
/// several threads at once.
class WineRegistry final : public Registry {
public:
    explicit WineRegistry(std::string prefixFolder);

    std::optional<std::string> readString(RegistryRoot root, std::string_view subkey,
                                          std::string_view name) override;
    std::optional<std::uint32_t> readDword(RegistryRoot root, std::string_view subkey,
                                           std::string_view name) override;

private:
    struct LoadedHive {
        std::string path;
        std::optional<std::pair<std::filesystem::file_time_type, std::uintmax_t>> stamp;
        WineHive hive;
    };
    const WineHive& current(LoadedHive& loaded);

    /// A key's path in the hive that `root` reads it from.
    struct HiveKey {
        const WineHive& hive;
        std::string path;
    };
    HiveKey locate(RegistryRoot root, std::string_view subkey);

    LoadedHive m_user;
    LoadedHive m_machine;
};

} // namespace platform
