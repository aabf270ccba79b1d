#include "DropboxAuthorization.h"

#include "AFHTTPClient.h"
#include "BearerToken.h"
#include "Localization.h"
#include "MainQueue.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QUrlQuery>

namespace {

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

// ---- Redirect ----

DropboxRedirect DropboxRedirect::read(const QUrl& url, const QString& state)
{
    DropboxRedirect redirect;
    const QUrlQuery query(url);
    if (state.isEmpty() || query.queryItemValue(QStringLiteral("state")) != state)
        return redirect;
    const QString error = query.queryItemValue(QStringLiteral("error"));
    redirect.code = query.queryItemValue(QStringLiteral("code"));
    if (error == QLatin1String("access_denied")) {
        redirect.kind = Kind::Cancelled;
    } else if (!error.isEmpty() || redirect.code.isEmpty() || redirect.code.size() > BearerToken::kMaxLength) {
        redirect.kind = Kind::Refused;
        redirect.reason = error.isEmpty() ? QStringLiteral("no authorization code") : error.left(100);
    } else {
        redirect.kind = Kind::Code;
        return redirect;
    }
    redirect.code.clear();
    return redirect;
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
    deadline_ = MainQueue::after(kTimeLimit, [this] {
        answered_ = true;
        finish({Outcome::Kind::Error, localized(QStringLiteral("the browser did not come back from the sign-in page within 10 minutes")), {}});
    });
    return url;
}

QString DropboxAuthorizationFlow::redirectUri() const
{
    return receiver_ ? receiver_->redirectUri() : QString();
}

QString DropboxAuthorizationFlow::handleRedirectURL(const QUrl& url)
{
    const DropboxRedirect redirect = answered_ ? DropboxRedirect() : DropboxRedirect::read(url, state_);
    if (redirect.kind == DropboxRedirect::Kind::Foreign)
        return localized(QStringLiteral("This page does not belong to a sign-in of Melvora."));
    answered_ = true;
    deadline_.cancel();
    if (redirect.kind == DropboxRedirect::Kind::Cancelled) {
        finish({Outcome::Kind::Cancel, QStringLiteral("the sign-in was cancelled"), {}});
        return localized(QStringLiteral("Signing in to Dropbox was cancelled. You can close this page."));
    }
    if (redirect.kind == DropboxRedirect::Kind::Refused) {
        finish({Outcome::Kind::Error, QStringLiteral("Dropbox refused the sign-in (%1)").arg(redirect.reason), {}});
        return localized(QStringLiteral("Dropbox did not let Melvora sign in. You can close this page."));
    }
    std::weak_ptr<bool> alive = alive_;
    DropboxTokenRequest::exchangeCode(
        api_, appKey_, redirect.code, pkce_.verifier, receiver_->redirectUri(),
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
