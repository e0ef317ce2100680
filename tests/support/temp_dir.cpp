#include "tests/support/temp_dir.h"

#include "tools/fixture_writer.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace testing_support {

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "brisquen-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    m_path = pattern + "/";
}

TempDir::~TempDir()
{
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

std::string TempDir::makeFolder(std::string_view name) const
{
    std::string folder = file(name);
    fs::create_directories(folder);
    return folder.ends_with('/') ? folder : folder + '/';
}

std::string TempDir::write(std::string_view name, std::string_view bytes) const
{
    const std::string path = file(name);
    fixtures::writeFile(path, bytes);
    return path;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
}

bool exists(const std::string& path)
{
    std::error_code ignored;
    return fs::symlink_status(path, ignored).type() != fs::file_type::not_found;
}

} // namespace testing_support
