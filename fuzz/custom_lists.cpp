// The user's custom exercises and levels as a synced settings file brings them: a property
// list whose dictionary holds "customExercises" and "customLevels" (a bare list stands for
// the custom exercises). The catalogue merges them, every exercise runs, and the editing
// operations work on whatever entries are there.
#include "ExerciseWalk.h"
#include "FuzzEnvironment.h"
#include "PropertyList.h"
#include "ZTDataProvider.h"
#include "ZTPreferences.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzEnvironment& environment = FuzzEnvironment::shared();
    const std::optional<QVariant> value = PropertyList::fromData(FuzzEnvironment::bytes(data, size));
    if (!value)
        return 0;
    QVariantMap synced = value->toMap();
    if (value->typeId() == QMetaType::QVariantList)
        synced = {{QStringLiteral("customExercises"), *value}};

    ZTPreferences::resetSharedForTesting();
    ZTPreferences* p = ZTPreferences::sharedPreferences();
    p->setCustomExercises(synced.value(QStringLiteral("customExercises")).toList());
    p->setCustomLevels(synced.value(QStringLiteral("customLevels")).toList());
    environment.settle();
    ZTDataProvider* catalogue = ZTDataProvider::sharedDataProvider();
    catalogue->setup();
    // Custom items join three exercises; custom levels may name any.
    QStringList touched = catalogue->testNamesForCustomExercises();
    for (const QString& test : catalogue->testNames())
        if (!touched.contains(test) && !p->customLevelsForTestWithName(test).isEmpty())
            touched << test;
    walkExercises(touched);

    for (const QString& test : catalogue->testNamesForCustomExercises()) {
        const QVariantList items = p->customExercisesForTestWithName(test);
        if (!items.isEmpty()) {
            p->replaceCustomExercise(items.first().toMap(), 0, test);
            p->replaceExerciseName(QStringLiteral("Renamed"), 0, test);
            p->deleteExerciseWithIndex(0, test);
        }
    }
    for (const QString& test : catalogue->testNames()) {
        if (!p->customLevelsForTestWithName(test).isEmpty()) {
            p->replaceLevelName(QStringLiteral("Renamed"), 0, test);
            p->deleteLevelWithIndex(0, test);
        }
    }
    environment.settle();
    ZTPreferences::resetSharedForTesting();
    return 0;
}
