// The user's custom exercises and levels as a synced settings file brings them: a property
// list whose dictionary holds "customExercises" and "customLevels" (a bare list stands for
// the custom exercises). The catalogue merges them, every exercise runs, and the editing
// operations work on whatever entries are there.
//
// Every change of a list rebuilds the catalogue from the bundle's definitions, as in the
// program; so that an input takes milliseconds, the definitions are cut short, the settings
// store lives through the run (each input replaces both lists), and one exercise and one
// level list are edited per input.
#include "ExerciseWalk.h"
#include "FuzzEnvironment.h"
#include "PropertyList.h"
#include "ZTDataProvider.h"
#include "ZTPreferences.h"

namespace {

void editFirstCustomExercise(ZTPreferences& p, const QStringList& tests)
{
    for (const QString& test : tests) {
        const QVariantList items = p.customExercisesForTestWithName(test);
        if (items.isEmpty())
            continue;
        p.replaceCustomExercise(items.first().toMap(), 0, test);
        p.replaceExerciseName(QStringLiteral("Renamed"), 0, test);
        p.deleteExerciseWithIndex(0, test);
        return;
    }
}

void editFirstCustomLevel(ZTPreferences& p, const QStringList& tests)
{
    for (const QString& test : tests) {
        if (p.customLevelsForTestWithName(test).isEmpty())
            continue;
        p.replaceLevelName(QStringLiteral("Renamed"), 0, test);
        p.deleteLevelWithIndex(0, test);
        return;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzEnvironment& environment = FuzzEnvironment::shared();
    // Custom progressions name their chords by the ids of the chord exercise's items.
    environment.shortenExerciseDefinitions({QStringLiteral("Chord recognition")});
    ZTDataProvider* catalogue = ZTDataProvider::sharedDataProvider();
    static const bool catalogueReady = [catalogue] {
        ZTPreferences::sharedPreferences();
        catalogue->setup();
        return true;
    }();
    (void)catalogueReady;

    const std::optional<QVariant> value = PropertyList::fromData(FuzzEnvironment::bytes(data, size));
    if (!value)
        return 0;
    QVariantMap synced = value->toMap();
    if (value->typeId() == QMetaType::QVariantList)
        synced = {{QStringLiteral("customExercises"), *value}};

    // The change notifications rebuild the catalogue with the lists.
    ZTPreferences* p = ZTPreferences::sharedPreferences();
    p->setCustomExercises(synced.value(QStringLiteral("customExercises")).toList());
    p->setCustomLevels(synced.value(QStringLiteral("customLevels")).toList());
    environment.settle();
    // Custom items join three exercises; custom levels may name any.
    QStringList touched = catalogue->testNamesForCustomExercises();
    for (const QString& test : catalogue->testNames())
        if (!touched.contains(test) && !p->customLevelsForTestWithName(test).isEmpty())
            touched << test;
    walkExercises(touched);

    editFirstCustomExercise(*p, catalogue->testNamesForCustomExercises());
    editFirstCustomLevel(*p, catalogue->testNames());
    environment.settle();
    return 0;
}
