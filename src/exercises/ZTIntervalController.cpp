#include "ZTIntervalController.h"

#include "Localization.h"
#include "ZTInterval.h"
#include "ZTStringFormat.h"

QString ZTIntervalController::testName() const
{
    return QStringLiteral("Interval recognition");
}

std::shared_ptr<ZTTest> ZTIntervalController::testForItem(const QVariantMap& item)
{
    if (item.isEmpty())
        return nullptr;
    return ZTTest::create<ZTInterval>(item);
}

std::shared_ptr<ZTTest> ZTIntervalController::createTestForItem(const QVariantMap& item, const QVariant&)
{
    return musicalTestForItem(item);
}

bool ZTIntervalController::canDescending() const
{
    return true;
}

QString ZTIntervalController::questionString() const
{
    return localized(QStringLiteral("Which interval was played? To repeat it, click  \u27F3 ."));
}

QString ZTIntervalController::questionSubString() const
{
    return ZTStringFormat::fill(
        localized(QStringLiteral("Choose the right interval from the sidebar or play it with %@.")), {instrumentName()});
}

QString ZTIntervalController::startTestString() const
{
    return localized(QStringLiteral("Click on  \u25B6  to play the next interval."));
}
