// Building the exercise catalogue: the bundle's Tests.plist, and a large generated one
// with custom items and custom levels merged in.
#include "ZTDataProvider.h"

#include "Log.h"
#include "PropertyList.h"
#include "TestEnvironment.h"

#include <QApplication>
#include <QFileInfo>

#include <benchmark/benchmark.h>

namespace {

QVariantMap generatedExercise(const QString& name, int items, int groups, int levels)
{
    QVariantList groupList;
    for (int g = 0; g < groups; ++g)
        groupList << QVariantMap{{"id", QString("g%1").arg(g)}, {"name", QString("Group %1").arg(g)}};
    QVariantList itemList;
    for (int i = 0; i < items; ++i) {
        QVariantList notes;
        for (int n = 0; n < 4; ++n)
            notes << QVariantMap{{"pos", qlonglong(1 + 2 * n)}, {"off", qlonglong(i % 3 - 1)}};
        itemList << QVariantMap{{"name", QString("%1 item %2").arg(name).arg(i)},
                                {"group", QString("g%1").arg(i % groups)},
                                {"level", qlonglong(i % levels)},
                                {"chordId", QString("c%1").arg(i)},
                                {"definition", QVariantList{QVariantMap{{"notes", notes}}}}};
    }
    QStringList levelNames;
    QVariantList additional;
    for (int l = 0; l < levels; ++l) {
        levelNames << QString("Level %1").arg(l + 1);
        additional << QVariantMap{{"scales", QStringList{QString("Extra %1").arg(l)}}};
    }
    return {{"name", name}, {"class", "ZTChord"}, {"items", itemList}, {"groups", groupList},
            {"settings", QVariantList{QVariantMap{{"name", "level"}, {"type", "select"}, {"values", levelNames},
                                                  {"default", levelNames.first()}, {"additionalData", additional}}}}};
}

QVariantList generatedCatalogue()
{
    QVariantList tests;
    for (const char* name : {"Scale recognition", "Chord recognition", "Chord progressions"})
        tests << generatedExercise(name, 300, 10, 12);
    for (int e = 0; e < 10; ++e)
        tests << generatedExercise(QString("Exercise %1").arg(e), 300, 10, 12);
    QVariantMap borrower{{"name", "Chords on staff"}, {"class", "ZTChord"}, {"itemRef", "Chord recognition"}};
    tests << borrower;
    return tests;
}

ZTDataProvider::CustomListSource customLists()
{
    auto items = [](const QString& test) {
        QVariantList list;
        for (int i = 0; i < 50; ++i)
            list << QVariantMap{{"name", QString("Custom %1").arg(i)}, {"group", QString("g%1").arg(i % 10)}};
        return list;
    };
    auto levels = [](const QString& test) {
        QVariantList list;
        for (int i = 0; i < 5; ++i)
            list << QVariantMap{{"name", QString("Mine %1").arg(i)}, {"items", QStringList{"Custom 1", "Custom 2"}}};
        return list;
    };
    return {items, levels};
}

void BM_CatalogueSetupBundle(benchmark::State& state)
{
    TestEnvironment env;
    if (!QFileInfo::exists(env.copyOfResources() + "/Tests.plist")) {
        state.SkipWithError("the bundle has no Tests.plist yet");
        return;
    }
    ZTDataProvider catalogue(customLists());
    for (auto _ : state) {
        catalogue.setup();
        benchmark::DoNotOptimize(catalogue.tests().size());
    }
    state.counters["exercises"] = double(catalogue.tests().size());
}
BENCHMARK(BM_CatalogueSetupBundle)->Unit(benchmark::kMillisecond);

void BM_CatalogueSetupGenerated(benchmark::State& state)
{
    TestEnvironment env;
    const QString bundle = env.copyOfResources();
    PropertyList::writeFileAtomically(bundle + "/Tests.plist", generatedCatalogue());
    ZTDataProvider catalogue(customLists());
    for (auto _ : state) {
        catalogue.setup();
        benchmark::DoNotOptimize(catalogue.levels().size());
    }
    state.counters["exercises"] = double(catalogue.tests().size());
}
BENCHMARK(BM_CatalogueSetupGenerated)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Log::setSink([](const QString&) {}); // the generated file has nothing to report
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
