#include "ZTIntervalMusicReadController.h"

#include "Localization.h"
#include "ZTIntervalMusicRead.h"

QString ZTIntervalMusicReadController::testName() const
{
    return QStringLiteral("Interval music reading");
}

std::shared_ptr<ZTTest> ZTIntervalMusicReadController::testForItem(const QVariantMap& item)
{
    if (item.isEmpty())
        return nullptr;
    return ZTTest::create<ZTIntervalMusicRead>(item);
}

std::shared_ptr<ZTTest> ZTIntervalMusicReadController::playTestWithItem(const QVariantMap& item, const QVariant& userInfo)
{
    return showTestWithItemOnStaff(item, userInfo);
}

QUrl ZTIntervalMusicReadController::getWikiURLForCurrentTest() const
{
    return getWikiURLForTestWithExerciseName(QStringLiteral("Interval recognition"),
                                             currentTest() ? currentTest()->name() : QString());
}

QString ZTIntervalMusicReadController::questionString() const
{
    return localized(QStringLiteral("Which interval is shown on the staff?"));
}

QString ZTIntervalMusicReadController::startTestString() const
{
    return localized(QStringLiteral("Click on  \u25B6  to show the next interval."));
}

QString ZTIntervalMusicReadController::practiceMessage() const
{
    return localized(QStringLiteral("Click on any item in the sidebar to see it"));
}
