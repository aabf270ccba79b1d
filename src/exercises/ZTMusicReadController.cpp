#include "ZTMusicReadController.h"

#include "Localization.h"

QString ZTMusicReadController::testName() const
{
    return QStringLiteral("Music Reading");
}

void ZTMusicReadController::playTest(const std::shared_ptr<ZTTest>&)
{
    resetPlayButton();
    // Nothing sounds: the playback is over at once (the staff shows the question).
    announcePlaybackEnd();
}

QString ZTMusicReadController::questionString() const
{
    return localized(QStringLiteral("Which note is shown on the staff?"));
}

QString ZTMusicReadController::startTestString() const
{
    return localized(QStringLiteral("Click on  \u25B6  to show the next note."));
}
