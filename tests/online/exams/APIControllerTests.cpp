#include "ExamTestSupport.h"

#include "NotificationCenter.h"
#include "Paths.h"
#include "PropertyList.h"

#include <QFileInfo>
#include <QLocale>
#include <QSslSocket>

namespace {

QVariantMap exam(qlonglong id, const QString& name)
{
    return {{"id", id}, {"name", name}, {"settings", QVariantMap{{"timelimit", 0}}}, {"questions", QVariantList{}}};
}

QStringList storedExamNames()
{
    QStringList names;
    for (const QVariant& record : ZTDataController::sharedController()->examsSortedBy({{"id", true}}))
        names << record.toMap().value("name").toString();
    return names;
}

QStringList pagesAsked(const QList<RecordedRequest>& requests)
{
    QStringList pages;
    for (const RecordedRequest& request : requests)
        if (request.path == "/exam")
            pages << request.query.value("page");
    return pages;
}

// Counts notifications by name while alive.
struct Posted {
    explicit Posted(const QString& name)
        : observer(NotificationCenter::defaultCenter().addObserver(name, [this](const Notification&) { ++count; }))
    {
    }
    int count = 0;
    NotificationObserver observer;
};

} // namespace

TEST_F(ExamClientTest, RequestsCarryTheEndpointTheTokenAndTheLanguage)
{
    const QString base = server.url().toString();
    EXPECT_EQ(client->endpointURLForEndpoint("exam", {{"page", "3"}}).toString(), base + "/exam?page=3");
    EXPECT_EQ(client->endpointURLForEndpoint("/exam/12/result", {}).toString(), base + "/exam/12/result");
    // A query value cannot break out of its pair.
    EXPECT_EQ(client->endpointURLForEndpoint("exam", {{"page", "1 &x=2"}}).toEncoded(),
              (base + "/exam?page=1%20%26x%3D2").toUtf8());

    ZTExamRequest request = client->urlRequestFor("user", {}, {}, {{"Accept", "application/json"}}, {});
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.timeoutSeconds, 60);
    EXPECT_TRUE(request.header("Authorization").isNull());
    EXPECT_EQ(request.headers.last().first, "Accept-Language");
    EXPECT_EQ(request.header("accept"), "application/json");

    client->updateAccessToken("abc");
    EXPECT_EQ(client->urlRequestFor("exam", {}, "GET", {}, {}).header("Authorization"), "Bearer abc");
    client->logout();
    EXPECT_FALSE(client->isLoggedIn());
    EXPECT_EQ(client->urlRequestFor("exam", {}, "GET", {}, {}).header("Authorization"), "Bearer ");

    for (const QStringList& german : {QStringList{"de"}, QStringList{"DE"}, QStringList{"de-DE", "en"},
                                      QStringList{"de-AT"}, QStringList{"de_CH"}})
        EXPECT_EQ(ZTAPIController::acceptLanguageForLanguages(german), "DE") << german.join(',').toStdString();
    for (const QStringList& other : {QStringList{"en", "de"}, QStringList{}, QStringList{"dex"}, QStringList{"fr-DE"}})
        EXPECT_EQ(ZTAPIController::acceptLanguageForLanguages(other), "EN") << other.join(',').toStdString();
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(client->acceptLanguageKey(), "DE");
    QLocale::setDefault(saved);

    const QDateTime date(QDate(2024, 3, 5), QTime(19, 8, 41));
    EXPECT_EQ(ZTAPIController::stringFromDate(date, "yyyy-MM-dd HH:mm"), "2024-03-05 19:08");
    EXPECT_EQ(ZTAPIController::dateFromString("2024-03-05 19:08", "yyyy-MM-dd HH:mm"),
              QDateTime(QDate(2024, 3, 5), QTime(19, 8)));
}

