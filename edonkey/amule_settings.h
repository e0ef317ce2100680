#pragma once

#include "edonkey/client_settings.h"
#include "fakedb/fake_lookup.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace edonkey {

/// aMule's settings file, amule.conf, in wxWidgets' config format, read as
/// aMule reads it: "[Group]" lines and "Key=Value" lines, ';' and '#'
/// comments, group and key names compared without regard to case, the last of
/// duplicate keys winning, and values unescaped (\\ \" \t \n \r, a value
/// beginning with a quote written in quotes).
class AmuleConf {
public:
    explicit AmuleConf(std::string_view text);

    /// The value of `key` in `group` (e.g. "eMule", "Cat#1"); nothing when
    /// the file has no such key.
    std::optional<std::string> value(std::string_view group, std::string_view key) const;

    /// The value of `key` in `group` read as aMule reads a number: blanks
    /// around it allowed, nothing else; 0 when missing or no number.
    long number(std::string_view group, std::string_view key) const;

private:
    std::map<std::string, std::string> m_values; // folded "group/key" -> value
};

/// aMule's folders: "[eMule] TempDir" and "IncomingDir" of the amule.conf at
/// `path` (by default the folders Temp and Incoming beside it), and the
/// Incoming folder of each category "[Cat#1]" ... up to "[General] Count" that
/// has a title and a folder, as aMule takes them; a folder aMule wrote as its
/// bytes read as Latin-1 is taken as those bytes. Nothing when the file cannot
/// be read.
std::optional<ClientSettings> amuleSettings(const std::string& path, const ClientFileReader& read);

/// The downloads rated "Invalid / Corrupt / Fake" (Rate=1) in the amule.conf
/// at `path`, where aMule keeps each rated file's group, named by its hash.
/// Read once, now: aMule writes them when it saves its settings.
fakedb::RatedFakes amuleRatedFakes(const std::string& path, const ClientFileReader& read);

} // namespace edonkey
