#include "edonkey/temp_folder_scan.h"

#include "edonkey/part_file.h"
#include "edonkey/working_copy.h"
#include "platform/files.h"

namespace edonkey {

ScanResult scanTempFolder(const std::string& tempFolder, const ProgramFiles& files,
                          const fakedb::FakeDatabase& database, platform::LogBox& log,
                          const std::function<void()>& yield)
{
    ScanResult result;
    if (!platform::setCurrentDirectory(tempFolder))
        return result;
    const auto names = platform::findFiles("*.part.met");
    if (names.empty())
        return result;
    result.foundPartFiles = true;
    // Found files are reached by full path, so nothing that changes the current
    // directory while the scan yields can make it read the wrong file.
    const std::string folder = platform::currentDirectory();
    yield();

    for (const auto& name : names) {
        const auto bytes = readThroughWorkingCopy(folder + name, files.partCopy(), yield);
        if (!bytes)
            continue;
        const auto info = parsePartFile(*bytes);
        if (!info)
            continue;
        log.append(info->name + "\r\n");
        const std::string hit = database.lookupFake(info->hash, std::to_string(info->size));
        if (!hit.empty()) {
            log.append(hit + "\r\n");
            result.foundFake = true;
        }
    }
    return result;
}

} // namespace edonkey
