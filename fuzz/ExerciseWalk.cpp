#include "ExerciseWalk.h"

#include "ZTAbstractTestController.h"
#include "ZTClassRegistry.h"
#include "ZTDataProvider.h"
#include "ZTTest.h"

namespace {

// Enough to reach every kind of item without making one input take seconds.
constexpr qsizetype kMaxLevels = 3;
constexpr qsizetype kMaxItems = 40;

void walkController(ZTAbstractTestController& controller)
{
    const QVariantList items = controller.items();
    for (qsizetype i = 0; i < items.size() && i < kMaxItems; ++i) {
        const QVariantMap item = items.at(i).toMap();
        controller.playTestWithItem(item, controller.createUserInfoWithItem(item));
        controller.isAnswerRightForItem(item, QVariant());
    }
    controller.arrayForTableView();
    for (int round = 0; round < 2; ++round) {
        controller.nextTest();
        controller.questionString();
        controller.spellingString();
        if (const auto question = controller.currentTest()) {
            controller.reportAnswerWrong(question->item());
            controller.rightResultString();
        }
    }
    for (qlonglong record = 0; record < controller.numberOfRecordsForPlot(); ++record) {
        controller.numberForPlot(QStringLiteral("Right"), 1, record);
        controller.dataLabelForPlot(QStringLiteral("Wrong"), record);
    }
}

} // namespace

void walkEveryExercise()
{
    walkExercises(ZTDataProvider::sharedDataProvider()->testNames());
}

void walkExercises(const QStringList& names)
{
    ZTDataProvider* catalogue = ZTDataProvider::sharedDataProvider();
    const QVariantMap levels = catalogue->levels();
    for (const QString& name : names) {
        const ZTControllerClass* kind =
            ZTClassRegistry::sharedRegistry()->controllerClass(catalogue->controllerClassNameForTestWithName(name));
        if (!kind)
            continue;
        const qsizetype levelCount = levels.value(name).toList().size();
        for (qsizetype level = 0; level < std::max<qsizetype>(1, levelCount) && level < kMaxLevels; ++level) {
            if (const auto controller = kind->create(level, nullptr))
                walkController(*controller);
        }
    }
}