TEST_F(ExamClientTest, LoginFetchesAllExamsResultsAndNamesPageByPage)
{
    server.setExams({exam(1, "One"), exam(2, "Two"), exam(3, "Three"), exam(4, "Four"), exam(5, "Five")}, 2);
    server.setResults({QVariantMap{{"exam_id", 2}, {"right", 3}, {"wrong", 1}}}, 10);
    Posted loginState("loginStateChangedNotification");
    Posted userData("userDataDidUpdate");
    LogCapture log;

    ASSERT_TRUE(login());
    EXPECT_TRUE(client->isLoggedIn());
    EXPECT_EQ(client->currentAccessToken(), kToken);
    EXPECT_EQ(loginState.count, 1);
    ASSERT_TRUE(waitUntil([&] {
        return storedExamNames().size() == 5 && userData.count == 1 && store()->serverSideRepetiionCountForExamWithID(2) == 4;
    }));
    EXPECT_EQ(storedExamNames(), QStringList({"One", "Two", "Three", "Four", "Five"}));
    EXPECT_EQ(pagesAsked(server.requestsTo("GET", "/exam")), QStringList({"1", "2", "3"}));
    EXPECT_EQ(setting(ZTAPIController::kUsernameKey).toString(), "ada");
    EXPECT_EQ(setting(ZTAPIController::kFirstNameKey).toString(), "Ada");
    EXPECT_EQ(setting(ZTAPIController::kLastNameKey).toString(), "Lovelace");
    EXPECT_EQ(setting(ZTAPIController::kAuthViaFacebookKey), QVariant(false));
    // The account is this computer's: it never travels with the synced settings.
    EXPECT_FALSE(ZTPreferences::sharedPreferences()->prefsDictForSync().contains(ZTAPIController::kUsernameKey));

    const RecordedRequest loginRequest = server.requestsTo("POST", "/oauth").first();
    EXPECT_EQ(loginRequest.headers.value("content-type"), "application/json");
    EXPECT_TRUE(loginRequest.body.contains("\"grant_type\": \"client_credentials\""));
    EXPECT_EQ(server.requestsTo("GET", "/user").first().headers.value("authorization"), "Bearer " + kToken);
    EXPECT_TRUE(log.contains("loginWithUser"));
    for (const QString& line : log.lines()) {
        EXPECT_FALSE(line.contains(kToken)) << line.toStdString();
        EXPECT_FALSE(line.contains("s3cret")) << line.toStdString();
    }
}

TEST_F(ExamClientTest, AFailedLoginSaysWhyAndChangesNothing)
{
    LogCapture log;
    Error error;
    EXPECT_FALSE(login("ada", "wrong", &error));
    EXPECT_EQ(error.domain(), ZTAPIController::kErrorDomain);
    EXPECT_EQ(error.code(), 401);
    EXPECT_EQ(error.localizedDescription(), "Invalid client credentials");
    EXPECT_EQ(error.localizedFailureReason(), "Unauthorized");
    EXPECT_EQ(error.localizedRecoverySuggestion(), "Please check your credentials and try again?");
    EXPECT_TRUE(client->currentAccessToken().isNull());
    EXPECT_FALSE(log.contains("Start of Request")); // the login reports its own failure
    EXPECT_TRUE(log.contains("has Errors"));

    // A reply without a body and without JSON: the status decides.
    server.answerNext("POST", "/oauth", 502, "<html>Bad gateway</html>");
    EXPECT_FALSE(login("ada", "s3cret pass", &error));
    EXPECT_EQ(error.code(), 502);
    EXPECT_EQ(error.localizedDescription(), "Login failed");

    // Nobody listening: no response at all.
    client->setBackendURL(QUrl("https://127.0.0.1:1"));
    EXPECT_FALSE(login("ada", "s3cret pass", &error));
    EXPECT_FALSE(error.isNull());
    EXPECT_TRUE(log.contains("loginWithUser No Response"));
}

TEST_F(ExamClientTest, ALoginReplyWithoutATokenLogsTheUserOut)
{
    ASSERT_TRUE(login());
    ASSERT_TRUE(waitUntil([&] { return setting(ZTAPIController::kFirstNameKey).isValid(); }));

    Posted loginState("loginStateChangedNotification");
    // No token, and tokens that would end the Authorization header early, are alike.
    const char* replies[] = {R"({"token_type": "Bearer"})", R"({"access_token": "t0k\r\nX-Injected: 1"})",
                             R"({"access_token": "t0k en"})"};
    for (const char* reply : replies) {
        Error error;
        server.answerNext("POST", "/oauth", 200, reply);
        EXPECT_FALSE(login("ada", "s3cret pass", &error)) << reply;
        EXPECT_EQ(error.code(), 999);
        EXPECT_EQ(error.localizedDescription(), "Login failed");
        EXPECT_EQ(error.localizedFailureReason(), "Wrong credentials");
        EXPECT_EQ(client->currentAccessToken(), "");
        EXPECT_FALSE(client->currentAccessToken().isNull());
    }
    EXPECT_EQ(loginState.count, 3);
    EXPECT_FALSE(setting(ZTAPIController::kFirstNameKey).isValid());
    EXPECT_FALSE(setting(ZTAPIController::kLastNameKey).isValid());
    EXPECT_EQ(setting(ZTAPIController::kUsernameKey).toString(), "ada");
}

