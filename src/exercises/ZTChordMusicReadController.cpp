#include "ZTChordMusicReadController.h"

#include "Localization.h"
#include "ZTChordMusicRead.h"

QString ZTChordMusicReadController::testName() const
{
    return QStringLiteral("Chord music reading");
}

std::shared_ptr<ZTTest> ZTChordMusicReadController::testForItem(const QVariantMap& item)
{
    if (item.isEmpty())
        return nullptr;
    return ZTTest::create<ZTChordMusicRead>(item);
}

std::shared_ptr<ZTTest> ZTChordMusicReadController::playTestWithItem(const QVariantMap& item, const QVariant& userInfo)
{
    return showTestWithItemOnStaff(item, userInfo);
}

QUrl ZTChordMusicReadController::getWikiURLForCurrentTest() const
{
    return getWikiURLForTestWithExerciseName(QStringLiteral("Chord recognition"),
                                             currentTest() ? currentTest()->name() : QString());
}

QString ZTChordMusicReadController::questionString() const
{
    return localized(QStringLiteral("Which chord is shown on the staff?"));
}

QString ZTChordMusicReadController::startTestString() const
{
    return localized(QStringLiteral("Click on  \u25B6  to show the next chord."));
}

QString ZTChordMusicReadController::practiceMessage() const
{
    return localized(QStringLiteral("Click on any item in the sidebar to see it"));
}
