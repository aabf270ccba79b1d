#include "FakeDropbox.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QThread>
#include <QUrlQuery>

#include <httplib.h>

const QString FakeDropbox::kAppKey = QStringLiteral("mq4tz81bvxe0ryk");

namespace {

void reply(httplib::Response& response, int status, const QJsonObject& body)
{
    response.status = status;
    response.set_content(QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString(), "application/json");
}

void apiError(httplib::Response& response, int status, const QString& summary, const QJsonObject& error)
{
    reply(response, status, QJsonObject{{QStringLiteral("error_summary"), summary}, {QStringLiteral("error"), error}});
}

void notFound(httplib::Response& response)
{
    apiError(response, 409, QStringLiteral("path/not_found/.."),
             {{QStringLiteral(".tag"), QStringLiteral("path")},
              {QStringLiteral("path"), QJsonObject{{QStringLiteral(".tag"), QStringLiteral("not_found")}}}});
}

void conflict(httplib::Response& response)
{
    apiError(response, 409, QStringLiteral("path/conflict/file/.."),
             {{QStringLiteral(".tag"), QStringLiteral("path")},
              {QStringLiteral("reason"), QJsonObject{{QStringLiteral(".tag"), QStringLiteral("conflict")},
                                                     {QStringLiteral("conflict"), QJsonObject{{QStringLiteral(".tag"), QStringLiteral("file")}}}}}});
}

void badRequest(httplib::Response& response, const QString& text)
{
    response.status = 400;
    response.set_content(("Error in call to API function: " + text).toStdString(), "text/plain; charset=utf-8");
}

QJsonObject metadataJson(const QString& path, const FakeDropbox::File& file)
{
    return {{QStringLiteral(".tag"), QStringLiteral("file")},
            {QStringLiteral("name"), path.section(QLatin1Char('/'), -1)},
            {QStringLiteral("path_lower"), path.toLower()},
            {QStringLiteral("path_display"), path},
            {QStringLiteral("id"), QStringLiteral("id:") + QString::fromLatin1(QCryptographicHash::hash(path.toLower().toUtf8(), QCryptographicHash::Md5).toHex().left(12))},
            {QStringLiteral("rev"), file.rev},
            {QStringLiteral("server_modified"), file.serverModified.toString(Qt::ISODate)},
            {QStringLiteral("client_modified"), file.serverModified.toString(Qt::ISODate)},
            {QStringLiteral("size"), double(file.bytes.size())}};
}

// The JSON object of a header or body, or nothing.
std::optional<QJsonObject> objectOf(const std::string& text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    return document.isObject() ? std::optional(document.object()) : std::nullopt;
}

QString randomToken(const char* prefix)
{
    return QString::fromLatin1(prefix)
        + QString::fromLatin1(QCryptographicHash::hash(QByteArray::number(QRandomGenerator::global()->generate64()),
                                                       QCryptographicHash::Sha256)
                                  .toHex());
}

} // namespace

FakeDropbox::FakeDropbox()
{
    route();
    server_.start();
}

FakeDropbox::~FakeDropbox()
{
    if (browser_.joinable())
        browser_.join();
}

QString FakeDropbox::newRevision()
{
    return QStringLiteral("5f%1").arg(++counter_, 10, 16, QLatin1Char('0'));
}

void FakeDropbox::putFile(const QString& path, const QByteArray& bytes)
{
    std::lock_guard lock(mutex_);
    files_[path.toLower()] = File{bytes, newRevision(), QDateTime::currentDateTimeUtc()};
}

std::optional<FakeDropbox::File> FakeDropbox::file(const QString& path) const
{
    std::lock_guard lock(mutex_);
    const auto found = files_.constFind(path.toLower());
    return found == files_.constEnd() ? std::nullopt : std::optional(*found);
}

void FakeDropbox::removeFile(const QString& path)
{
    std::lock_guard lock(mutex_);
    files_.remove(path.toLower());
}

