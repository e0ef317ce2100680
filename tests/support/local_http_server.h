#pragma once

#include <chrono>
#include <map>
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
    int status = 200; // 0: reads the request and never answers
    std::string body{};
    std::string location{}; // sent as a Location header when not empty
    long long length = -1;  // Content-Length; the body's size when negative
    int pieces = 1;         // the body is sent in this many parts, `pause` apart
    std::chrono::milliseconds pause{0};
    bool chunked = false;    // no Content-Length: each part goes as a chunk
    bool endless = false;    // chunked, `body` again and again while the client reads
    bool noLength = false;   // neither Content-Length nor chunks: the close ends the body
    bool unfinished = false; // chunked, and closed halfway through the last chunk

    static HttpAnswer ok(std::string body) { return {.body = std::move(body)}; }
};

/// A scripted HTTP/1.1 server on 127.0.0.1 with a port of its own, running on
/// its own thread so that it answers while the test's thread waits. Every
/// connection carries one request; paths without an answer get 404.
class LocalHttpServer {
public:
    LocalHttpServer();
    ~LocalHttpServer();

    /// "http://127.0.0.1:PORT", without a final "/".
    std::string address() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    /// Answers requests for `path` (e.g. "/a/b.txt") with `answer` from now on.
    void serve(const std::string& path, HttpAnswer answer);
    /// The paths requested so far, in order.
    std::vector<std::string> requests() const;
    /// The connections taken so far, whether or not a request came on them.
    int connections() const;

private:
    int m_port = 0;
    std::unique_ptr<QThread> m_thread;
    QObject* m_context = nullptr; // lives on m_thread; owns the server and its sockets
    mutable std::mutex m_mutex;
    std::map<std::string, HttpAnswer> m_answers;
    std::vector<std::string> m_requests;
    int m_connections = 0;
};

} // namespace testing_support
