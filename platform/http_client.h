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

    /// The body at `url` (http:// or https://), redirects followed, as raw
    /// bytes. The window's events, clicks included, are handled while it
    /// waits, so the caller must turn away a command that arrives then.
    virtual std::optional<std::string> get(std::string_view url) = 0;
};

} // namespace platform
