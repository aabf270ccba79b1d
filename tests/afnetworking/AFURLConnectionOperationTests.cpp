#include "AFTestSupport.h"

#include "MainQueue.h"
#include "NotificationCenter.h"
#include "URLError.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

class ConnectionOperation : public ::testing::Test {
protected:
    void SetUp() override
    {
        server.server().Get("/hello", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("hello", "text/plain");
        });
        server.server().Get("/latin", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("caf\xe9", "text/plain");
        });
        server.server().Get("/utf8", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("caf\xc3\xa9", "text/html; charset=utf-8");
        });
        server.server().Get("/bad-utf8", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("caf\xe9", "application/json");
        });
        server.server().Get("/chunked", [](const httplib::Request&, httplib::Response& response) {
            response.set_chunked_content_provider("text/plain", [](size_t offset, httplib::DataSink& sink) {
                if (offset >= 3000) {
                    sink.done();
                    return true;
                }
                const std::string chunk(1000, 'x');
                sink.write(chunk.data(), chunk.size());
                return true;
            });
        });
        server.server().Get("/slow", [this](const httplib::Request&, httplib::Response& response) {
            server.stallUntilStopped();
            response.set_content("late", "text/plain");
        });
        server.server().Get("/broken-gzip", [](const httplib::Request&, httplib::Response& response) {
            response.set_header("Content-Encoding", "gzip");
            response.set_content("this is not gzip at all", "application/json");
        });
        serveRangedBody(server.server(), "/ranged", patternBody(200000));
        server.server().Post("/upload", [](const httplib::Request& request, httplib::Response& response) {
            response.set_content(std::to_string(request.body.size()), "text/plain");
        });
        server.start();
    }

    // Collects the operation notifications sent for one operation.
    struct Notifications {
        QStringList names;
        NotificationObserver start;
        NotificationObserver finish;
    };
    std::unique_ptr<Notifications> watch(const AFURLConnectionOperation& operation)
    {
        auto notifications = std::make_unique<Notifications>();
        auto* names = &notifications->names;
        const auto record = [names](const Notification& n) { names->append(n.name); };
        notifications->start = NotificationCenter::defaultCenter().addObserver(AFNetworkingOperationDidStartNotification,
                                                                             record, NotificationCenter::Delivery::PostingThread, &operation);
        notifications->finish = NotificationCenter::defaultCenter().addObserver(AFNetworkingOperationDidFinishNotification,
                                                                              record, NotificationCenter::Delivery::PostingThread, &operation);
        return notifications;
    }

    TestEnvironment environment;
    TestHttpServer server;
};

TEST_F(ConnectionOperation, LoadsOnTheNamedNetworkThreadAndAnnouncesStartAndFinish)
{
    auto operation = operationFor(server.url("/hello"));
    const auto notifications = watch(*operation);
    const auto outcome = load(operation);
    ASSERT_EQ(outcome->successes, 1);
    EXPECT_EQ(outcome->object.toByteArray(), "hello");
    EXPECT_TRUE(operation->isFinished());
    EXPECT_EQ(operation->responseString(), QStringLiteral("hello"));
    EXPECT_EQ(AFURLConnectionOperation::networkRequestThread().thread()->objectName(), QStringLiteral("AFNetworking"));
    waitUntil([&] { return notifications->names.size() == 2; });
    EXPECT_EQ(notifications->names, QStringList({AFNetworkingOperationDidStartNotification, AFNetworkingOperationDidFinishNotification}));
    EXPECT_EQ(operation->totalBytesRead(), 5);
}

