#include "FMDatabase.h"
#include "FMResultSet.h"
#include "TestEnvironment.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ostream>
#include <thread>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

class FMDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = env.root() + QStringLiteral("/test.sqlite");
        db = FMDatabase::databaseWithPath(path);
        ASSERT_TRUE(db->open());
        ASSERT_TRUE(db->executeUpdate(QStringLiteral(
            "CREATE TABLE stats (testName TEXT, itemName TEXT, right INTEGER, wrong INTEGER)")));
        // No declared type, so typeof() shows how a value was bound.
        ASSERT_TRUE(db->executeUpdate(QStringLiteral("CREATE TABLE v (x)")));
    }

    void addStats(const QString& item, int right, int wrong)
    {
        ASSERT_TRUE(db->executeUpdate(QStringLiteral("INSERT INTO stats VALUES (?,?,?,?)"),
                                      {QStringLiteral("Intervals"), item, right, wrong}));
    }

    // Binds one value into v and answers (typeof, text) of what was stored.
    std::pair<QString, QString> stored(const QVariant& value)
    {
        EXPECT_TRUE(db->executeUpdate(QStringLiteral("DELETE FROM v")));
        EXPECT_TRUE(db->executeUpdate(QStringLiteral("INSERT INTO v VALUES (?)"), {value}));
        auto rs = db->executeQuery(QStringLiteral("SELECT typeof(x) AS t, x FROM v"));
        EXPECT_TRUE(rs && rs->next());
        std::pair<QString, QString> result{rs->stringForColumn(QStringLiteral("t")),
                                           rs->stringForColumn(QStringLiteral("x"))};
        rs->close();
        return result;
    }

    // A second connection on the same file, as another process would hold it.
    sqlite3* otherConnection()
    {
        sqlite3* other = nullptr;
        EXPECT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
        return other;
    }

    TestEnvironment env;
    QString path;
    std::unique_ptr<FMDatabase> db;
};

TEST_F(FMDatabaseTest, SecondStatementIsRefusedWhileAResultSetIsOpen)
{
    addStats(QStringLiteral("Fifth"), 1, 2);
    addStats(QStringLiteral("Octave"), 3, 4);
    auto first = db->executeQuery(QStringLiteral("SELECT * FROM stats"));
    ASSERT_TRUE(first);
    ASSERT_TRUE(first->next());

    LogCapture log;
    EXPECT_EQ(db->executeQuery(QStringLiteral("SELECT * FROM stats")), nullptr);
    EXPECT_FALSE(db->executeUpdate(QStringLiteral("DELETE FROM stats")));
    EXPECT_EQ(db->lastInsertRowId(), 0);
    ASSERT_EQ(log.lines().size(), 3);
    EXPECT_EQ(log.lines().first(),
              QStringLiteral("The FMDatabase %1 is currently in use.").arg(db->description()));
    EXPECT_TRUE(db->description().startsWith(QStringLiteral("<FMDatabase: 0x")));

    // Exhausting the set frees the connection.
    while (first->next()) {
    }
    auto second = db->executeQuery(QStringLiteral("SELECT * FROM stats"));
    ASSERT_TRUE(second);
    // An explicit close frees it as well.
    second->close();
    EXPECT_TRUE(db->executeUpdate(QStringLiteral("DELETE FROM stats WHERE itemName=?"), {QStringLiteral("Fifth")}));

    // Dropping an open set frees the connection; dropping an old closed one does not free
    // a statement that is running now.
    auto open = db->executeQuery(QStringLiteral("SELECT * FROM stats"));
    ASSERT_TRUE(open && open->next());
    open.reset();
    auto running = db->executeQuery(QStringLiteral("SELECT * FROM stats"));
    ASSERT_TRUE(running);
    first.reset();
    second.reset();
    EXPECT_TRUE(db->inUse());
    running->close();
    running->close();
    EXPECT_FALSE(db->inUse());
}

TEST_F(FMDatabaseTest, QueryWithoutRowsClosesAtOnceAndStillKnowsItsColumns)
{
    auto rs = db->executeQuery(QStringLiteral("SELECT itemName, right FROM stats WHERE testName=?"),
                               {QStringLiteral("none")});
    ASSERT_TRUE(rs);
    EXPECT_FALSE(rs->next());
    EXPECT_FALSE(db->inUse());
    EXPECT_EQ(rs->columnIndexForName(QStringLiteral("RIGHT")), 1);
    EXPECT_TRUE(db->executeUpdate(QStringLiteral("DELETE FROM stats")));
    // A finished set stays finished.
    EXPECT_FALSE(rs->next());
}

