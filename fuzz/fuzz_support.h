#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

// Common to the fuzz targets, which take their standard headers from here too.

/// Stops the run when a property fails, so libFuzzer saves the input.
#define FUZZ_REQUIRE(condition)                                                                    \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition);  \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace fuzzing {

/// A folder of its own (on tmpfs when there is one) for code that reads real
/// files; removed at exit, which libFuzzer reaches when its time is up.
struct ScratchFolder {
    std::string path =
        (std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                   : std::filesystem::temp_directory_path()) /
        "brisquen-fuzz-XXXXXX";
    ScratchFolder()
    {
        if (!::mkdtemp(path.data()))
            std::abort();
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }

    /// Replaces the folder's file `name` with `bytes` and returns its path.
    std::string write(std::string_view name, std::string_view bytes) const
    {
        const std::string file = path + "/" + std::string(name);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
        return file;
    }
};

} // namespace fuzzing
