// Choosing and building the next question (weighted draw from the statistics, question set-up,
// music sequence) with a well-used statistics database: 100,000 answers on file.
#include "FMDatabase.h"
#include "FMResultSet.h"
#include "RandomSource.h"
#include "TestEnvironment.h"
#include "ZTAbstractTestController.h"
#include "ZTChordController.h"
#include "ZTDataProvider.h"
#include "ZTIntervalController.h"
#include "ZTPreferences.h"
#include "ZTUtils.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kResultRows = 100000;

// A throw-away home whose database holds the answers of every item of the bundle.
struct BenchHome {
    BenchHome()
    {
        ZTPreferences::sharedPreferences();
        ZTDataProvider* catalogue = ZTDataProvider::sharedDataProvider();
        catalogue->setup();
        FMDatabase* db = ZTUtils::sharedDb();
        if (!db || !db->open())
            return;
        QList<std::pair<QString, QString>> pairs;
        for (const QString& test : catalogue->testNames())
            for (const QString& item : catalogue->allTestItemsForTestWithName(test))
                pairs.append({test, item});
        if (pairs.isEmpty())
            return;
        RandomSource::shared().seed(3);
        db->beginTransaction();
        for (const auto& [test, item] : pairs)
            db->executeUpdate("INSERT into stats (testName, itemName, right, wrong) VALUES(?,?,?,?)",
                              {test, item, int(RandomSource::shared().below(50)), int(RandomSource::shared().below(50))});
        for (int i = 0; i < kResultRows; ++i) {
            const auto& [test, item] = pairs.at(i % pairs.size());
            db->executeUpdate("INSERT into results (testName, itemName, result, numTryouts, date) VALUES(?,?,?,?,?)",
                              {test, item, i % 2, 2, QStringLiteral("2024-03-05 19:08:09")});
        }
        db->commit();
    }
    TestEnvironment env;
    ManualMainQueue queue;
};

BenchHome& home()
{
    static BenchHome h;
    return h;
}

// The level of the exercise holding the most items.
qlonglong largestLevel(const QString& test)
{
    ZTDataProvider* catalogue = ZTDataProvider::sharedDataProvider();
    const int levels = catalogue->levelsForTestWithName(test).size();
    return std::max(0, levels - 1);
}

template <typename Controller>
void nextQuestion(benchmark::State& state, const QString& test)
{
    home();
    auto controller = ZTAbstractTestController::create<Controller>(largestLevel(test));
    RandomSource::shared().seed(1);
    for (auto _ : state) {
        controller->nextTest();
        benchmark::DoNotOptimize(controller->currentTest());
    }
    state.counters["items"] = double(controller->items().size());
}

void BM_NextIntervalQuestion(benchmark::State& state)
{
    nextQuestion<ZTIntervalController>(state, "Interval recognition");
}
BENCHMARK(BM_NextIntervalQuestion);

void BM_NextChordQuestion(benchmark::State& state)
{
    nextQuestion<ZTChordController>(state, "Chord recognition");
}
BENCHMARK(BM_NextChordQuestion);

void BM_WeightedDrawOnly(benchmark::State& state)
{
    home();
    auto controller = ZTAbstractTestController::create<ZTChordController>(largestLevel("Chord recognition"));
    for (auto _ : state)
        benchmark::DoNotOptimize(controller->createNextTestIndex());
    auto rows = ZTUtils::sharedDb()->executeQuery("SELECT count(*) AS n FROM results");
    state.counters["results"] = rows && rows->next() ? rows->doubleForColumn("n") : 0;
}
BENCHMARK(BM_WeightedDrawOnly);

} // namespace

BENCHMARK_MAIN();
