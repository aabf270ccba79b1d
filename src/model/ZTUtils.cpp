#include "ZTUtils.h"

#include "AtomicFile.h"
#include "FMDatabase.h"
#include "Log.h"
#include "NotificationCenter.h"
#include "Paths.h"
#include "QVDateAdditions.h"
#include "QVNote.h"
#include "ZTPreferences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QScopeGuard>
#include <QTemporaryFile>
#include <QUrl>

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <utility>
#include <unistd.h>

namespace {

const QString kDatabaseFileName = QStringLiteral("db.sqlite");
const QString kDatabaseBackupFileName = QStringLiteral("db-before-sync.sqlite");

std::mutex& sharedDbLock()
{
    static std::mutex lock;
    return lock;
}

std::unique_ptr<FMDatabase>& sharedConnection()
{
    static std::unique_ptr<FMDatabase> connection;
    return connection;
}

// Runs a statement for its first row: SQLITE_ROW with the first column's text in `value`,
// or the failing result code with SQLite's message there.
int firstValueOf(sqlite3* db, const char* sql, QString& value)
{
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(statement);
    value = rc == SQLITE_ROW ? QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)))
                             : QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(statement);
    return rc;
}

// Why the file is not a usable statistics database, or a null string when it is. Answers
// null as well when the file cannot be examined now (locked, unreadable) and `strict` is
// false: only a file known to be damaged is refused then.
QString problemWithDatabaseFile(const QString& path, bool strict)
{
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    auto closeDb = qScopeGuard([&db] { sqlite3_close_v2(db); });
    auto fault = [&](int code, const QString& message) -> QString {
        const bool damaged = code == SQLITE_NOTADB || code == SQLITE_CORRUPT || code == SQLITE_EMPTY;
        if (!damaged && !strict)
            return QString();
        return message.isEmpty() ? QString::fromUtf8(sqlite3_errstr(code)) : message;
    };
    if (rc != SQLITE_OK)
        return fault(rc, QString::fromUtf8(sqlite3_errmsg(db)));
    sqlite3_busy_timeout(db, 2000);

    QString value;
    rc = firstValueOf(db, "SELECT count(*) FROM sqlite_master WHERE type='table' AND name IN ('stats','results')",
                      value);
    if (rc != SQLITE_ROW)
        return fault(rc, value);
    if (value != QLatin1String("2"))
        return QStringLiteral("the tables stats and results are missing");

    // A truncated copy still has its first page; only a walk over the pages finds the rest gone.
    rc = firstValueOf(db, "PRAGMA quick_check(1)", value);
    if (rc != SQLITE_ROW)
        return fault(rc, value);
    if (value != QLatin1String("ok"))
        return fault(SQLITE_CORRUPT, value);
    return QString();
}

// The folder exists afterwards, or false.
bool makeFolder(const QString& folder)
{
    return QFileInfo(folder).isDir() || QDir().mkpath(folder);
}

