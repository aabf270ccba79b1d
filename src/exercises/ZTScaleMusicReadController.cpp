#include "ZTScaleMusicReadController.h"

#include "Localization.h"
#include "ZTScaleMusicRead.h"

QString ZTScaleMusicReadController::testName() const
{
    return QStringLiteral("Scale music reading");
}

std::shared_ptr<ZTTest> ZTScaleMusicReadController::testForItem(const QVariantMap& item)
{
    if (item.isEmpty())
        return nullptr;
    return ZTTest::create<ZTScaleMusicRead>(item);
}

std::shared_ptr<ZTTest> ZTScaleMusicReadController::playTestWithItem(const QVariantMap& item, const QVariant& userInfo)
{
    return showTestWithItemOnStaff(item, userInfo);
}

QUrl ZTScaleMusicReadController::getWikiURLForCurrentTest() const
{
    return getWikiURLForTestWithExerciseName(QStringLiteral("Scale recognition"),
                                             currentTest() ? currentTest()->name() : QString());
}

QString ZTScaleMusicReadController::questionString() const
{
    return localized(QStringLiteral("Which scale is shown on the staff?"));
}

QString ZTScaleMusicReadController::startTestString() const
{
    return localized(QStringLiteral("Click on  \u25B6  to show the next scale."));
}

QString ZTScaleMusicReadController::practiceMessage() const
{
    return localized(QStringLiteral("Click on any item in the sidebar to see it"));
}
