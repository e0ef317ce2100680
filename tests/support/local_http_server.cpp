#include "tests/support/local_http_server.h"

#include <QByteArray>
#include <QHostAddress>
#include <QMetaObject>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace testing_support {
namespace {

QByteArray bytes(const std::string& text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

void respond(QTcpSocket* socket, const HttpAnswer& answer)
{
    if (!answer.answers)
        return;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + " Status\r\n";
    if (!answer.location.empty())
        head += "Location: " + bytes(answer.location) + "\r\n";
    const qint64 length = answer.length < 0 ? qint64(answer.body.size()) : answer.length;
    socket->write(head + "Content-Length: " + QByteArray::number(length) +
                  "\r\nConnection: close\r\n\r\n");
    // The body goes in `pieces` parts, one every `pause`, and then the connection.
    const std::size_t pieces = std::max(answer.pieces, 1);
    auto sent = std::make_shared<std::size_t>(0);
    auto* timer = new QTimer(socket);
    QObject::connect(timer, &QTimer::timeout, socket, [socket, timer, sent, pieces, answer] {
        const std::size_t size = answer.body.size();
        const std::size_t from = size * *sent / pieces;
        const std::size_t to = size * ++*sent / pieces;
        socket->write(bytes(answer.body.substr(from, to - from)));
        if (*sent < pieces)
            return;
        timer->stop();
        socket->disconnectFromHost();
    });
    timer->start(answer.pause);
}

} // namespace

HttpAnswer HttpAnswer::ok(std::string body)
{
    return withStatus(200, std::move(body));
}

HttpAnswer HttpAnswer::withStatus(int status, std::string body)
{
    HttpAnswer answer;
    answer.status = status;
    answer.body = std::move(body);
    return answer;
}

HttpAnswer HttpAnswer::redirect(std::string location, int status)
{
    HttpAnswer answer = withStatus(status);
    answer.location = std::move(location);
    return answer;
}

HttpAnswer HttpAnswer::cutShort(std::string body, std::size_t promised)
{
    HttpAnswer answer = ok(std::move(body));
    answer.length = static_cast<long long>(promised);
    return answer;
}

HttpAnswer HttpAnswer::silent()
{
    HttpAnswer answer;
    answer.answers = false;
    return answer;
}

HttpAnswer HttpAnswer::slow(std::string body, int pieces, std::chrono::milliseconds pause)
{
    HttpAnswer answer = ok(std::move(body));
    answer.pieces = pieces;
    answer.pause = pause;
    return answer;
}

LocalHttpServer::LocalHttpServer()
    : m_thread(std::make_unique<QThread>())
{
    m_context = new QObject;
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
                        const auto words = request->left(request->indexOf("\r\n")).split(' ');
                        respond(socket, answerFor(words.size() == 3 ? words[1].toStdString()
                                                                    : std::string()));
                    });
                }
            });
            if (server->listen(QHostAddress::LocalHost, 0))
                m_port = server->serverPort();
        },
        Qt::BlockingQueuedConnection);
    if (m_port == 0) {
        m_context->deleteLater();
        m_thread->quit();
        m_thread->wait();
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
}

LocalHttpServer::~LocalHttpServer()
{
    // The thread deletes what it still holds as it ends: the server and any
    // connection left open by a silent answer.
    m_context->deleteLater();
    m_thread->quit();
    m_thread->wait();
}

std::string LocalHttpServer::address() const
{
    return "http://127.0.0.1:" + std::to_string(m_port);
}

void LocalHttpServer::serve(const std::string& path, HttpAnswer answer)
{
    const std::lock_guard lock(m_mutex);
    m_answers.emplace(m_answers.begin(), path, std::move(answer)); // before older answers
}

std::vector<std::string> LocalHttpServer::requests() const
{
    const std::lock_guard lock(m_mutex);
    return m_requests;
}

HttpAnswer LocalHttpServer::answerFor(const std::string& path)
{
    const std::lock_guard lock(m_mutex);
    m_requests.push_back(path);
    for (const auto& [served, answer] : m_answers) {
        if (served == path)
            return answer;
    }
    return HttpAnswer::withStatus(404, "not found");
}

std::string refusingAddress()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        throw std::runtime_error("cannot listen on 127.0.0.1");
    const auto port = server.serverPort();
    server.close();
    return "http://127.0.0.1:" + std::to_string(port);
}

} // namespace testing_support