FakeDropbox::Grant FakeDropbox::grantAccess()
{
    std::lock_guard lock(mutex_);
    Grant grant{randomToken("sl."), randomToken("rt.")};
    accessTokens_.insert(grant.accessToken);
    refreshTokens_.insert(grant.refreshToken, grant.accessToken);
    return grant;
}

void FakeDropbox::expireAccessToken(const QString& accessToken)
{
    std::lock_guard lock(mutex_);
    accessTokens_.remove(accessToken);
    expiredTokens_.insert(accessToken);
}

void FakeDropbox::revoke(const Grant& grant)
{
    std::lock_guard lock(mutex_);
    accessTokens_.remove(refreshTokens_.value(grant.refreshToken));
    accessTokens_.remove(grant.accessToken);
    refreshTokens_.remove(grant.refreshToken);
}

void FakeDropbox::setApproveSignIn(bool approve)
{
    std::lock_guard lock(mutex_);
    approveSignIn_ = approve;
}

void FakeDropbox::visitSignInPage(const QUrl& page)
{
    if (browser_.joinable())
        browser_.join();
    browser_ = std::thread([this, page] {
        httplib::Client site("127.0.0.1", page.port());
        const std::string target = page.path(QUrl::FullyEncoded).toStdString() + "?" + page.query(QUrl::FullyEncoded).toStdString();
        const auto shown = site.Get(target);
        QString redirect = shown ? QString::fromStdString(shown->get_header_value("Location")) : QStringLiteral("no answer");
        {
            std::lock_guard lock(mutex_);
            lastSignInRedirect_ = redirect;
        }
        const QUrl back(redirect);
        if (!back.isValid() || back.host() != QLatin1String("127.0.0.1"))
            return;
        httplib::Client application("127.0.0.1", back.port());
        application.Get(back.path(QUrl::FullyEncoded).toStdString() + "?" + back.query(QUrl::FullyEncoded).toStdString());
    });
}

QString FakeDropbox::lastSignInRedirect() const
{
    std::lock_guard lock(mutex_);
    return lastSignInRedirect_;
}

void FakeDropbox::failNext(const QString& endpoint, const Failure& failure)
{
    std::lock_guard lock(mutex_);
    failures_[endpoint].append(failure);
}

void FakeDropbox::beforeNext(const QString& endpoint, std::function<void()> action)
{
    std::lock_guard lock(mutex_);
    actions_[endpoint].append(std::move(action));
}

void FakeDropbox::setDelay(const QString& endpoint, int milliseconds)
{
    std::lock_guard lock(mutex_);
    delays_[endpoint] = milliseconds;
}

QStringList FakeDropbox::calls() const
{
    std::lock_guard lock(mutex_);
    return calls_;
}

QStringList FakeDropbox::uploadModes() const
{
    std::lock_guard lock(mutex_);
    return uploadModes_;
}

void FakeDropbox::clearCalls()
{
    std::lock_guard lock(mutex_);
    calls_.clear();
    uploadModes_.clear();
}

