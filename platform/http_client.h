#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

/// A blocking HTTP GET: the whole body of a 2xx answer, or nothing when the
/// transfer failed in any way (refused, timed out, error status, cut short,
/// too long). It holds up the calling thread until then, so the window calls
/// it from its jobs' thread, never from its own.
class HttpClient {
public:
    virtual ~HttpClient() = default;

    /// The body at `url` (http:// or https://), redirects followed, as raw
    /// bytes.
    virtual std::optional<std::string> get(std::string_view url) = 0;

    /// What one transfer may take: the whole of it, however the server
    /// trickles, and its body's size.
    struct Limits {
        std::chrono::milliseconds within;
        std::size_t maxBytes;
    };

    /// get(url) within `limits`: fails when the transfer has not ended within
    /// `limits.within`, or its body would be longer than `limits.maxBytes`
    /// (refused before reading on when the server declares it so).
    virtual std::optional<std::string> get(std::string_view url, const Limits& limits)
    {
        auto body = get(url);
        if (body && body->size() > limits.maxBytes)
            return std::nullopt;
        return body;
    }
};

} // namespace platform
