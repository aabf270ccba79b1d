#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// What signing in to Dropbox yields: a short-lived access token, the refresh token that renews
// it, and the account.
struct DropboxCredentials {
    QString accessToken;
    QString refreshToken;
    // When the access token stops working; invalid when the service gave no lifetime.
    QDateTime expiresAt;
    QString accountId;

    bool isValid() const { return !accessToken.isEmpty() || !refreshToken.isEmpty(); }
    // An access token, and a refresh token when there is one, that may stand in a header.
    bool hasWellFormedTokens() const;
    // True shortly before the access token runs out, so that it is renewed in time.
    bool needsRefresh(const QDateTime& now) const;
};

// Keeps the credentials in a file of their own that only the user can read (0600). The file
// is never settings.plist, which is itself synchronised, and its contents never reach a log.
class DropboxCredentialStore {
public:
    explicit DropboxCredentialStore(QString path);

    const QString& path() const { return path_; }
    // Nothing when there is no file or it cannot be read (logged without its contents).
    std::optional<DropboxCredentials> load() const;
    // Replaces the file as a whole; false (logged) when it could not be written.
    bool save(const DropboxCredentials& credentials) const;
    // Removes the file; true when none is left.
    bool clear() const;

private:
    QString path_;
};
