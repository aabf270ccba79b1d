#include "ZTScaleController.h"

#include "Localization.h"
#include "ZTScale.h"
#include "ZTStringFormat.h"

QString ZTScaleController::testName() const
{
    return QStringLiteral("Scale recognition");
}

std::shared_ptr<ZTTest> ZTScaleController::testForItem(const QVariantMap& item)
{
    if (item.isEmpty())
        return nullptr;
    return ZTTest::create<ZTScale>(item);
}

std::shared_ptr<ZTTest> ZTScaleController::createTestForItem(const QVariantMap& item, const QVariant&)
{
    return musicalTestForItem(item);
}

bool ZTScaleController::canDescending() const
{
    return true;
}

QString ZTScaleController::questionString() const
{
    return localized(QStringLiteral("Which scale was played? To repeat it, click  \u27F3 ."));
}

QString ZTScaleController::questionSubString() const
{
    return ZTStringFormat::fill(
        localized(QStringLiteral("Choose the right scale from the sidebar or play it with %@.")), {instrumentName()});
}

QString ZTScaleController::startTestString() const
{
    return localized(QStringLiteral("Click on  \u25B6  to play the next scale."));
}
