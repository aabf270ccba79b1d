#include "FakeExamServer.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <httplib.h>

#include <algorithm>

namespace {

std::string json(const QVariantMap& value)
{
    return QJsonDocument(QJsonObject::fromVariantMap(value)).toJson(QJsonDocument::Compact).toStdString();
}

QVariantMap parsed(const std::string& body)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(body)).object().toVariantMap();
}

int pageOf(const httplib::Request& request)
{
    return request.has_param("page") ? std::max(1, std::stoi(request.get_param_value("page"))) : 1;
}

QVariantMap page(const QVariantList& all, const QString& key, int number, int size)
{
    const int pageCount = int((all.size() + size - 1) / size);
    return {{"_embedded", QVariantMap{{key, all.mid((number - 1) * size, size)}}},
            {"page_count", pageCount},
            {"page", number},
            {"total_items", all.size()}};
}

void problem(httplib::Response& response, int status, const QString& title, const QString& detail)
{
    response.status = status;
    response.set_content(json({{"title", title}, {"detail", detail}, {"status", status}}), "application/problem+json");
}

struct TestChain {
    TestCertificate root = TestCertificate::rootAuthority("Melvora Exams Test Root");
    TestCertificate intermediate = root.issueAuthority("Melvora Exams Test Intermediate");
    TestCertificate::Identity server = intermediate.issueServer({"127.0.0.1", "localhost"}).identityWith({intermediate});
};

const TestChain& testChain()
{
    static const TestChain chain;
    return chain;
}

} // namespace

FakeExamServer::FakeExamServer()
    : FakeExamServer(testChain().server)
{
}

FakeExamServer::FakeExamServer(const TestCertificate::Identity& identity)
    : http_(identity)
{
    installRoutes();
    http_.start();
}

FakeExamServer::~FakeExamServer()
{
    releaseRequests();
}

const TestCertificate& FakeExamServer::testAuthority()
{
    return testChain().root;
}

QSslConfiguration FakeExamServer::trustingTestAuthority()
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificate(testAuthority().certificate());
    return configuration;
}

QUrl FakeExamServer::url() const
{
    return http_.url(QString());
}

void FakeExamServer::addUser(const QString& user, const QString& password, const QString& token,
                             const QVariantMap& userData)
{
    std::lock_guard lock(mutex_);
    accounts_.insert(user, {password, token, userData});
}

void FakeExamServer::setExams(const QVariantList& exams, int pageSize)
{
    std::lock_guard lock(mutex_);
    exams_ = exams;
    examPageSize_ = pageSize;
}

void FakeExamServer::setResults(const QVariantList& results, int pageSize)
{
    std::lock_guard lock(mutex_);
    results_ = results;
    resultPageSize_ = pageSize;
}

void FakeExamServer::answerNext(const QString& method, const QString& pathPrefix, int status, const QByteArray& body,
                                int times)
{
    std::lock_guard lock(mutex_);
    injected_.append({method, pathPrefix, status, body, times});
}

void FakeExamServer::holdRequests(const QString& pathPrefix)
{
    std::lock_guard lock(mutex_);
    heldPrefix_ = pathPrefix;
    held_ = true;
}

void FakeExamServer::releaseRequests()
{
    {
        std::lock_guard lock(mutex_);
        held_ = false;
    }
    released_.notify_all();
}

int FakeExamServer::heldRequestCount() const
{
    std::lock_guard lock(mutex_);
    return heldCount_;
}

QList<RecordedRequest> FakeExamServer::requests() const
{
    return http_.requests();
}

QList<RecordedRequest> FakeExamServer::requestsTo(const QString& method, const QString& pathPrefix) const
{
    QList<RecordedRequest> matching;
    for (const RecordedRequest& request : requests())
        if (request.method == method && request.path.startsWith(pathPrefix))
            matching.append(request);
    return matching;
}

QList<std::pair<qlonglong, QVariantMap>> FakeExamServer::acceptedResults() const
{
    std::lock_guard lock(mutex_);
    return accepted_;
}

// Runs inside the route rather than before routing, so that a request's body is always read
// before it is answered and the connection stays usable for the next request.
FakeExamServer::Handler FakeExamServer::guarded(Handler handler, bool needsToken)
{
    return [this, handler = std::move(handler), needsToken](const httplib::Request& request, httplib::Response& response) {
        if (!answeredByTheChecks(request, response, needsToken))
            handler(request, response);
    };
}

bool FakeExamServer::answeredByTheChecks(const httplib::Request& request, httplib::Response& response,
                                           bool needsToken)
{
    const QString method = QString::fromStdString(request.method);
    const QString path = QString::fromStdString(request.path);
    std::unique_lock lock(mutex_);
    if (held_ && path.startsWith(heldPrefix_)) {
        ++heldCount_;
        released_.wait(lock, [&] { return !held_; });
        --heldCount_;
    }
    for (Injected& injected : injected_) {
        if (injected.remaining > 0 && injected.method == method && path.startsWith(injected.pathPrefix)) {
            --injected.remaining;
            response.status = injected.status;
            response.set_content(injected.body.toStdString(), "application/json");
            return true;
        }
    }
    if (needsToken && !accountWithToken(request)) {
        problem(response, 401, "Unauthorized", "No valid token");
        return true;
    }
    return false;
}

const FakeExamServer::Account* FakeExamServer::accountWithToken(const httplib::Request& request) const
{
    const QString authorization = QString::fromStdString(request.get_header_value("Authorization"));
    for (const Account& account : accounts_)
        if (authorization == "Bearer " + account.token)
            return &account;
    return nullptr;
}

void FakeExamServer::installRoutes()
{
    httplib::Server& server = http_.server();
    server.Post("/oauth", guarded([this](const httplib::Request& request, httplib::Response& response) {
        const QVariantMap credentials = parsed(request.body);
        std::lock_guard lock(mutex_);
        const auto account = accounts_.constFind(credentials.value("client_id").toString());
        if (credentials.value("grant_type") != "client_credentials" || account == accounts_.cend()
            || account->password != credentials.value("client_secret").toString()) {
            problem(response, 401, "Unauthorized", "Invalid client credentials");
            return;
        }
        response.set_content(json({{"access_token", account->token}, {"token_type", "Bearer"}, {"expires_in", 3600}}),
                             "application/json; charset=utf-8");
    }, false));
    server.Get("/user", guarded([this](const httplib::Request& request, httplib::Response& response) {
        std::lock_guard lock(mutex_);
        response.set_content(json(accountWithToken(request)->userData), "application/json");
    }));
    server.Get("/exam", guarded([this](const httplib::Request& request, httplib::Response& response) {
        std::lock_guard lock(mutex_);
        response.set_content(json(page(exams_, "exams", pageOf(request), examPageSize_)), "application/json");
    }));
    server.Get("/exam-results", guarded([this](const httplib::Request& request, httplib::Response& response) {
        std::lock_guard lock(mutex_);
        response.set_content(json(page(results_, "exam_results", pageOf(request), resultPageSize_)),
                             "application/json");
    }));
    server.Post(R"(/exam/(\d+)/result)", guarded([this](const httplib::Request& request, httplib::Response& response) {
        std::lock_guard lock(mutex_);
        accepted_.append({std::stoll(request.matches[1]), parsed(request.body)});
        response.status = 201;
        response.set_content(json({{"id", accepted_.size()}}), "application/json");
    }));
}
