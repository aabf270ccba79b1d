#include "ZTExamCatalogueOverlay.h"

#include "ZTPreferences.h"

namespace {

ZTDataProvider* catalogue()
{
    return ZTDataProvider::sharedDataProvider();
}

} // namespace

ZTExamCatalogueOverlay::ZTExamCatalogueOverlay(const QVariantList& entries)
    : previous_(catalogue()->customListSource())
{
    ZTDataProvider::CustomListSource source = previous_;
    source.customExercisesForTestWithName = [entries](const QString& test) {
        return ZTPreferences::itemsOfCustomExerciseList(entries, test);
    };
    catalogue()->setCustomListSource(std::move(source));
    catalogue()->setup();
}

ZTExamCatalogueOverlay::~ZTExamCatalogueOverlay()
{
    catalogue()->setCustomListSource(previous_);
    catalogue()->setup();
}
