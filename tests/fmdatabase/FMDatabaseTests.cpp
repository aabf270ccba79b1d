#include "FMDatabase.h"
#include "FMResultSet.h"
#include "TestEnvironment.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <atomic>
#include <ostream>
#include <thread>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

using Stored = std::pair<QString, QString>;

class FMDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = env.root() + "/test.sqlite";
        db = FMDatabase::databaseWithPath(path);
        ASSERT_TRUE(db->open());
        ASSERT_TRUE(db->executeUpdate("CREATE TABLE stats (testName TEXT, itemName TEXT, right INTEGER, wrong INTEGER)"));
        // No declared type, so typeof() shows how a value was bound.
        ASSERT_TRUE(db->executeUpdate("CREATE TABLE v (x)"));
        for (const char* item : {"Fifth", "Octave"})
            ASSERT_TRUE(db->executeUpdate("INSERT INTO stats VALUES (?,?,?,?)", {"Intervals", item, 7, 2}));
    }

    // Binds one value into v and answers (typeof, text) of what was stored.
    Stored stored(const QVariant& value)
    {
        EXPECT_TRUE(db->executeUpdate("DELETE FROM v"));
        EXPECT_TRUE(db->executeUpdate("INSERT INTO v VALUES (?)", {value}));
        auto rs = db->executeQuery("SELECT typeof(x) AS t, x FROM v");
        EXPECT_TRUE(rs && rs->next());
        return {rs->stringForColumn("t"), rs->stringForColumn("x")};
    }

    // A second connection on the same file holding an exclusive lock, as another process would.
    sqlite3* lockingConnection()
    {
        sqlite3* other = nullptr;
        EXPECT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        return other;
    }

    TestEnvironment env;
    QString path;
    std::unique_ptr<FMDatabase> db;
};

TEST_F(FMDatabaseTest, OpenResultSetBlocksOtherStatementsUntilExhaustedClosedOrDropped)
{
    auto first = db->executeQuery("SELECT * FROM stats");
    ASSERT_TRUE(first && first->next());
    {
        LogCapture log;
        EXPECT_EQ(db->executeQuery("SELECT * FROM stats"), nullptr);
        EXPECT_FALSE(db->executeUpdate("DELETE FROM stats"));
        EXPECT_EQ(db->lastInsertRowId(), 0);
        ASSERT_EQ(log.lines().size(), 3);
        EXPECT_EQ(log.lines()[0], QString("The FMDatabase %1 is currently in use.").arg(db->description()));
    }
    while (first->next()) {
    }
    auto second = db->executeQuery("SELECT * FROM stats");
    ASSERT_TRUE(second);
    second->close();
    auto third = db->executeQuery("SELECT * FROM stats");
    ASSERT_TRUE(third && third->next());
    third.reset();

    // Dropping an old, closed set must not free a statement that runs now.
    auto running = db->executeQuery("SELECT * FROM stats");
    ASSERT_TRUE(running);
    first.reset();
    second.reset();
    EXPECT_TRUE(db->inUse());
    running->close();
    EXPECT_FALSE(db->inUse());
}

TEST_F(FMDatabaseTest, QueryWithoutRowsFreesTheConnectionAndStillKnowsItsColumns)
{
    auto rs = db->executeQuery("SELECT itemName, right FROM stats WHERE testName=?", {"none"});
    ASSERT_TRUE(rs);
    EXPECT_FALSE(rs->next());
    EXPECT_FALSE(db->inUse());
    EXPECT_EQ(rs->columnIndexForName("RIGHT"), 1);
    EXPECT_FALSE(rs->next());
}

TEST_F(FMDatabaseTest, TextWithoutAStatementRunsNothingAndFreesTheConnection)
{
    for (const char* text : {"", "  -- a comment only"}) {
        EXPECT_TRUE(db->executeUpdate(text));
        auto rs = db->executeQuery(text);
        ASSERT_TRUE(rs);
        EXPECT_FALSE(db->inUse());
        EXPECT_FALSE(rs->next());
        rs.reset();
        auto next = db->executeQuery("SELECT * FROM stats");
        ASSERT_TRUE(next && next->next()) << text;
    }
}

