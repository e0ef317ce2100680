#pragma once

#include <csignal>
#include <sys/resource.h>

namespace testing_support {

/// Caps the size of files this process writes (RLIM_INFINITY lifts the cap up
/// to the hard limit), so a write fails part way with EFBIG even for root, whom
/// permissions do not stop.
inline void limitFileSize(rlim_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes < limit.rlim_max ? bytes : limit.rlim_max;
    setrlimit(RLIMIT_FSIZE, &limit);
}

} // namespace testing_support