TEST_F(ConnectionOperation, CancelBeforeStartFinishesWithTheCancelErrorAndNoConnection)
{
    auto operation = operationFor(server.url("/hello"));
    auto outcome = installOutcome(*operation);
    const auto notifications = watch(*operation);
    operation->cancel();
    operation->cancel(); // a second cancel changes nothing
    EXPECT_TRUE(operation->isReady()) << "cancelled but not started";
    operation->start();
    ASSERT_TRUE(waitUntil([&] { return outcome->done(); }));
    EXPECT_EQ(outcome->failures, 1);
    EXPECT_EQ(outcome->error.domain(), URLError::Domain);
    EXPECT_EQ(outcome->error.code(), URLError::Cancelled);
    EXPECT_EQ(outcome->error.userInfo().value(URLError::FailingURLKey).toUrl(), server.url("/hello"));
    waitUntil([&] { return notifications->names.size() == 2; });
    EXPECT_EQ(notifications->names.count(AFNetworkingOperationDidStartNotification), 1);
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(ConnectionOperation, StartOnlyWorksFromReadyAndPauseOfAReadyOperationIsSilent)
{
    auto operation = operationFor(server.url("/hello"));
    auto outcome = installOutcome(*operation);
    const auto notifications = watch(*operation);
    operation->pause();
    EXPECT_TRUE(operation->isPaused());
    operation->start();
    EXPECT_TRUE(operation->isPaused()) << "start on a paused operation does nothing";
    QCoreApplication::processEvents();
    EXPECT_TRUE(notifications->names.isEmpty());
    operation->resume();
    ASSERT_TRUE(waitUntil([&] { return outcome->done(); }));
    EXPECT_EQ(outcome->successes, 1);
    operation->start();
    EXPECT_TRUE(operation->isFinished());
}

TEST_F(ConnectionOperation, TransitionsFollowTheTable)
{
    AFURLConnectionOperation operation(URLRequest(server.url("/hello")));
    operation.setState(AFOperationFinishedState);
    EXPECT_EQ(operation.state(), AFOperationReadyState) << "ready cannot finish unless cancelled";
    operation.setState(AFOperationPausedState);
    operation.setState(AFOperationExecutingState);
    EXPECT_EQ(operation.state(), AFOperationPausedState) << "paused can only become ready";
    EXPECT_EQ(AFURLConnectionOperation::keyPathFromOperationState(7), QStringLiteral("state"));
    EXPECT_TRUE(operation.description().contains(QStringLiteral("state: isPaused, cancelled: NO")));
}

TEST_F(ConnectionOperation, CancellingAPausedDownloadFinishesItWithTheCancelError)
{
    auto operation = operationFor(server.url("/slow"));
    auto outcome = installOutcome(*operation);
    operation->start();
    ASSERT_TRUE(waitUntil([&] { return !server.requests().isEmpty() || operation->isExecuting(); }));
    operation->pause();
    const auto notifications = watch(*operation);
    operation->cancel();
    ASSERT_TRUE(waitUntil([&] { return outcome->done(); }));
    EXPECT_EQ(outcome->failures, 1);
    EXPECT_EQ(outcome->error.code(), URLError::Cancelled);
    EXPECT_TRUE(operation->isFinished());
    waitUntil([&] { return notifications->names.contains(AFNetworkingOperationDidFinishNotification); });
    EXPECT_EQ(operation->outputStream()->streamStatus(), StreamStatus::Closed);
}

TEST_F(ConnectionOperation, APauseBeforeTheNetworkThreadMadeTheConnectionSendsNothingAndResumesWhole)
{
    const QtWarningCapture warnings;
    auto operation = operationFor(server.url("/hello"));
    auto outcome = installOutcome(*operation);
    const auto notifications = watch(*operation);
    // Held, the network thread cannot take the operation up before it is paused.
    std::promise<void> release;
    AFURLConnectionOperation::networkRequestThread().perform([held = release.get_future().share()] { held.wait(); });
    operation->start();
    operation->pause();
    release.set_value();
    ASSERT_TRUE(waitUntil([&] { return notifications->names.contains(AFNetworkingOperationDidStartNotification); }));
    EXPECT_TRUE(server.requests().isEmpty()) << "a paused operation sends nothing";
    operation->resume();
    ASSERT_TRUE(waitUntil([&] { return outcome->done(); }));
    ASSERT_EQ(outcome->successes, 1) << outcome->error.description().toStdString();
    EXPECT_EQ(outcome->object.toByteArray(), "hello");
    EXPECT_TRUE(warnings.warnings().isEmpty()) << warnings.warnings().join(QLatin1Char('\n')).toStdString();
}

TEST_F(ConnectionOperation, CancellingARunningLoadReportsOnceThroughTheFailureBlock)
{
    auto operation = operationFor(server.url("/slow"));
    auto outcome = installOutcome(*operation);
    operation->start();
    QThread::msleep(100);
    operation->cancel();
    ASSERT_TRUE(waitUntil([&] { return outcome->done(); }));
    waitUntil([] { return false; }, 200);
    EXPECT_EQ(outcome->failures, 1);
    EXPECT_EQ(outcome->successes, 0);
    EXPECT_EQ(outcome->error.code(), URLError::Cancelled);
}

TEST_F(ConnectionOperation, DecodesTextByTheDeclaredCharsetLatin1ForBareTextAndUtf8Otherwise)
{
    auto latin = operationFor(server.url("/latin"));
    load(latin);
    EXPECT_EQ(latin->responseStringEncoding(), "ISO-8859-1");
    EXPECT_EQ(latin->responseString(), QStringLiteral("caf\u00e9"));

    auto utf8 = operationFor(server.url("/utf8"));
    load(utf8);
    EXPECT_EQ(utf8->responseString(), QStringLiteral("caf\u00e9"));

    auto json = operationFor(server.url("/bad-utf8"));
    load(json);
    EXPECT_EQ(json->responseStringEncoding(), "UTF-8");
    EXPECT_TRUE(json->responseString().isNull()) << "bytes that are no UTF-8 give no string";
}

TEST_F(ConnectionOperation, ACompressedBodyThatWasNotAskedForFailsInsteadOfComingOutEmpty)
{
    auto operation = operationFor(server.url("/broken-gzip"));
    const auto outcome = load(operation);
    EXPECT_EQ(outcome->successes, 0);
    ASSERT_EQ(outcome->failures, 1);
    EXPECT_EQ(outcome->error.code(), URLError::CannotDecodeContentData);
}

TEST_F(ConnectionOperation, ReportsDownloadProgressWithUnknownTotalForChunkedBodies)
{
    auto operation = operationFor(server.url("/chunked"));
    qint64 seen = 0;
    qint64 expected = 0;
    operation->setDownloadProgressBlock([&](qint64 bytes, qint64 total, qint64 totalExpected) {
        seen += bytes;
        EXPECT_EQ(total, seen);
        expected = totalExpected;
    });
    const auto outcome = load(operation);
    ASSERT_EQ(outcome->successes, 1);
    waitUntil([&] { return seen == 3000; });
    EXPECT_EQ(seen, 3000);
    EXPECT_EQ(expected, -1);
}

TEST_F(ConnectionOperation, AProgressBlockClearedOnTheMainThreadIsNotCalledForChunksAlreadyReceived)
{
    auto operation = operationFor(server.url("/chunked"));
    auto calls = std::make_shared<int>(0);
    operation->setDownloadProgressBlock([calls](qint64, qint64, qint64) { ++*calls; });
    auto outcome = installOutcome(*operation);
    operation->start();
    // The main queue does not run meanwhile, so every chunk's progress call is still waiting.
    ASSERT_TRUE(eventually([&] { return operation->isFinished(); }, 30));
    operation->setDownloadProgressBlock(nullptr);
    ASSERT_TRUE(waitUntil([&] { return outcome->done(); }));
    EXPECT_EQ(*calls, 0);
    EXPECT_EQ(operation->totalBytesRead(), 3000) << "the bytes are counted all the same";
}

TEST_F(ConnectionOperation, AnUploadProgressBlockSetOnTheMainThreadIsCalledForChunksAlreadySent)
{
    const int size = 300000;
    URLRequest request(server.url("/upload"));
    request.HTTPMethod = QStringLiteral("POST");
    request.HTTPBody = QByteArray::fromStdString(patternBody(size));
    auto operation = std::make_shared<AFHTTPRequestOperation>(request);
    auto outcome = installOutcome(*operation);
    operation->start();
    // The main queue does not run meanwhile, so every chunk's progress call is still waiting.
    ASSERT_TRUE(eventually([&] { return operation->isFinished(); }, 30));
    struct Progress {
        qint64 bytes = 0;
        qint64 lastTotal = 0;
        qint64 expected = 0;
    };
    auto progress = std::make_shared<Progress>();
    operation->setUploadProgressBlock([progress](qint64 bytes, qint64 total, qint64 totalExpected) {
        progress->bytes += bytes;
        progress->lastTotal = total;
        progress->expected = totalExpected;
    });
    ASSERT_TRUE(waitUntil([&] { return outcome->done(); }));
    ASSERT_EQ(outcome->successes, 1);
    EXPECT_EQ(outcome->object.toByteArray(), QByteArray::number(size)) << "the server had the whole body";
    EXPECT_EQ(progress->bytes, size);
    EXPECT_EQ(progress->lastTotal, size);
    EXPECT_EQ(progress->expected, size);
}

TEST_F(ConnectionOperation, AnInMemoryBodyStopsAtItsLimitAndAFileStreamHasNone)
{
    auto limited = operationFor(server.url("/ranged"));
    limited->setOutputStream(std::make_shared<MemoryOutputStream>(100000));
    const auto failed = load(limited);
    ASSERT_EQ(failed->failures, 1);
    EXPECT_EQ(failed->error.domain(), StreamErrorDomain);
    EXPECT_TRUE(failed->error.localizedDescription().contains(QStringLiteral("larger than")));

    const QString path = environment.root() + QStringLiteral("/download.bin");
    auto toFile = operationFor(server.url("/ranged"));
    toFile->setOutputStream(std::make_shared<FileOutputStream>(path, false));
    const auto saved = load(toFile);
    ASSERT_EQ(saved->successes, 1);
    EXPECT_FALSE(toFile->hasResponseData()) << "a file stream keeps no body in memory";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray::fromStdString(patternBody(200000)));
}

