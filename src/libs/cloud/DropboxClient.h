#pragma once

#include "DropboxCredentialStore.h"
#include "DropboxTypes.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class AFHTTPClient;
struct URLRequest;

// The credentials in use, renewed with the refresh token when the access token runs out or is
// refused. A renewal the service refuses ends the link. Main thread.
class DropboxAccess {
public:
    using TokenUse = std::function<void(const QString& accessToken, const DropboxError& error)>;

    DropboxAccess(QString appKey, AFHTTPClient& api, DropboxCredentialStore store);

    bool isLinked() const { return credentials_.has_value(); }
    // Keeps (and saves) the credentials of a sign-in.
    void link(const DropboxCredentials& credentials);
    // Forgets the credentials and removes their file; renewals on their way are dropped.
    void unlink();
    // Hands a working access token to `use`, renewing it first when needed; an error instead
    // when there is no link or the renewal failed. Calls waiting on one renewal share it.
    void withAccessToken(TokenUse use);
    // The service refused this token (401): the next withAccessToken renews it.
    void tokenWasRefused(const QString& accessToken);

private:
    void renew();
    // The service refused the sign-in: the link ends and the waiting calls get the error.
    void endLink(const DropboxError& error);
    void answerWaiting(const QString& accessToken, const DropboxError& error);

    QString appKey_;
    AFHTTPClient& api_;
    DropboxCredentialStore store_;
    std::optional<DropboxCredentials> credentials_;
    std::vector<TokenUse> waiting_;
    // Counts links, so that a renewal answered after an unlink (or a new sign-in) is dropped.
    quint64 generation_ = 0;
};

// The three file calls of the Dropbox HTTP API that synchronisation needs, on the application's
// folder: metadata, download and upload. Completions run on the main queue, once per call.
class DropboxClient {
public:
    using MetadataCompletion = std::function<void(std::optional<DropboxFileMetadata>, const DropboxError&)>;
    using DownloadCompletion =
        std::function<void(std::optional<DropboxFileMetadata>, const QByteArray& bytes, const DropboxError&)>;

    DropboxClient(AFHTTPClient& api, AFHTTPClient& content, DropboxAccess& access);

    void getMetadata(const QString& path, MetadataCompletion completion);
    // Fails without keeping the bytes when the file is larger than maxBytes.
    void download(const QString& path, qint64 maxBytes, DownloadCompletion completion);
    // Never autorenames; a revision other than the one an update names is a conflict.
    void upload(const QString& path, const DropboxWriteMode& mode, const QByteArray& bytes,
                MetadataCompletion completion);

private:
    struct Call;
    // Sends a call whose reply body is the file's metadata.
    void sendForMetadata(const std::shared_ptr<Call>& call, MetadataCompletion completion);
    // Sends the call with a working token; a refused token is renewed and the call sent once more.
    void send(const std::shared_ptr<Call>& call, bool isRetry);

    AFHTTPClient& api_;
    AFHTTPClient& content_;
    DropboxAccess& access_;
};