TEST_F(FMDatabaseTest, GettersMatchNamesWithoutCaseAndFallBackForUnknownNamesAndNulls)
{
    ASSERT_TRUE(db->executeUpdate("INSERT INTO stats VALUES (?,?,?,?)", {"Intervals", QVariant(), 1, 9}));
    auto rs = db->executeQuery("SELECT MAX(right) as maxright ,MAX(wrong) as maxwrong FROM stats WHERE testName=?",
                               {"Intervals"});
    ASSERT_TRUE(rs && rs->next());
    EXPECT_EQ(rs->intForColumn("MAXRIGHT"), 7);
    EXPECT_EQ(rs->longForColumn("MaxWrong"), 9);
    LogCapture log;
    EXPECT_EQ(rs->intForColumn("Missing"), 0);
    EXPECT_EQ(log.lines(), QStringList{"Warning: I could not find the column named 'missing'."});
    EXPECT_TRUE(rs->stringForColumn("missing").isNull());
    EXPECT_FALSE(rs->dateForColumn("missing").isValid());
    rs->close();

    rs = db->executeQuery("SELECT itemName FROM stats WHERE wrong=9");
    ASSERT_TRUE(rs && rs->next());
    EXPECT_TRUE(rs->stringForColumn("itemName").isNull());
    EXPECT_EQ(rs->dateForColumn("itemName").toMSecsSinceEpoch(), 0);
    EXPECT_FALSE(rs->dataForColumn("itemName").isNull());
}

TEST_F(FMDatabaseTest, ValuesBindByTheirKind)
{
    EXPECT_EQ(stored(QVariant::fromValue<char>(5)), Stored("integer", "1"));
    EXPECT_EQ(stored(true), Stored("integer", "1"));
    EXPECT_EQ(stored(-42), Stored("integer", "-42"));
    EXPECT_EQ(stored(qlonglong(1) << 40), Stored("text", "1099511627776"));
    EXPECT_EQ(stored(4000000000u), Stored("text", "4000000000"));
    EXPECT_EQ(stored(1.5f), Stored("real", "1.5"));
    EXPECT_EQ(stored(QString::fromUtf8("Dur-Terz ä")), Stored("text", QString::fromUtf8("Dur-Terz ä")));
    EXPECT_EQ(stored(QVariant()).first, "null");
    EXPECT_EQ(stored(QVariant::fromValue(nullptr)).first, "null");

    const QDateTime date = QDateTime::fromMSecsSinceEpoch(1709665689500);
    EXPECT_EQ(stored(date), Stored("real", "1709665689.5"));
    auto rs = db->executeQuery("SELECT x FROM v");
    ASSERT_TRUE(rs && rs->next());
    EXPECT_EQ(rs->dateForColumnIndex(0), date);
    rs->close();

    const QByteArray blob("a\0b\xff", 4);
    EXPECT_EQ(stored(blob).first, "blob");
    rs = db->executeQuery("SELECT x FROM v");
    ASSERT_TRUE(rs && rs->next());
    EXPECT_EQ(rs->dataForColumn("x"), blob);
}