TEST_F(ConnectionOperation, CopyIsReadyWithTheSameRequestAndBlocksButNoOutcome)
{
    auto operation = operationFor(server.url("/hello"));
    int redirects = 0;
    operation->setRedirectResponseBlock([&](URLConnection&, const URLRequest& request, const URLResponse&) {
        ++redirects;
        return std::optional<URLRequest>(request);
    });
    operation->setAllowsInvalidSSLCertificate(true);
    load(operation);
    const auto copy = operation->copy();
    EXPECT_TRUE(copy->isReady());
    EXPECT_EQ(copy->className(), QStringLiteral("AFHTTPRequestOperation"));
    EXPECT_EQ(copy->request().url, operation->request().url);
    EXPECT_TRUE(copy->allowsInvalidSSLCertificate());
    EXPECT_FALSE(copy->response().has_value());
}

TEST_F(ConnectionOperation, AStalledServerFailsWithATimeOut)
{
    URLRequest request(server.url("/slow"));
    request.timeoutInterval = 0.3;
    const auto outcome = load(std::make_shared<AFHTTPRequestOperation>(request));
    ASSERT_EQ(outcome->failures, 1);
    EXPECT_EQ(outcome->error.code(), URLError::TimedOut);
}

TEST_F(ConnectionOperation, AServerThatNeverTakesTheConnectionFailsWithATimeOut)
{
    // A listening socket whose one-place backlog is taken: further connection attempts
    // are left unanswered, so the connect time-out has to end the load.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    std::vector<int> fillers;
    for (int i = 0; i < 3; ++i) {
        fillers.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        ::connect(fillers.back(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    URLRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(ntohs(address.sin_port))));
    request.connectTimeout = 0.5;
    const auto outcome = load(std::make_shared<AFHTTPRequestOperation>(request));
    ASSERT_EQ(outcome->failures, 1);
    EXPECT_EQ(outcome->error.code(), URLError::TimedOut);
    for (const int filler : fillers)
        ::close(filler);
    ::close(listener);
}

TEST_F(ConnectionOperation, AClosedPortFailsToConnect)
{
    const QUrl closed = [] {
        TestHttpServer gone;
        gone.start();
        return gone.url("/hello");
    }();
    const auto outcome = load(operationFor(closed));
    ASSERT_EQ(outcome->failures, 1);
    EXPECT_EQ(outcome->error.code(), URLError::CannotConnectToHost);
}

} // namespace
