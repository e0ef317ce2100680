#include "tests/support/local_http_server.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

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
    if (chunked)
        head += "Transfer-Encoding: chunked\r\n";
    else if (!answer.noLength)
        head += "Content-Length: " + QByteArray::number(length) + "\r\n";
    socket->write(head + "Connection: close\r\n\r\n");
    const auto framed = [chunked](std::string_view part) {
        const QByteArray bytes(part.data(), qsizetype(part.size()));
        return chunked && !bytes.isEmpty()
                   ? QByteArray::number(bytes.size(), 16) + "\r\n" + bytes + "\r\n"
                   : bytes;
    };
    if (answer.endless) {
        // Written as fast as the client reads, with a few chunks in hand.
        const auto more = [socket, chunk = framed(answer.body)] {
            while (socket->bytesToWrite() < 4 * chunk.size())
                socket->write(chunk);
        };
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
        return more();
    }
    // The body goes in `pieces` parts, one every `pause`, and then the connection.
    auto* timer = new QTimer(socket);
    QObject::connect(timer, &QTimer::timeout, socket, [=, sent = std::size_t(0)]() mutable {
        const std::size_t from = answer.body.size() * sent / answer.pieces;
        const std::size_t to = answer.body.size() * ++sent / answer.pieces;
        QByteArray piece = framed(std::string_view(answer.body).substr(from, to - from));
        if (answer.unfinished && sent == std::size_t(answer.pieces))
            piece.chop((to - from) / 2 + 2);
        socket->write(piece);
        if (sent < std::size_t(answer.pieces))
            return;
        timer->stop();
        socket->write(chunked && !answer.unfinished ? "0\r\n\r\n" : "");
        socket->flush();
        socket->disconnectFromHost();
    });
    timer->start(answer.pause);
}

} // namespace

LocalHttpServer::LocalHttpServer()
    : m_thread(std::make_unique<QThread>())
    , m_context(new QObject)
{
    const auto accept = [this](QTcpServer* server) {
        while (QTcpSocket* socket = server->nextPendingConnection()) {
            {
                const std::lock_guard lock(m_mutex);
                ++m_connections;
            }
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            // Answers once the request's head is in: "GET /path HTTP/1.1" ...
            QObject::connect(socket, &QTcpSocket::readyRead, socket,
                             [=, this, request = QByteArray()]() mutable {
                                 const bool before = request.contains("\r\n\r\n");
                                 request += socket->readAll();
                                 if (before || !request.contains("\r\n\r\n"))
                                     return;
                                 const std::string path = request.split(' ').value(1).toStdString();
                                 const std::lock_guard lock(m_mutex);
                                 m_requests.push_back(path);
                                 const auto found = m_answers.find(path);
                                 respond(socket, found != m_answers.end()
                                                     ? found->second
                                                     : HttpAnswer{.status = 404});
                             });
        }
    };
    // Everything is set up before the thread starts, which then takes it over:
    // nothing is handed to it while it runs but through m_mutex.
    auto* server = new QTcpServer(m_context);
    QObject::connect(server, &QTcpServer::newConnection, m_context, [=] { accept(server); });
    if (server->listen(QHostAddress::LocalHost, 0))
        m_port = server->serverPort();
    m_context->moveToThread(m_thread.get());
    m_thread->start();
}

LocalHttpServer::~LocalHttpServer()
{
    // The thread deletes what it still holds as it ends: the server and any
    // connection left open by a silent answer.
    m_context->deleteLater();
    m_thread->quit();
    m_thread->wait();
    // What the thread wrote last it wrote under the lock: taking it orders
    // those writes before the members go, for ThreadSanitizer too.
    const std::lock_guard lock(m_mutex);
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

int LocalHttpServer::connections() const
{
    const std::lock_guard lock(m_mutex);
    return m_connections;
}

} // namespace testing_support
