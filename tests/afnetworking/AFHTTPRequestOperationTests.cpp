#include "AFOperationClasses.h"
#include "AFTestSupport.h"

#include "URLError.h"

#include <QThread>

#include <gtest/gtest.h>

#include <thread>

namespace {

class HTTPRequestOperation : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto& routes = server.server();
        routes.Get("/ok", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("<b>any type</b>", "text/html");
        });
        routes.Get("/missing", [](const httplib::Request&, httplib::Response& response) {
            response.status = 404;
            response.set_content("no such thing", "text/plain");
        });
        routes.Get("/nothing", [](const httplib::Request&, httplib::Response& response) { response.status = 204; });
        routes.Get("/redirect", [](const httplib::Request&, httplib::Response& response) { response.set_redirect("/ok"); });
        routes.Post("/see-other", [](const httplib::Request&, httplib::Response& response) {
            response.set_redirect("/echo-method", 303);
        });
        routes.Get("/echo-method", [](const httplib::Request& request, httplib::Response& response) {
            response.set_content(request.method, "text/plain");
        });
        routes.Get("/elsewhere", [](const httplib::Request& request, httplib::Response& response) {
            response.set_redirect(request.get_param_value("to"));
        });
        routes.Get("/loop", [](const httplib::Request&, httplib::Response& response) { response.set_redirect("/loop"); });
        routes.Get("/basic", [](const httplib::Request& request, httplib::Response& response) {
            if (request.get_header_value("Authorization") == "Basic dXNlcjpwYXNz") {
                response.set_content("welcome", "text/plain");
                return;
            }
            response.status = 401;
            response.set_header("WWW-Authenticate", "Basic realm=\"melvora\"");
        });
        serveRangedBody(routes, "/ranged", body);
        serveRangedBody(routes, "/ranged-ignoring", body, RangeHandling::Ignore);
        serveRangedBody(routes, "/ranged-wrong", body, RangeHandling::WrongOffset);
        server.start();
    }
    // Class-level settings live for the process.
    void TearDown() override { AFOperationClasses::resetForTesting(); }

    // Loads until at least `bytes` arrived, pauses, and returns the operation. The block
    // owns what it uses: it must not reach into this frame once the helper has returned.
    std::shared_ptr<AFHTTPRequestOperation> pausedAfter(const QString& path, qint64 bytes, std::shared_ptr<Outcome>& outcome)
    {
        auto operation = operationFor(server.url(path));
        outcome = installOutcome(*operation);
        auto paused = std::make_shared<bool>(false);
        std::weak_ptr<AFHTTPRequestOperation> weakOperation = operation;
        operation->setDownloadProgressBlock([paused, weakOperation, bytes](qint64, qint64 total, qint64) {
            const auto loading = weakOperation.lock();
            if (total >= bytes && !*paused && loading) {
                *paused = true;
                loading->pause();
            }
        });
        operation->start();
        EXPECT_TRUE(waitUntil([&] { return *paused; }));
        operation->setDownloadProgressBlock(nullptr);
        return operation;
    }

    const std::string body = patternBody(3000000);
    TestEnvironment environment;
    TestHttpServer server;
};

TEST_F(HTTPRequestOperation, AcceptsAny2xxWithAnyTypeAndRejectsOthersWithTheStatusError)
{
    const auto ok = load(operationFor(server.url("/ok")));
    EXPECT_EQ(ok->successes, 1);
    EXPECT_EQ(ok->object.toByteArray(), "<b>any type</b>");

    const auto empty = load(operationFor(server.url("/nothing")));
    EXPECT_EQ(empty->successes, 1);

    const auto missing = load(operationFor(server.url("/missing")));
    ASSERT_EQ(missing->failures, 1);
    EXPECT_EQ(missing->error.domain(), AFNetworkingErrorDomain);
    EXPECT_EQ(missing->error.code(), -1011);
    EXPECT_EQ(missing->error.localizedDescription(), QStringLiteral("Expected status code in (200-299), got 404"));
    EXPECT_EQ(missing->error.localizedRecoverySuggestion(), QStringLiteral("no such thing"));
    EXPECT_TRUE(missing->error.userInfo().value(AFNetworkingOperationFailingURLResponseErrorKey).canConvert<URLResponse>());
}

