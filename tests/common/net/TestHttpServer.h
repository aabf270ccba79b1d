#pragma once

#include "TestCertificates.h"
#include "TestEnvironment.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace httplib {
class Server;
}

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

private:
    QTemporaryDir files_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    bool tls_ = false;
    int port_ = 0;
    mutable std::mutex mutex_;
    QList<RecordedRequest> requests_;
};
