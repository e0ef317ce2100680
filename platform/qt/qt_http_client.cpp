#include "platform/qt/qt_http_client.h"

#include <QByteArray>
#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QScopeGuard>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace platform {
namespace {

constexpr int maxRedirects = 10;

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

} // namespace

/// What one request brought: a body, the next address, or nothing.
struct QtHttpClient::Answer {
    std::optional<QByteArray> body;
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
    if (m_busy)
        return std::nullopt;
    QUrl address(QString::fromUtf8(url.data(), static_cast<qsizetype>(url.size())),
                 QUrl::StrictMode);
    if (!isHttpAddress(address))
        return std::nullopt;
    m_busy = true;
    const auto notBusy = qScopeGuard([this] { m_busy = false; });

    // Redirects are followed here rather than by Qt: Qt 6.4 sends the next
    // request on a connection the server is closing, and the retry can fail.
    for (int redirects = 0; redirects <= maxRedirects; ++redirects) {
        const Answer answer = fetch(address);
        if (answer.body)
            return answer.body->toStdString();
        if (!answer.redirect)
            break;
        const QUrl next = address.resolved(*answer.redirect);
        // Never from https down to http.
        if (!isHttpAddress(next) ||
            (address.scheme() == QLatin1String("https") && next.scheme() != address.scheme()))
            break;
        address = next;
    }
    // A connection left half-used, or a failed TLS handshake, must not be
    // reused by the next request to the same host.
    m_manager.clearConnectionCache();
    return std::nullopt;
}

QtHttpClient::Answer QtHttpClient::fetch(const QUrl& address)
{
    QNetworkRequest request(address);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Brisquen"));
    const std::unique_ptr<QNetworkReply> reply(m_manager.get(request));

    QByteArray body;
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
        // Refused before the first byte when the server says it is too long.
        if (const auto length = declaredLength(*reply); length && *length > m_maxBodySize)
            refuse();
    });
    // Taking the bytes as they come keeps Qt's own buffer small and stops an
    // endless body at the limit.
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
        quiet.start();
        body += reply->read(m_maxBodySize - body.size() + 1);
        if (body.size() > m_maxBodySize)
            refuse();
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
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
    if (reply->isOpen()) {
        body += reply->read(m_maxBodySize - body.size() + 1);
        if (body.size() > m_maxBodySize)
            return {};
    }
    // Qt 6.4 reports a body cut short itself; this holds should it ever not.
    if (const auto length = declaredLength(*reply); length && *length != body.size())
        return {};
    return {body, std::nullopt};
}

} // namespace platform
