// The Qt HTTP client's own rules against a local server, and what an endless
// body costs `brisquen-check update`.

#include "platform/qt/qt_http_client.h"

#include "tests/support/local_http_server.h"
#include "tests/support/temp_dir.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
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

TEST(QtHttpClient, RefusesASecondRequestWhileOneWaits)
{
    LocalHttpServer server;
    server.serve("/slow", {.body = "abc", .pieces = 2, .pause = 300ms});
    server.serve("/fast", HttpAnswer::ok("f"));
    platform::QtHttpClient http;
    std::optional<std::optional<std::string>> second;
    QTimer::singleShot(100ms, [&] { second = http.get(server.address() + "/fast"); });
    EXPECT_EQ(http.get(server.address() + "/slow"), "abc");
    EXPECT_EQ(second, std::make_optional(std::optional<std::string>()));
    EXPECT_EQ(http.get(server.address() + "/fast"), "f");
    EXPECT_EQ(server.requests(), (std::vector<std::string>{"/slow", "/fast"}));
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