// Copies the bundle's template next to the target and moves it in place only when no file
// is there yet, so a half-written copy never takes the name and a user's file is never hit.
bool installTemplate(const QString& path)
{
    const QString source = Paths::resource(kDatabaseFileName);
    if (!QFileInfo(source).isFile())
        return false;
    QTemporaryFile copy(path + QStringLiteral(".XXXXXX"));
    QFile templateFile(source);
    if (!copy.open() || !templateFile.open(QIODevice::ReadOnly))
        return false;
    if (!AtomicFile::writeFully(copy, templateFile.readAll()))
        return false;
    copy.close();
    // The bundle may be read-only; the user's copy must be writable.
    QFile::setPermissions(copy.fileName(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
                                               | QFile::ReadOther);
    if (QFile::rename(copy.fileName(), path)) {
        copy.setAutoRemove(false);
        return true;
    }
    // Someone else put a file there in the meantime: theirs stays.
    return QFileInfo::exists(path);
}

// Keeps the file at `path` as `backup` (replacing an older one): a hard link where the file
// system has them, so no space is needed, else a copy. The new name appears atomically.
bool keepAsBackup(const QString& path, const QString& backup)
{
    if (!QFileInfo::exists(path))
        return true;
    const QString staging = backup + QStringLiteral(".new");
    QFile::remove(staging);
    const QByteArray from = QFile::encodeName(path);
    const QByteArray to = QFile::encodeName(staging);
    if (::link(from.constData(), to.constData()) != 0 && !QFile::copy(path, staging))
        return false;
    if (::rename(to.constData(), QFile::encodeName(backup).constData()) != 0) {
        QFile::remove(staging);
        return false;
    }
    return true;
}

QString& setAsidePath()
{
    static QString path;
    return path;
}

// A free name beside the file that says when it was put aside ("db-damaged-2024-05-01-
// 093000.sqlite", then "-2", "-3", ... should that name be taken).
QString datedNameBeside(const QString& path)
{
    const QFileInfo info(path);
    const QString stem = info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral("-damaged-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    const QString suffix = QLatin1Char('.') + info.suffix();
    QString name = stem + suffix;
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = stem + QLatin1Char('-') + QString::number(n) + suffix;
    return name;
}

// Moves a damaged database aside under a dated name, with the journal files SQLite keeps
// beside it (left behind, they would be rolled into the new file). Nothing is deleted; a null
// string when the file cannot be moved.
QString setDatabaseAside(const QString& path)
{
    const QString aside = datedNameBeside(path);
    if (!QFile::rename(path, aside))
        return QString();
    for (const char* companion : {"-journal", "-wal", "-shm"}) {
        const QString from = path + QLatin1String(companion);
        if (QFileInfo::exists(from) && !QFile::rename(from, aside + QLatin1String(companion)))
            Log::line(QStringLiteral("Could not move %1 beside the damaged statistics file").arg(from));
    }
    return aside;
}

void syncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

FMDatabase* ZTUtils::sharedDb()
{
    std::lock_guard lock(sharedDbLock());
    if (sharedConnection())
        return sharedConnection().get();

    const QString folder = Paths::applicationSupportFolder();
    if (!makeFolder(folder)) {
        Log::line(QStringLiteral("error copying db"));
        return nullptr;
    }
    const QString path = databasePath();
    QString aside;
    if (QFileInfo::exists(path)) {
        if (const QString problem = problemWithDatabaseFile(path, false); !problem.isNull()) {
            aside = setDatabaseAside(path);
            if (aside.isNull()) {
                Log::line(QStringLiteral("The statistics database %1 cannot be used (%2) nor moved aside; it is "
                                         "left as it is and no statistics are kept.")
                              .arg(path, problem));
                return nullptr;
            }
            Log::line(QStringLiteral("The statistics database %1 cannot be used (%2); it is kept as %3 and a new "
                                     "one is started.")
                          .arg(path, problem, aside));
        }
    }
    if (!QFileInfo::exists(path) && !installTemplate(path)) {
        Log::line(QStringLiteral("error copying db"));
        return nullptr;
    }
    if (!aside.isNull())
        setAsidePath() = aside;
    sharedConnection() = FMDatabase::databaseWithPath(path);
    return sharedConnection().get();
}

void ZTUtils::resetSharedDbForTesting()
{
    std::lock_guard lock(sharedDbLock());
    sharedConnection().reset();
    setAsidePath().clear();
}

QString ZTUtils::takeSetAsideDatabasePath()
{
    std::lock_guard lock(sharedDbLock());
    return std::exchange(setAsidePath(), QString());
}

QString ZTUtils::databasePath()
{
    return Paths::applicationSupportFolder() + QLatin1Char('/') + kDatabaseFileName;
}

QDateTime ZTUtils::databaseModDate()
{
    const QFileInfo info(databasePath());
    return info.exists() ? info.lastModified() : QDateTime();
}

QString ZTUtils::databaseBackupPath()
{
    return Paths::applicationSupportFolder() + QLatin1Char('/') + kDatabaseBackupFileName;
}

std::optional<QByteArray> ZTUtils::databaseSnapshot()
{
    FMDatabase* db = sharedDb();
    const QString copy = tmpFile();
    if (!db || copy.isNull())
        return std::nullopt;
    const auto removeCopy = qScopeGuard([&] { QFile::remove(copy); });
    if (!db->backupToPath(copy))
        return std::nullopt;
    QFile file(copy);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (bytes.isEmpty() || bytes.size() != file.size()) {
        Log::line(QStringLiteral("The statistics snapshot %1 cannot be read: %2").arg(copy, file.errorString()));
        return std::nullopt;
    }
    return bytes;
}

const void* ZTUtils::classSender()
{
    static const char tag = 0;
    return &tag;
}

bool ZTUtils::updateDBFile(const QByteArray& data)
{
    const QString folder = Paths::applicationSupportFolder();
    const QString path = databasePath();
    if (!makeFolder(folder)) {
        Log::line(QStringLiteral("Error: updateDBFile cannot create %1").arg(folder));
        return false;
    }

    // The copy is written beside the file, so moving it in place is one atomic rename.
    QTemporaryFile download(path + QStringLiteral(".XXXXXX"));
    QString error;
    if (!download.open() || !AtomicFile::writeFully(download, data, &error)) {
        Log::line(QStringLiteral("Error: updateDBFile cannot write %1 (%2)").arg(download.fileName(), error));
        return false;
    }
    download.close();

    const QString problem = problemWithDatabaseFile(download.fileName(), true);
    if (!problem.isNull()) {
        Log::line(QStringLiteral("Error: updateDBFile received no usable statistics database (%1); "
                                 "%2 is left as it was")
                      .arg(problem, path));
        return false;
    }

    FMDatabase* db = nullptr;
    {
        std::lock_guard lock(sharedDbLock());
        db = sharedConnection().get();
    }
    if (db)
        db->close();
    if (!keepAsBackup(path, databaseBackupPath())) {
        Log::line(QStringLiteral("Error: updateDBFile cannot keep %1 as %2; it is left as it was")
                      .arg(path, databaseBackupPath()));
        if (db && !db->open())
            Log::line(QStringLiteral("Error: updateDBFile opening DB"));
        return false;
    }
    // A journal left by the old file would be rolled back into the new one.
    QFile::remove(path + QStringLiteral("-journal"));
    if (::rename(QFile::encodeName(download.fileName()).constData(), QFile::encodeName(path).constData()) != 0) {
        Log::line(QStringLiteral("Error: updateDBFile cannot replace %1").arg(path));
        if (db && !db->open())
            Log::line(QStringLiteral("Error: updateDBFile opening DB"));
        return false;
    }
    download.setAutoRemove(false);
    syncFolder(folder);

    db = sharedDb();
    if (!db || !db->open()) {
        Log::line(QStringLiteral("Error: updateDBFile opening DB"));
        return false;
    }
    NotificationCenter::defaultCenter().post(QStringLiteral("ZTStatDBChangedNotification"), classSender());
    return true;
}

QStringList ZTUtils::getNoteNamesFromNote(int first, int last)
{
    QStringList names;
    if (first > last)
        return names;
    ZTPreferences* preferences = ZTPreferences::sharedPreferences();
    const QString spellingType = preferences ? preferences->spellingType() : QString();
    const QString noteNamesType = preferences ? preferences->noteNamesType() : QString();
    names.reserve(last - first + 1);
    for (int noteNr = first; noteNr <= last; ++noteNr)
        names.append(QVNote::initWithNoteNr(noteNr, 0, false).nameWithSpellingType(spellingType, noteNamesType));
    return names;
}

QString ZTUtils::getNoteNameForNote(int noteNr)
{
    return getNoteNamesFromNote(noteNr, noteNr).value(0);
}

bool ZTUtils::isWhiteKey(int noteNr)
{
    switch (noteNr % 12) {
    case 1:
    case 3:
    case 6:
    case 8:
    case 10:
        return false;
    default:
        return true; // negative numbers leave a negative remainder and count as white
    }
}

QString ZTUtils::tmpFile()
{
    // An unusable TMPDIR yields an empty folder name, which must not turn into "/".
    const QString folder = Paths::temporaryFolder();
    QByteArray pattern = QFile::encodeName(folder + QStringLiteral("/melvoraTmpFile.XXXXXX"));
    const int fd = folder.isEmpty() ? -1 : ::mkstemp(pattern.data());
    if (fd < 0) {
        Log::line(QStringLiteral("tmpFile: cannot create a file in %1").arg(Paths::temporaryFolder()));
        return QString();
    }
    ::close(fd);
    return QFile::decodeName(pattern);
}

QString ZTUtils::urlEncode(const QString& string)
{
    // Letters, digits and "-._~" stay by default; these are the other query characters.
    return QString::fromLatin1(QUrl::toPercentEncoding(string, QByteArrayLiteral("!$'()*,;=:@/?")));
}

QString ZTUtils::toDateString(const QVariant& object)
{
    if (object.metaType().id() != QMetaType::QDateTime)
        return QStringLiteral("");
    return QVDateAdditions::toDateString(object.toDateTime());
}

QString ZTUtils::toTimeString(const QVariant& object)
{
    if (object.metaType().id() != QMetaType::QDateTime)
        return QStringLiteral("");
    const QDateTime date = object.toDateTime();
    if (!date.isValid())
        return QStringLiteral("");
    // Medium style, where the date additions use the short one.
    return QLocale().toString(date.toLocalTime().time(), QVDateAdditions::mediumTimeFormat());
}

QString ZTUtils::toDateTimeString(const QDateTime& date)
{
    if (!date.isValid())
        return QStringLiteral("");
    return QStringLiteral("%1 - %2").arg(toDateString(date), toTimeString(date));
}

QString ZTUtils::toWeekdayString(const QDateTime& date)
{
    if (!date.isValid())
        return QStringLiteral("");
    QString name = QLocale().dayName(date.toLocalTime().date().dayOfWeek(), QLocale::LongFormat);
    if (!name.isEmpty())
        name[0] = name[0].toUpper();
    return name;
}

QString ZTUtils::toSortableDateString(const QDateTime& date)
{
    if (!date.isValid())
        return QStringLiteral("");
    const QDate day = date.toLocalTime().date();
    return QString::asprintf("%04d%02d%02d", day.year(), day.month(), day.day());
}

QString ZTUtils::toStringForLiveToday(const QDateTime& date)
{
    if (!date.isValid())
        return QStringLiteral("");
    const QDate day = date.toLocalTime().date();
    return QString::asprintf("%04d-%02d-%02d", day.year(), day.month(), day.day());
}
