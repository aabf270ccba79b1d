#pragma once

#include <QString>
#include <QUrl>

#include <condition_variable>
#include <functional>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

// A plain HTTP server on 127.0.0.1 whose answers the test writes byte for byte, for what a
// server library does not send: bodies that end only when the connection closes, requests
// that are never answered. Each connection runs the handler on a thread of its own; the
// connection closes when the handler returns. Destroying the server ends every connection
// (blocked reads and stalls return) and waits for the handlers.
//
//   RawHttpServer server([](RawHttpServer::Connection& connection) {
//       while (const auto path = connection.nextRequest())
//           connection.send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
//   });
class RawHttpServer {
public:
    class Connection {
    public:
        // The path of the next request (its headers are read and dropped; requests carry no
        // body); nothing once the client has closed or the server stops.
        std::optional<std::string> nextRequest();
        void send(std::string_view bytes);
        // 0 for the first connection the server took, then 1, ...
        int number() const { return number_; }
        // Blocks until the server has taken `count` connections (true), or stops (false).
        bool awaitConnections(int count);
        // For a server that never answers: returns once the server stops.
        void stallUntilStopped();

    private:
        friend class RawHttpServer;
        Connection(RawHttpServer& server, int socket, int number);

        RawHttpServer& server_;
        int socket_;
        int number_;
        std::string received_;
    };
    using Handler = std::function<void(Connection&)>;

    explicit RawHttpServer(Handler handler);
    ~RawHttpServer();
    RawHttpServer(const RawHttpServer&) = delete;
    RawHttpServer& operator=(const RawHttpServer&) = delete;

    QUrl url(const QString& path) const;
    int connectionCount() const;

private:
    struct HandlerThread {
        std::thread thread;
        bool done = false;
    };

    void acceptLoop();
    // Joins the handlers that have returned; under the lock.
    void reapHandlers();

    Handler handler_;
    int listener_ = -1;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool stopping_ = false;
    int accepted_ = 0;
    std::list<int> sockets_;
    std::list<HandlerThread> handlers_;
    std::thread acceptor_;
};
