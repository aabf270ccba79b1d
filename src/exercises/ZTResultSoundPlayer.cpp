#include "ZTResultSoundPlayer.h"

#include "AudioOutput.h"
#include "Log.h"
#include "Paths.h"
#include "ZTPreferences.h"
#include "ZTWaveFilePlayer.h"

namespace {

std::shared_ptr<ZTResultSoundPlayer>& installedPlayer()
{
    static std::shared_ptr<ZTResultSoundPlayer> player;
    return player;
}

} // namespace

ZTResultSoundPlayer* ZTResultSoundPlayer::shared()
{
    if (installedPlayer())
        return installedPlayer().get();
    // Made only when first asked for, so a run that never plays an answer sound never
    // opens the audio output. The output is made first (not opened) so that it outlives
    // the player, whose sounds leave the output when the process ends.
    static const std::unique_ptr<ZTWaveFilePlayer> builtIn = [] {
        AudioOutput::sharedOutput();
        return std::make_unique<ZTWaveFilePlayer>();
    }();
    return builtIn.get();
}

void ZTResultSoundPlayer::setShared(std::shared_ptr<ZTResultSoundPlayer> player)
{
    installedPlayer() = std::move(player);
}

void ZTResultSoundPlayer::playSoundWithId(const QString& soundId, float volume)
{
    const QString file = ZTPreferences::sharedPreferences()->soundFileForSoundWithId(soundId);
    if (file.isEmpty()) {
        Log::line(QStringLiteral("No answer sound with the id \"%1\".").arg(soundId));
        return;
    }
    shared()->playSoundFile(Paths::resource(QStringLiteral("sounds/") + file), volume);
}
