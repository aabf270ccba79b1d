// An HTTP server's answer as the HTTP layer takes it in: the bytes of the input are what a
// server on 127.0.0.1 sends back (status line, headers, body, as they come), to a request
// operation as the program makes one (a first byte "P" makes it a form POST, any other a GET;
// both carry a bearer token). Redirects are followed as the layer follows them; the same bytes answer
// every request, and addresses elsewhere reach the same server as a proxy, so nothing leaves
// the machine.
//
// The operation ends once, with the body or an error that says what went wrong; every request
// is a web request; the token never travels to another origin; only web addresses answer.
#include "AFHTTPRequestOperation.h"
#include "FuzzEnvironment.h"

#include <QNetworkProxy>
#include <QUrl>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <arpa/inet.h>

#include <mutex>
#include <thread>

namespace {

const QByteArray kToken = "Bearer fuzz-token";

// Answers every connection with the current bytes and keeps the heads of the requests.
class RawServer {
public:
    RawServer()
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        FUZZ_REQUIRE(::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) == 0);
        FUZZ_REQUIRE(::listen(listener_, 64) == 0);
        FUZZ_REQUIRE(::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) == 0);
        port_ = ntohs(address.sin_port);
        std::thread([this] { serve(); }).detach(); // serves for the life of the process
    }

    quint16 port() const { return port_; }
    QByteArray origin() const { return "127.0.0.1:" + QByteArray::number(port_); }

    void answerWith(const QByteArray& bytes)
    {
        std::lock_guard lock(mutex_);
        answer_ = bytes;
        heads_.clear();
    }
    QList<QByteArray> requestHeads() const
    {
        std::lock_guard lock(mutex_);
        return heads_;
    }

private:
    // Each connection on a thread of its own, so that one the client leaves idle (a spare
    // it opened, one it gave up) holds up no other.
    void serve()
    {
        for (;;) {
            const int connection = ::accept(listener_, nullptr, nullptr);
            if (connection >= 0)
                std::thread([this, connection] { answer(connection); }).detach();
        }
    }

    void answer(int connection)
    {
        const timeval wait{2, 0};
        ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        const QByteArray head = readRequest(connection);
        QByteArray answer;
        {
            std::lock_guard lock(mutex_);
            heads_.append(head);
            answer = answer_;
        }
        for (qsizetype sent = 0; sent < answer.size();) {
            const ssize_t count = ::send(connection, answer.constData() + sent, size_t(answer.size() - sent), MSG_NOSIGNAL);
            if (count <= 0)
                break;
            sent += count;
        }
        ::shutdown(connection, SHUT_WR);
        ::close(connection);
    }

    // The head, and the body as long as its Content-Length says, so that closing leaves
    // nothing unread (which would reset the connection under the answer).
    static QByteArray readRequest(int connection)
    {
        QByteArray received;
        char buffer[4096];
        qsizetype end = -1;
        qsizetype bodyLength = 0;
        while (received.size() < 256 * 1024) {
            if (end < 0 && (end = received.indexOf("\r\n\r\n")) >= 0) {
                for (const QByteArray& line : received.left(end).split('\n'))
                    if (line.toLower().startsWith("content-length:"))
                        bodyLength = line.mid(15).trimmed().toLongLong();
            }
            if (end >= 0 && received.size() >= end + 4 + bodyLength)
                break;
            const ssize_t count = ::recv(connection, buffer, sizeof buffer, 0);
            if (count <= 0)
                break;
            received.append(buffer, count);
        }
        return end >= 0 ? received.left(end) : received;
    }

    int listener_ = -1;
    quint16 port_ = 0;
    mutable std::mutex mutex_;
    QByteArray answer_;
    QList<QByteArray> heads_;
};

RawServer& server()
{
    static RawServer* const shared = [] {
        auto* made = new RawServer; // lives for the process, as its thread does
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), made->port()));
        return made;
    }();
    return *shared;
}

