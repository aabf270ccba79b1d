#pragma once

#include "DropboxCredentialStore.h"
#include "DropboxLoopbackReceiver.h"
#include "DropboxTypes.h"
#include "MainQueue.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class AFHTTPClient;

// The proof key of one sign-in: a random verifier kept here and its SHA-256 challenge, which
// travels through the browser.
struct DropboxPkce {
    QString verifier;
    QString challenge;

    static DropboxPkce generate();
    static QString challengeFor(const QString& verifier);
};

// Asks the token endpoint for credentials: an authorization code for new ones, or a refresh
// token to renew the access token. The completion runs on the main queue.
namespace DropboxTokenRequest {

using Completion = std::function<void(std::optional<DropboxCredentials>, const DropboxError&)>;
// The credentials in the endpoint's reply body; nothing (with the reason) when it holds no
// usable access token.
std::optional<DropboxCredentials> credentialsFrom(const QByteArray& body, QString* error);
void exchangeCode(AFHTTPClient& api, const QString& appKey, const QString& code, const QString& verifier,
                  const QString& redirectUri, Completion completion);
// The credentials come back with the refresh token they were renewed with.
void refresh(AFHTTPClient& api, const QString& appKey, const QString& refreshToken, Completion completion);

} // namespace DropboxTokenRequest

// What a redirect to the callback address says, checked against the state of the sign-in
// waiting for it. Any page the browser shows can send it there, so only a redirect that
// carries that state counts.
struct DropboxRedirect {
    enum class Kind {
        Foreign,   // not this sign-in's: ignored
        Cancelled, // the user declined
        Refused,   // Dropbox refused, or the redirect carries no usable code
        Code,      // an authorization code to exchange for credentials
    };
    Kind kind = Kind::Foreign;
    QString code;   // Code: at most BearerToken::kMaxLength characters
    QString reason; // Refused: a short reason for the log

    static DropboxRedirect read(const QUrl& url, const QString& state);
};

// One sign-in: the browser is sent to Dropbox's page with a PKCE challenge and a random state,
// the loopback receiver takes the redirect, and the code is exchanged for credentials. Exactly
// one outcome reaches the completion (success with credentials, cancelled, or an error). A
// browser that has not come back within kTimeLimit seconds (none started, or the page was left)
// ends the sign-in with an error. Main thread.
class DropboxAuthorizationFlow {
public:
    static constexpr double kTimeLimit = 10 * 60;

    struct Outcome {
        enum class Kind { Success, Cancel, Error };
        Kind kind = Kind::Error;
        QString message;
        DropboxCredentials credentials;
    };
    using Completion = std::function<void(const Outcome&)>;

    DropboxAuthorizationFlow(QString appKey, DropboxEndpoints endpoints, AFHTTPClient& api, Completion completion);
    ~DropboxAuthorizationFlow();

    // Starts listening; the address of the sign-in page to open, or nothing (with the reason).
    std::optional<QUrl> start(QString* error);
    // The browser's redirect. One whose state is not this sign-in's is ignored.
    QString handleRedirectURL(const QUrl& url);
    QString redirectUri() const;

private:
    void finish(const Outcome& outcome);

    QString appKey_;
    DropboxEndpoints endpoints_;
    AFHTTPClient& api_;
    Completion completion_;
    DropboxPkce pkce_;
    QString state_;
    std::unique_ptr<DropboxLoopbackReceiver> receiver_;
    DelayedCall deadline_;
    bool answered_ = false;
    // Lets replies and calls that arrive after the flow went away find that out.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