TEST_F(HTTPRequestOperation, StatusCodeRangesAreWrittenAsRuns)
{
    std::set<int> codes = AFHTTPRequestOperation::acceptableStatusCodes();
    codes.insert({304, 404});
    EXPECT_EQ(AFHTTPRequestOperation::stringFromStatusCodes(codes), QStringLiteral("200-299,304,404"));
    EXPECT_EQ(AFHTTPRequestOperation::stringFromStatusCodes({}), QString());
}

TEST_F(HTTPRequestOperation, AddedContentTypesNarrowTheClassAndReportAnEmptyBodyAsNoError)
{
    AFHTTPRequestOperation::addAcceptableContentTypes({QStringLiteral("application/json")});
    const auto html = load(operationFor(server.url("/ok")));
    ASSERT_EQ(html->failures, 1);
    EXPECT_EQ(html->error.code(), -1016);
    EXPECT_EQ(html->error.localizedDescription(), QStringLiteral("Expected content type {(application/json)}, got text/html"));
    const auto empty = load(operationFor(server.url("/nothing")));
    EXPECT_EQ(empty->successes, 1) << "no body, no content-type error";
}

TEST_F(HTTPRequestOperation, FollowsRedirectsTurningPostIntoGetOnSeeOther)
{
    const auto redirected = load(operationFor(server.url("/redirect")));
    EXPECT_EQ(redirected->object.toByteArray(), "<b>any type</b>");

    URLRequest post(server.url("/see-other"));
    post.HTTPMethod = QStringLiteral("POST");
    post.HTTPBody = "payload";
    const auto seeOther = load(std::make_shared<AFHTTPRequestOperation>(post));
    EXPECT_EQ(seeOther->object.toByteArray(), "GET");

    const auto loop = load(operationFor(server.url("/loop")));
    ASSERT_EQ(loop->failures, 1);
    EXPECT_EQ(loop->error.code(), URLError::HTTPTooManyRedirects);
}

TEST_F(HTTPRequestOperation, ARedirectToAnotherServerLeavesTheAuthorizationBehind)
{
    TestHttpServer other;
    other.server().Get("/landing", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("landed", "text/plain");
    });
    other.start();
    URLRequest request(server.url("/elsewhere?to=" + QUrl::toPercentEncoding(other.url("/landing").toString())));
    request.headers.set(QStringLiteral("Authorization"), QStringLiteral("Token token=\"secret\""));
    const auto outcome = load(std::make_shared<AFHTTPRequestOperation>(request));
    ASSERT_EQ(outcome->successes, 1);
    EXPECT_EQ(outcome->object.toByteArray(), "landed");
    EXPECT_FALSE(other.lastRequest().headers.contains(QStringLiteral("authorization")));
}

TEST_F(HTTPRequestOperation, ARedirectAwayFromHttpIsRefusedAndReadsNothing)
{
    const QString secret = environment.writeFile(QStringLiteral("secret.txt"), "the user's own file");
    for (const QString& target : {QUrl::fromLocalFile(secret).toString(), QStringLiteral("data:text/plain,planted")}) {
        const auto outcome = load(operationFor(server.url("/elsewhere?to=" + QUrl::toPercentEncoding(target))));
        ASSERT_EQ(outcome->failures, 1) << target.toStdString();
        EXPECT_EQ(outcome->error.code(), URLError::UnsupportedURL);
        EXPECT_FALSE(outcome->object.toByteArray().contains("own file"));
        EXPECT_FALSE(outcome->object.toByteArray().contains("planted"));
    }
}

TEST_F(HTTPRequestOperation, ARedirectBlockCanRefuseToFollow)
{
    auto operation = operationFor(server.url("/redirect"));
    operation->setRedirectResponseBlock([](URLConnection&, const URLRequest&, const URLResponse& response) {
        EXPECT_EQ(response.statusCode, 302);
        return std::optional<URLRequest>();
    });
    const auto outcome = load(operation);
    ASSERT_EQ(outcome->failures, 1) << "the 302 itself is the response now";
    EXPECT_EQ(operation->response()->statusCode, 302);
}

