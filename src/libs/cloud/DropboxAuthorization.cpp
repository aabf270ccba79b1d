#include "DropboxAuthorization.h"

#include "AFHTTPClient.h"
#include "BearerToken.h"
#include "Localization.h"
#include "MainQueue.h"

#include <QCryptographicHash>
#include <QHostAddress>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrlQuery>

namespace {

const QString kCallbackPath = QStringLiteral("/dropbox-auth");
// A browser's request line and headers fit well within this; more is not a browser.
constexpr qint64 kMaxRequestSize = 16 * 1024;

// Unreserved URL characters, as PKCE verifiers and states use them.
QString randomWord(int length)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~";
    QString word;
    word.reserve(length);
    for (int i = 0; i < length; ++i)
        word.append(QLatin1Char(alphabet[QRandomGenerator::system()->bounded(int(sizeof alphabet - 1))]));
    return word;
}

void requestToken(AFHTTPClient& api, const QVariantMap& form, DropboxTokenRequest::Completion completion)
{
    const URLRequest request = api.requestWithMethod(QStringLiteral("POST"), QStringLiteral("oauth2/token"), form);
    auto operation = api.HTTPRequestOperationWithRequest(
        request,
        [completion](const std::shared_ptr<AFHTTPRequestOperation>&, const QVariant& body) {
            QString error;
            if (auto credentials = DropboxTokenRequest::credentialsFrom(body.toByteArray(), &error))
                completion(credentials, {});
            else
                completion(std::nullopt, DropboxError::badReply(error));
        },
        [completion](const std::shared_ptr<AFHTTPRequestOperation>& operation, const Error& error) {
            const auto response = operation->response();
            if (!response || response->statusCode == 0) {
                completion(std::nullopt, DropboxError::transport(error));
                return;
            }
            // A refused grant means the link is gone (revoked, expired, or another app key).
            const DropboxError refused = DropboxError::api(response->statusCode, operation->responseData());
            if (response->statusCode == 400 || response->statusCode == 401)
                completion(std::nullopt, DropboxError::notLinked(refused.description()));
            else
                completion(std::nullopt, refused);
        });
    api.enqueueHTTPRequestOperation(operation);
}

QString page(const QString& message)
{
    return QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Melvora</title></head>"
                          "<body style=\"font-family: sans-serif; margin: 3em\"><p>%1</p></body></html>")
        .arg(message.toHtmlEscaped());
}

} // namespace

// ---- PKCE ----

DropboxPkce DropboxPkce::generate()
{
    DropboxPkce pkce;
    pkce.verifier = randomWord(64);
    pkce.challenge = challengeFor(pkce.verifier);
    return pkce;
}

