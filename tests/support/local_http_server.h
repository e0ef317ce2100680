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
class QTcpServer;
class QTcpSocket;

namespace testing_support {

/// How the local server answers one request.
struct HttpAnswer {
    enum class Mode {
        Complete, // status line, headers, Content-Length and the whole body
        NoLength, // no Content-Length: the body ends where the connection closes
        CutShort, // Content-Length says `promised`, but only `body` comes before closing
        Silent,   // reads the request and never answers
    };

    int status = 200;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
    Mode mode = Mode::Complete;
    std::size_t promised = 0;
    bool closes = true; // the server closes the connection once it has sent the answer
    int pieces = 1;     // the body is sent in this many pieces, `pause` apart
    std::chrono::milliseconds pause{0};

    /// The same answer, after which the server sends nothing more but keeps
    /// the connection open.
    HttpAnswer keptOpen() const;

    static HttpAnswer ok(std::string body);
    static HttpAnswer withStatus(int status, std::string body = {});
    static HttpAnswer redirect(std::string location, int status = 302);
    static HttpAnswer noLength(std::string body);
    static HttpAnswer cutShort(std::string body, std::size_t promised);
    static HttpAnswer silent();
    /// A complete answer whose body comes in `pieces` parts, `pause` apart.
    static HttpAnswer slow(std::string body, int pieces, std::chrono::milliseconds pause);
};

/// A scripted HTTP/1.1 server on 127.0.0.1 with a port of its own, running on
/// its own thread so that it answers while the test's thread waits in a
/// client or for a child process. Every connection carries one request;
/// paths without an answer get 404.
class LocalHttpServer {
public:
    enum class Scheme { Http, Https };

    /// Https uses a certificate for 127.0.0.1; see trustLocalServerCertificate().
    explicit LocalHttpServer(Scheme scheme = Scheme::Http);
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    /// "http://127.0.0.1:PORT" (or https), without a final "/".
    std::string address() const;

    /// Answers requests for `path` (e.g. "/a/b.txt") with `answer` from now on.
    void serve(const std::string& path, HttpAnswer answer);

    /// The paths requested so far, in order.
    std::vector<std::string> requests() const;

private:
    HttpAnswer answerFor(const std::string& path);
    void accept(QTcpSocket* socket);

    Scheme m_scheme;
    std::uint16_t m_port = 0;
    std::unique_ptr<QThread> m_thread;
    QObject* m_context = nullptr; // lives on m_thread; owns the server and its sockets
    mutable std::mutex m_mutex;
    std::vector<std::pair<std::string, HttpAnswer>> m_answers;
    std::vector<std::string> m_requests;
};

/// An address on 127.0.0.1 where nothing listens, so connecting is refused.
std::string refusingAddress();

/// The certificate of Https servers (PEM), for a client to trust.
std::string localServerCertificatePem();

} // namespace testing_support
