#include "platform/qt/qt_http_client.h"

#include <QByteArray>
#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <memory>
#include <stop_token>

namespace platform {
namespace {

constexpr int maxRedirects = 10;

// What Qt holds for us between two reads; the rest waits in the socket. An
// unbounded buffer, filled by Qt's network thread, outgrows the body limit.
constexpr qint64 replyBufferSize = 1024 * 1024;

// The size past which a body of unknown length gets room for the whole limit.
constexpr std::size_t bodyDoublingEnd = 1024 * 1024;

bool isHttpAddress(const QUrl& address)
{
    const QString scheme = address.scheme();
    return address.isValid() && !address.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Qt drops the header from a reply it unpacks, where it would count the
// packed bytes.
std::optional<qint64> declaredLength(const QNetworkReply& reply)
{
    const QVariant length = reply.header(QNetworkRequest::ContentLengthHeader);
    if (!length.isValid())
        return std::nullopt;
    return length.toLongLong();
}

/// Makes room in `body` for `needed` bytes: doubling while the body is small,
/// then the whole `limit` at once. Its pages are only taken as the body fills
/// them, and no freed blocks of many megabytes stay behind in the heap, as
/// they would after each doubling.
void makeRoom(std::string& body, std::size_t needed, std::size_t limit)
{
    if (needed <= body.capacity())
        return;
    // A string of its own: reserve() on `body` may round a request up to
    // twice its capacity, past the limit.
    std::string bigger;
    bigger.reserve(
        needed > bodyDoublingEnd ? limit : std::min(std::max(needed, body.capacity() * 2), limit));
    bigger.append(body);
    body = std::move(bigger);
}

/// Moves what the reply holds to the end of `body`; false, with nothing taken,
/// when that would make the body longer than `limit`.
bool takeAvailable(QNetworkReply& reply, std::string& body, qint64 limit)
{
    const qint64 available = reply.bytesAvailable();
    if (available <= 0)
        return true;
    if (qint64(body.size()) + available > limit)
        return false;
    const std::size_t before = body.size();
    makeRoom(body, before + std::size_t(available), std::size_t(limit));
    body.resize(before + std::size_t(available));
    const qint64 read = reply.read(body.data() + before, available);
    body.resize(before + std::size_t(std::max<qint64>(read, 0)));
    return true;
}

} // namespace

bool QtHttpClient::mayRedirect(const QUrl& from, const QUrl& to)
{
    return isHttpAddress(to) &&
           !(from.scheme() == QLatin1String("https") && to.scheme() != from.scheme());
}

/// What one request brought: a body, the next address, or nothing.
struct QtHttpClient::Answer {
    std::optional<std::string> body;
    std::optional<QUrl> redirect;
};

QtHttpClient::QtHttpClient(std::chrono::milliseconds timeout, qint64 maxBodySize)
    : m_timeout(timeout)
    , m_maxBodySize(maxBodySize)
{
}

QtHttpClient::~QtHttpClient() = default;

std::optional<std::string> QtHttpClient::get(std::string_view url)
{
    // No transfer lasts longer than this: a body that trickles in keeps the
    // quiet time-out from ever ending it.
    constexpr auto longest = std::chrono::hours(24);
    return get(url, {longest, std::size_t(m_maxBodySize)});
}

std::optional<std::string> QtHttpClient::get(std::string_view url, const Limits& limits)
{
    QUrl address(QString::fromUtf8(url.data(), static_cast<qsizetype>(url.size())),
                 QUrl::StrictMode);
    if (!isHttpAddress(address))
        return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + limits.within;
    const qint64 maxBodySize =
        std::min(m_maxBodySize, qint64(std::min<std::size_t>(limits.maxBytes, INT64_MAX)));

    // Redirects are followed here rather than by Qt: Qt 6.4 sends the next
    // request on a connection the server is closing, and the retry can fail.
    for (int redirects = 0; redirects <= maxRedirects; ++redirects) {
        // A stop that came before, or between two requests, asks for no more.
        if (m_stop.stop_requested())
            break;
        Answer answer = fetch(address, deadline, maxBodySize);
        if (answer.body)
            return std::move(answer.body);
        if (!answer.redirect)
            break;
        const QUrl next = address.resolved(*answer.redirect);
        if (!mayRedirect(address, next))
            break;
        address = next;
    }
    // A connection left half-used, or a failed TLS handshake, must not be
    // reused by the next request to the same host.
    m_manager.clearConnectionCache();
    return std::nullopt;
}

QtHttpClient::Answer QtHttpClient::fetch(const QUrl& address,
                                         std::chrono::steady_clock::time_point deadline,
                                         qint64 maxBodySize)
{
    QNetworkRequest request(address);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Brisquen"));
    const std::unique_ptr<QNetworkReply> reply(m_manager.get(request));
    reply->setReadBufferSize(replyBufferSize);

    std::string body;
    bool refused = false; // too long, or the server went quiet
    QEventLoop loop;
    // Our own timer rather than Qt's transfer time-out: it tells a time-out
    // from the other aborts.
    QTimer quiet;
    quiet.setSingleShot(true);
    quiet.setInterval(m_timeout);
    const auto refuse = [&] {
        refused = true;
        reply->abort();
    };
    QObject::connect(&quiet, &QTimer::timeout, &loop, refuse);
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &loop, [&] {
        quiet.start();
        // Refused before the first byte when the server says it is too long;
        // otherwise the whole body has its room at once.
        if (const auto length = declaredLength(*reply); length && *length > maxBodySize)
            refuse();
        else if (length && *length > 0)
            body.reserve(std::size_t(*length));
    });
    // Taking the bytes as they come stops an endless body at the limit.
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
        quiet.start();
        if (!takeAvailable(*reply, body, maxBodySize))
            refuse();
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    // The whole transfer's end, which no trickle of bytes puts off.
    QTimer whole;
    whole.setSingleShot(true);
    QObject::connect(&whole, &QTimer::timeout, &loop, refuse);
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left <= std::chrono::milliseconds(0))
        refuse();
    else
        whole.start(left);
    // A stop comes from another thread: it is handed to this one as the loop's
    // quit, queued by name, which ends the loop as soon as it takes it; the
    // unfinished reply is then aborted below. Declared after the loop, the
    // callback is gone, and waited for should it be running, before the loop
    // dies; the loop takes its queued calls with it.
    const std::stop_callback onStop(
        m_stop, [&loop] { QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection); });
    quiet.start();
    if (!reply->isFinished())
        loop.exec();

    // The loop also ends when the application quits.
    if (!reply->isFinished()) {
        refused = true;
        reply->abort();
    }
    if (refused || reply->error() != QNetworkReply::NoError)
        return {};
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (isRedirect(status)) {
        const QByteArray location = reply->rawHeader("Location");
        if (location.isEmpty())
            return {};
        return {std::nullopt, QUrl::fromEncoded(location)};
    }
    if (status < 200 || status > 299)
        return {};
    if (reply->isOpen() && !takeAvailable(*reply, body, maxBodySize))
        return {};
    // Qt 6.4 reports a body cut short itself; this holds should it ever not.
    if (const auto length = declaredLength(*reply); length && *length != qint64(body.size()))
        return {};
    return {std::move(body), std::nullopt};
}

} // namespace platform
