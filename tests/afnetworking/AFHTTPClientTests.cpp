#include "AFHTTPClient.h"
#include "AFTestSupport.h"
#include "AFTypedRequestOperations.h"

#include "NotificationCenter.h"
#include "PropertyList.h"
#include "URLError.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

class HTTPClient : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto echo = [](const httplib::Request& request, httplib::Response& response) {
            QJsonObject reply{{"method", QString::fromStdString(request.method)},
                              {"path", QString::fromStdString(request.path)},
                              {"body", QString::fromStdString(request.body)},
                              {"contentType", QString::fromStdString(request.get_header_value("Content-Type"))}};
            response.set_content(QJsonDocument(reply).toJson().toStdString(), "application/json");
        };
        auto& routes = server.server();
        routes.Get(R"(/api/.*)", echo);
        routes.Post(R"(/api/.*)", echo);
        routes.Put(R"(/api/.*)", echo);
        routes.Delete(R"(/api/.*)", echo);
        routes.Patch(R"(/api/.*)", echo);
        routes.Get("/api-slow", [this](const httplib::Request&, httplib::Response& response) {
            server.stallUntilStopped();
            response.set_content("slow", "text/plain");
        });
        server.start();
        client = AFHTTPClient::clientWithBaseURL(server.url("/api"));
    }

    // Runs one request through the client and returns what the echo route saw.
    QJsonObject send(void (AFHTTPClient::*verb)(const QString&, const AFHTTPClient::Parameters&, AFHTTPClient::Success,
                                                  AFHTTPClient::Failure),
                     const QString& path, const AFHTTPClient::Parameters& parameters, Error* failure = nullptr)
    {
        auto outcome = std::make_shared<Outcome>();
        (client.get()->*verb)(path, parameters, recordSuccess(outcome), recordFailure(outcome));
        EXPECT_TRUE(waitUntil([&] { return outcome->done(); })) << client->requestWithMethod("GET", path, parameters).url.toString().toStdString() << " requests " << server.requests().size();
        if (failure)
            *failure = outcome->error;
        return QJsonDocument::fromJson(outcome->object.toByteArray()).object();
    }

    TestEnvironment environment;
    TestHttpServer server;
    std::unique_ptr<AFHTTPClient> client;
};

TEST_F(HTTPClient, ResolvesPathsUnderABaseThatGainsItsSlash)
{
    EXPECT_EQ(client->baseURL().path(), QStringLiteral("/api/"));
    EXPECT_EQ(client->requestWithMethod("GET", "items", std::nullopt).url.path(), QStringLiteral("/api/items"));
    EXPECT_EQ(client->requestWithMethod("GET", "/root", std::nullopt).url.path(), QStringLiteral("/root"));
    EXPECT_EQ(AFHTTPClient(QUrl("http://127.0.0.1:1")).baseURL().toString(), QStringLiteral("http://127.0.0.1:1"));
}

TEST_F(HTTPClient, PutsParametersInTheQueryForGetHeadAndDeleteJoiningAnExistingQuery)
{
    EXPECT_EQ(client->requestWithMethod("GET", "items?page=2", QVariantMap{{"q", "a b"}}).url.query(QUrl::FullyEncoded),
              QStringLiteral("page=2&q=a%20b"));
    EXPECT_TRUE(client->requestWithMethod("DELETE", "items", QVariantMap()).url.toString().endsWith(QLatin1Char('?')));
    const URLRequest post = client->requestWithMethod("POST", "items", std::nullopt);
    EXPECT_TRUE(post.HTTPBody.isEmpty());
    EXPECT_FALSE(post.headers.contains(QStringLiteral("Content-Type")));
}

TEST_F(HTTPClient, SendsEachVerbWithEachSerializer)
{
    const QVariantMap parameters{{"name", "Ann"}, {"scores", QVariantList{1, 2}}};
    const QJsonObject get = send(&AFHTTPClient::getPath, "items", parameters);
    EXPECT_EQ(get.value("method").toString(), QStringLiteral("GET"));
    EXPECT_EQ(server.lastRequest().query.value(QStringLiteral("name")), QStringLiteral("Ann"));
    const QJsonObject remove = send(&AFHTTPClient::deletePath, "items/3", parameters);
    EXPECT_EQ(remove.value("method").toString(), QStringLiteral("DELETE"));
    EXPECT_EQ(remove.value("path").toString(), QStringLiteral("/api/items/3"));

    const QJsonObject form = send(&AFHTTPClient::postPath, "items", parameters);
    EXPECT_EQ(form.value("body").toString(), QStringLiteral("name=Ann&scores[]=1&scores[]=2"));
    EXPECT_EQ(form.value("contentType").toString(), QStringLiteral("application/x-www-form-urlencoded; charset=utf-8"));

    client->setParameterEncoding(AFJSONParameterEncoding);
    const QJsonObject json = send(&AFHTTPClient::putPath, "items/3", parameters);
    EXPECT_EQ(json.value("method").toString(), QStringLiteral("PUT"));
    EXPECT_EQ(QJsonDocument::fromJson(json.value("body").toString().toUtf8()).toVariant().toMap(), parameters);
    EXPECT_EQ(json.value("contentType").toString(), QStringLiteral("application/json; charset=utf-8"));

    client->setParameterEncoding(AFPropertyListParameterEncoding);
    const QJsonObject plist = send(&AFHTTPClient::patchPath, "items/3", parameters);
    EXPECT_EQ(plist.value("method").toString(), QStringLiteral("PATCH"));
    EXPECT_EQ(PropertyList::fromData(plist.value("body").toString().toUtf8()).value_or(QVariant()).toMap().value("name"),
              QVariant("Ann"));
}

