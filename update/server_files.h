#pragma once

#include <string_view>

namespace update {

/// The three files of the update server, under its address.
inline constexpr std::string_view versionFilePath = "/brisquen/update/brisquen.txt";
inline constexpr std::string_view countFilePath = "/brisquen/update/fakes.txt";
inline constexpr std::string_view databaseFilePath = "/brisquen/update/fakes.dat";
/// The list's signature, when the maintainers sign it.
inline constexpr std::string_view signatureFilePath = "/brisquen/update/fakes.dat.minisig";

/// The marks around the list on the server.
inline constexpr char listStart = '[';
inline constexpr char listEnd = ']';

/// The version file holds exactly this while no newer program exists.
inline constexpr std::string_view programVersion = "20";

} // namespace update
