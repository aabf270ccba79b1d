// The weighted choice of the next question reads one exercise's statistics rows and turns
// them into a draw pool. Measured over a file of 100,000 results rows and 500 stats rows,
// spread over 10 exercises of 50 items or held by one exercise of 500 items.
#include "FMDatabase.h"
#include "FMResultSet.h"
#include "Paths.h"

#include <QFile>
#include <QSet>
#include <QStringList>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>

namespace {

constexpr int kStatsRows = 500;
constexpr int kResultsRows = 100000;

QString exerciseName(int index)
{
    return QStringLiteral("Exercise %1").arg(index);
}

QString itemName(int index)
{
    return QStringLiteral("Item '%1'").arg(index); // a quote inside, as custom names may have
}

// A statistics file with `exercises` exercises sharing the 500 stats rows between them.
struct StatsFile {
    explicit StatsFile(int exercises)
    {
        path = dir.path() + QStringLiteral("/db.sqlite");
        const QString templatePath = Paths::resource(QStringLiteral("db.sqlite"));
        db = FMDatabase::databaseWithPath(path);
        const bool fromTemplate = QFile::copy(templatePath, path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        if (!db->open()) {
            std::fprintf(stderr, "cannot open %s\n", qPrintable(path));
            return;
        }
        if (!fromTemplate) {
            db->executeUpdate(QStringLiteral("CREATE TABLE stats (testName TEXT, itemName TEXT, right INTEGER, wrong INTEGER)"));
            db->executeUpdate(QStringLiteral("CREATE INDEX stats_test_item ON stats (testName, itemName)"));
            db->executeUpdate(QStringLiteral("CREATE TABLE results (testName TEXT, itemName TEXT, result INTEGER, "
                                             "numTryouts INTEGER, date TEXT)"));
        }
        const int itemsPerExercise = kStatsRows / exercises;
        db->beginTransaction();
        for (int e = 0; e < exercises; ++e) {
            for (int i = 0; i < itemsPerExercise; ++i) {
                db->executeUpdate(QStringLiteral("INSERT into stats (testName, itemName, right, wrong) VALUES(?,?,?,?)"),
                                  {exerciseName(e), itemName(i), (i * 7) % 23, (i * 5) % 11});
            }
        }
        db->executeUpdate(QStringLiteral(
                              "WITH RECURSIVE n(k) AS (SELECT 0 UNION ALL SELECT k + 1 FROM n WHERE k + 1 < ?) "
                              "INSERT INTO results (testName, itemName, result, numTryouts, date) "
                              "SELECT 'Exercise ' || (k % ?), 'Item ''' || (k % ?) || '''', k % 2, 3, "
                              "'2024-03-05 19:08:09' FROM n"),
                          {kResultsRows, exercises, itemsPerExercise});
        db->commit();
        auto count = db->executeQuery(QStringLiteral("SELECT (SELECT count(*) FROM results) AS r, (SELECT count(*) FROM stats) AS s"));
        if (count && count->next()
            && (count->intForColumn(QStringLiteral("r")) != kResultsRows || count->intForColumn(QStringLiteral("s")) != kStatsRows))
            std::fprintf(stderr, "unexpected row counts: %d results, %d stats\n", count->intForColumn(QStringLiteral("r")),
                         count->intForColumn(QStringLiteral("s")));
        if (count)
            count->close();
        for (int i = 0; i < itemsPerExercise; ++i)
            items << itemName(i);
        // A few items of the exercise have never been asked: they have no row.
        for (int i = 0; i < itemsPerExercise / 8; ++i)
            items << QStringLiteral("Unasked %1").arg(i);
    }

    QTemporaryDir dir;
    QString path;
    std::unique_ptr<FMDatabase> db;
    QStringList items;
};

// The pool of one draw: every item once, plus round(wrong share / 25 %) copies for rows
// with answers, plus 4 copies for items never asked.
QStringList weightedPool(FMDatabase* db, const QString& exercise, const QStringList& items)
{
    QStringList literals;
    literals.reserve(items.size());
    for (const QString& name : items)
        literals << QLatin1Char('\'') + QString(name).replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
    const QString sql = QStringLiteral("SELECT itemName,right,wrong FROM stats WHERE testName=? AND %1")
                            .arg(QStringLiteral("itemName IN (%1)").arg(literals.join(QLatin1Char(','))));

    QStringList pool = items;
    QSet<QString> answered;
    auto rs = db->executeQuery(sql, {exercise});
    while (rs && rs->next()) {
        const QString name = rs->stringForColumn(QStringLiteral("itemName"));
        const double right = rs->doubleForColumn(QStringLiteral("right"));
        const double wrong = rs->doubleForColumn(QStringLiteral("wrong"));
        answered.insert(name);
        if (right + wrong <= 0)
            continue;
        const long copies = std::lround(wrong * 100.0 / (right + wrong) / 25.0);
        for (long c = 0; c < copies; ++c)
            pool << name;
    }
    for (const QString& name : items)
        if (!answered.contains(name))
            for (int c = 0; c < 4; ++c)
                pool << name;
    return pool;
}

void BM_WeightedStatsQuery(benchmark::State& state)
{
    StatsFile file(int(state.range(0)));
    const QString exercise = exerciseName(0);
    qsizetype poolSize = 0;
    for (auto _ : state) {
        const QStringList pool = weightedPool(file.db.get(), exercise, file.items);
        poolSize = pool.size();
        benchmark::DoNotOptimize(poolSize);
    }
    state.counters["items"] = double(file.items.size());
    state.counters["pool"] = double(poolSize);
}
// 10 exercises of 50 items each, then one exercise holding all 500 rows.
BENCHMARK(BM_WeightedStatsQuery)->Arg(10)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
