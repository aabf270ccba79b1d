// The sign-in's loopback listener against local clients that do not behave like a browser:
// connections that never send, more connections than it serves, requests ended by bare LFs.
#include "DropboxAuthorization.h"
#include "DropboxLoopbackReceiver.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

class LoopbackReceiverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(receiver_.listen(0, &error)) << error.toStdString();
    }

    std::unique_ptr<QTcpSocket> startClient()
    {
        auto client = std::make_unique<QTcpSocket>();
        client->connectToHost(QStringLiteral("127.0.0.1"), quint16(QUrl(receiver_.redirectUri()).port()));
        return client;
    }

    // A client connected and taken in by the receiver.
    std::unique_ptr<QTcpSocket> connectClient()
    {
        const int before = receiver_.connectionCount();
        auto client = startClient();
        EXPECT_TRUE(waitUntil([&] { return receiver_.connectionCount() > before; }, 10000, &queue_));
        return client;
    }

    // What the receiver answers to the bytes, once it has closed the connection.
    QByteArray exchange(QTcpSocket& client, const QByteArray& request)
    {
        client.write(request);
        EXPECT_TRUE(waitUntil([&] { return closed(client); }, 10000, &queue_));
        return client.readAll();
    }

    bool closed(const QTcpSocket& client) { return client.state() == QAbstractSocket::UnconnectedState; }

    ManualMainQueue queue_;
    QStringList redirects_;
    DropboxLoopbackReceiver receiver_{[this](const QUrl& redirect) {
        redirects_ << redirect.query();
        return QStringLiteral("Signed in.");
    }};
};

TEST_F(LoopbackReceiverTest, AConnectionThatSendsNothingIsClosedAfterAFewSeconds)
{
    const auto idle = connectClient();
    queue_.advance(1);
    EXPECT_EQ(receiver_.connectionCount(), 1);
    queue_.advance(9);
    EXPECT_EQ(receiver_.connectionCount(), 0);
    EXPECT_TRUE(waitUntil([&] { return closed(*idle); }, 10000, &queue_));

    // The listener still serves the next one.
    const auto next = connectClient();
    EXPECT_TRUE(exchange(*next, "GET /dropbox-auth?code=1 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n").startsWith("HTTP/1.1 200 OK"));
}

TEST_F(LoopbackReceiverTest, BeyondAHandfulOfConnectionsTheOldestMakeRoom)
{
    constexpr int kMany = 9;
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    const auto closedCount = [&] {
        return int(std::count_if(clients.begin(), clients.end(), [&](const auto& client) { return closed(*client); }));
    };
    for (int i = 0; i < kMany; ++i) {
        clients.push_back(startClient());
        // Taken in: counted by the receiver, or making room by closing an older one.
        ASSERT_TRUE(waitUntil([&] { return receiver_.connectionCount() + closedCount() == i + 1; }, 10000, &queue_));
    }
    const int open = receiver_.connectionCount();
    EXPECT_GE(open, 2);
    EXPECT_LE(open, 6);
    for (int i = 0; i < kMany; ++i)
        EXPECT_EQ(closed(*clients[std::size_t(i)]), i < kMany - open) << i;

    const QByteArray answer = exchange(*clients.back(), "GET /dropbox-auth?state=s&code=c HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 200 OK")) << answer.toStdString();
    EXPECT_TRUE(answer.contains("Signed in."));
    EXPECT_EQ(redirects_, QStringList{QStringLiteral("state=s&code=c")});
}

TEST_F(LoopbackReceiverTest, RequestsEndedByBareLineFeedsAreAnswered)
{
    auto callback = connectClient();
    EXPECT_TRUE(exchange(*callback, "GET /dropbox-auth?code=lf HTTP/1.1\nHost: 127.0.0.1\n\n").startsWith("HTTP/1.1 200 OK"));
    EXPECT_EQ(redirects_, QStringList{QStringLiteral("code=lf")});

    auto other = connectClient();
    EXPECT_TRUE(exchange(*other, "GET /favicon.ico HTTP/1.1\n\n").startsWith("HTTP/1.1 404 Not Found"));
    auto endless = connectClient();
    QByteArray unended = "GET /dropbox-auth?";
    unended.append(LoopbackRequest::kMaxSize - unended.size(), 'a');
    EXPECT_TRUE(exchange(*endless, unended).startsWith("HTTP/1.1 404 Not Found"));
    EXPECT_EQ(redirects_.size(), 1);
    EXPECT_EQ(receiver_.connectionCount(), 0);
}