TEST_F(FMDatabaseTest, DatesOfAnySizeAreHeldToTheYearsOneTo9999)
{
    const QDateTime first(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
    const QDateTime last(QDate(9999, 12, 31), QTime(23, 59, 59), Qt::UTC);
    const std::pair<const char*, QDateTime> cases[] = {
        {"1e300", last}, {"9.3e15", last}, {"-1e300", first}, {"-9.3e15", first},
        {"9e999", last}, {"-9e999", first}, // infinities
        {"1709665689.5", QDateTime::fromMSecsSinceEpoch(1709665689500)},
    };
    for (const auto& [stored, expected] : cases) {
        auto rs = db->executeQuery(QStringLiteral("SELECT %1 AS d").arg(QLatin1String(stored)));
        ASSERT_TRUE(rs && rs->next());
        EXPECT_EQ(rs->dateForColumn("d"), expected) << stored;
        rs->close();
    }
}

TEST_F(FMDatabaseTest, CompileFailuresAndWrongValueCountsLeaveTheConnectionUsable)
{
    {
        LogCapture log;
        EXPECT_FALSE(db->executeUpdate("INSERT INTO nowhere VALUES (1"));
        EXPECT_EQ(db->executeQuery("SELEKT 1"), nullptr);
        EXPECT_TRUE(log.lines().isEmpty()); // silent unless asked to log
        EXPECT_EQ(db->lastErrorCode(), SQLITE_ERROR);
        EXPECT_TRUE(db->lastErrorMessage().contains("syntax error"));
    }
    {
        // The values are counted, not trusted.
        LogCapture log;
        EXPECT_FALSE(db->executeUpdate("INSERT INTO stats VALUES (?,?,?,?)", {"Intervals", "Fifth"}));
        EXPECT_TRUE(log.contains("the statement takes 4 values but 2 were given"));
        EXPECT_TRUE(log.contains("DB Query: INSERT INTO stats VALUES (?,?,?,?)"));
        EXPECT_EQ(db->executeQuery("SELECT * FROM stats", {1}), nullptr);
    }
    EXPECT_FALSE(db->inUse());
    EXPECT_TRUE(db->executeUpdate("INSERT INTO v VALUES (1)"));
    EXPECT_FALSE(db->hadError());

    db->setLogsErrors(true);
    LogCapture log;
    EXPECT_FALSE(db->executeUpdate("SELEKT 1"));
    ASSERT_EQ(log.lines().size(), 2);
    EXPECT_TRUE(log.lines()[0].startsWith("DB Error: 1 \""));
    EXPECT_EQ(log.lines()[1], "DB Query: SELEKT 1");
}

TEST_F(FMDatabaseTest, StepErrorsAreLoggedAndNeverLeaveTheConnectionInUse)
{
    const QString overflow = "INSERT INTO v VALUES (abs(-9223372036854775808))";
    {
        LogCapture log;
        EXPECT_FALSE(db->executeUpdate(overflow));
        EXPECT_EQ(log.lines(), (QStringList{"Error calling sqlite3_step (1: integer overflow) eu", "DB Query: " + overflow}));
        auto rs = db->executeQuery("SELECT abs(-9223372036854775808)");
        ASSERT_TRUE(rs);
        EXPECT_FALSE(rs->next());
        EXPECT_EQ(log.lines().last(), "Error calling sqlite3_step (1: integer overflow) rs");
        EXPECT_FALSE(db->executeUpdate("SELECT 1")); // updates must not yield rows
        EXPECT_TRUE(log.contains("rc!=SQLITE_ROW"));
        EXPECT_FALSE(db->inUse());
    }

    // Asked to, the layer throws, but only once the connection is free again.
    db->setCrashOnErrors(true);
    try {
        db->executeUpdate(overflow);
        ADD_FAILURE() << "no exception";
    } catch (const FMDatabaseException& e) {
        EXPECT_EQ(e.name(), "SQLITE_ERROR eu");
        EXPECT_EQ(e.reason(), "sqlite3_step");
    }
    auto rs = db->executeQuery("SELECT abs(-9223372036854775808)");
    ASSERT_TRUE(rs);
    EXPECT_THROW(rs->next(), FMDatabaseException);
    EXPECT_THROW(db->executeUpdate("DELETE FROM stats WHERE testName=?"), FMDatabaseException);
    EXPECT_FALSE(db->inUse());
    EXPECT_TRUE(db->executeUpdate("INSERT INTO v VALUES (2)"));
}

// Counts the busy answers SQLite gives our connection (declining to wait itself).
int countBusy(void* counter, int)
{
    ++*static_cast<std::atomic<int>*>(counter);
    return 0;
}

TEST_F(FMDatabaseTest, CountedBusyRetryGivesUpAtTheFifthAnswerForThree)
{
    std::atomic<int> busyAnswers{0};
    sqlite3_busy_handler(db->sqliteHandle(), countBusy, &busyAnswers);
    db->setBusyRetryTimeout(3);
    auto compiledBeforeTheLock = db->executeQuery("SELECT x FROM v");
    ASSERT_TRUE(compiledBeforeTheLock);
    sqlite3* other = lockingConnection();
    {
        LogCapture log;
        EXPECT_FALSE(compiledBeforeTheLock->next());
        EXPECT_EQ(busyAnswers, 5);
        EXPECT_EQ(log.lines(), (QStringList{"FMDatabaseException: Database too busy.", "DB Query: SELECT x FROM v"}));
        EXPECT_FALSE(db->inUse());
    }

    busyAnswers = 0;
    EXPECT_FALSE(db->executeUpdate("INSERT INTO v VALUES (1)"));
    EXPECT_EQ(busyAnswers, 5);
    db->setCrashOnErrors(true);
    try {
        db->executeUpdate("INSERT INTO v VALUES (1)");
        ADD_FAILURE() << "no exception";
    } catch (const FMDatabaseException& e) {
        EXPECT_EQ(e.name(), "FMDatabaseException");
        EXPECT_EQ(e.reason(), "Database too busy.");
    }
    EXPECT_FALSE(db->inUse());

    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_TRUE(db->executeUpdate("INSERT INTO v VALUES (1)"));
}

TEST_F(FMDatabaseTest, UnlimitedBusyRetryWaitsForALockToEndButNotForEver)
{
    // A fresh connection has not read the schema yet, so even compiling meets the lock.
    auto fresh = FMDatabase::databaseWithPath(path);
    ASSERT_TRUE(fresh->open());
    fresh->setBusyGiveUpSeconds(0.3);
    sqlite3* other = lockingConnection();
    {
        LogCapture log;
        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(fresh->executeQuery("SELECT x FROM v"), nullptr);
        EXPECT_GE(timer.elapsed(), 250);
        EXPECT_LT(timer.elapsed(), 3000);
        EXPECT_TRUE(log.contains("Database too busy."));
        EXPECT_FALSE(fresh->inUse());
    }
    std::thread releaser([other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    });
    EXPECT_TRUE(fresh->executeUpdate("INSERT INTO v VALUES (?)", {3}));
    releaser.join();
    sqlite3_close(other);
}

TEST_F(FMDatabaseTest, CloseWithAnUnfinishedResultSetDoesNotHang)
{
    auto rs = db->executeQuery("SELECT * FROM stats");
    ASSERT_TRUE(rs && rs->next());
    LogCapture log;
    db->close();
    EXPECT_EQ(db->sqliteHandle(), nullptr);
    EXPECT_FALSE(rs->next());
    db->close();
    EXPECT_TRUE(log.lines().isEmpty());
    EXPECT_EQ(db->executeQuery("SELECT * FROM stats"), nullptr);

    // Reopened; and the connection may go away before its result set.
    ASSERT_TRUE(db->open());
    auto again = db->executeQuery("SELECT count(*) FROM stats");
    ASSERT_TRUE(again && again->next());
    EXPECT_EQ(again->intForColumnIndex(0), 2);
    db.reset();
    EXPECT_FALSE(again->next());
    again->close();
}

TEST_F(FMDatabaseTest, OpenFailsInAMissingFolder)
{
    LogCapture log;
    auto missing = FMDatabase::databaseWithPath(env.root() + "/no/such/folder/db.sqlite");
    EXPECT_FALSE(missing->open());
    EXPECT_EQ(log.lines(), QStringList{QString("error opening!: %1").arg(SQLITE_CANTOPEN)});
}

} // namespace