TEST_F(HTTPClient, ABodyThatCannotBeWrittenFailsTheRequestInsteadOfSendingNone)
{
    LogCapture log;
    client->setParameterEncoding(AFJSONParameterEncoding);
    Error error;
    send(&AFHTTPClient::postPath, "items", QVariantMap{{"when", QDateTime::currentDateTimeUtc()}}, &error);
    EXPECT_EQ(error.code(), AFNetworkingErrorBodyNotWritable);
    EXPECT_TRUE(log.contains(QStringLiteral("AFHTTPClient requestWithMethod:path:parameters:")));

    client->setParameterEncoding(AFPropertyListParameterEncoding);
    send(&AFHTTPClient::postPath, "items", QVariantMap{{"nothing", QVariant()}}, &error);
    EXPECT_EQ(error.code(), AFNetworkingErrorBodyNotWritable);
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(HTTPClient, DefaultHeadersGoWithEveryRequestButBasicCredentialsNotOverPlainHttp)
{
    EXPECT_FALSE(client->defaultValueForHeader("User-Agent").isEmpty());
    client->setDefaultHeader("X-Trainer", "ear");
    client->setAuthorizationHeaderWithUsername("user", "");
    EXPECT_EQ(client->defaultValueForHeader("Authorization"), QStringLiteral("Basic dXNlcjo="));
    LogCapture log;
    const URLRequest request = client->requestWithMethod("GET", "items", std::nullopt);
    EXPECT_EQ(request.valueForHTTPHeaderField("X-Trainer"), QStringLiteral("ear"));
    EXPECT_FALSE(request.headers.contains("Authorization"));
    client->setAuthorizationHeaderWithToken("abc");
    EXPECT_EQ(client->requestWithMethod("GET", "items", std::nullopt).valueForHTTPHeaderField("Authorization"),
              QStringLiteral("Token token=\"abc\""));
    client->setDefaultHeader("X-Trainer", QString());
    client->clearAuthorizationHeader();
    EXPECT_FALSE(client->requestWithMethod("GET", "items", std::nullopt).headers.contains("X-Trainer"));
}

TEST_F(HTTPClient, AcceptLanguageListsUpToSixLanguagesDownToHalfWeight)
{
    EXPECT_EQ(AFHTTPClient::acceptLanguageHeader({"de", "en", "fr", "it"}), QStringLiteral("de;q=1, en;q=0.9, fr;q=0.8, it;q=0.7"));
    const QString eight = AFHTTPClient::acceptLanguageHeader({"a", "b", "c", "d", "e", "f", "g", "h"});
    EXPECT_EQ(eight.count(QLatin1Char(',')), 5);
    EXPECT_TRUE(eight.endsWith(QStringLiteral("f;q=0.5")));
    EXPECT_EQ(AFHTTPClient::acceptLanguageHeader({}), QString());
}

TEST_F(HTTPClient, ChoosesTheMostRecentlyRegisteredClassThatCanProcessTheRequest)
{
    EXPECT_FALSE(client->registerHTTPOperationClass("AFURLConnectionOperation"));
    EXPECT_FALSE(client->registerHTTPOperationClass("NoSuchClass"));
    EXPECT_TRUE(client->registerHTTPOperationClass("AFJSONRequestOperation"));
    EXPECT_TRUE(client->registerHTTPOperationClass("AFXMLRequestOperation"));
    EXPECT_TRUE(client->registerHTTPOperationClass("AFJSONRequestOperation"));
    EXPECT_EQ(client->registeredHTTPOperationClassNames(), QStringList({"AFJSONRequestOperation", "AFXMLRequestOperation"}));

    URLRequest json = client->requestWithMethod("GET", "data.json", std::nullopt);
    EXPECT_EQ(client->HTTPRequestOperationWithRequest(json, nullptr, nullptr)->className(), QStringLiteral("AFJSONRequestOperation"));
    URLRequest xml = client->requestWithMethod("GET", "data", std::nullopt);
    xml.headers.set("Accept", "text/html; q=0.9, text/xml");
    EXPECT_EQ(client->HTTPRequestOperationWithRequest(xml, nullptr, nullptr)->className(), QStringLiteral("AFXMLRequestOperation"));
    URLRequest other = client->requestWithMethod("GET", "data", std::nullopt);
    other.headers.set("Accept", "image/png");
    EXPECT_EQ(client->HTTPRequestOperationWithRequest(other, nullptr, nullptr)->className(), QStringLiteral("AFHTTPRequestOperation"));
}

TEST_F(HTTPClient, RunsABatchReportingProgressAndThenTheWholeList)
{
    QList<URLRequest> requests;
    for (int i = 0; i < 5; ++i)
        requests << client->requestWithMethod("GET", QStringLiteral("items/%1").arg(i), std::nullopt);
    std::vector<std::size_t> progress;
    std::optional<AFHTTPClient::Operations> finished;
    client->enqueueBatchOfHTTPRequestOperationsWithRequests(
        requests, [&](std::size_t done, std::size_t total) {
            EXPECT_EQ(total, 5u);
            progress.push_back(done);
        },
        [&](const AFHTTPClient::Operations& operations) { finished = operations; });
    ASSERT_TRUE(waitUntil([&] { return finished.has_value(); }));
    EXPECT_EQ(progress.size(), 5u);
    EXPECT_EQ(progress.back(), 5u);
    ASSERT_EQ(finished->size(), 5u);
    for (const auto& operation : *finished)
        EXPECT_TRUE(operation->isFinished());
}

TEST_F(HTTPClient, CancelsQueuedOperationsByPathAndMethod)
{
    auto outcome = std::make_shared<Outcome>();
    client->getPath("/api-slow", std::nullopt, nullptr, recordFailure(outcome));
    client->cancelAllHTTPOperationsWithMethod(QStringLiteral("POST"), "/api-slow");
    client->cancelAllHTTPOperationsWithMethod(std::nullopt, "/api-slow");
    ASSERT_TRUE(waitUntil([&] { return outcome->done(); }));
    EXPECT_EQ(outcome->error.code(), URLError::Cancelled);
}

TEST_F(HTTPClient, ANumericHostReportsItsFirstStatusWithoutANotification)
{
    int notifications = 0;
    NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        AFNetworkingReachabilityDidChangeNotification, [&](const Notification&) { ++notifications; });
    auto numeric = AFHTTPClient::clientWithBaseURL(server.url("/"));
    std::vector<AFNetworkReachabilityStatus> statuses;
    numeric->setReachabilityStatusChangeBlock([&](AFNetworkReachabilityStatus status) { statuses.push_back(status); });
    EXPECT_EQ(numeric->networkReachabilityStatus(), AFNetworkReachabilityStatusUnknown);
    ASSERT_TRUE(waitUntil([&] { return !statuses.empty(); }));
    EXPECT_EQ(statuses.front(), AFNetworkReachabilityStatusReachableViaWiFi);
    waitUntil([] { return false; }, 200);
    EXPECT_EQ(notifications, 0);
}

