#pragma once

#include <map>
#include <string>
#include <vector>

namespace testing_support {

/// Sets the modification time of `root` and of everything under it (links
/// themselves, not what they point to) to a day long past, so that any write
/// shows in the times whatever the clock's resolution.
void ageTree(const std::string& root);

/// Everything under a folder as it is now: kind, mode, modification time, and
/// the bytes of each file or the target of each link.
class FolderSnapshot {
public:
    explicit FolderSnapshot(const std::string& root);

    /// One line per entry added, removed or changed since `earlier`.
    std::vector<std::string> changesSince(const FolderSnapshot& earlier) const;

    std::size_t size() const { return m_entries.size(); }

private:
    struct Entry {
        std::string kind;
        unsigned mode = 0;
        long long mtimeSeconds = 0;
        long nanoseconds = 0;
        std::string content; // file bytes or link target

        bool operator==(const Entry&) const = default;
    };

    std::map<std::string, Entry> m_entries; // by path under the root; "" is the root
};

/// Watches a folder and its sub-folders for anything that writes: a file
/// opened for writing and closed, changed, created, removed, renamed, or its
/// attributes set. Reading is not reported.
class WriteWatch {
public:
    explicit WriteWatch(const std::string& root);
    ~WriteWatch();
    WriteWatch(const WriteWatch&) = delete;
    WriteWatch& operator=(const WriteWatch&) = delete;

    /// The writes seen so far, as "EVENT path".
    std::vector<std::string> writes();

private:
    int m_fd = -1;
    std::map<int, std::string> m_folders; // by watch descriptor
};

} // namespace testing_support
