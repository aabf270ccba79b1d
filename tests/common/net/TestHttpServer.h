#pragma once

#include "TestCertificates.h"
#include "TestEnvironment.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace httplib {
class Server;
}

// A free port on 127.0.0.1 that no earlier server of this process had, or 0. The client keeps
// its connections per host and port, with the trust store of the time they were made, so a
// server on an earlier one's port would be reached through a connection meant for that one.
int newTestServerPort();

// What a test server received, for checks after the fact.
struct RecordedRequest {
    QString method;
    QString path;                       // without the query
    QMap<QString, QString> query;       // decoded query parameters
    QMap<QString, QString> headers;     // names in lower case
    QByteArray body;
};

// A cpp-httplib server on 127.0.0.1 and a free port, plain or over TLS, running on a thread
// of its own from start() until it is destroyed. Add routes through server() before start().
// Its end is prompt: stalled handlers are let go and open connections are closed.
//
//   TestHttpServer server;
//   server.server().Get("/hello", [](const httplib::Request&, httplib::Response& response) {
//       response.set_content("hi", "text/plain");
//   });
//   server.start();
//   QUrl url = server.url("/hello");          // http://127.0.0.1:<port>/hello
class TestHttpServer {
public:
    TestHttpServer();
    // HTTPS with the identity's chain and key.
    explicit TestHttpServer(const TestCertificate::Identity& identity);
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    httplib::Server& server() { return *server_; }
    void start();
    int port() const { return port_; }
    bool isTLS() const { return tls_; }
    QUrl url(const QString& pathAndQuery = QStringLiteral("/")) const;

    QList<RecordedRequest> requests() const;
    RecordedRequest lastRequest() const;

    // For a handler that plays a server that never answers: returns once the server is
    // being destroyed.
    void stallUntilStopped();

private:
    void closeAcceptedConnections() const;

    QTemporaryDir files_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    bool tls_ = false;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable stopping_;
    bool stopped_ = false;
    QList<RecordedRequest> requests_;
};