QString DropboxPkce::challengeFor(const QString& verifier)
{
    const QByteArray digest = QCryptographicHash::hash(verifier.toLatin1(), QCryptographicHash::Sha256);
    return QString::fromLatin1(digest.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

// ---- Token requests ----

std::optional<DropboxCredentials> DropboxTokenRequest::credentialsFrom(const QByteArray& body, QString* error)
{
    const auto reply = DropboxJson::objectFrom(body, error);
    if (!reply)
        return std::nullopt;
    DropboxCredentials credentials;
    credentials.accessToken = reply->value(QStringLiteral("access_token")).toString();
    credentials.refreshToken = reply->value(QStringLiteral("refresh_token")).toString();
    credentials.accountId = reply->value(QStringLiteral("account_id")).toString().left(256);
    const double lifetime = reply->value(QStringLiteral("expires_in")).toDouble();
    if (lifetime > 0 && lifetime < 10 * 365 * 86400.0)
        credentials.expiresAt = QDateTime::currentDateTimeUtc().addSecs(qint64(lifetime));
    if (!credentials.hasWellFormedTokens()) {
        *error = QStringLiteral("the reply holds no usable access token");
        return std::nullopt;
    }
    return credentials;
}

void DropboxTokenRequest::exchangeCode(AFHTTPClient& api, const QString& appKey, const QString& code,
                                       const QString& verifier, const QString& redirectUri, Completion completion)
{
    requestToken(api,
                 {{QStringLiteral("grant_type"), QStringLiteral("authorization_code")},
                  {QStringLiteral("code"), code},
                  {QStringLiteral("client_id"), appKey},
                  {QStringLiteral("code_verifier"), verifier},
                  {QStringLiteral("redirect_uri"), redirectUri}},
                 std::move(completion));
}

void DropboxTokenRequest::refresh(AFHTTPClient& api, const QString& appKey, const QString& refreshToken,
                                  Completion completion)
{
    requestToken(api,
                 {{QStringLiteral("grant_type"), QStringLiteral("refresh_token")},
                  {QStringLiteral("refresh_token"), refreshToken},
                  {QStringLiteral("client_id"), appKey}},
                 [refreshToken, completion](std::optional<DropboxCredentials> credentials, const DropboxError& error) {
                     if (credentials && credentials->refreshToken.isEmpty())
                         credentials->refreshToken = refreshToken;
                     completion(credentials, error);
                 });
}

// ---- Loopback receiver ----

DropboxLoopbackReceiver::DropboxLoopbackReceiver(Handler handler)
    : handler_(std::move(handler))
{
}

DropboxLoopbackReceiver::~DropboxLoopbackReceiver() = default;

bool DropboxLoopbackReceiver::listen(quint16 port, QString* error)
{
    server_ = std::make_unique<QTcpServer>();
    if (!server_->listen(QHostAddress::LocalHost, port)) {
        *error = QStringLiteral("cannot listen on 127.0.0.1:%1 (%2)").arg(port).arg(server_->errorString());
        server_.reset();
        return false;
    }
    connect(server_.get(), &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server_->nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    return true;
}

QString DropboxLoopbackReceiver::redirectUri() const
{
    return server_ ? QStringLiteral("http://127.0.0.1:%1%2").arg(server_->serverPort()).arg(kCallbackPath) : QString();
}

void DropboxLoopbackReceiver::serve(QTcpSocket* socket)
{
    const QByteArray head = socket->peek(kMaxRequestSize);
    const qsizetype end = head.indexOf("\r\n\r\n");
    if (end < 0 && head.size() < kMaxRequestSize)
        return; // the rest of the request is still on its way
    socket->disconnect(this);

    // "GET /dropbox-auth?code=...&state=... HTTP/1.1"
    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    const QUrl target = requestLine.size() == 3 && requestLine[0] == "GET"
        ? QUrl(QStringLiteral("http://127.0.0.1") + QString::fromLatin1(requestLine[1]))
        : QUrl();
    QByteArray status = "404 Not Found";
    QString body = page(localized(QStringLiteral("Not found.")));
    if (end >= 0 && target.isValid() && target.path() == kCallbackPath) {
        status = "200 OK";
        body = page(handler_(target));
    }
    const QByteArray content = body.toUtf8();
    socket->write("HTTP/1.1 " + status + "\r\nContent-Type: text/html; charset=utf-8\r\nCache-Control: no-store\r\n"
                  "Connection: close\r\nContent-Length: " + QByteArray::number(content.size()) + "\r\n\r\n" + content);
    socket->disconnectFromHost();
}

// ---- Authorization flow ----

DropboxAuthorizationFlow::DropboxAuthorizationFlow(QString appKey, DropboxEndpoints endpoints, AFHTTPClient& api,
                                                   Completion completion)
    : appKey_(std::move(appKey))
    , endpoints_(std::move(endpoints))
    , api_(api)
    , completion_(std::move(completion))
    , pkce_(DropboxPkce::generate())
    , state_(randomWord(32))
{
}

DropboxAuthorizationFlow::~DropboxAuthorizationFlow() = default;

std::optional<QUrl> DropboxAuthorizationFlow::start(QString* error)
{
    receiver_ = std::make_unique<DropboxLoopbackReceiver>([this](const QUrl& url) { return handleRedirectURL(url); });
    if (!receiver_->listen(endpoints_.redirectPort, error)) {
        receiver_.reset();
        return std::nullopt;
    }
    QUrl url = endpoints_.web.resolved(QUrl(QStringLiteral("/oauth2/authorize")));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("client_id"), appKey_);
    query.addQueryItem(QStringLiteral("response_type"), QStringLiteral("code"));
    query.addQueryItem(QStringLiteral("code_challenge"), pkce_.challenge);
    query.addQueryItem(QStringLiteral("code_challenge_method"), QStringLiteral("S256"));
    query.addQueryItem(QStringLiteral("token_access_type"), QStringLiteral("offline"));
    query.addQueryItem(QStringLiteral("redirect_uri"), receiver_->redirectUri());
    query.addQueryItem(QStringLiteral("state"), state_);
    url.setQuery(query);
    return url;
}

QString DropboxAuthorizationFlow::redirectUri() const
{
    return receiver_ ? receiver_->redirectUri() : QString();
}

QString DropboxAuthorizationFlow::handleRedirectURL(const QUrl& url)
{
    const QUrlQuery query(url);
    // A page of another site may try this address too: only this sign-in's state counts.
    if (answered_ || query.queryItemValue(QStringLiteral("state")) != state_)
        return localized(QStringLiteral("This page does not belong to a sign-in of Melvora."));
    answered_ = true;

    const QString error = query.queryItemValue(QStringLiteral("error"));
    if (error == QLatin1String("access_denied")) {
        finish({Outcome::Kind::Cancel, QStringLiteral("the sign-in was cancelled"), {}});
        return localized(QStringLiteral("Signing in to Dropbox was cancelled. You can close this page."));
    }
    const QString code = query.queryItemValue(QStringLiteral("code"));
    if (!error.isEmpty() || code.isEmpty() || code.size() > BearerToken::kMaxLength) {
        const QString reason = error.isEmpty() ? QStringLiteral("no authorization code") : error.left(100);
        finish({Outcome::Kind::Error, QStringLiteral("Dropbox refused the sign-in (%1)").arg(reason), {}});
        return localized(QStringLiteral("Dropbox did not let Melvora sign in. You can close this page."));
    }
    std::weak_ptr<bool> alive = alive_;
    DropboxTokenRequest::exchangeCode(
        api_, appKey_, code, pkce_.verifier, receiver_->redirectUri(),
        [this, alive](std::optional<DropboxCredentials> credentials, const DropboxError& failure) {
            if (alive.expired())
                return;
            if (credentials)
                finish({Outcome::Kind::Success, QString(), *credentials});
            else
                finish({Outcome::Kind::Error, failure.description(), {}});
        });
    return localized(QStringLiteral("Melvora is now signed in to Dropbox. You can close this page and go back to Melvora."));
}

void DropboxAuthorizationFlow::finish(const Outcome& outcome)
{
    // Told on a later turn, so that the owner may drop the flow (and its receiver, which may be
    // answering the browser right now) from the completion.
    MainQueue::async([alive = std::weak_ptr<bool>(alive_), this, outcome] {
        if (!alive.expired() && completion_)
            std::exchange(completion_, nullptr)(outcome);
    });
}