TEST_F(FMDatabaseTest, GettersMatchNamesWithoutCaseAndFallBackForUnknownNamesAndNulls)
{
    addStats(QStringLiteral("Fifth"), 7, 2);
    ASSERT_TRUE(db->executeUpdate(QStringLiteral("INSERT INTO stats VALUES (?,?,?,?)"),
                                  {QStringLiteral("Intervals"), QVariant(), 1, 9}));
    auto rs = db->executeQuery(QStringLiteral(
        "SELECT MAX(right) as maxright ,MAX(wrong) as maxwrong FROM stats WHERE testName=?"),
                               {QStringLiteral("Intervals")});
    ASSERT_TRUE(rs && rs->next());
    EXPECT_EQ(rs->intForColumn(QStringLiteral("MAXRIGHT")), 7);
    EXPECT_EQ(rs->longForColumn(QStringLiteral("MaxWrong")), 9);
    EXPECT_DOUBLE_EQ(rs->doubleForColumn(QStringLiteral("maxright")), 7.0);

    LogCapture log;
    EXPECT_EQ(rs->intForColumn(QStringLiteral("Missing")), 0);
    EXPECT_EQ(log.lines(), QStringList{QStringLiteral("Warning: I could not find the column named 'missing'.")});
    EXPECT_TRUE(rs->stringForColumn(QStringLiteral("missing")).isNull());
    EXPECT_FALSE(rs->dateForColumn(QStringLiteral("missing")).isValid());
    EXPECT_TRUE(rs->dataForColumn(QStringLiteral("missing")).isNull());
    EXPECT_FALSE(rs->boolForColumn(QStringLiteral("missing")));
    rs->close();

    rs = db->executeQuery(QStringLiteral("SELECT itemName, wrong FROM stats WHERE wrong=9"));
    ASSERT_TRUE(rs && rs->next());
    EXPECT_TRUE(rs->stringForColumn(QStringLiteral("itemName")).isNull());
    EXPECT_EQ(rs->intForColumn(QStringLiteral("itemName")), 0);
    EXPECT_EQ(rs->dateForColumn(QStringLiteral("itemName")).toMSecsSinceEpoch(), 0);
    const QByteArray data = rs->dataForColumn(QStringLiteral("itemName"));
    EXPECT_TRUE(data.isEmpty());
    EXPECT_FALSE(data.isNull());

    // Only non-NULL columns reach the target.
    QObject target;
    target.setProperty("itemName", QStringLiteral("kept"));
    rs->kvcMagic(&target);
    EXPECT_EQ(target.property("itemName").toString(), QStringLiteral("kept"));
    EXPECT_EQ(target.property("wrong").toString(), QStringLiteral("9"));
    rs->close();
}

TEST_F(FMDatabaseTest, ValuesBindByTheirKind)
{
    EXPECT_EQ(stored(QVariant::fromValue<char>(5)), std::make_pair(QStringLiteral("integer"), QStringLiteral("1")));
    EXPECT_EQ(stored(QVariant(true)), std::make_pair(QStringLiteral("integer"), QStringLiteral("1")));
    EXPECT_EQ(stored(QVariant(-42)), std::make_pair(QStringLiteral("integer"), QStringLiteral("-42")));
    EXPECT_EQ(stored(QVariant(qlonglong(1) << 40)), std::make_pair(QStringLiteral("text"), QStringLiteral("1099511627776")));
    EXPECT_EQ(stored(QVariant::fromValue<short>(-3)), std::make_pair(QStringLiteral("text"), QStringLiteral("-3")));
    EXPECT_EQ(stored(QVariant(4000000000u)), std::make_pair(QStringLiteral("text"), QStringLiteral("4000000000")));
    EXPECT_EQ(stored(QVariant::fromValue<uchar>(200)), std::make_pair(QStringLiteral("text"), QStringLiteral("200")));
    EXPECT_EQ(stored(QVariant(1.5f)), std::make_pair(QStringLiteral("real"), QStringLiteral("1.5")));
    EXPECT_EQ(stored(QVariant(0.25)), std::make_pair(QStringLiteral("real"), QStringLiteral("0.25")));
    EXPECT_EQ(stored(QStringLiteral("Dur-Terz ä")), std::make_pair(QStringLiteral("text"), QStringLiteral("Dur-Terz ä")));
    EXPECT_EQ(stored(QVariant()).first, QStringLiteral("null"));
    EXPECT_EQ(stored(QVariant::fromValue(nullptr)).first, QStringLiteral("null"));
    EXPECT_EQ(stored(QVariant(QUrl(QStringLiteral("https://example.org/a")))),
              std::make_pair(QStringLiteral("text"), QStringLiteral("https://example.org/a")));

    const QDateTime date = QDateTime::fromMSecsSinceEpoch(1709665689500);
    EXPECT_EQ(stored(date).first, QStringLiteral("real"));
    auto rs = db->executeQuery(QStringLiteral("SELECT x FROM v"));
    ASSERT_TRUE(rs && rs->next());
    EXPECT_DOUBLE_EQ(rs->doubleForColumnIndex(0), 1709665689.5);
    EXPECT_EQ(rs->dateForColumnIndex(0), date);
    rs->close();

    const QByteArray blob("a\0b\xff", 4);
    EXPECT_EQ(stored(blob).first, QStringLiteral("blob"));
    rs = db->executeQuery(QStringLiteral("SELECT x FROM v"));
    ASSERT_TRUE(rs && rs->next());
    EXPECT_EQ(rs->dataForColumn(QStringLiteral("x")), blob);
    rs->close();
}

