// The Qt HTTP client's own rules against a local server, and what an endless
// body costs `brisquen-check update`.

#include "platform/qt/qt_http_client.h"

#include "tests/support/local_http_server.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <stop_token>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using namespace std::string_literals;
using testing_support::HttpAnswer;
using testing_support::LocalHttpServer;

namespace {

// Past the size where a body of unknown length gets room for the whole limit.
constexpr qint64 limit = 3'000'000;

TEST(QtHttpClient, TakesBodiesUpToTheLimitFromHttpAddressesOnly)
{
    LocalHttpServer server;
    const std::string full(limit, 'b');
    server.serve("/full", {.body = full, .pieces = 3, .chunked = true});
    server.serve("/over", {.body = full + "b", .pieces = 3, .chunked = true});
    server.serve("/endless", {.body = std::string(4096, 'e'), .endless = true});
    // Faults of a server: each would be a good answer but for the fault.
    for (const int status : {300, 404, 500})
        server.serve("/" + std::to_string(status), {.status = status, .body = "121"});
    server.serve("/silent", {.status = 0});
    server.serve("/cut", {.body = "121", .length = 200});
    server.serve("/loop", {.status = 302, .location = "/loop"});
    server.serve("/moved", {.status = 301, .location = "/full"});
    const std::string at = server.address();
    platform::QtHttpClient http{500ms, limit};
    EXPECT_EQ(http.get(at + "/full"), full);
    EXPECT_EQ(http.get(at + "/moved"), full);
    for (const std::string& url :
         {at + "/over", at + "/endless", at + "/300", at + "/404", at + "/500", at + "/silent",
          at + "/cut", at + "/loop", LocalHttpServer().address() + "/gone", // its port now refuses
          "ftp" + at.substr(4) + "/full", at.substr(7) + "/full", "file:///etc/hostname"s})
        EXPECT_EQ(http.get(url), std::nullopt) << url;
    // The loop is asked once and again at each of the 10 redirects followed.
    EXPECT_EQ(server.requests().size(), 21u);
}

TEST(QtHttpClient, FollowsRedirectsToHttpOrHttpsButNeverFromHttpsToHttp)
{
    const std::tuple<QString, QString, bool> cases[] = {
        {"http://a/x", "https://b/y", true},  {"http://a/x", "http://b/y", true},
        {"https://a/x", "https://b/y", true}, {"https://a/x", "http://a/x", false},
        {"http://a/x", "ftp://a/x", false},
    };
    for (const auto& [from, to, follows] : cases)
        EXPECT_EQ(platform::QtHttpClient::mayRedirect(QUrl(from), QUrl(to)), follows)
            << to.toStdString();
}

// Requests a stop from another thread once `ready` holds, as closing the
// window does, and keeps when it did.
class StopFromAnotherThread {
public:
    explicit StopFromAnotherThread(std::function<bool()> ready)
        : m_thread([this, ready = std::move(ready)] {
            for (auto waited = 0ms; !ready() && waited < 10s; waited += 5ms)
                std::this_thread::sleep_for(5ms);
            m_requested = std::chrono::steady_clock::now();
            m_source.request_stop();
        })
    {
    }
    std::stop_token token() const { return m_source.get_token(); }
    /// How long after the stop `end` came.
    std::chrono::milliseconds before(std::chrono::steady_clock::time_point end)
    {
        m_thread.join();
        return std::chrono::duration_cast<std::chrono::milliseconds>(end - m_requested);
    }

private:
    std::stop_source m_source;
    std::chrono::steady_clock::time_point m_requested;
    std::jthread m_thread;
};

TEST(QtHttpClient, StopEndsATransferAtOnceWhereverItWaits)
{
    LocalHttpServer server;
    server.serve("/silent", {.status = 0});
    // A redirect that comes only after a long pause.
    server.serve("/first", {.status = 302, .body = "moved", .location = "/second"});
    server.serve("/second",
                 {.status = 302, .body = "moved", .location = "/third", .pieces = 1, .pause = 30s});
    const auto requested = [&server](const std::string& path) {
        return [&server, path] {
            const auto paths = server.requests();
            return std::find(paths.begin(), paths.end(), path) != paths.end();
        };
    };
    // Only the stop can end these: the server says nothing for longer than
    // the test may take. Each is stopped 200 ms after the request named.
    for (const auto& [path, waiting] :
         {std::pair{"/silent"s, "/silent"s}, {"/first"s, "/second"s}}) {
        platform::QtHttpClient http{30s, limit};
        const auto started = std::chrono::steady_clock::now();
        StopFromAnotherThread stop{[&, waiting = waiting] {
            return std::chrono::steady_clock::now() - started > 200ms && requested(waiting)();
        }};
        http.stopOn(stop.token());
        EXPECT_EQ(http.get(server.address() + path), std::nullopt) << path;
        EXPECT_LT(stop.before(std::chrono::steady_clock::now()), 300ms) << path;
    }
    EXPECT_FALSE(requested("/third")());
}

TEST(QtHttpClient, StopRequestedBeforeFailsWithoutAsking)
{
    LocalHttpServer server;
    server.serve("/list", HttpAnswer::ok("121"));
    platform::QtHttpClient http;
    std::stop_source stop;
    http.stopOn(stop.get_token());
    EXPECT_EQ(http.get(server.address() + "/list"), "121");
    stop.request_stop();
    EXPECT_EQ(http.get(server.address() + "/list"), std::nullopt);
    // A connection it opened would be taken before the next client's.
    EXPECT_EQ(platform::QtHttpClient().get(server.address() + "/list"), "121");
    EXPECT_EQ(server.connections(), 2);
}

TEST(QtHttpClient, EndlessDatabaseIsRefusedAndPeaksUnder200Mb)
{
    testing_support::TempDir dir;
    const std::string program = dir.makeFolder("program") + "brisquen-check";
    std::filesystem::copy_file(BRISQUEN_CHECK_PATH, program);
    const std::string list = "0123456789abcdef0123456789abcdef,734003200,Old fake\r\n";
    dir.write("program/fakes.dat", list);
    LocalHttpServer server;
    server.serve("/brisquen/update/brisquen.txt", HttpAnswer::ok("20"));
    server.serve("/brisquen/update/fakes.txt", HttpAnswer::ok("121"));
    server.serve("/brisquen/update/fakes.dat", {.body = std::string(65536, 'x'), .endless = true});

    const std::string address = server.address();
    const pid_t child = fork();
    if (child == 0) {
        ::dup2(::open("/dev/null", O_WRONLY), 1);
        ::execl(program.c_str(), program.c_str(), "update", address.c_str(), nullptr);
        ::_exit(127);
    }
    int status = 0;
    rusage usage{}; // the child's peak resident memory, in KiB
    ASSERT_EQ(wait4(child, &status, 0, &usage), child);

    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status;
    EXPECT_EQ(testing_support::readFile(dir.file("program/fakes.dat")), list);
#ifndef __SANITIZE_ADDRESS__ // AddressSanitizer holds freed memory back
    EXPECT_LT(usage.ru_maxrss, 200 * 1024);
#endif
    EXPECT_EQ(server.requests().back(), "/brisquen/update/fakes.dat");
}

} // namespace