TEST_F(HTTPClient, AHostNameReportsThroughTheCallbackWithANotification)
{
    std::optional<int> notified;
    NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        AFNetworkingReachabilityDidChangeNotification,
        [&](const Notification& n) { notified = n.userInfo.value(AFNetworkingReachabilityNotificationStatusItem).toInt(); });
    auto named = AFHTTPClient::clientWithBaseURL(QUrl(QStringLiteral("http://localhost:%1/").arg(server.port())));
    ASSERT_TRUE(waitUntil([&] { return notified.has_value(); }));
    EXPECT_EQ(*notified, AFNetworkReachabilityStatusReachableViaWiFi);
    EXPECT_EQ(named->networkReachabilityStatus(), AFNetworkReachabilityStatusReachableViaWiFi);
    EXPECT_EQ(AFHTTPClient::statusForFlags(ReachabilityFlag::Reachable | ReachabilityFlag::ConnectionRequired),
              AFNetworkReachabilityStatusNotReachable);
    EXPECT_EQ(AFHTTPClient::statusForFlags(ReachabilityFlag::Reachable | ReachabilityFlag::ConnectionRequired
                                           | ReachabilityFlag::ConnectionOnTraffic),
              AFNetworkReachabilityStatusReachableViaWiFi);
}

TEST_F(HTTPClient, ACopyKeepsEncodingsClassesAndHeaders)
{
    client->setParameterEncoding(AFJSONParameterEncoding);
    client->registerHTTPOperationClass("AFJSONRequestOperation");
    client->setDefaultHeader("X-Trainer", "ear");
    client->setDefaultSSLPinningMode(AFSSLPinningModeCertificate);
    const auto copy = client->copy();
    EXPECT_EQ(copy->parameterEncoding(), AFJSONParameterEncoding);
    EXPECT_EQ(copy->registeredHTTPOperationClassNames(), client->registeredHTTPOperationClassNames());
    EXPECT_EQ(copy->defaultValueForHeader("X-Trainer"), QStringLiteral("ear"));
    EXPECT_EQ(copy->defaultSSLPinningMode(), AFSSLPinningModeNone);
    EXPECT_NE(&copy->operationQueue(), &client->operationQueue());
}

} // namespace