TEST_F(FMDatabaseTest, CompileFailuresAreSilentByDefaultAndLeaveTheConnectionUsable)
{
    {
        LogCapture log;
        EXPECT_FALSE(db->executeUpdate(QStringLiteral("INSERT INTO nowhere VALUES (1")));
        EXPECT_EQ(db->executeQuery(QStringLiteral("SELEKT 1")), nullptr);
        EXPECT_TRUE(log.lines().isEmpty());
        EXPECT_EQ(db->lastErrorCode(), SQLITE_ERROR);
        EXPECT_TRUE(db->hadError());
        EXPECT_TRUE(db->lastErrorMessage().contains(QStringLiteral("syntax error")));
    }
    // No parameters and no values: the statement runs.
    EXPECT_TRUE(db->executeUpdate(QStringLiteral("INSERT INTO v VALUES (1)")));
    EXPECT_FALSE(db->hadError());

    db->setLogsErrors(true);
    LogCapture log;
    EXPECT_FALSE(db->executeUpdate(QStringLiteral("SELEKT 1")));
    ASSERT_EQ(log.lines().size(), 2);
    EXPECT_TRUE(log.lines()[0].startsWith(QStringLiteral("DB Error: 1 \"")));
    EXPECT_EQ(log.lines()[1], QStringLiteral("DB Query: SELEKT 1"));

    db->setCrashOnErrors(true);
    try {
        db->executeQuery(QStringLiteral("SELEKT 1"));
        ADD_FAILURE() << "no exception";
    } catch (const FMDatabaseException& e) {
        EXPECT_EQ(e.name(), QStringLiteral("FMDatabaseException"));
        EXPECT_TRUE(e.reason().startsWith(QStringLiteral("(1) \"")));
    }
    EXPECT_FALSE(db->inUse());
    EXPECT_TRUE(db->goodConnection());
}

TEST_F(FMDatabaseTest, ValueCountMustMatchTheParameters)
{
    LogCapture log;
    EXPECT_FALSE(db->executeUpdate(QStringLiteral("INSERT INTO stats VALUES (?,?,?,?)"),
                                   {QStringLiteral("Intervals"), QStringLiteral("Fifth")}));
    EXPECT_TRUE(log.contains(QStringLiteral("the statement takes 4 values but 2 were given")));
    EXPECT_TRUE(log.contains(QStringLiteral("DB Query: INSERT INTO stats VALUES (?,?,?,?)")));
    EXPECT_EQ(db->executeQuery(QStringLiteral("SELECT * FROM stats"), {1}), nullptr);
    EXPECT_FALSE(db->inUse());

    auto rs = db->executeQuery(QStringLiteral("SELECT count(*) AS n FROM stats"));
    ASSERT_TRUE(rs && rs->next());
    EXPECT_EQ(rs->intForColumn(QStringLiteral("n")), 0);
    rs->close();

    db->setCrashOnErrors(true);
    EXPECT_THROW(db->executeUpdate(QStringLiteral("DELETE FROM stats WHERE testName=?")), FMDatabaseException);
    EXPECT_FALSE(db->inUse());
}