TEST_F(HTTPRequestOperation, AnsweresBasicChallengesOnlyOverTlsAndNeverRepeatsAFailedCredential)
{
    // Over plain http the password is not sent, so the request ends with the 401.
    LogCapture log;
    auto plain = operationFor(server.url("/basic"));
    plain->setCredential(URLCredential::withUser(QStringLiteral("user"), QStringLiteral("pass")));
    const auto refused = load(plain);
    ASSERT_EQ(refused->failures, 1);
    EXPECT_EQ(plain->response()->statusCode, 401);
    EXPECT_TRUE(log.contains(QStringLiteral("Refused to send a password in the clear")));
    for (const RecordedRequest& request : server.requests())
        EXPECT_FALSE(request.headers.contains(QStringLiteral("authorization")));
}

TEST_F(HTTPRequestOperation, PauseAsksForTheRestWithRangeAndIfRangeAndResumesIntoTheSameStream)
{
    std::shared_ptr<Outcome> outcome;
    auto operation = pausedAfter("/ranged", 1000, outcome);
    ASSERT_TRUE(operation->isPaused());
    ASSERT_LT(operation->outputStream()->dataWrittenToMemory()->size(), qint64(body.size())) << "paused in the middle";
    const URLRequest amended = operation->request();
    const qint64 offset = operation->outputStream()->dataWrittenToMemory()->size();
    EXPECT_GE(offset, 1000);
    EXPECT_EQ(amended.valueForHTTPHeaderField(QStringLiteral("Range")), QStringLiteral("bytes=%1-").arg(offset));
    EXPECT_EQ(amended.valueForHTTPHeaderField(QStringLiteral("If-Range")), QStringLiteral("\"v1\""));
    EXPECT_FALSE(outcome->done()) << "a pause is no outcome";
    operation->resume();
    ASSERT_TRUE(waitUntil([&] { return outcome->done(); }));
    ASSERT_EQ(outcome->successes, 1) << outcome->error.description().toStdString();
    EXPECT_EQ(outcome->object.toByteArray(), QByteArray::fromStdString(body));
    EXPECT_EQ(server.lastRequest().headers.value(QStringLiteral("range")), QStringLiteral("bytes=%1-").arg(offset));
}

TEST_F(HTTPRequestOperation, AResumeAnsweredWithTheWholeBodyStartsOverCleanly)
{
    std::shared_ptr<Outcome> outcome;
    auto operation = pausedAfter("/ranged-ignoring", 1000, outcome);
    operation->resume();
    ASSERT_TRUE(waitUntil([&] { return outcome->done(); }));
    ASSERT_EQ(outcome->successes, 1) << outcome->error.description().toStdString();
    EXPECT_EQ(outcome->object.toByteArray(), QByteArray::fromStdString(body)) << "no bytes twice";
}

TEST_F(HTTPRequestOperation, AResumeAnsweredFromTheWrongOffsetFails)
{
    std::shared_ptr<Outcome> outcome;
    auto operation = pausedAfter("/ranged-wrong", 1000, outcome);
    operation->resume();
    ASSERT_TRUE(waitUntil([&] { return outcome->done(); }));
    ASSERT_EQ(outcome->failures, 1);
    EXPECT_EQ(outcome->error.domain(), AFNetworkingErrorDomain);
    EXPECT_TRUE(outcome->error.localizedDescription().contains(QStringLiteral("bytes 0-2999999/3000000")));
}

TEST_F(HTTPRequestOperation, NullBlocksRunNothingAndCallbackQueuesAreHonoured)
{
    auto silent = operationFor(server.url("/ok"));
    silent->setCompletionBlockWithSuccess(nullptr, nullptr);
    silent->start();
    EXPECT_TRUE(waitUntil([&] { return silent->isFinished(); }));

    auto queue = DispatchQueue::serial(QStringLiteral("callbacks"));
    auto operation = operationFor(server.url("/ok"));
    operation->setSuccessCallbackQueue(queue);
    std::atomic<bool> onQueue{false};
    std::atomic<bool> called{false};
    operation->setCompletionBlockWithSuccess(
        [&](const std::shared_ptr<AFHTTPRequestOperation>&, const QVariant&) {
            onQueue = queue->isCurrent();
            called = true;
        },
        nullptr);
    operation->start();
    ASSERT_TRUE(waitUntil([&] { return called.load(); }));
    EXPECT_TRUE(onQueue.load());
}

} // namespace