// "GET http://host:port/path HTTP/1.1" → "host:port" (with the default port added), as a
// proxy's tunnel "CONNECT host:port HTTP/1.1" names it; empty for a request to the server
// itself ("GET /path HTTP/1.1").
QByteArray authorityOf(const QByteArray& head)
{
    const QList<QByteArray> parts = head.left(head.indexOf("\r\n")).split(' ');
    if (parts.size() < 2 || parts[1].startsWith('/'))
        return {};
    if (parts[0] == "CONNECT")
        return parts[1];
    const QUrl target(QString::fromLatin1(parts[1]));
    return target.host().toLatin1() + ':' + QByteArray::number(target.port(target.scheme() == QLatin1String("https") ? 443 : 80));
}

bool isWebAddress(const QUrl& url)
{
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

struct Outcome {
    int successes = 0;
    int failures = 0;
    Error error;
    qint64 progressBytes = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzEnvironment& environment = FuzzEnvironment::shared();
    RawServer& raw = server();
    if (size == 0)
        return 0;
    raw.answerWith(FuzzEnvironment::bytes(data + 1, size - 1));

    URLRequest request(QUrl(QStringLiteral("http://") + QString::fromLatin1(raw.origin()) + QStringLiteral("/fuzz/page?x=1")));
    request.setValueForHTTPHeaderField(QString::fromLatin1(kToken), QStringLiteral("Authorization"));
    // Some answers Qt never ends (a malformed chunk size, say): the layer's stall time-out ends
    // them, short here so that such an input takes a second, not a minute.
    request.timeoutInterval = 1.0;
    request.connectTimeout = 2.0;
    if (data[0] == 'P') {
        request.HTTPMethod = QStringLiteral("POST");
        request.HTTPBody = "grant_type=refresh_token&refresh_token=r";
        request.setValueForHTTPHeaderField(QStringLiteral("application/x-www-form-urlencoded"), QStringLiteral("Content-Type"));
    }
    auto operation = std::make_shared<AFHTTPRequestOperation>(request);
    auto outcome = std::make_shared<Outcome>();
    operation->setDownloadProgressBlock([outcome](qint64 bytes, qint64 total, qint64 expected) {
        FUZZ_REQUIRE(bytes > 0 && total == outcome->progressBytes + bytes && expected >= -1);
        outcome->progressBytes = total;
    });
    operation->setCompletionBlockWithSuccess(
        [outcome](const std::shared_ptr<AFHTTPRequestOperation>&, const QVariant&) { ++outcome->successes; },
        [outcome](const std::shared_ptr<AFHTTPRequestOperation>&, const Error& error) {
            ++outcome->failures;
            outcome->error = error;
        });
    operation->start();
    environment.runMainQueueUntil([&] { return outcome->successes + outcome->failures > 0; });
    environment.settle();
    FUZZ_REQUIRE(outcome->successes + outcome->failures == 1);

    const std::optional<URLResponse> response = operation->response();
    if (outcome->successes) {
        FUZZ_REQUIRE(response && isWebAddress(response->url) && operation->hasAcceptableStatusCode());
        FUZZ_REQUIRE(outcome->progressBytes == operation->responseData().size());
    } else {
        FUZZ_REQUIRE(!outcome->error.isNull() && !outcome->error.localizedDescription().isEmpty());
        FUZZ_REQUIRE(operation->error().code() == outcome->error.code());
    }
    if (response)
        FUZZ_REQUIRE(isWebAddress(response->url));
    operation->responseString();
    operation->description();

    for (const QByteArray& head : raw.requestHeads()) {
        // Nothing sent (a connection given up), or a TLS handshake (an https address here).
        if (head.isEmpty() || head.startsWith('\x16'))
            continue;
        // An https address elsewhere is reached through a tunnel of the proxy.
        FUZZ_REQUIRE(head.startsWith("GET ") || head.startsWith("POST ") || head.startsWith("CONNECT "));
        const QByteArray authority = authorityOf(head);
        if (!authority.isEmpty() && authority != raw.origin())
            FUZZ_REQUIRE(!head.toLower().contains("\nauthorization:"));
    }
    return 0;
}
