#include "platform/executable_folder.h"

#include <unistd.h>

namespace platform {

std::string executableFolder()
{
    std::string target(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", target.data(), target.size());
        if (length < 0)
            return "./";
        if (static_cast<std::size_t>(length) < target.size()) {
            target.resize(static_cast<std::size_t>(length));
            break;
        }
        if (target.size() > (1u << 20))
            return "./";
        target.resize(target.size() * 2);
    }
    // A replaced executable reads as "/folder/name (deleted)"; only the name
    // part carries that note.
    const auto slash = target.rfind('/');
    if (slash == std::string::npos)
        return "./";
    return target.substr(0, slash + 1);
}

} // namespace platform
