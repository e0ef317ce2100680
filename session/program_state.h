#pragma once

#include "fakedb/fake_database.h"
#include "platform/files.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace session {

/// The list of fakes in use. A load or an update builds a new list aside and
/// puts it in use only once it is whole, so every check, on any thread,
/// answers from a whole list.
class FakeList {
public:
    /// The list in use; empty before the first load.
    std::shared_ptr<const fakedb::FakeDatabase> current() const;

    void replace(std::shared_ptr<const fakedb::FakeDatabase> list);

    /// Called after each replace, on the thread that replaced the list.
    void onReplaced(std::function<void()> listener);

private:
    mutable std::mutex m_mutex;
    std::shared_ptr<const fakedb::FakeDatabase> m_list;
    std::function<void()> m_onReplaced;
};

/// What the program keeps between commands.
struct ProgramState {
    FakeList list;
    /// The user's own list, myfakes.dat, loaded with fakes.dat; an update
    /// never replaces it.
    FakeList personal;
    /// Set by a database update, cleared by every check pass; read by the
    /// window's thread while a job runs.
    std::atomic<bool> justUpdated = false;
    /// The file the list in use was loaded from, as it was then; nothing after
    /// an update put its own list in use, or when the file was too fresh to
    /// tell a later change by its stamp. Only the jobs, one at a time, touch it.
    struct LoadedFrom {
        std::string path;
        platform::FileStamp stamp;
        std::uint64_t entries = 0;
    };
    std::optional<LoadedFrom> listLoadedFrom;
    /// Where the next file dialog opens: the client folder once discovery found
    /// it, the temp folder after a scan, the chosen file's folder after a
    /// dialog; empty (the folder the program started in) before any of them.
    /// Only the jobs, one at a time, touch it.
    std::string dialogFolder;
};

} // namespace session
