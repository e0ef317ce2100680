#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

/// A blocking HTTP GET: the whole body of a 2xx answer, or nothing when the
/// transfer failed in any way (refused, timed out, error status, cut short,
/// too long). The window stays painted while it waits.
class HttpClient {
public:
    virtual ~HttpClient() = default;

    virtual std::optional<std::string> get(std::string_view url) = 0;
};

} // namespace platform
