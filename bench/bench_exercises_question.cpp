// Building a question from an item and its music sequence, as every play does.
#include "RandomSource.h"
#include "TestEnvironment.h"
#include "ZTChord.h"
#include "ZTClassRegistry.h"
#include "ZTPreferences.h"
#include "ZTScale.h"

#include <benchmark/benchmark.h>

namespace {

QVariantMap stepsItem(const QList<int>& degrees, const QString& chordId = {})
{
    QVariantList steps;
    for (int degree : degrees)
        steps.append(QVariantMap{{"notes", QVariantList{QVariantMap{{"pos", degree}, {"off", 0}}}}});
    QVariantMap item{{"name", "Bench"}, {"definition", steps}, {"isMinor", false}};
    if (!chordId.isEmpty())
        item.insert("chordId", chordId);
    return item;
}

// Settings live in a throw-away home for the whole run.
struct BenchHome {
    BenchHome() { ZTPreferences::sharedPreferences(); }
    TestEnvironment env;
};

BenchHome& home()
{
    static BenchHome h;
    return h;
}

void BM_ScaleQuestionAndSequence(benchmark::State& state)
{
    home();
    const QVariantMap item = stepsItem({1, 2, 3, 4, 5, 6, 7, 8});
    RandomSource::shared().seed(1);
    for (auto _ : state) {
        auto question = ZTTest::create<ZTScale>(item);
        question->setRootNoteRange({48, 24});
        question->setPlayMode(ZTMusicalTest::Arpeggio);
        question->updateRootNote();
        MusicSequence sequence = question->newMusicSequenceWithTempo(100);
        benchmark::DoNotOptimize(sequence);
    }
}
BENCHMARK(BM_ScaleQuestionAndSequence);

void BM_ChordQuestionByNameAndSequence(benchmark::State& state)
{
    home();
    const QVariantMap item = stepsItem({1, 3, 5, 7}, "maj7");
    ZTClassRegistry* registry = ZTClassRegistry::sharedRegistry();
    RandomSource::shared().seed(1);
    qlonglong inversion = 0;
    for (auto _ : state) {
        std::unique_ptr<ZTTest> test = registry->createQuestion("ZTChord", item);
        auto* chord = static_cast<ZTChord*>(test.get());
        chord->setUserInfo(inversion++ % 4);
        chord->updateRootNote();
        MusicSequence sequence = chord->newMusicSequenceWithTempo(120);
        benchmark::DoNotOptimize(sequence);
    }
}
BENCHMARK(BM_ChordQuestionByNameAndSequence);

void BM_SpellingString(benchmark::State& state)
{
    home();
    auto question = ZTTest::create<ZTScale>(stepsItem({1, 2, 3, 4, 5, 6, 7, 8}));
    question->setRootNoteNr(61);
    for (auto _ : state)
        benchmark::DoNotOptimize(question->spellingString());
}
BENCHMARK(BM_SpellingString);

} // namespace

BENCHMARK_MAIN();