TEST_F(FMDatabaseTest, StepErrorsAreLoggedAndNeverLeaveTheConnectionInUse)
{
    const QString overflow = QStringLiteral("INSERT INTO v VALUES (abs(-9223372036854775808))");
    {
        LogCapture log;
        EXPECT_FALSE(db->executeUpdate(overflow));
        EXPECT_EQ(log.lines(), (QStringList{QStringLiteral("Error calling sqlite3_step (1: integer overflow) eu"),
                                            QStringLiteral("DB Query: ") + overflow}));
        EXPECT_FALSE(db->inUse());
    }
    {
        // A constraint failure is not one of the two named codes.
        ASSERT_TRUE(db->executeUpdate(QStringLiteral("CREATE TABLE u (k UNIQUE)")));
        ASSERT_TRUE(db->executeUpdate(QStringLiteral("INSERT INTO u VALUES (1)")));
        LogCapture log;
        EXPECT_FALSE(db->executeUpdate(QStringLiteral("INSERT INTO u VALUES (1)")));
        ASSERT_FALSE(log.lines().isEmpty());
        EXPECT_TRUE(log.lines()[0].startsWith(QStringLiteral("Unknown error calling sqlite3_step (19: ")));
    }
    {
        LogCapture log;
        auto rs = db->executeQuery(QStringLiteral("SELECT abs(-9223372036854775808)"));
        ASSERT_TRUE(rs);
        EXPECT_FALSE(rs->next());
        EXPECT_EQ(log.lines(), QStringList{QStringLiteral("Error calling sqlite3_step (1: integer overflow) rs")});
        EXPECT_FALSE(db->inUse());
    }
    {
        // Updates must not yield rows.
        LogCapture log;
        EXPECT_FALSE(db->executeUpdate(QStringLiteral("SELECT 1")));
        EXPECT_TRUE(log.contains(QStringLiteral("rc!=SQLITE_ROW")));
        EXPECT_FALSE(db->inUse());
    }

    db->setCrashOnErrors(true);
    try {
        db->executeUpdate(overflow);
        ADD_FAILURE() << "no exception";
    } catch (const FMDatabaseException& e) {
        EXPECT_EQ(e.name(), QStringLiteral("SQLITE_ERROR eu"));
        EXPECT_EQ(e.reason(), QStringLiteral("sqlite3_step"));
    }
    EXPECT_FALSE(db->inUse());
    auto rs = db->executeQuery(QStringLiteral("SELECT abs(-9223372036854775808)"));
    ASSERT_TRUE(rs);
    try {
        rs->next();
        ADD_FAILURE() << "no exception";
    } catch (const FMDatabaseException& e) {
        EXPECT_EQ(e.name(), QStringLiteral("SQLITE_ERROR"));
    }
    EXPECT_FALSE(db->inUse());
    EXPECT_TRUE(db->executeUpdate(QStringLiteral("INSERT INTO v VALUES (2)")));
}

// Counts the busy answers SQLite gives our connection (declining to wait itself).
int countBusy(void* counter, int)
{
    ++*static_cast<std::atomic<int>*>(counter);
    return 0;
}

TEST_F(FMDatabaseTest, CountedBusyRetryGivesUpAtTheExpectedAnswer)
{
    std::atomic<int> busyAnswers{0};
    sqlite3_busy_handler(db->sqliteHandle(), countBusy, &busyAnswers);
    sqlite3* other = otherConnection();
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);

    db->setBusyRetryTimeout(3);
    {
        LogCapture log;
        EXPECT_FALSE(db->executeUpdate(QStringLiteral("INSERT INTO v VALUES (1)")));
        EXPECT_EQ(busyAnswers, 5);
        EXPECT_TRUE(log.contains(QStringLiteral("Database too busy.")));
        EXPECT_FALSE(db->inUse());
    }

    // A query compiled before the lock gives up in its step and frees the connection.
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    auto rs = db->executeQuery(QStringLiteral("SELECT x FROM v"));
    ASSERT_TRUE(rs);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    busyAnswers = 0;
    {
        LogCapture log;
        EXPECT_FALSE(rs->next());
        EXPECT_EQ(busyAnswers, 5);
        EXPECT_TRUE(log.contains(QStringLiteral("DB Query: SELECT x FROM v")));
        EXPECT_FALSE(db->inUse());
    }

    db->setCrashOnErrors(true);
    try {
        db->executeUpdate(QStringLiteral("INSERT INTO v VALUES (1)"));
        ADD_FAILURE() << "no exception";
    } catch (const FMDatabaseException& e) {
        EXPECT_EQ(e.name(), QStringLiteral("FMDatabaseException"));
        EXPECT_EQ(e.reason(), QStringLiteral("Database too busy."));
    }
    EXPECT_FALSE(db->inUse());

    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_TRUE(db->executeUpdate(QStringLiteral("INSERT INTO v VALUES (1)")));
}

