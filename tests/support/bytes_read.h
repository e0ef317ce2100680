#pragma once

#include <cstdint>

namespace testing_support {

/// How many bytes this process has read through system calls so far
/// (/proc/self/io's rchar), to show what a step did not read.
std::uint64_t bytesReadSoFar();

} // namespace testing_support
