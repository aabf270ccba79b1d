#include "ZTMelodiesMusicReadController.h"

#include "Localization.h"
#include "ZTMelodiesMusicRead.h"

QString ZTMelodiesMusicReadController::testName() const
{
    return QStringLiteral("Melody music reading");
}

QString ZTMelodiesMusicReadController::questionString() const
{
    return localized(QStringLiteral("Which notes are shown on the staff?"));
}

QString ZTMelodiesMusicReadController::startTestString() const
{
    return localized(QStringLiteral("Click on  \u25B6  to show the next notes."));
}

std::shared_ptr<ZTTest> ZTMelodiesMusicReadController::testForItem(const QVariantMap& item)
{
    return ZTTest::create<ZTMelodiesMusicRead>(item);
}

std::shared_ptr<ZTTest> ZTMelodiesMusicReadController::playTestWithItem(const QVariantMap& item,
                                                                       const QVariant& userInfo)
{
    return showTestWithItemOnStaff(item, userInfo);
}

QUrl ZTMelodiesMusicReadController::getWikiURLForCurrentTest() const
{
    return getWikiURLForTestWithExerciseName(QStringLiteral("Melodies"),
                                             currentTest() ? currentTest()->name() : QString());
}
