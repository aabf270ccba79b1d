#include "ZTWikiCache.h"

#include "Log.h"
#include "Paths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

namespace {

const QString kExtension = QStringLiteral(".mhtml");
// File names are at most 255 bytes on the file systems we meet.
constexpr qsizetype kMaxFileNameBytes = 255;
// A hashed name keeps this much of the address, so that the folder stays readable.
constexpr qsizetype kReadablePrefix = 100;

} // namespace

QString ZTWikiCache::folder()
{
    const QString path = Paths::cachesFolder() + QStringLiteral("/wikipedia");
    if (!QDir().mkpath(path)) {
        Log::line(QStringLiteral("Could not create the article cache folder %1").arg(path));
        return QString();
    }
    return path;
}

QString ZTWikiCache::fileNameForURL(const QUrl& url)
{
    if (url.isEmpty())
        return QString();
    // The encoded form is plain ASCII, so its length is its length in bytes.
    QString name = QString::fromLatin1(url.toEncoded());
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    if (name.size() + kExtension.size() <= kMaxFileNameBytes && name != QLatin1String(".") && name != QLatin1String(".."))
        return name + kExtension;
    const QString hash = QString::fromLatin1(QCryptographicHash::hash(url.toEncoded(), QCryptographicHash::Sha256).toHex());
    return name.left(kReadablePrefix) + QLatin1Char('-') + hash + kExtension;
}

QString ZTWikiCache::pathForURL(const QUrl& url)
{
    const QString name = fileNameForURL(url);
    if (name.isEmpty())
        return QString();
    const QString cache = folder();
    return cache.isEmpty() ? QString() : cache + QLatin1Char('/') + name;
}

bool ZTWikiCache::isOutdated(const QString& path, const QDateTime& now)
{
    const QDateTime modified = QFileInfo(path).lastModified().toUTC();
    return modified.isValid() && modified.secsTo(now) > kMaxAgeSeconds;
}
