#include "DropboxSession.h"

#include "AFHTTPClient.h"
#include "MainQueue.h"

DropboxSession::DropboxSession(QString appKey, DropboxEndpoints endpoints, const QString& credentialsPath)
    : appKey_(std::move(appKey))
    , endpoints_(std::move(endpoints))
    , api_(AFHTTPClient::clientWithBaseURL(endpoints_.api))
    , content_(AFHTTPClient::clientWithBaseURL(endpoints_.content))
    , access_(std::make_unique<DropboxAccess>(appKey_, *api_, DropboxCredentialStore(credentialsPath)))
    , client_(std::make_unique<DropboxClient>(*api_, *content_, *access_))
{
}

DropboxSession::~DropboxSession() = default;

DropboxClient* DropboxSession::authorizedClient()
{
    return access_->isLinked() ? client_.get() : nullptr;
}

void DropboxSession::authorize(const URLOpener& openURL, AuthorizationHandler handler)
{
    flow_ = std::make_unique<DropboxAuthorizationFlow>(
        appKey_, endpoints_, *api_, [this, handler](const Outcome& outcome) { finishAuthorization(outcome, handler); });
    QString error;
    const std::optional<QUrl> page = flow_->start(&error);
    if (!page) {
        flow_.reset();
        MainQueue::async([handler, error] {
            handler({Outcome::Kind::Error, QStringLiteral("the sign-in cannot begin: %1").arg(error), {}});
        });
        return;
    }
    openURL(*page);
}

void DropboxSession::finishAuthorization(const Outcome& outcome, const AuthorizationHandler& handler)
{
    flow_.reset();
    if (outcome.kind == Outcome::Kind::Success)
        access_->link(outcome.credentials);
    handler(outcome);
}

void DropboxSession::unlink()
{
    flow_.reset();
    access_->unlink();
}
