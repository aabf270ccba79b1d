#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

class FMDatabase;

// The statistics database file and its one shared connection, plus small shared helpers.
//
// db.sqlite lies beside settings.plist and is seeded from the bundle's template on first
// use; an existing file is never overwritten by the template. A file that is known to be
// damaged (not a database, tables missing, pages lost) is moved aside under a dated name
// beside it, never deleted, and a new one is started from the template.
class ZTUtils {
public:
    // ---- Statistics database ----

    // The shared connection, handed out unopened the first time; null when the file could not
    // be set up (the next call tries again). Lives for the process.
    static FMDatabase* sharedDb();
    // Tests: closes and drops the shared connection; the next sharedDb() starts afresh.
    // Pointers handed out before are dangling afterwards.
    static void resetSharedDbForTesting();
    // Where a damaged statistics file was kept aside in this run; answered once, so that the
    // user is told once (a null string afterwards, and when nothing was put aside).
    static QString takeSetAsideDatabasePath();
    static QString databasePath();
    // Invalid when the file's attributes cannot be read.
    static QDateTime databaseModDate();
    // Replaces the database file with a downloaded copy. The bytes are checked first (SQLite
    // opens them and finds the tables stats and results); the file it replaces is kept as
    // databaseBackupPath(), the copy swapped in atomically and the shared connection reopened.
    // Posts "ZTStatDBChangedNotification" and answers true only when all of that worked; on a
    // bad copy, or when the old file cannot be kept, the current file stays as it was.
    static bool updateDBFile(const QByteArray& data);
    // "db-before-sync.sqlite" beside the database: the statistics as they were before the
    // last synchronised copy replaced them.
    static QString databaseBackupPath();
    // The bytes of one consistent state of the open shared database, made with SQLite's online
    // backup (the file on disk may be mid-write); nothing when it cannot be made.
    static std::optional<QByteArray> databaseSnapshot();
    // The sender of the notifications posted by this class.
    static const void* classSender();

    // ---- Utilities ----

    // One name per MIDI number from first to last inclusive, spelled in C major and named
    // with the current spellingType and noteNamesType settings; empty when first > last.
    static QStringList getNoteNamesFromNote(int first, int last);
    static QString getNoteNameForNote(int noteNr);
    // False for the black keys (number modulo 12 is 1, 3, 6, 8 or 10); true for any negative number.
    static bool isWhiteKey(int noteNr);
    // A new, empty, uniquely named file "melvoraTmpFile.XXXXXX" in the temporary folder;
    // a null string (and a log line) when none can be created.
    static QString tmpFile();
    // Percent-encoding for a query value: RFC 3986 query characters stay, "+" and "&" do not.
    static QString urlEncode(const QString& string);

    // Medium date / medium time in the user's locale; the empty text unless given a valid date.
    static QString toDateString(const QVariant& object);
    static QString toTimeString(const QVariant& object);
    static QString toDateTimeString(const QDateTime& date);
    // The full weekday name with a capital first letter.
    static QString toWeekdayString(const QDateTime& date);
    // "yyyyMMdd" and "yyyy-MM-dd" (Gregorian, local time zone, ASCII digits).
    static QString toSortableDateString(const QDateTime& date);
    static QString toStringForLiveToday(const QDateTime& date);
};