TEST_F(FMDatabaseTest, UnlimitedBusyRetryWaitsForALockToEndButNotForEver)
{
    // A fresh connection has not read the schema yet, so even compiling meets the lock.
    auto fresh = FMDatabase::databaseWithPath(path);
    ASSERT_TRUE(fresh->open());
    fresh->setBusyGiveUpSeconds(0.3);
    sqlite3* other = otherConnection();
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);

    {
        LogCapture log;
        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(fresh->executeQuery(QStringLiteral("SELECT x FROM v")), nullptr);
        EXPECT_GE(timer.elapsed(), 250);
        EXPECT_LT(timer.elapsed(), 3000);
        EXPECT_TRUE(log.contains(QStringLiteral("FMDatabaseException: Database too busy.")));
        EXPECT_FALSE(fresh->inUse());
    }

    // A lock that ends while we wait: the statement goes through.
    std::thread releaser([other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    });
    EXPECT_TRUE(fresh->executeUpdate(QStringLiteral("INSERT INTO v VALUES (?)"), {3}));
    releaser.join();
    sqlite3_close(other);
}

TEST_F(FMDatabaseTest, CloseWithAnUnfinishedResultSetDoesNotHang)
{
    addStats(QStringLiteral("Fifth"), 1, 0);
    addStats(QStringLiteral("Octave"), 0, 1);
    auto rs = db->executeQuery(QStringLiteral("SELECT * FROM stats"));
    ASSERT_TRUE(rs && rs->next());

    LogCapture log;
    db->close();
    EXPECT_EQ(db->sqliteHandle(), nullptr);
    EXPECT_TRUE(log.lines().isEmpty());
    EXPECT_FALSE(rs->next());
    rs->close();

    // Closing again does nothing; a closed connection refuses quietly.
    db->close();
    EXPECT_EQ(db->executeQuery(QStringLiteral("SELECT * FROM stats")), nullptr);
    EXPECT_FALSE(db->goodConnection());

    ASSERT_TRUE(db->open());
    auto again = db->executeQuery(QStringLiteral("SELECT count(*) FROM stats"));
    ASSERT_TRUE(again && again->next());
    EXPECT_EQ(again->intForColumnIndex(0), 2);
    // The connection may go away before its result set.
    db.reset();
    EXPECT_FALSE(again->next());
    again.reset();
}

TEST_F(FMDatabaseTest, OpenFailsInAMissingFolder)
{
    LogCapture log;
    auto missing = FMDatabase::databaseWithPath(env.root() + QStringLiteral("/no/such/folder/db.sqlite"));
    EXPECT_FALSE(missing->open());
    EXPECT_EQ(log.lines(), QStringList{QStringLiteral("error opening!: %1").arg(SQLITE_CANTOPEN)});
    EXPECT_EQ(missing->executeQuery(QStringLiteral("SELECT 1")), nullptr);
}

TEST_F(FMDatabaseTest, TransactionsDoNotBlockStatements)
{
    ASSERT_TRUE(db->beginTransaction());
    EXPECT_TRUE(db->inTransaction());
    EXPECT_TRUE(db->inUse());
    addStats(QStringLiteral("Fifth"), 1, 0);
    ASSERT_TRUE(db->rollback());
    EXPECT_FALSE(db->inUse());

    ASSERT_TRUE(db->beginDeferredTransaction());
    addStats(QStringLiteral("Octave"), 1, 0);
    ASSERT_TRUE(db->commit());
    EXPECT_FALSE(db->inTransaction());
    EXPECT_GT(db->lastInsertRowId(), 0);
    auto rs = db->executeQuery(QStringLiteral("SELECT group_concat(itemName) AS names FROM stats"));
    ASSERT_TRUE(rs && rs->next());
    EXPECT_EQ(rs->stringForColumn(QStringLiteral("names")), QStringLiteral("Octave"));
    rs->close();
}

} // namespace
