#include "TestHttpServer.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <httplib.h>

#include <set>
#include <stdexcept>
#include <vector>

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
QString writeFile(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
        throw std::runtime_error("cannot write a test server file");
    return path;
}
} // namespace

// Ports the system offers again stay taken here until it offers a new one.
int newTestServerPort()
{
    static std::mutex mutex;
    static std::set<int> given;
    std::lock_guard guard(mutex);
    std::vector<int> held;
    int port = 0;
    while (port == 0) {
        const int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (probe < 0 || ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
            || ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            if (probe >= 0)
                ::close(probe);
            break;
        }
        const int offered = ntohs(address.sin_port);
        if (given.insert(offered).second) {
            ::close(probe);
            port = offered;
        } else {
            held.push_back(probe);
        }
    }
    for (const int probe : held)
        ::close(probe);
    return port;
}

TestHttpServer::TestHttpServer()
    : server_(std::make_unique<httplib::Server>())
{
}

TestHttpServer::TestHttpServer(const TestCertificate::Identity& identity)
    : tls_(true)
{
    const QString chain = writeFile(files_.filePath(QStringLiteral("chain.pem")), identity.chainPem);
    const QString key = writeFile(files_.filePath(QStringLiteral("key.pem")), identity.privateKeyPem);
    server_ = std::make_unique<httplib::SSLServer>(chain.toUtf8().constData(), key.toUtf8().constData());
    if (!server_->is_valid())
        throw std::runtime_error("the test TLS server does not take its certificate");
}

TestHttpServer::~TestHttpServer()
{
    {
        std::lock_guard guard(mutex_);
        stopped_ = true;
    }
    stopping_.notify_all();
    server_->stop();
    closeAcceptedConnections();
    if (thread_.joinable())
        thread_.join();
}

void TestHttpServer::stallUntilStopped()
{
    std::unique_lock lock(mutex_);
    stopping_.wait(lock, [this] { return stopped_; });
}

// The server waits for every connection it took to end, and a client keeps an idle one open
// for reuse: the worker would only notice the stop after its whole keep-alive time. The
// connections are found among the process's sockets by their local end, this server's port
// (the listening socket is closed by now).
void TestHttpServer::closeAcceptedConnections() const
{
    if (port_ <= 0)
        return;
    const QStringList descriptors = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System);
    for (const QString& name : descriptors) {
        const int descriptor = name.toInt();
        sockaddr_in local{};
        sockaddr_in peer{};
        socklen_t localLength = sizeof local;
        socklen_t peerLength = sizeof peer;
        if (::getsockname(descriptor, reinterpret_cast<sockaddr*>(&local), &localLength) == 0
            && local.sin_family == AF_INET && ntohs(local.sin_port) == port_
            && ::getpeername(descriptor, reinterpret_cast<sockaddr*>(&peer), &peerLength) == 0)
            ::shutdown(descriptor, SHUT_RDWR);
    }
}

void TestHttpServer::start()
{
    // Headers and body go out in separate writes; without this each response waits for a
    // delayed acknowledgement.
    server_->set_tcp_nodelay(true);
    server_->set_logger([this](const httplib::Request& request, const httplib::Response&) {
        RecordedRequest recorded;
        recorded.method = QString::fromStdString(request.method);
        recorded.path = QString::fromStdString(request.path);
        for (const auto& [name, value] : request.params)
            recorded.query.insert(QString::fromStdString(name), QString::fromStdString(value));
        for (const auto& [name, value] : request.headers)
            recorded.headers.insert(QString::fromStdString(name).toLower(), QString::fromStdString(value));
        recorded.body = QByteArray::fromStdString(request.body);
        std::lock_guard guard(mutex_);
        requests_.append(recorded);
    });
    // Another program may take the port between the probe and the bind: then try a new one.
    for (int attempt = 0; attempt < 100 && port_ <= 0; ++attempt) {
        const int port = newTestServerPort();
        if (port > 0 && server_->bind_to_port("127.0.0.1", port))
            port_ = port;
    }
    if (port_ <= 0)
        throw std::runtime_error("the test server cannot bind");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    while (!server_->is_running())
        QThread::msleep(1);
}

QUrl TestHttpServer::url(const QString& pathAndQuery) const
{
    return QUrl(QStringLiteral("%1://127.0.0.1:%2%3").arg(tls_ ? QStringLiteral("https") : QStringLiteral("http")).arg(port_).arg(pathAndQuery));
}

QList<RecordedRequest> TestHttpServer::requests() const
{
    std::lock_guard guard(mutex_);
    return requests_;
}

RecordedRequest TestHttpServer::lastRequest() const
{
    std::lock_guard guard(mutex_);
    return requests_.isEmpty() ? RecordedRequest() : requests_.last();
}
