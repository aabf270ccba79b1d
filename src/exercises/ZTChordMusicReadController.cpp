#include "ZTChordMusicReadController.h"

#include "Localization.h"

QString ZTChordMusicReadController::testName() const
{
    return QStringLiteral("Chord music reading");
}

QString ZTChordMusicReadController::questionString() const
{
    return localized(QStringLiteral("Which chord is shown on the staff?"));
}

QString ZTChordMusicReadController::startTestString() const
{
    return localized(QStringLiteral("Click on  \u25B6  to show the next chord."));
}
