// The Qt HTTP client against a scripted server on 127.0.0.1.

#include "platform/qt/qt_http_client.h"

#include "tests/support/local_http_server.h"

#include <QElapsedTimer>
#include <QSslConfiguration>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

using namespace std::chrono_literals;
using testing_support::HttpAnswer;
using testing_support::LocalHttpServer;

namespace {

constexpr auto timeout = 1s;
constexpr qint64 maxBody = 4096;

class QtHttpClient : public testing::Test {
protected:
    LocalHttpServer server;
    platform::QtHttpClient http{timeout, maxBody};

    std::optional<std::string> get(const std::string& path)
    {
        return http.get(server.address() + path);
    }
};

} // namespace

TEST_F(QtHttpClient, Returns200BodyByteForByte)
{
    std::string body;
    for (int c = 0; c < 256; ++c)
        body += static_cast<char>(c);
    server.serve("/a.dat", HttpAnswer::ok(body));
    EXPECT_EQ(get("/a.dat"), body);
    EXPECT_EQ(server.requests(), std::vector<std::string>{"/a.dat"});
}

TEST_F(QtHttpClient, EmptyBodyIsABodyNotAFailure)
{
    server.serve("/empty", HttpAnswer::ok(""));
    EXPECT_EQ(get("/empty"), "");
}

TEST_F(QtHttpClient, Other2xxStatusGivesTheBody)
{
    server.serve("/partial", HttpAnswer::withStatus(203, "body"));
    EXPECT_EQ(get("/partial"), "body");
}

TEST_F(QtHttpClient, ErrorStatusFailsEvenWithABody)
{
    server.serve("/gone", HttpAnswer::withStatus(404, "error page"));
    server.serve("/broken", HttpAnswer::withStatus(500, "error page"));
    server.serve("/teapot", HttpAnswer::withStatus(418, "error page"));
    EXPECT_EQ(get("/gone"), std::nullopt);
    EXPECT_EQ(get("/broken"), std::nullopt);
    EXPECT_EQ(get("/teapot"), std::nullopt);
    EXPECT_EQ(get("/unknown"), std::nullopt);
}

TEST_F(QtHttpClient, RedirectStatusWithoutALocationFails)
{
    server.serve("/cached", HttpAnswer::withStatus(304));
    server.serve("/choices", HttpAnswer::withStatus(300, "pick one"));
    EXPECT_EQ(get("/cached"), std::nullopt);
    EXPECT_EQ(get("/choices"), std::nullopt);
}

TEST_F(QtHttpClient, FollowsRedirectsToOtherPathsAndServers)
{
    LocalHttpServer other;
    other.serve("/final", HttpAnswer::ok("here"));
    server.serve("/first", HttpAnswer::redirect("/second", 301));
    server.serve("/second", HttpAnswer::redirect(other.address() + "/final", 307));
    EXPECT_EQ(get("/first"), "here");
    EXPECT_EQ(server.requests(), (std::vector<std::string>{"/first", "/second"}));
}

TEST_F(QtHttpClient, RedirectLoopFails)
{
    server.serve("/loop", HttpAnswer::redirect("/loop"));
    EXPECT_EQ(get("/loop"), std::nullopt);
}

TEST_F(QtHttpClient, RefusedConnectionFailsAtOnce)
{
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(http.get(testing_support::refusingAddress() + "/x"), std::nullopt);
    EXPECT_LT(clock.elapsed(), 900);
}

TEST_F(QtHttpClient, ServerThatNeverAnswersFailsAfterTheTimeOut)
{
    platform::QtHttpClient quick(300ms, maxBody);
    server.serve("/silent", HttpAnswer::silent());
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(quick.get(server.address() + "/silent"), std::nullopt);
    EXPECT_GE(clock.elapsed(), 250);
    EXPECT_LT(clock.elapsed(), 3000);
}

TEST_F(QtHttpClient, SlowBodyThatKeepsComingOutlastsTheTimeOut)
{
    platform::QtHttpClient quick(300ms, maxBody);
    server.serve("/slow", HttpAnswer::slow("0123456789", 5, 150ms));
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(quick.get(server.address() + "/slow"), "0123456789");
    EXPECT_GE(clock.elapsed(), 600);
}

TEST_F(QtHttpClient, WindowKeepsGettingEventsWhileWaiting)
{
    platform::QtHttpClient quick(300ms, maxBody);
    server.serve("/silent", HttpAnswer::silent());
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);
    EXPECT_EQ(quick.get(server.address() + "/silent"), std::nullopt);
    EXPECT_GE(ticks, 5);
}

