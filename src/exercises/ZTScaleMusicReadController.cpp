#include "ZTScaleMusicReadController.h"

#include "Localization.h"

QString ZTScaleMusicReadController::testName() const
{
    return QStringLiteral("Scale music reading");
}

QString ZTScaleMusicReadController::questionString() const
{
    return localized(QStringLiteral("Which scale is shown on the staff?"));
}

QString ZTScaleMusicReadController::startTestString() const
{
    return localized(QStringLiteral("Click on  \u25B6  to show the next scale."));
}
