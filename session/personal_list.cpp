#include "session/personal_list.h"

#include "edonkey/ed2k_hash.h"
#include "edonkey/link_check.h"
#include "fakedb/personal_list.h"
#include "platform/ascii.h"
#include "platform/files.h"
#include "session/folder_lock.h"
#include "session/texts.h"

#include <algorithm>
#include <charconv>
#include <functional>

namespace session {
namespace {

// Reads myfakes.dat, lets `change` make its new text (nothing: leave it) and
// writes that, all under the program folder's lock.
PersonalChange
changeList(const ProgramFiles& files,
           const std::function<std::optional<std::string>(std::string_view text)>& change)
{
    const std::string path = files.myFakesDat();
    PersonalChange end = PersonalChange::Unchanged;
    const bool ran = withFolderLock(files, [&] {
        std::string text;
        if (platform::fileModifiedTime(path) || platform::isFolder(path)) {
            auto read = platform::readFile(path);
            if (!read) {
                end = PersonalChange::CannotRead;
                return;
            }
            text = std::move(*read);
        }
        const auto changed = change(text);
        if (!changed)
            return;
        end = makeFolderFor(files, path) && platform::writeFileAtomically(path, *changed)
                  ? PersonalChange::Changed
                  : PersonalChange::CannotWrite;
    });
    return ran ? end : PersonalChange::FolderBusy;
}

bool isHash(std::string_view text)
{
    return text.size() == 32 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
           });
}

std::optional<std::uint64_t> sizeOf(std::string_view text)
{
    std::uint64_t size = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return size;
}

} // namespace

std::variant<MarkedFile, std::string> markedFile(const std::string& what, bool bareHashAllowed)
{
    if (const auto link = edonkey::parseEd2kLink(what)) {
        const auto size = sizeOf(link->size);
        if (isHash(link->hash) && size)
            return MarkedFile{platform::lowerAscii(link->hash), size};
        return std::string(texts::invalidLink);
    }
    const bool isFile = platform::fileModifiedTime(what).has_value();
    if (bareHashAllowed && isHash(what) && !isFile)
        return MarkedFile{platform::lowerAscii(what), std::nullopt};
    if (!isFile && !platform::isFolder(what))
        return what + (bareHashAllowed ? " is no ed2k file link, file or hash"
                                       : " is no ed2k file link or file");
    const auto hashed = edonkey::hashFile(what);
    if (const auto* error = std::get_if<edonkey::HashError>(&hashed))
        return what + ": " + std::string(edonkey::hashErrorText(*error));
    const auto& file = std::get<edonkey::FileHash>(hashed);
    return MarkedFile{file.hash, file.size};
}

PersonalChange markFake(const ProgramFiles& files, std::string_view hash, std::uint64_t size,
                        std::string_view description)
{
    const auto line = fakedb::personalListLine(hash, size, description);
    if (!line)
        return PersonalChange::BadDescription;
    return changeList(files, [&](std::string_view text) {
        return fakedb::withEntry(text, *line, hash, std::to_string(size));
    });
}

PersonalChange unmarkFake(const ProgramFiles& files, std::string_view hash,
                          std::optional<std::uint64_t> size)
{
    const auto sizeText = size ? std::optional(std::to_string(*size)) : std::nullopt;
    return changeList(
        files, [&](std::string_view text) { return fakedb::withoutEntry(text, hash, sizeText); });
}

} // namespace session
