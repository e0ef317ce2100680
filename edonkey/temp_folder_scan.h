#pragma once

#include "edonkey/content_look.h"
#include "edonkey/download_check.h"
#include "edonkey/working_copy.h"
#include "fakedb/fake_lookup.h"

#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace edonkey {

/// Hears of each download the scan checks, in the order checked.
class DownloadObserver {
public:
    virtual ~DownloadObserver() = default;

    /// A part file was read: its download's name, as the client stored it.
    virtual void onDownload(std::string_view name) = 0;

    /// The download just named is listed: the lookup's "*** " line.
    virtual void onFake(std::string_view hit) = 0;

    /// The download just named has first bytes that are not what its name
    /// says; told after any fake line.
    virtual void onSuspect(const Suspicion& /*suspicion*/) {}
};

/// A part file the scan passed over, and why.
struct SkippedFile {
    std::string path;
    std::string_view reason;

    bool operator==(const SkippedFile&) const = default;
};

struct ScanResult {
    bool foundPartFiles = false; // false: the folder could not be read or holds none
    bool foundFake = false;
    std::size_t checked = 0;            // part files read and looked up
    std::vector<SkippedFile> skipped;   // part files that could not be read or are none
    std::optional<CopyFault> copyFault; // the first working copy that could not be written
    std::size_t suspects = 0;           // downloads whose first bytes are a suspect
    std::size_t notDownloaded = 0;      // downloads whose first bytes have not come yet
    std::size_t dataUnreadable = 0;     // downloads whose data file could not be read
};

/// Whether a scan falls back on the copies NNN.part.met.bak that aMule and
/// eMule keep beside their part files.
enum class BackupCopies { Ignored, Read };

/// Checks every *.part.met in a temp folder, each read through the working
/// copy by the client's rules; `stop` ends the scan between files. Files that
/// cannot be read or are no part files are reported to no observer, only in
/// the result. With `backups` read, a part file that cannot be read is tried
/// once more (the client may be saving it), and then its .bak copy is read in
/// its place; a .bak copy without its part file (aMule 3.x renames the part
/// file to .bak before it renames the new one into place) is read as the
/// download. Either only while the download's data file NNN.part is there:
/// a .bak alone is a download the client has let go. With `readMissing`,
/// each download's first bytes are looked at in its data file, once they
/// have come.
ScanResult scanTempFolder(const std::string& tempFolder, const WorkingCopy& workingCopy,
                          const fakedb::FakeLookup& lookup, PartFileReader reader,
                          DownloadObserver& observer, const std::stop_token& stop,
                          BackupCopies backups = BackupCopies::Ignored,
                          MissingRangesReader readMissing = nullptr);

} // namespace edonkey
