#include "edonkey/part_check.h"

#include "edonkey/donkey_folder.h"
#include "edonkey/part_file.h"
#include "edonkey/working_copy.h"

namespace edonkey {

PartCheck checkPartFile(const std::string& path, const ProgramFiles& files,
                        const fakedb::FakeDatabase& database, platform::LogBox& log,
                        const std::function<void()>& yield)
{
    const auto bytes = readThroughWorkingCopy(path, files.partCopy(), yield);
    if (!bytes)
        return PartCheck::NotChecked;
    auto info = parsePartFile(*bytes);
    if (!info)
        return PartCheck::NotChecked;
    // Only a size tag followed by the transferred-bytes tag is trusted here;
    // without one the size is the one the temp-folder scan takes, so both
    // checks agree on every file.
    if (const auto size = findSizeBeforeTransferredTag(*bytes))
        info->size = *size;

    log.replace(info->name + "...\r\n");
    const std::string hit = database.lookupFake(info->hash, std::to_string(info->size));
    log.append((hit.empty() ? std::string("no fake !") : hit) + "\r\n");
    return hit.empty() ? PartCheck::Clean : PartCheck::Fake;
}

PartCheck checkChosenPartFile(const ProgramFiles& files, const fakedb::FakeDatabase& database,
                              platform::Desktop& desktop, platform::LogBox& log)
{
    const std::string chosen = chooseDonkeyFile(desktop, "*.part.met");
    if (chosen.empty())
        return PartCheck::NotChecked;
    return checkPartFile(chosen, files, database, log, [&desktop] { desktop.yield(); });
}

} // namespace edonkey
