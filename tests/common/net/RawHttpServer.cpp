#include "RawHttpServer.h"

#include "TestHttpServer.h"

#include <stdexcept>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

RawHttpServer::RawHttpServer(Handler handler)
    : handler_(std::move(handler))
{
    // Another program may take the port between the probe and the bind: then try a new one.
    for (int attempt = 0; attempt < 100 && listener_ < 0; ++attempt) {
        const int port = newTestServerPort();
        const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(quint16(port));
        if (port > 0 && listener >= 0 && ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
            && ::listen(listener, 128) == 0) {
            listener_ = listener;
            port_ = port;
        } else if (listener >= 0) {
            ::close(listener);
        }
    }
    if (listener_ < 0)
        throw std::runtime_error("the raw test server cannot bind");
    acceptor_ = std::thread([this] { acceptLoop(); });
}

RawHttpServer::~RawHttpServer()
{
    {
        std::lock_guard guard(mutex_);
        stopping_ = true;
        // Wakes accept() and every blocked read.
        ::shutdown(listener_, SHUT_RDWR);
        for (const int socket : sockets_)
            ::shutdown(socket, SHUT_RDWR);
    }
    changed_.notify_all();
    acceptor_.join();
    // No handler starts once the acceptor has ended.
    for (HandlerThread& handler : handlers_)
        handler.thread.join();
    ::close(listener_);
}

void RawHttpServer::acceptLoop()
{
    for (;;) {
        const int socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        std::lock_guard guard(mutex_);
        if (stopping_) {
            if (socket >= 0)
                ::close(socket);
            return;
        }
        if (socket < 0)
            continue;
        // Heads and bodies go out in separate writes; without this each waits for an acknowledgement.
        const int on = 1;
        ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        sockets_.push_back(socket);
        const int number = accepted_++;
        changed_.notify_all();
        reapHandlers();
        HandlerThread& handler = handlers_.emplace_back();
        handler.thread = std::thread([this, socket, number, &handler] {
            Connection connection(*this, socket, number);
            handler_(connection);
            std::lock_guard guard(mutex_);
            sockets_.remove(socket);
            ::close(socket);
            handler.done = true;
        });
    }
}

void RawHttpServer::reapHandlers()
{
    for (auto it = handlers_.begin(); it != handlers_.end();) {
        if (!it->done) {
            ++it;
            continue;
        }
        it->thread.join();
        it = handlers_.erase(it);
    }
}

QUrl RawHttpServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path));
}

int RawHttpServer::connectionCount() const
{
    std::lock_guard guard(mutex_);
    return accepted_;
}

bool RawHttpServer::Connection::awaitConnections(int count)
{
    std::unique_lock lock(server_.mutex_);
    server_.changed_.wait(lock, [&] { return server_.stopping_ || server_.accepted_ >= count; });
    return !server_.stopping_;
}

void RawHttpServer::Connection::stallUntilStopped()
{
    std::unique_lock lock(server_.mutex_);
    server_.changed_.wait(lock, [this] { return server_.stopping_; });
}

RawHttpServer::Connection::Connection(RawHttpServer& server, int socket, int number)
    : server_(server)
    , socket_(socket)
    , number_(number)
{
}

std::optional<std::string> RawHttpServer::Connection::nextRequest()
{
    std::size_t end;
    while ((end = received_.find("\r\n\r\n")) == std::string::npos) {
        char buffer[4096];
        const ssize_t count = ::recv(socket_, buffer, sizeof buffer, 0);
        if (count <= 0)
            return std::nullopt;
        received_.append(buffer, std::size_t(count));
    }
    const std::string head = received_.substr(0, end);
    received_.erase(0, end + 4);
    // "GET /path HTTP/1.1"
    const std::size_t pathStart = head.find(' ') + 1;
    return head.substr(pathStart, head.find(' ', pathStart) - pathStart);
}

void RawHttpServer::Connection::send(std::string_view bytes)
{
    // A client that has gone is no failure of the server's.
    ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}
