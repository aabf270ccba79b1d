#pragma once

#include "DropboxAuthorization.h"
#include "DropboxClient.h"
#include "DropboxTypes.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class AFHTTPClient;

// The application's link to Dropbox: the application key, the service's addresses, the
// sign-in (browser with a loopback redirect) and the file client while linked. Main thread.
class DropboxSession {
public:
    using Outcome = DropboxAuthorizationFlow::Outcome;
    using AuthorizationHandler = std::function<void(const Outcome&)>;
    // Opens an address in the user's browser. When none starts, the opener tells the user the
    // address: the sign-in keeps waiting for it to be opened by hand, up to its time limit.
    using URLOpener = std::function<void(const QUrl&)>;

    DropboxSession(QString appKey, DropboxEndpoints endpoints, const QString& credentialsPath);
    ~DropboxSession();
    DropboxSession(const DropboxSession&) = delete;
    DropboxSession& operator=(const DropboxSession&) = delete;

    bool isLinked() const { return access_->isLinked(); }
    // The file client while linked, null otherwise.
    DropboxClient* authorizedClient();

    // Starts a sign-in (a new one replaces one still waiting) and opens Dropbox's page; the
    // outcome, also a failure to begin (nothing can listen for the redirect), goes to the
    // handler on a later turn. On success the session is linked before the handler runs.
    void authorize(const URLOpener& openURL, AuthorizationHandler handler);
    // The sign-in waiting for the browser, if any (tests follow the redirect themselves).
    DropboxAuthorizationFlow* pendingAuthorization() const { return flow_.get(); }
    void unlink();

private:
    void finishAuthorization(const Outcome& outcome, const AuthorizationHandler& handler);

    QString appKey_;
    DropboxEndpoints endpoints_;
    std::unique_ptr<AFHTTPClient> api_;
    std::unique_ptr<AFHTTPClient> content_;
    std::unique_ptr<DropboxAccess> access_;
    std::unique_ptr<DropboxClient> client_;
    std::unique_ptr<DropboxAuthorizationFlow> flow_;
};
