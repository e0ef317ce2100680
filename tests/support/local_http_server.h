#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class QObject;
class QThread;

namespace testing_support {

/// How the local server answers one request; it closes the connection after.
struct HttpAnswer {
    int status = 200;
    std::string body;
    std::string location;  // sent as a Location header when not empty
    long long length = -1; // Content-Length; the body's size when negative
    bool answers = true;   // false: reads the request and never answers
    int pieces = 1;        // the body is sent in this many parts, `pause` apart
    std::chrono::milliseconds pause{0};

    static HttpAnswer ok(std::string body);
    static HttpAnswer withStatus(int status, std::string body = {});
    static HttpAnswer redirect(std::string location, int status = 302);
    /// Content-Length says `promised`, but only `body` comes before the close.
    static HttpAnswer cutShort(std::string body, std::size_t promised);
    static HttpAnswer silent();
    static HttpAnswer slow(std::string body, int pieces, std::chrono::milliseconds pause);
};

/// A scripted HTTP/1.1 server on 127.0.0.1 with a port of its own, running on
/// its own thread so that it answers while the test's thread waits in a
/// client or for a child process. Every connection carries one request;
/// paths without an answer get 404.
class LocalHttpServer {
public:
    LocalHttpServer();
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    /// "http://127.0.0.1:PORT", without a final "/".
    std::string address() const;

    /// Answers requests for `path` (e.g. "/a/b.txt") with `answer` from now on.
    void serve(const std::string& path, HttpAnswer answer);

    /// The paths requested so far, in order.
    std::vector<std::string> requests() const;

private:
    HttpAnswer answerFor(const std::string& path);

    std::uint16_t m_port = 0;
    std::unique_ptr<QThread> m_thread;
    QObject* m_context = nullptr; // lives on m_thread; owns the server and its sockets
    mutable std::mutex m_mutex;
    std::vector<std::pair<std::string, HttpAnswer>> m_answers;
    std::vector<std::string> m_requests;
};

/// An address on 127.0.0.1 where nothing listens, so connecting is refused.
std::string refusingAddress();

} // namespace testing_support
