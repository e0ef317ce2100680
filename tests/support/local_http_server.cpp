#include "tests/support/local_http_server.h"

#include <QByteArray>
#include <QHostAddress>
#include <QMetaObject>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <memory>
#include <string_view>

namespace testing_support {
namespace {

void respond(QTcpSocket* socket, const HttpAnswer& answer)
{
    if (answer.status == 0)
        return;
    const bool chunked = answer.chunked || answer.endless;
    const qint64 length = answer.length < 0 ? qint64(answer.body.size()) : answer.length;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + " Status\r\n";
    if (!answer.location.empty())
        head += "Location: " + QByteArray::fromStdString(answer.location) + "\r\n";
    head += chunked ? "Transfer-Encoding: chunked\r\n"
                    : "Content-Length: " + QByteArray::number(length) + "\r\n";
    socket->write(head + "Connection: close\r\n\r\n");
    const auto framed = [chunked](std::string_view part) {
        const QByteArray bytes(part.data(), qsizetype(part.size()));
        if (!chunked || bytes.isEmpty())
            return bytes;
        return QByteArray::number(bytes.size(), 16) + "\r\n" + bytes + "\r\n";
    };
    if (answer.endless) {
        // Written as fast as the client reads, with a few chunks in hand.
        const QByteArray chunk = framed(answer.body);
        const auto more = [socket, chunk] {
            while (socket->bytesToWrite() < 4 * chunk.size())
                socket->write(chunk);
        };
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
        more();
        return;
    }
    // The body goes in `pieces` parts, one every `pause`, and then the connection.
    const std::size_t pieces = answer.pieces;
    auto sent = std::make_shared<std::size_t>(0);
    auto* timer = new QTimer(socket);
    QObject::connect(timer, &QTimer::timeout, socket, [=] {
        const std::size_t from = answer.body.size() * *sent / pieces;
        const std::size_t to = answer.body.size() * ++*sent / pieces;
        socket->write(framed(std::string_view(answer.body).substr(from, to - from)));
        if (*sent < pieces)
            return;
        timer->stop();
        if (chunked)
            socket->write("0\r\n\r\n");
        socket->disconnectFromHost();
    });
    timer->start(answer.pause);
}

} // namespace

LocalHttpServer::LocalHttpServer()
    : m_thread(std::make_unique<QThread>())
    , m_context(new QObject)
{
    m_context->moveToThread(m_thread.get());
    m_thread->start();
    QMetaObject::invokeMethod(
        m_context,
        [this] {
            auto* server = new QTcpServer(m_context);
            QObject::connect(server, &QTcpServer::newConnection, m_context, [this, server] {
                while (QTcpSocket* socket = server->nextPendingConnection()) {
                    QObject::connect(socket, &QTcpSocket::disconnected, socket,
                                     &QObject::deleteLater);
                    // Answers once the request's head is in: "GET /path HTTP/1.1" ...
                    auto request = std::make_shared<QByteArray>();
                    QObject::connect(socket, &QTcpSocket::readyRead, socket, [=, this] {
                        const bool before = request->contains("\r\n\r\n");
                        *request += socket->readAll();
                        if (before || !request->contains("\r\n\r\n"))
                            return;
                        const std::string path = request->split(' ').value(1).toStdString();
                        const std::lock_guard lock(m_mutex);
                        m_requests.push_back(path);
                        const auto found = m_answers.find(path);
                        respond(socket, found != m_answers.end()
                                            ? found->second
                                            : HttpAnswer{.status = 404, .body = "not found"});
                    });
                }
            });
            if (server->listen(QHostAddress::LocalHost, 0))
                m_port = server->serverPort();
        },
        Qt::BlockingQueuedConnection);
}

LocalHttpServer::~LocalHttpServer()
{
    // The thread deletes what it still holds as it ends: the server and any
    // connection left open by a silent answer.
    m_context->deleteLater();
    m_thread->quit();
    m_thread->wait();
}

void LocalHttpServer::serve(const std::string& path, HttpAnswer answer)
{
    const std::lock_guard lock(m_mutex);
    m_answers[path] = std::move(answer);
}

std::vector<std::string> LocalHttpServer::requests() const
{
    const std::lock_guard lock(m_mutex);
    return m_requests;
}

} // namespace testing_support