TEST_F(QtHttpClient, CallMadeWhileAnotherWaitsFailsAndTheFirstGoesOn)
{
    server.serve("/a", HttpAnswer::ok("first"));
    std::optional<std::string> nested = "not called";
    QTimer::singleShot(0, [&] { nested = get("/a"); });
    EXPECT_EQ(get("/a"), "first");
    EXPECT_EQ(nested, std::nullopt);
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(QtHttpClient, BodyCutShortAgainstItsContentLengthFails)
{
    server.serve("/short", HttpAnswer::cutShort("12345", 10));
    EXPECT_EQ(get("/short"), std::nullopt);
}

TEST_F(QtHttpClient, BodyWithoutContentLengthEndsWithTheConnection)
{
    server.serve("/stream", HttpAnswer::noLength("all of it"));
    EXPECT_EQ(get("/stream"), "all of it");
}

TEST_F(QtHttpClient, CompressedBodyIsUnpackedAndNotMeasuredByItsContentLength)
{
    const std::string list(3000, 'x');
    // "deflate" is a zlib stream: qCompress's output after its 4-byte length.
    const QByteArray packed = qCompress(QByteArray::fromStdString(list)).mid(4);
    auto answer = HttpAnswer::ok(packed.toStdString());
    answer.headers.emplace_back("Content-Encoding", "deflate");
    server.serve("/packed", answer);
    EXPECT_EQ(get("/packed"), list);
}

TEST_F(QtHttpClient, BodyUpToTheLimitIsTakenAndOneByteMoreFails)
{
    server.serve("/full", HttpAnswer::ok(std::string(maxBody, 'x')));
    server.serve("/over", HttpAnswer::ok(std::string(maxBody + 1, 'x')));
    server.serve("/streamedFull", HttpAnswer::noLength(std::string(maxBody, 'x')));
    server.serve("/streamedOver", HttpAnswer::noLength(std::string(maxBody + 1, 'x')));
    EXPECT_EQ(get("/full"), std::string(maxBody, 'x'));
    EXPECT_EQ(get("/over"), std::nullopt);
    EXPECT_EQ(get("/streamedFull"), std::string(maxBody, 'x'));
    EXPECT_EQ(get("/streamedOver"), std::nullopt);
}

TEST_F(QtHttpClient, BodyIsRefusedAsSoonAsItPassesTheLimit)
{
    platform::QtHttpClient patient(5s, maxBody);
    server.serve("/more", HttpAnswer::noLength(std::string(maxBody + 1, 'x')).keptOpen());
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(patient.get(server.address() + "/more"), std::nullopt);
    EXPECT_LT(clock.elapsed(), 2000);
}

TEST_F(QtHttpClient, DeclaredLengthOverTheLimitIsRefusedBeforeTheBody)
{
    platform::QtHttpClient patient(5s, maxBody);
    server.serve("/big", HttpAnswer::cutShort("x", maxBody + 1).keptOpen());
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(patient.get(server.address() + "/big"), std::nullopt);
    EXPECT_LT(clock.elapsed(), 2000);
}

TEST_F(QtHttpClient, EndlessBodyStopsAtTheLimit)
{
    server.serve("/huge", HttpAnswer::noLength(std::string(8 * 1024 * 1024, 'x')));
    EXPECT_EQ(get("/huge"), std::nullopt);
}

TEST_F(QtHttpClient, AddressesOtherThanHttpFail)
{
    for (const char* url : {"", "not an address", "ftp://127.0.0.1/x", "file:///etc/hostname",
                            "http://", "127.0.0.1/x"})
        EXPECT_EQ(http.get(url), std::nullopt) << url;
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(QtHttpClient, ClientWorksAgainAfterAFailure)
{
    server.serve("/gone", HttpAnswer::withStatus(404));
    server.serve("/silent", HttpAnswer::silent());
    server.serve("/ok", HttpAnswer::ok("fine"));
    platform::QtHttpClient quick(300ms, maxBody);
    EXPECT_EQ(quick.get(server.address() + "/gone"), std::nullopt);
    EXPECT_EQ(quick.get(server.address() + "/silent"), std::nullopt);
    EXPECT_EQ(quick.get(server.address() + "/ok"), "fine");
}

namespace {

/// Trusts the local server's certificate while it lives.
class TrustedLocalCertificate {
public:
    TrustedLocalCertificate()
    {
        QSslConfiguration configuration = m_saved;
        configuration.addCaCertificate(QSslCertificate(
            QByteArray::fromStdString(testing_support::localServerCertificatePem())));
        QSslConfiguration::setDefaultConfiguration(configuration);
    }
    ~TrustedLocalCertificate() { QSslConfiguration::setDefaultConfiguration(m_saved); }
    TrustedLocalCertificate(const TrustedLocalCertificate&) = delete;
    TrustedLocalCertificate& operator=(const TrustedLocalCertificate&) = delete;

private:
    QSslConfiguration m_saved = QSslConfiguration::defaultConfiguration();
};

} // namespace

TEST(QtHttpClientTls, HttpsWorksWithATrustedCertificateAfterFailingWithout)
{
    LocalHttpServer server(LocalHttpServer::Scheme::Https);
    server.serve("/secure", HttpAnswer::ok("secret"));
    platform::QtHttpClient http(5s, maxBody);
    EXPECT_EQ(http.get(server.address() + "/secure"), std::nullopt);
    {
        const TrustedLocalCertificate trusted;
        // The failed handshake must not stick to the host.
        EXPECT_EQ(http.get(server.address() + "/secure"), "secret");
    }
}

TEST(QtHttpClientTls, RedirectFromHttpsToHttpIsRefused)
{
    const TrustedLocalCertificate trusted;
    LocalHttpServer secure(LocalHttpServer::Scheme::Https);
    LocalHttpServer plain;
    plain.serve("/x", HttpAnswer::ok("plain"));
    secure.serve("/x", HttpAnswer::redirect(plain.address() + "/x"));
    platform::QtHttpClient http(5s, maxBody);
    EXPECT_EQ(http.get(secure.address() + "/x"), std::nullopt);
    EXPECT_TRUE(plain.requests().empty());
}
