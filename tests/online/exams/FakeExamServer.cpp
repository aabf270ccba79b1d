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

// The request this server thread handles: the body arrives after the pre-routing step.
thread_local qsizetype recordedIndex = -1;

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

} // namespace

FakeExamServer::FakeExamServer()
    : server_(std::make_unique<httplib::Server>())
{
    installRoutes();
    port_ = server_->bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
}

FakeExamServer::~FakeExamServer()
{
    releaseRequests();
    server_->stop();
    thread_.join();
}

QUrl FakeExamServer::url() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port_));
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

QList<ExamServerRequest> FakeExamServer::requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

QList<ExamServerRequest> FakeExamServer::requestsTo(const QString& method, const QString& pathPrefix) const
{
    QList<ExamServerRequest> matching;
    for (const ExamServerRequest& request : requests())
        if (request.method == method && request.path.startsWith(pathPrefix))
            matching.append(request);
    return matching;
}

QList<std::pair<qlonglong, QVariantMap>> FakeExamServer::acceptedResults() const
{
    std::lock_guard lock(mutex_);
    return accepted_;
}

void FakeExamServer::installRoutes()
{
    // Records every request, stalls held ones and answers injected failures first.
    server_->set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        ExamServerRequest recorded{QString::fromStdString(request.method), QString::fromStdString(request.path), {}, {}, {}};
        for (const auto& [name, value] : request.params)
            recorded.query.insert(QString::fromStdString(name), QString::fromStdString(value));
        for (const auto& [name, value] : request.headers)
            recorded.headers.insert(QString::fromStdString(name).toLower(), QString::fromStdString(value));
        std::unique_lock lock(mutex_);
        recordedIndex = requests_.size();
        requests_.append(recorded);
        released_.wait(lock, [&] { return !held_ || !recorded.path.startsWith(heldPrefix_); });
        for (Injected& injected : injected_) {
            if (injected.remaining > 0 && injected.method == recorded.method
                && recorded.path.startsWith(injected.pathPrefix)) {
                --injected.remaining;
                response.status = injected.status;
                response.set_content(injected.body.toStdString(), "application/json");
                return httplib::Server::HandlerResponse::Handled;
            }
        }
        if (recorded.path == "/oauth")
            return httplib::Server::HandlerResponse::Unhandled;
        const QString authorization = recorded.headers.value("authorization");
        for (const Account& account : std::as_const(accounts_))
            if (authorization == "Bearer " + account.token)
                return httplib::Server::HandlerResponse::Unhandled;
        response.status = 401;
        response.set_content(json({{"title", "Unauthorized"}, {"detail", "No valid token"}, {"status", 401}}),
                             "application/problem+json");
        return httplib::Server::HandlerResponse::Handled;
    });

    server_->set_logger([this](const httplib::Request& request, const httplib::Response&) {
        std::lock_guard lock(mutex_);
        if (recordedIndex >= 0 && recordedIndex < requests_.size())
            requests_[recordedIndex].body = QByteArray::fromStdString(request.body);
    });

    server_->Post("/oauth", [this](const httplib::Request& request, httplib::Response& response) {
        const QVariantMap credentials = parsed(request.body);
        std::lock_guard lock(mutex_);
        const auto account = accounts_.constFind(credentials.value("client_id").toString());
        if (credentials.value("grant_type") != "client_credentials" || account == accounts_.cend()
            || account->password != credentials.value("client_secret").toString()) {
            response.status = 401;
            response.set_content(json({{"title", "Unauthorized"}, {"detail", "Invalid client credentials"}}),
                                 "application/problem+json");
            return;
        }
        response.set_content(json({{"access_token", account->token}, {"token_type", "Bearer"}, {"expires_in", 3600}}),
                             "application/json; charset=utf-8");
    });
    server_->Get("/user", [this](const httplib::Request& request, httplib::Response& response) {
        std::lock_guard lock(mutex_);
        for (const Account& account : std::as_const(accounts_))
            if (QString::fromStdString(request.get_header_value("Authorization")) == "Bearer " + account.token)
                response.set_content(json(account.userData), "application/json");
    });
    server_->Get("/exam", [this](const httplib::Request& request, httplib::Response& response) {
        std::lock_guard lock(mutex_);
        response.set_content(json(page(exams_, "exams", pageOf(request), examPageSize_)), "application/json");
    });
    server_->Get("/exam-results", [this](const httplib::Request& request, httplib::Response& response) {
        std::lock_guard lock(mutex_);
        response.set_content(json(page(results_, "exam_results", pageOf(request), resultPageSize_)),
                             "application/json");
    });
    server_->Post(R"(/exam/(\d+)/result)", [this](const httplib::Request& request, httplib::Response& response) {
        std::lock_guard lock(mutex_);
        accepted_.append({std::stoll(request.matches[1]), parsed(request.body)});
        response.status = 201;
        response.set_content(json({{"id", accepted_.size()}}), "application/json");
    });
}