TEST(LoopbackReceiverLifetimeTest, TheAnswerReachesTheBrowserWhenTheReceiverGoesRightAfterIt)
{
    // As a sign-in drops its receiver once the redirect is handled, on the next turn.
    std::unique_ptr<DropboxLoopbackReceiver> receiver;
    receiver = std::make_unique<DropboxLoopbackReceiver>([&](const QUrl&) {
        QMetaObject::invokeMethod(qApp, [&] { receiver.reset(); }, Qt::QueuedConnection);
        return QStringLiteral("Signed in.");
    });
    QString error;
    ASSERT_TRUE(receiver->listen(0, &error));
    QTcpSocket client;
    client.connectToHost(QStringLiteral("127.0.0.1"), quint16(QUrl(receiver->redirectUri()).port()));
    client.write("GET /dropbox-auth?code=1 HTTP/1.1\r\n\r\n");
    ASSERT_TRUE(waitUntil([&] { return client.state() == QAbstractSocket::UnconnectedState; }));
    EXPECT_FALSE(receiver);
    const QByteArray answer = client.readAll();
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 200 OK")) << answer.toStdString();
    EXPECT_TRUE(answer.contains("Signed in."));
}

TEST(LoopbackRequestTest, TheHeadEndsAtTheFirstEmptyLineAndOnlyAGetOfAPathCounts)
{
    using Status = LoopbackRequest::Status;
    EXPECT_EQ(LoopbackRequest::read("GET /dropbox-auth?code=1 HTTP/1.1\r\nHost: x\r\n").status, Status::Incomplete);
    EXPECT_EQ(LoopbackRequest::read("GET /a HTTP/1.1\r\n\r\n").target, QUrl(QStringLiteral("http://127.0.0.1/a")));
    EXPECT_EQ(LoopbackRequest::read("GET /a HTTP/1.1\n\r\n").target, QUrl(QStringLiteral("http://127.0.0.1/a")));
    EXPECT_EQ(LoopbackRequest::read("\n\n").status, Status::Complete);
    for (const QByteArray& foreign : {QByteArray("POST /a HTTP/1.1\n\n"), QByteArray("GET @evil.example/a HTTP/1.1\n\n"),
                                      QByteArray("GET /a\n\n"), QByteArray("GET /a b HTTP/1.1\n\n")}) {
        const LoopbackRequest request = LoopbackRequest::read(foreign);
        EXPECT_EQ(request.status, Status::Complete) << foreign.toStdString();
        EXPECT_FALSE(request.target.isValid()) << foreign.toStdString();
    }
    EXPECT_EQ(LoopbackRequest::read(QByteArray(LoopbackRequest::kMaxSize, 'a')).status, Status::TooLarge);
}

TEST(DropboxRedirectTest, OnlyTheSignInsStateCountsAndACodeMustBeUsable)
{
    using Kind = DropboxRedirect::Kind;
    const auto read = [](const QString& query) {
        return DropboxRedirect::read(QUrl(QStringLiteral("http://127.0.0.1/dropbox-auth?") + query), QStringLiteral("s1"));
    };
    EXPECT_EQ(read(QStringLiteral("code=c&state=other")).kind, Kind::Foreign);
    EXPECT_EQ(read(QStringLiteral("code=c")).kind, Kind::Foreign);
    EXPECT_EQ(DropboxRedirect::read(QUrl(QStringLiteral("http://127.0.0.1/?code=c&state=")), QString()).kind, Kind::Foreign);
    EXPECT_EQ(read(QStringLiteral("error=access_denied&state=s1")).kind, Kind::Cancelled);
    EXPECT_EQ(read(QStringLiteral("error=server_error&code=c&state=s1")).reason, QStringLiteral("server_error"));
    EXPECT_EQ(read(QStringLiteral("state=s1")).kind, Kind::Refused);
    EXPECT_EQ(read(QStringLiteral("state=s1&code=") + QString(5000, QLatin1Char('c'))).kind, Kind::Refused);
    const DropboxRedirect accepted = read(QStringLiteral("state=s1&code=abc"));
    EXPECT_EQ(accepted.kind, Kind::Code);
    EXPECT_EQ(accepted.code, QStringLiteral("abc"));
}

} // namespace
