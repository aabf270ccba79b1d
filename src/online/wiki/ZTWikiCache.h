#pragma once

#include <QDateTime>
#include <QString>
#include <QUrl>

// The article cache: one MHTML file per article in the folder "wikipedia" of the application's
// caches folder. A file is named after its article's address, every "/" written "_"; an
// address too long for a file name gets a name made from its hash. A file's modification time
// is its article's age.
class ZTWikiCache {
public:
    // An article older than this is fetched again in the background.
    static constexpr qint64 kMaxAgeSeconds = 864000;

    // Created with its parent folders when missing; empty when it cannot be made.
    static QString folder();
    // The article's cache file; empty for no address or when the folder cannot be made.
    static QString pathForURL(const QUrl& url);
    static QString fileNameForURL(const QUrl& url);
    // Strictly older than the maximum age at `now`.
    static bool isOutdated(const QString& path, const QDateTime& now = QDateTime::currentDateTimeUtc());
};
