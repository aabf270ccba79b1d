// Qt can leave its connection to a server stuck after a reply whose body ends at the
// connection's close is aborted while it is read (every redirect and every failure aborts so):
// each later request to that server then waits on it until it times out. A time-out must not
// leave the next request on the same connection.
#include "AFTestSupport.h"

#include "RawHttpServer.h"
#include "URLConnection.h"
#include "URLError.h"

#include <gtest/gtest.h>

namespace {

const std::string kAnswer = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Type: text/plain\r\n\r\nok";

std::shared_ptr<AFHTTPRequestOperation> operationTimingOutAfter(const QUrl& url, double timeout)
{
    URLRequest request(url);
    request.timeoutInterval = timeout;
    request.connectTimeout = timeout;
    return std::make_shared<AFHTTPRequestOperation>(request);
}

TEST(StuckConnection, AfterATimeOutTheNextRequestDoesNotWaitOnAConnectionOfTheOldPool)
{
    // Every connection answers its first request once the client holds two open, then falls
    // silent: to the client it stays open and takes requests that are never answered, as a
    // stuck connection does.
    RawHttpServer server([](RawHttpServer::Connection& connection) {
        if (!connection.nextRequest() || !connection.awaitConnections(2))
            return;
        connection.send(kAnswer);
        connection.stallUntilStopped();
    });
    // Two loads at once leave two kept connections for reuse.
    const auto first = operationTimingOutAfter(server.url(QStringLiteral("/first")), 20);
    const auto second = operationTimingOutAfter(server.url(QStringLiteral("/second")), 20);
    const auto firstOutcome = installOutcome(*first);
    const auto secondOutcome = installOutcome(*second);
    first->start();
    second->start();
    ASSERT_TRUE(waitUntil([&] { return firstOutcome->done() && secondOutcome->done(); }, 30000));
    ASSERT_EQ(firstOutcome->successes + secondOutcome->successes, 2);
    ASSERT_EQ(server.connectionCount(), 2);

    const auto silent = load(operationTimingOutAfter(server.url(QStringLiteral("/silent")), 0.5));
    ASSERT_EQ(silent->failures, 1);
    EXPECT_EQ(silent->error.code(), URLError::TimedOut);

    // The other kept connection is as silent: the next load is answered only on a new one.
    const auto next = load(operationTimingOutAfter(server.url(QStringLiteral("/next")), 20));
    EXPECT_EQ(next->successes, 1) << next->error.localizedDescription().toStdString();
    EXPECT_EQ(server.connectionCount(), 3);
}

TEST(StuckConnection, ThousandsOfAbortedCloseDelimitedRedirectsLeaveTheServerAnswering)
{
    // "/hop/N" redirects to "/hop/N-1", the last hop to "/plain"; each redirect's body ends at
    // the connection's close and comes in pieces, so that the client aborts it while reading.
    RawHttpServer server([](RawHttpServer::Connection& connection) {
        while (const auto path = connection.nextRequest()) {
            if (*path == "/plain") {
                connection.send(kAnswer);
                continue;
            }
            const int left = std::stoi(path->substr(path->rfind('/') + 1));
            const std::string target = left > 1 ? "/hop/" + std::to_string(left - 1) : "/plain";
            connection.send("HTTP/1.1 302 Found\r\nLocation: " + target + "\r\nContent-Type: text/html\r\n\r\n");
            for (int piece = 0; piece < 4; ++piece)
                connection.send(std::string(512, 'x'));
            return;
        }
    });
    // Qt sticks once in a few thousand to some ten thousand such replies: 2,000 of them (a few
    // seconds) do not meet it every time, but a run that does must come through it with a
    // single time-out.
    constexpr int kRedirectsPerLoad = URLConnection::MaximumRedirects;
    constexpr int kLoads = 125;
    const QUrl start = server.url(QStringLiteral("/hop/%1").arg(kRedirectsPerLoad));
    int answered = 0;
    bool lastTimedOut = false;
    for (int i = 0; i < kLoads; ++i) {
        const auto outcome = load(operationTimingOutAfter(start, 3));
        ASSERT_TRUE(outcome->done());
        if (outcome->successes == 1) {
            EXPECT_EQ(outcome->object.toByteArray(), QByteArray("ok"));
            ++answered;
            lastTimedOut = false;
            continue;
        }
        ASSERT_EQ(outcome->error.code(), URLError::TimedOut) << outcome->error.localizedDescription().toStdString();
        ASSERT_FALSE(lastTimedOut) << "two time-outs in a row, at load " << i;
        lastTimedOut = true;
    }
    // Each redirect came on a connection of its own.
    EXPECT_GE(server.connectionCount(), answered * kRedirectsPerLoad);

    const auto plain = load(operationTimingOutAfter(server.url(QStringLiteral("/plain")), 5));
    EXPECT_EQ(plain->successes, 1);
}

} // namespace
