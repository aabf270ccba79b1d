#include "ZTIntervalMusicReadController.h"

#include "Localization.h"

QString ZTIntervalMusicReadController::testName() const
{
    return QStringLiteral("Interval music reading");
}

QString ZTIntervalMusicReadController::questionString() const
{
    return localized(QStringLiteral("Which interval is shown on the staff?"));
}

QString ZTIntervalMusicReadController::startTestString() const
{
    return localized(QStringLiteral("Click on  \u25B6  to show the next interval."));
}
