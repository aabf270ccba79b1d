#include "FMDatabase.h"
#include "FMResultSet.h"
#include "PreferencesFixture.h"
#include "QVDateAdditions.h"
#include "ZTUtils.h"

#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <QTimeZone>

#include <sqlite3.h>

#include <ctime>

namespace {

class ZTUtilsTest : public PreferencesTestBase {
protected:
    void SetUp() override
    {
        PreferencesTestBase::SetUp();
        ZTUtils::resetSharedDbForTesting();
    }
    void TearDown() override
    {
        ZTUtils::resetSharedDbForTesting();
        PreferencesTestBase::TearDown();
    }

    QString dbPath() const { return env.applicationSupportFolder() + "/db.sqlite"; }

    // A statistics file made elsewhere (as a synced copy would be), with `rows` stats rows.
    QByteArray makeDatabase(int rows, const QString& item = "Fifth", bool withResults = true)
    {
        const QString path = env.root() + "/made.sqlite";
        QFile::remove(path);
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
        QByteArray sql = "CREATE TABLE stats (testName, itemName, right, wrong);";
        if (withResults)
            sql += "CREATE TABLE results (testName, itemName, result, numTryouts, date);";
        sql += "BEGIN;";
        for (int i = 0; i < rows; ++i)
            sql += QStringLiteral("INSERT INTO stats VALUES ('Interval recognition', '%1%2', %3, 1);")
                       .arg(item).arg(i ? QString::number(i) : QString()).arg(i + 2).toUtf8();
        sql += "COMMIT;";
        EXPECT_EQ(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        return fileBytes(path);
    }

    QStringList itemNames(FMDatabase* db)
    {
        QStringList names;
        auto rs = db->executeQuery("SELECT itemName FROM stats ORDER BY itemName");
        while (rs && rs->next())
            names << rs->stringForColumn("itemName");
        return names;
    }
};

TEST_F(ZTUtilsTest, FirstStartMakesTheFolderAndCopiesTheTemplateOnce)
{
    EXPECT_FALSE(QFileInfo::exists(env.applicationSupportFolder()));
    EXPECT_FALSE(ZTUtils::databaseModDate().isValid());

    FMDatabase* db = ZTUtils::sharedDb();
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(ZTUtils::sharedDb(), db);
    EXPECT_EQ(db->databasePath(), dbPath());
    EXPECT_EQ(ZTUtils::databasePath(), dbPath());
    EXPECT_EQ(db->sqliteHandle(), nullptr); // handed out unopened
    EXPECT_TRUE(ZTUtils::databaseModDate().isValid());

    // The copy is writable and carries the statements the app runs.
    ASSERT_TRUE(db->open());
    EXPECT_TRUE(db->executeUpdate("INSERT into stats (testName, itemName, right, wrong) VALUES(?,?,?,?)",
                                  {"Interval recognition", "Fifth", 1, 0}));
    EXPECT_TRUE(db->executeUpdate("INSERT into results (testName, itemName, result, numTryouts, date) VALUES(?,?,?,?,?)",
                                  {"Interval recognition", "Fifth", 1, 3, "2024-03-05 19:08:09"}));
}

TEST_F(ZTUtilsTest, AnExistingFileIsKeptWhateverTheTemplateHolds)
{
    const QByteArray mine = makeDatabase(3, "Mine");
    writeBytes(dbPath(), mine);
    FMDatabase* db = ZTUtils::sharedDb();
    ASSERT_NE(db, nullptr);
    ASSERT_TRUE(db->open());
    EXPECT_EQ(itemNames(db), (QStringList{"Mine", "Mine1", "Mine2"}));
    db->close();
    EXPECT_EQ(fileBytes(dbPath()), mine);
}

TEST_F(ZTUtilsTest, ADamagedFileIsKeptAsideUnderADatedNameAndANewOneStarts)
{
    const QByteArray good = makeDatabase(400);
    const QList<QByteArray> damaged{
        QByteArray("this is not a database at all, just some text").repeated(50),
        good.left(good.size() / 2),          // truncated
        makeDatabase(2, "x", false),         // no results table
    };
    QStringList keptAside;
    for (const QByteArray& bytes : damaged) {
        writeBytes(dbPath(), bytes);
        // A journal that SQLite left behind (not hot: its header is cleared).
        const QByteArray journal = QByteArray(28, '\0') + "journal of the damaged file";
        writeBytes(dbPath() + "-journal", journal);
        ZTUtils::resetSharedDbForTesting();
        LogCapture log;
        FMDatabase* db = ZTUtils::sharedDb();
        ASSERT_NE(db, nullptr);
        EXPECT_TRUE(log.contains("cannot be used")) << log.lines().join('\n').toStdString();

        // The new file is the empty template, and statistics are kept in it again.
        ASSERT_TRUE(db->open());
        EXPECT_TRUE(itemNames(db).isEmpty());
        EXPECT_TRUE(db->executeUpdate("INSERT INTO stats VALUES (?,?,?,?)", {"Interval recognition", "New", 1, 0}));
        db->close();

        // The damaged file lies beside it under a dated name, with its journal, untouched.
        const QString aside = ZTUtils::takeSetAsideDatabasePath();
        EXPECT_TRUE(ZTUtils::takeSetAsideDatabasePath().isNull()); // told once
        EXPECT_EQ(QFileInfo(aside).path(), env.applicationSupportFolder());
        EXPECT_TRUE(QFileInfo(aside).fileName().startsWith("db-damaged-" + QDate::currentDate().toString("yyyy-MM-dd")))
            << aside.toStdString();
        EXPECT_TRUE(log.contains(aside));
        EXPECT_EQ(fileBytes(aside), bytes);
        EXPECT_EQ(fileBytes(aside + "-journal"), journal);
        EXPECT_FALSE(QFileInfo::exists(dbPath() + "-journal"));
        keptAside << aside;
    }
    // Damaged files found within the same second each keep a name of their own.
    EXPECT_EQ(QSet<QString>(keptAside.begin(), keptAside.end()).size(), damaged.size());
}

TEST_F(ZTUtilsTest, MissingTemplateKeepsNoConnectionAndTheNextCallTriesAgain)
{
    env.useResources(env.root() + "/empty-bundle");
    LogCapture log;
    EXPECT_EQ(ZTUtils::sharedDb(), nullptr);
    EXPECT_EQ(log.lines(), QStringList{"error copying db"});
    EXPECT_FALSE(QFileInfo::exists(dbPath()));
    // No half-written copy is left behind under any name.
    EXPECT_EQ(QDir(env.applicationSupportFolder()).entryList(QDir::Files), QStringList{});

    env.useResources(resources);
    EXPECT_NE(ZTUtils::sharedDb(), nullptr);
    EXPECT_TRUE(QFileInfo::exists(dbPath()));
}

TEST_F(ZTUtilsTest, UpdateSwapsTheFileUnderTheSameConnection)
{
    FMDatabase* db = ZTUtils::sharedDb();
    ASSERT_TRUE(db && db->open());
    EXPECT_TRUE(itemNames(db).isEmpty());
    NotificationLog notifications({"ZTStatDBChangedNotification"});

    // An open result set does not hold the swap up.
    auto pending = db->executeQuery("SELECT * FROM stats");
    const QByteArray synced = makeDatabase(2, "Synced");
    EXPECT_TRUE(ZTUtils::updateDBFile(synced));

    EXPECT_EQ(ZTUtils::sharedDb(), db);
    EXPECT_EQ(itemNames(db), (QStringList{"Synced", "Synced1"}));
    ASSERT_EQ(notifications.entries.size(), 1u);
    EXPECT_EQ(notifications.entries[0].sender, ZTUtils::classSender());
    // The statistics it replaced are kept beside it; no temporary file is left.
    EXPECT_EQ(QDir(env.applicationSupportFolder()).entryList(QDir::Files), (QStringList{"db-before-sync.sqlite", "db.sqlite"}));
    FMDatabase before(ZTUtils::databaseBackupPath());
    ASSERT_TRUE(before.open());
    EXPECT_TRUE(itemNames(&before).isEmpty());
    before.close();
}

TEST_F(ZTUtilsTest, UpdateRefusesBadBytesAndKeepsTheCurrentFile)
{
    FMDatabase* db = ZTUtils::sharedDb();
    ASSERT_TRUE(db && db->open());
    ASSERT_TRUE(db->executeUpdate("INSERT INTO stats VALUES (?,?,?,?)", {"Interval recognition", "Kept", 1, 0}));
    const QByteArray before = fileBytes(dbPath());
    NotificationLog notifications({"ZTStatDBChangedNotification"});

    const QByteArray good = makeDatabase(400);
    const QList<QByteArray> bad{
        QByteArray(),
        QByteArray("<html>502 Bad Gateway</html>"),
        good.left(good.size() / 2),
        good.left(100),
        makeDatabase(1, "NoResults", false),
    };
    for (const QByteArray& bytes : bad) {
        LogCapture log;
        EXPECT_FALSE(ZTUtils::updateDBFile(bytes));
        EXPECT_TRUE(log.contains("updateDBFile")) << bytes.size();
        EXPECT_EQ(fileBytes(dbPath()), before);
        EXPECT_EQ(itemNames(db), QStringList{"Kept"});
    }
    EXPECT_TRUE(notifications.entries.empty());
    EXPECT_EQ(QDir(env.applicationSupportFolder()).entryList(QDir::Files), QStringList{"db.sqlite"});
}

TEST_F(ZTUtilsTest, UpdateLeavesTheFileWhenTheOldOneCannotBeKeptAndSnapshotsLeaveNothingBehind)
{
    FMDatabase* db = ZTUtils::sharedDb();
    ASSERT_TRUE(db && db->open());
    ASSERT_TRUE(db->executeUpdate("INSERT INTO stats (testName, itemName, right, wrong) VALUES ('T', 'Mine', 1, 0)"));
    const std::optional<QByteArray> snapshot = ZTUtils::databaseSnapshot();
    ASSERT_TRUE(snapshot);
    EXPECT_TRUE(QDir(env.root() + "/tmp").isEmpty());

    // Something that is no file stands where the old statistics would be kept.
    ASSERT_TRUE(QDir().mkpath(ZTUtils::databaseBackupPath() + "/in the way"));
    EXPECT_FALSE(ZTUtils::updateDBFile(makeDatabase(1, "Synced")));
    EXPECT_EQ(itemNames(db), QStringList{"Mine"});

    QDir(ZTUtils::databaseBackupPath()).removeRecursively();
    EXPECT_TRUE(ZTUtils::updateDBFile(makeDatabase(1, "Synced")));
    EXPECT_EQ(itemNames(db), QStringList{"Synced"});
    // The snapshot was one whole database: it can be put back.
    EXPECT_TRUE(ZTUtils::updateDBFile(*snapshot));
    EXPECT_EQ(itemNames(db), QStringList{"Mine"});
}

TEST_F(ZTUtilsTest, UpdateInstallsACopyWhenThereWasNoConnection)
{
    env.useResources(env.root() + "/empty-bundle");
    EXPECT_EQ(ZTUtils::sharedDb(), nullptr);
    EXPECT_TRUE(ZTUtils::updateDBFile(makeDatabase(1, "Synced")));
    FMDatabase* db = ZTUtils::sharedDb();
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(itemNames(db), QStringList{"Synced"});
}

TEST_F(ZTUtilsTest, NoteNamesFollowTheSettingsAtTheCall)
{
    EXPECT_TRUE(ZTUtils::getNoteNamesFromNote(60, 59).isEmpty());
    prefs()->setSpellingType("MIDI");
    EXPECT_EQ(ZTUtils::getNoteNamesFromNote(60, 60), QStringList{"C3"});
    EXPECT_EQ(ZTUtils::getNoteNamesFromNote(60, 62).size(), 3);
    prefs()->setSpellingType("Scientific");
    EXPECT_EQ(ZTUtils::getNoteNameForNote(60), "C4");
}

TEST_F(ZTUtilsTest, SmallHelpers)
{
    for (int white : {0, 2, 4, 5, 7, 9, 11, 60, 64, 65, -1, -11})
        EXPECT_TRUE(ZTUtils::isWhiteKey(white)) << white;
    for (int black : {1, 3, 6, 8, 10, 61})
        EXPECT_FALSE(ZTUtils::isWhiteKey(black)) << black;

    EXPECT_EQ(ZTUtils::urlEncode("a+b&c d"), "a%2Bb%26c%20d");
    EXPECT_EQ(ZTUtils::urlEncode("Az09-._~!$'()*,;=:@/?"), "Az09-._~!$'()*,;=:@/?");
    EXPECT_EQ(ZTUtils::urlEncode(QString::fromUtf8("ä#%")), "%C3%A4%23%25");

    const QString a = ZTUtils::tmpFile();
    const QString b = ZTUtils::tmpFile();
    EXPECT_NE(a, b);
    EXPECT_TRUE(QFileInfo(a).isFile());
    EXPECT_EQ(QFileInfo(a).size(), 0);
    EXPECT_EQ(QFileInfo(a).path(), QDir::tempPath());
    EXPECT_TRUE(QFileInfo(a).fileName().startsWith("melvoraTmpFile."));
    // With no usable temporary folder: no file anywhere else, and a line saying so.
    const QByteArray saved = qgetenv("TMPDIR");
    qputenv("TMPDIR", (env.root() + "/missing-tmp").toUtf8());
    LogCapture log;
    EXPECT_TRUE(ZTUtils::tmpFile().isNull());
    EXPECT_TRUE(log.contains("tmpFile"));
    qputenv("TMPDIR", saved);
}

// Runs with a default locale and a time zone of the test's choosing, restoring both.
class LocaleAndZone {
public:
    LocaleAndZone(const QLocale& locale, const char* zone)
        : savedZone_(qgetenv("TZ"))
        , hadZone_(qEnvironmentVariableIsSet("TZ"))
    {
        QLocale::setDefault(locale);
        qputenv("TZ", zone);
        tzset();
    }
    ~LocaleAndZone()
    {
        QLocale::setDefault(QLocale::system());
        hadZone_ ? qputenv("TZ", savedZone_) : qunsetenv("TZ");
        tzset();
    }

private:
    QByteArray savedZone_;
    bool hadZone_;
};

TEST_F(ZTUtilsTest, StoredTimestampIsGregorianAsciiLocalTimeWhateverTheLocale)
{
    for (const QLocale& locale : {QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::Arabic, QLocale::Egypt),
                                  QLocale(QLocale::Persian, QLocale::Iran), QLocale(QLocale::Thai, QLocale::Thailand)}) {
        // An instant given in UTC is written in the user's zone (here +05:30).
        LocaleAndZone setting(locale, "Asia/Kolkata");
        const QDateTime utc(QDate(2024, 3, 5), QTime(13, 38, 9), QTimeZone::utc());
        EXPECT_EQ(QVDateAdditions::ISODate(utc), "2024-03-05 19:08:09") << locale.name().toStdString();
        EXPECT_EQ(ZTUtils::toSortableDateString(utc), "20240305");
        EXPECT_EQ(ZTUtils::toStringForLiveToday(utc), "2024-03-05");
    }
}

TEST_F(ZTUtilsTest, DisplayedDatesUseTheLocaleAndRefuseNonDates)
{
    LocaleAndZone setting(QLocale(QLocale::English, QLocale::UnitedStates), "UTC");
    const QDateTime afternoon(QDate(2024, 3, 5), QTime(19, 8, 9));
    EXPECT_EQ(ZTUtils::toDateString(afternoon), "Mar 5, 2024");
    EXPECT_TRUE(ZTUtils::toTimeString(afternoon).startsWith("7:08:09"));
    EXPECT_FALSE(QVDateAdditions::toTimeString(afternoon).contains("7:08:09")); // short style
    EXPECT_EQ(ZTUtils::toDateTimeString(afternoon), "Mar 5, 2024 - " + ZTUtils::toTimeString(afternoon));
    EXPECT_EQ(ZTUtils::toWeekdayString(afternoon), "Tuesday");
    EXPECT_EQ(ZTUtils::toDateString(QVariant("2024-03-05")), "");
    EXPECT_EQ(ZTUtils::toDateTimeString(QDateTime()), "");

    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    EXPECT_EQ(ZTUtils::toWeekdayString(afternoon), "Mardi");
}

} // namespace
