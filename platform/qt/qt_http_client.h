#pragma once

#include "platform/http_client.h"

#include <QNetworkAccessManager>
#include <QUrl>
#include <QtGlobal>

#include <chrono>
#include <stop_token>

namespace platform {

/// The HTTP client of both programs, over Qt Network, for http:// and https://
/// addresses. get() waits in an event loop of its own on the calling thread,
/// which must be the thread that made the client (the window's jobs make
/// theirs on the jobs' thread). Needs a QCoreApplication.
class QtHttpClient final : public HttpClient {
public:
    static constexpr std::chrono::milliseconds defaultTimeout{30'000};
    static constexpr qint64 defaultMaxBodySize = 64 * 1024 * 1024;

    /// `timeout` is the longest wait for the server's next bytes, from the
    /// request on; `maxBodySize` the longest body taken, in bytes. While a body
    /// comes, little more than it is held.
    explicit QtHttpClient(std::chrono::milliseconds timeout = defaultTimeout,
                          qint64 maxBodySize = defaultMaxBodySize);
    ~QtHttpClient() override;
    Q_DISABLE_COPY_MOVE(QtHttpClient)

    /// Follows up to 10 redirects, never from https to http. Fails for an
    /// address that is not http or https, a status other than 2xx, a refused
    /// connection, a time-out, a body cut short against its Content-Length or
    /// one longer than the limit, and once a stop is requested.
    std::optional<std::string> get(std::string_view url) override;
    /// The same within `limits`, besides the client's own time-out and body
    /// limit: the transfer, redirects included, ends by `limits.within`.
    std::optional<std::string> get(std::string_view url, const Limits& limits) override;

    /// Whether a redirect from `from` to `to` is followed: to http or https
    /// only, and never from https down to http.
    static bool mayRedirect(const QUrl& from, const QUrl& to);

    /// Makes a transfer under way fail as soon as `stop` is requested, from
    /// any thread, and every later one fail before it connects.
    void stopOn(std::stop_token stop) { m_stop = std::move(stop); }

private:
    struct Answer;
    Answer fetch(const QUrl& address, std::chrono::steady_clock::time_point deadline,
                 qint64 maxBodySize);

    QNetworkAccessManager m_manager;
    std::chrono::milliseconds m_timeout;
    qint64 m_maxBodySize;
    std::stop_token m_stop;
};

} // namespace platform
