#pragma once

#include "platform/registry.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace platform {

/// One registry file of a Wine prefix (`system.reg` for the machine, `user.reg`
/// for the user), read the way Wine loads it. Key paths are relative to the
/// file's root (e.g. "Software\Classes\ed2k\DefaultIcon") and compared without
/// regard to ASCII letter case.
class WineHive {
public:
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

    /// The key's default value as UTF-8 text, cut at its first NUL; nothing when
    /// the key is missing or its default value is missing or not a string
    /// (dword:, hex: and hex(N): other than the string types 1, 2 and 7). UTF-8
    /// rather than the ANSI code page because Wine names the prefix's files in
    /// UTF-8, so a folder taken from the value is found there in any script.
    std::optional<std::string> defaultValue(std::string_view path) const;

private:
    // Folded key path -> the default value, when it is a string.
    std::map<std::string, std::optional<std::string>> m_keys;
};

/// The default value of `subkey` under HKEY_CLASSES_ROOT, which merges the
/// user's classes over the machine's: when the user's hive has the key, its
/// value (or its lack of one) wins.
std::optional<std::string> classesRootDefault(const WineHive& user, const WineHive& machine,
                                              std::string_view subkey);

/// HKEY_CLASSES_ROOT of the Wine prefix at `prefixFolder`, from its `user.reg`
/// and `system.reg`. A file is read again whenever its time or size changed, so
/// a client registered while the program runs is found. An empty folder name
/// gives a registry with no keys. Not for use from several threads at once.
class WineRegistry final : public Registry {
public:
    explicit WineRegistry(std::string prefixFolder);

    std::optional<std::string> readClassesRootDefault(std::string_view subkey) override;

private:
    struct LoadedHive {
        std::string path;
        std::optional<std::pair<std::filesystem::file_time_type, std::uintmax_t>> stamp;
        WineHive hive;
    };
    const WineHive& current(LoadedHive& loaded);

    LoadedHive m_user;
    LoadedHive m_machine;
};

} // namespace platform