void FakeDropbox::route()
{
    httplib::Server& http = server_.server();

    // Shared first steps of every call: the delay, an injected failure, the bearer token.
    // Answers false when the response is already made.
    auto admit = [this](const QString& endpoint, const httplib::Request& request, httplib::Response& response,
                        bool needsToken) {
        int delay = 0;
        std::optional<Failure> failure;
        std::function<void()> action;
        {
            std::lock_guard lock(mutex_);
            delay = delays_.value(endpoint);
            if (!failures_[endpoint].isEmpty())
                failure = failures_[endpoint].takeFirst();
            if (!actions_[endpoint].isEmpty())
                action = actions_[endpoint].takeFirst();
        }
        if (delay > 0)
            QThread::msleep(delay);
        if (action)
            action();
        if (failure) {
            response.status = failure->status;
            response.set_content(failure->body.toStdString(), "application/json");
            return false;
        }
        if (!needsToken)
            return true;
        const QString authorization = QString::fromStdString(request.get_header_value("Authorization"));
        const QString token = authorization.startsWith(QLatin1String("Bearer ")) ? authorization.mid(7) : QString();
        std::lock_guard lock(mutex_);
        if (accessTokens_.contains(token))
            return true;
        const QString tag = expiredTokens_.contains(token) ? QStringLiteral("expired_access_token")
                                                          : QStringLiteral("invalid_access_token");
        apiError(response, 401, tag + QStringLiteral("/"), {{QStringLiteral(".tag"), tag}});
        return false;
    };
    // The "path" of a call's argument, which must name a file at the folder's root or below.
    auto pathOf = [](const std::optional<QJsonObject>& argument, httplib::Response& response) -> QString {
        const QString path = argument ? argument->value(QStringLiteral("path")).toString() : QString();
        if (!path.startsWith(QLatin1Char('/')) || path.size() < 2) {
            badRequest(response, QStringLiteral("missing or malformed path"));
            return QString();
        }
        return path;
    };

    http.Post("/2/files/get_metadata", [=, this](const httplib::Request& request, httplib::Response& response) {
        if (!admit(QStringLiteral("get_metadata"), request, response, true))
            return;
        if (QString::fromStdString(request.get_header_value("Content-Type")) != QLatin1String("application/json")) {
            badRequest(response, QStringLiteral("Bad HTTP \"Content-Type\" header"));
            return;
        }
        const QString path = pathOf(objectOf(request.body), response);
        if (path.isEmpty())
            return;
        std::lock_guard lock(mutex_);
        calls_.append(QStringLiteral("get_metadata ") + path);
        const auto found = files_.constFind(path.toLower());
        if (found == files_.constEnd())
            notFound(response);
        else
            reply(response, 200, metadataJson(path, *found));
    });

    http.Get("/2/files/download", [=, this](const httplib::Request& request, httplib::Response& response) {
        if (!admit(QStringLiteral("download"), request, response, true))
            return;
        const QString path = pathOf(objectOf(request.get_header_value("Dropbox-API-Arg")), response);
        if (path.isEmpty())
            return;
        std::lock_guard lock(mutex_);
        calls_.append(QStringLiteral("download ") + path);
        const auto found = files_.constFind(path.toLower());
        if (found == files_.constEnd()) {
            notFound(response);
            return;
        }
        response.set_header("Dropbox-API-Result",
                            QJsonDocument(metadataJson(path, *found)).toJson(QJsonDocument::Compact).toStdString());
        response.set_content(found->bytes.toStdString(), "application/octet-stream");
    });

    http.Post("/2/files/upload", [=, this](const httplib::Request& request, httplib::Response& response) {
        if (!admit(QStringLiteral("upload"), request, response, true))
            return;
        if (request.get_header_value("Content-Type") != "application/octet-stream") {
            badRequest(response, QStringLiteral("Bad HTTP \"Content-Type\" header"));
            return;
        }
        const auto argument = objectOf(request.get_header_value("Dropbox-API-Arg"));
        const QString path = pathOf(argument, response);
        if (path.isEmpty())
            return;
        const QJsonObject mode = argument->value(QStringLiteral("mode")).toObject();
        const QString tag = mode.value(QStringLiteral(".tag")).toString();
        if (argument->value(QStringLiteral("autorename")).toBool()
            || (tag != QLatin1String("add") && tag != QLatin1String("update") && tag != QLatin1String("overwrite"))) {
            badRequest(response, QStringLiteral("unexpected upload mode"));
            return;
        }
        std::lock_guard lock(mutex_);
        calls_.append(QStringLiteral("upload ") + path);
        const QString rev = mode.value(QStringLiteral("update")).toString();
        uploadModes_.append(tag == QLatin1String("update") ? tag + QLatin1Char(':') + rev : tag);
        const auto found = files_.constFind(path.toLower());
        const bool strict = argument->value(QStringLiteral("strict_conflict")).toBool();
        const bool conflicts = (tag == QLatin1String("add") && found != files_.constEnd())
            || (tag == QLatin1String("update")
                && (found == files_.constEnd() ? strict : found->rev != rev));
        if (conflicts) {
            conflict(response);
            return;
        }
        File& stored = files_[path.toLower()];
        stored = File{QByteArray::fromStdString(request.body), newRevision(), QDateTime::currentDateTimeUtc()};
        reply(response, 200, metadataJson(path, stored));
    });

    http.Get("/oauth2/authorize", [this](const httplib::Request& request, httplib::Response& response) {
        auto value = [&](const char* name) { return QString::fromStdString(request.get_param_value(name)); };
        const QUrl redirect(value("redirect_uri"));
        if (value("client_id") != kAppKey || value("response_type") != QLatin1String("code")
            || value("code_challenge_method") != QLatin1String("S256") || value("code_challenge").size() < 43
            || value("token_access_type") != QLatin1String("offline") || value("state").isEmpty()
            || redirect.scheme() != QLatin1String("http") || redirect.host() != QLatin1String("127.0.0.1")) {
            badRequest(response, QStringLiteral("invalid authorization request"));
            return;
        }
        QUrlQuery back;
        std::lock_guard lock(mutex_);
        if (approveSignIn_) {
            const QString code = randomToken("code.");
            codes_.insert(code, PendingCode{value("code_challenge"), redirect.toString()});
            back.addQueryItem(QStringLiteral("code"), code);
        } else {
            back.addQueryItem(QStringLiteral("error"), QStringLiteral("access_denied"));
            back.addQueryItem(QStringLiteral("error_description"), QStringLiteral("The user chose not to give your app access."));
        }
        back.addQueryItem(QStringLiteral("state"), value("state"));
        QUrl location = redirect;
        location.setQuery(back);
        response.status = 302;
        response.set_header("Location", location.toString(QUrl::FullyEncoded).toStdString());
    });

    http.Post("/oauth2/token", [=, this](const httplib::Request& request, httplib::Response& response) {
        if (!admit(QStringLiteral("token"), request, response, false))
            return;
        auto value = [&](const char* name) { return QString::fromStdString(request.get_param_value(name)); };
        auto refuse = [&](const QString& why) {
            reply(response, 400, {{QStringLiteral("error"), QStringLiteral("invalid_grant")},
                                  {QStringLiteral("error_description"), why}});
        };
        if (value("client_id") != kAppKey) {
            refuse(QStringLiteral("unknown client"));
            return;
        }
        std::lock_guard lock(mutex_);
        QJsonObject granted{{QStringLiteral("token_type"), QStringLiteral("bearer")},
                            {QStringLiteral("expires_in"), 14400}};
        if (value("grant_type") == QLatin1String("authorization_code")) {
            const PendingCode pending = codes_.take(value("code"));
            const QString verifier = value("code_verifier");
            const QString challenge = QString::fromLatin1(
                QCryptographicHash::hash(verifier.toLatin1(), QCryptographicHash::Sha256)
                    .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
            if (pending.challenge.isEmpty() || challenge != pending.challenge || value("redirect_uri") != pending.redirectUri) {
                refuse(QStringLiteral("code doesn't exist or has expired"));
                return;
            }
            const Grant grant{randomToken("sl."), randomToken("rt.")};
            accessTokens_.insert(grant.accessToken);
            refreshTokens_.insert(grant.refreshToken, grant.accessToken);
            granted.insert(QStringLiteral("access_token"), grant.accessToken);
            granted.insert(QStringLiteral("refresh_token"), grant.refreshToken);
            granted.insert(QStringLiteral("account_id"), QStringLiteral("dbid:fake-account"));
        } else if (value("grant_type") == QLatin1String("refresh_token")) {
            const QString refreshToken = value("refresh_token");
            if (!refreshTokens_.contains(refreshToken)) {
                refuse(QStringLiteral("refresh token is malformed or revoked"));
                return;
            }
            const QString accessToken = randomToken("sl.");
            accessTokens_.insert(accessToken);
            refreshTokens_[refreshToken] = accessToken;
            granted.insert(QStringLiteral("access_token"), accessToken);
        } else {
            refuse(QStringLiteral("unsupported grant type"));
            return;
        }
        reply(response, 200, granted);
    });
}