TEST_F(ExamClientTest, FailedRequestsAreDumpedWithoutSecrets)
{
    ASSERT_TRUE(login());
    ASSERT_TRUE(waitUntil([&] { return setting(ZTAPIController::kFirstNameKey).isValid(); }));
    LogCapture log;
    server.answerNext("GET", "/user", 500, R"({"access_token": "leaked-elsewhere", "detail": "boom"})");
    client->updateUserData();
    ASSERT_TRUE(waitUntil([&] { return log.contains("updateUserData Error"); }));

    const QString dump = log.lines().join('\n');
    EXPECT_TRUE(dump.contains("------------ Start of Request ------------"));
    EXPECT_TRUE(dump.contains("Method:\t\t\tGET"));
    EXPECT_TRUE(dump.contains("\tKey: Authorization\t\t\tValue: Bearer <redacted>\n"));
    EXPECT_TRUE(dump.contains("StatusCode:\t\t\t500"));
    EXPECT_TRUE(dump.contains("MIMEType:\t\t\tapplication/json"));
    EXPECT_TRUE(dump.contains(R"("access_token": "<redacted>")"));
    EXPECT_TRUE(dump.contains("boom"));
    EXPECT_FALSE(dump.contains(kToken));
    EXPECT_FALSE(dump.contains("leaked-elsewhere"));
    EXPECT_EQ(setting(ZTAPIController::kFirstNameKey).toString(), "Ada"); // unchanged
}

TEST_F(ExamClientTest, UploadsCountCreatedAndNoContentAsSuccessAndKeepFailuresForTheNextLogin)
{
    const QVariantMap body{{"exam", QVariantMap{{"right", 1}, {"wrong", 0}, {"answers", QVariantList{}}}}};
    LogCapture log;
    client->uploadResult(body, 12); // not logged in: kept, nothing sent
    EXPECT_TRUE(log.contains("waits for the next login"));
    ASSERT_EQ(store()->pendingResults().size(), 1);

    // The login sends it (201), then fetches the exams again.
    ASSERT_TRUE(login());
    ASSERT_TRUE(waitUntil([&] { return store()->pendingResults().isEmpty(); }));
    ASSERT_TRUE(waitUntil([&] { return server.requestsTo("GET", "/exam").size() >= 2; }));
    ASSERT_EQ(server.acceptedResults().size(), 1);
    EXPECT_EQ(server.acceptedResults().first().first, 12);
    EXPECT_EQ(server.acceptedResults().first().second, body);

    server.answerNext("POST", "/exam/14/result", 204, "");
    client->uploadResult(body, 14);
    ASSERT_TRUE(waitUntil([&] { return store()->pendingResults().isEmpty() && log.contains("\nResponse: 204"); }));

    server.answerNext("POST", "/exam/15/result", 503, R"({"detail": "maintenance"})");
    client->uploadResult(body, 15);
    ASSERT_TRUE(waitUntil([&] { return log.contains("is kept and sent again later"); }));
    EXPECT_EQ(store()->pendingResults().size(), 1);
    EXPECT_EQ(server.acceptedResults().size(), 1);
}

TEST_F(ExamClientTest, PagingStopsAtAFailureAnOverlongListOrAnOversizedReply)
{
    server.setExams({exam(2, "Two"), exam(3, "Three"), exam(4, "Four")}, 1);
    ASSERT_TRUE(login());
    ASSERT_TRUE(waitUntil([] { return storedExamNames() == QStringList({"Two", "Three", "Four"}); }));

    LogCapture log;
    const auto fetchUntilLogged = [&](const QString& fragment) {
        client->updatedExams();
        EXPECT_TRUE(waitUntil([&] { return log.contains(fragment); })) << fragment.toStdString();
    };
    server.setExams({exam(5, "Five"), exam(6, "Six"), exam(7, "Seven")}, 1);
    server.answerNext("GET", "/exam", 500, "{}", 1);
    fetchUntilLogged("StatusCode:\t\t\t500");
    server.answerNext("GET", "/exam", 200, R"({"_embedded": {"exams": []}, "page_count": 1000000})");
    fetchUntilLogged("more than the 100");
    server.answerNext("GET", "/exam", 200, "{\"_embedded\": ");
    fetchUntilLogged("JSONERROR");
    server.answerNext("GET", "/exam", 200, QByteArray(9 * 1024 * 1024, ' ') + "{}");
    fetchUntilLogged("larger than");
    EXPECT_EQ(storedExamNames(), QStringList({"Two", "Three", "Four"}));
}

