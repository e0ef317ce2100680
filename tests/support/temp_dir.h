#pragma once

#include <string>
#include <string_view>

namespace testing_support {

/// A fresh folder under the system's temporary folder, removed with everything
/// in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    /// The folder's path, ending in "/".
    const std::string& path() const { return m_path; }

    /// path() + name.
    std::string file(std::string_view name) const { return m_path + std::string(name); }

    /// Creates a sub-folder and returns its path, ending in "/".
    std::string makeFolder(std::string_view name) const;

    /// Writes `bytes` to path() + name, creating folders on the way; returns the path.
    std::string write(std::string_view name, std::string_view bytes) const;

private:
    std::string m_path;
};

/// The whole content of a file as bytes, or "<missing>" when it cannot be read.
std::string readFile(const std::string& path);

/// True when a file or folder exists at `path` (a dangling link counts).
bool exists(const std::string& path);

} // namespace testing_support