TEST_F(FMDatabaseTest, BackupCopiesOneCommittedStateAndFailsWithoutAnOpenConnection)
{
    const QString copyPath = env.root() + "/copy.sqlite";
    // Replaces an older file at the path whole.
    QFile old(copyPath);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(8192, 'x'));
    old.close();
    ASSERT_TRUE(db->executeUpdate("INSERT INTO stats VALUES (?,?,?,?)", {"Intervals", "Third", 1, 0}));
    const qint64 changes = db->totalChanges();
    EXPECT_TRUE(db->backupToPath(copyPath));
    EXPECT_EQ(db->totalChanges(), changes);

    FMDatabase copy(copyPath);
    ASSERT_TRUE(copy.open());
    auto rows = copy.executeQuery("SELECT itemName FROM stats ORDER BY itemName");
    QStringList names;
    while (rows && rows->next())
        names << rows->stringForColumnIndex(0);
    rows.reset();
    EXPECT_EQ(names, (QStringList{"Fifth", "Octave", "Third"}));
    copy.close();

    LogCapture log;
    EXPECT_FALSE(db->backupToPath(env.root() + "/no such folder/copy.sqlite"));
    db->close();
    EXPECT_FALSE(db->backupToPath(copyPath));
    EXPECT_EQ(log.lines().size(), 2);
}
