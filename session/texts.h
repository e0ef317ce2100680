#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Every text the program shows the user, in the log box, a message box, the
// file dialog or the answer under the link box. Lines end in CR LF where the
// log needs one; the writers add it.
namespace session::texts {

// Message boxes.
inline constexpr std::string_view noDatabase =
    "No Fake Database found\r\n( copy the fakes.dat file in the \r\nsame directory as this file )";
inline constexpr std::string_view folderNotFound =
    "eDonkey Folder not found, please select the\r\npref.met in you eDonkey folder";
inline constexpr std::string_view noTempFolder = "Temp Folder not found...";
inline constexpr std::string_view invalidLink = "This is not a valid eDonkey Link";
inline constexpr std::string_view justUpdated = "You just updated the file...";
inline constexpr std::string_view updateError = "Error occured during updating, try again later";
/// Before the reason a job could not finish for, in the message box.
inline constexpr std::string_view couldNotFinish = "Brisquen could not finish: ";

/// On standard error, when an installed program has nowhere to keep its files.
inline constexpr std::string_view noHomeFolder =
    "no folder for the program's files: set HOME, or XDG_CONFIG_HOME and XDG_DATA_HOME";

/// For --help: where both programs keep their files; each ends the sentence.
inline constexpr std::string_view programFilesHelp =
    R"(Program files: a copy run from anywhere but the folder it was installed to
keeps fakes.dat, Setting.ini, the lock file brisquen.lock and its working
copies beside itself. Installed, it keeps Setting.ini in
$XDG_CONFIG_HOME/brisquen/ (by default ~/.config/brisquen/) and the others in
$XDG_DATA_HOME/brisquen/ (by default ~/.local/share/brisquen/), and reads the
list brisquen/fakes.dat shared in a folder of $XDG_DATA_DIRS (by default
/usr/local/share:/usr/share) when it has no copy of its own, or an older one)";

/// Title of the one file dialog, shown for part files too.
inline constexpr std::string_view chooseFileTitle =
    "Select the pref.met file in your donkey folder";

// The check pass's log lines.
inline constexpr std::string_view loadingDatabase = "*** Loading Database..";
inline constexpr std::string_view entriesLoadedBefore = ".done ( ";
inline constexpr std::string_view entriesLoadedAfter = " entries loaded )";
inline constexpr std::string_view checkingFiles = "*** Checking Files..";
inline constexpr std::string_view noFakesFound = "*** No fakes found in your temp folder !";
inline constexpr std::string_view finishedChecking = "*** Finished checking.";
// Before the closing line, for clients other than eDonkey2000:
// "*** 2 part files could not be read".
inline constexpr std::string_view unreadablePartFilesBefore = "*** ";
inline constexpr std::string_view unreadablePartFilesAfter = " part files could not be read";

/// A working copy the program folder cannot take, on standard error and, for
/// clients other than eDonkey2000, in the log: "... PATH: REASON".
inline constexpr std::string_view cannotWriteWorkingCopy = "cannot write the working copy ";

/// A line of the user's own list that was left out: "myfakes.dat, line 3
/// skipped: REASON"; in the log under the list's count, after this.
std::string personalBadLine(std::uint64_t number, std::string_view reason);
inline constexpr std::string_view personalBadLineBefore = "*** ";

// Under a download or finished file whose first bytes are not what its name
// says: "*** Suspect - named as a video (.avi), but its first bytes are a
// Windows program"; and before the closing line, "*** 2 suspect downloads".
inline constexpr std::string_view suspectBefore = "*** Suspect - ";
inline constexpr std::string_view suspectDownloadsBefore = "*** ";
inline constexpr std::string_view suspectDownload = " suspect download";
inline constexpr std::string_view suspectDownloads = " suspect downloads";

// The check of one part file: the name, this, and then the verdict.
inline constexpr std::string_view afterPartFileName = "...";
inline constexpr std::string_view noFake = "no fake !";

/// The answer under the link box for a link the list does not hold.
inline constexpr std::string_view noEntryFound = "No Entry found";

// The answer under the link box while a dropped file is hashed:
// "Hashing NAME… 42 %"; and a file that could not be: "NAME: reason".
inline constexpr std::string_view hashingBefore = "Hashing ";
inline constexpr std::string_view hashingAfter = "\u2026 ";
inline constexpr std::string_view percentSign = " %";
inline constexpr std::string_view afterUnhashedName = ": ";

// The database update's log lines.
inline constexpr std::string_view connecting = "*** Connecting to the server... ";
inline constexpr std::string_view newerVersion =
    "*** There is a newer version of brisquen available, please download it.";
inline constexpr std::string_view upToDate = "*** You already got the newest database... ";
inline constexpr std::string_view downloaded = "*** New Database downloaded";
inline constexpr std::string_view saved = "*** New Database saved on disk";
// A signed update that did not take the server's list: "*** Database refused: "
// and the reason.
inline constexpr std::string_view databaseRefused = "*** Database refused: ";
inline constexpr std::string_view refusedNoSignature = "no signature";
inline constexpr std::string_view refusedUnreadableSignature = "unreadable signature";
inline constexpr std::string_view refusedUnknownKey = "unknown key";
inline constexpr std::string_view refusedBadSignature = "bad signature";
inline constexpr std::string_view refusedOlder = "older than the one in use";
inline constexpr std::string_view refusedNotWhole = "not whole";
inline constexpr std::string_view refusedUnreadableKey = "UpdatePublicKey holds no public key";
/// On standard error after an update that took a list with no signature.
inline constexpr std::string_view cameUnsigned =
    "the list came unsigned: anyone on the way could have changed it (set UpdatePublicKey)";

/// The installed window's question when there is no list at all:
/// "No list of known fakes yet. Get it now from SERVER?"
inline constexpr std::string_view getFirstListBefore =
    "No list of known fakes yet. Get it now from ";
inline constexpr std::string_view getFirstListAfter = "?";

inline constexpr std::string_view lineEnd = "\r\n";

} // namespace session::texts
