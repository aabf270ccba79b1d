#include "DropboxCredentialStore.h"

#include "AtomicFile.h"
#include "BearerToken.h"
#include "Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

// A credentials file is a few hundred bytes; anything much larger is not ours.
constexpr qint64 kMaxFileSize = 64 * 1024;
// Renew this long before the access token runs out.
constexpr qint64 kRefreshMarginSeconds = 300;

} // namespace

bool DropboxCredentials::needsRefresh(const QDateTime& now) const
{
    if (refreshToken.isEmpty())
        return false;
    return accessToken.isEmpty() || (expiresAt.isValid() && now.secsTo(expiresAt) < kRefreshMarginSeconds);
}

bool DropboxCredentials::hasWellFormedTokens() const
{
    return BearerToken::isWellFormed(accessToken)
           && (refreshToken.isEmpty() || BearerToken::isWellFormed(refreshToken));
}

DropboxCredentialStore::DropboxCredentialStore(QString path)
    : path_(std::move(path))
{
}

std::optional<DropboxCredentials> DropboxCredentialStore::load() const
{
    QFile file(path_);
    if (!file.exists())
        return std::nullopt;
    if (file.size() > kMaxFileSize || !file.open(QIODevice::ReadOnly)) {
        Log::line(QStringLiteral("The Dropbox sign-in file %1 cannot be read; Melvora must sign in again.").arg(path_));
        return std::nullopt;
    }
    const QJsonDocument document = QJsonDocument::fromJson(file.read(kMaxFileSize));
    const QJsonObject object = document.object();
    DropboxCredentials credentials;
    credentials.accessToken = object.value(QStringLiteral("access_token")).toString();
    credentials.refreshToken = object.value(QStringLiteral("refresh_token")).toString();
    credentials.expiresAt = QDateTime::fromString(object.value(QStringLiteral("expires_at")).toString(), Qt::ISODate);
    credentials.accountId = object.value(QStringLiteral("account_id")).toString();
    if (!credentials.isValid() || !credentials.hasWellFormedTokens()) {
        Log::line(QStringLiteral("The Dropbox sign-in file %1 holds no credentials; Melvora must sign in again.").arg(path_));
        return std::nullopt;
    }
    return credentials;
}

bool DropboxCredentialStore::save(const DropboxCredentials& credentials) const
{
    QJsonObject object{{QStringLiteral("access_token"), credentials.accessToken},
                       {QStringLiteral("refresh_token"), credentials.refreshToken},
                       {QStringLiteral("account_id"), credentials.accountId}};
    if (credentials.expiresAt.isValid())
        object.insert(QStringLiteral("expires_at"), credentials.expiresAt.toUTC().toString(Qt::ISODate));
    const QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Compact);

    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSaveFile file(path_);
    QString error;
    // The temporary file is made private before a byte of the tokens is written to it.
    const bool written = file.open(QIODevice::WriteOnly)
        && file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        && AtomicFile::writeFully(file, bytes, &error) && file.commit();
    if (!written) {
        Log::line(QStringLiteral("The Dropbox sign-in file %1 cannot be written: %2")
                      .arg(path_, error.isEmpty() ? file.errorString() : error));
        file.cancelWriting();
    }
    return written;
}

bool DropboxCredentialStore::clear() const
{
    return !QFileInfo::exists(path_) || QFile::remove(path_);
}