TEST_F(ExamClientTest, LogoutRemovesTheExamsAndOutrunsAFetchStillOnItsWay)
{
    server.setExams({exam(1, "One")});
    ASSERT_TRUE(login());
    ASSERT_TRUE(waitUntil([&] { return storedExamNames() == QStringList{"One"}; }));
    store()->incrementRepetitionCountForExamWithID(1);

    server.holdRequests("/exam");
    client->updatedExams();
    ASSERT_TRUE(waitUntil([&] { return server.heldRequestCount() > 0; }));
    Posted loginState("loginStateChangedNotification");
    client->logout();
    EXPECT_EQ(loginState.count, 1);
    EXPECT_FALSE(QFileInfo::exists(ZTDataController::examsPath()));
    server.releaseRequests();
    settle();

    EXPECT_FALSE(QFileInfo::exists(ZTDataController::examsPath()));
    EXPECT_EQ(client->currentAccessToken(), "");
    EXPECT_FALSE(setting(ZTAPIController::kUsernameKey).isValid());
    EXPECT_FALSE(setting(ZTAPIController::kFirstNameKey).isValid());
    EXPECT_EQ(setting(ZTAPIController::kAuthViaFacebookKey), QVariant(false));
    EXPECT_EQ(store()->repetitionCountForExamWithID(1), 1);
}

// An impostor on the exam server's address: its certificate is self-signed, from an authority
// the client does not know, or for another host. The handshake fails before anything is sent,
// so neither the password, nor the token, nor a result reaches it; the result waits. Checks
// stay on even when the configuration given asks for none.
TEST_F(ExamClientTest, AServerWhoseCertificateIsNotTrustedGetsNothing)
{
    ASSERT_TRUE(login());
    ASSERT_TRUE(waitUntil([&] { return setting(ZTAPIController::kFirstNameKey).isValid(); }));
    QSslConfiguration lax = FakeExamServer::trustingTestAuthority();
    lax.setPeerVerifyMode(QSslSocket::VerifyNone);
    client->setSslConfiguration(lax);
    const QVariantMap body{{"exam", QVariantMap{{"right", 1}, {"wrong", 0}, {"answers", QVariantList{}}}}};
    const QStringList localHost{"127.0.0.1", "localhost"};
    const std::pair<const char*, TestCertificate::Identity> impostors[] = {
        {"self-signed", TestCertificate::selfSignedServer(localHost).identityWith()},
        {"unknown authority", TestCertificate::rootAuthority("Stranger Root").issueServer(localHost).identityWith()},
        {"another host", FakeExamServer::testAuthority().issueServer({"exams.example.org"}).identityWith()},
    };
    for (const auto& [what, identity] : impostors) {
        SCOPED_TRACE(what);
        FakeExamServer impostor(identity);
        impostor.addUser("ada", "s3cret pass", kToken);
        client->setBackendURL(impostor.url());
        LogCapture log;
        client->uploadResult(body, 30);
        ASSERT_TRUE(waitUntil([&] { return log.contains("is kept and sent again later"); }));

        Error error;
        EXPECT_FALSE(login("ada", "s3cret pass", &error));
        EXPECT_EQ(error.localizedDescription(), "Login failed");
        EXPECT_TRUE(error.localizedFailureReason().startsWith("The server's certificate is not trusted"))
            << error.localizedFailureReason().toStdString();
        EXPECT_TRUE(impostor.requests().isEmpty());
        EXPECT_EQ(client->currentAccessToken(), kToken);
    }

    // The trusted server gets every result kept meanwhile.
    client->setBackendURL(server.url());
    ASSERT_TRUE(login());
    ASSERT_TRUE(waitUntil([&] { return store()->pendingResults().isEmpty(); }));
    EXPECT_EQ(server.acceptedResults().size(), 3);
}
