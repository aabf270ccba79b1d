#pragma once

#include "PcmSound.h"
#include "PcmSoundPlayer.h"
#include "ZTResultSoundPlayer.h"

#include <QString>

#include <optional>

// The built-in answer-sound player: reads a WAV file (PCM 8, 16, 24 or 32 bit, or 32-bit
// float; mono or stereo) and mixes it into the process's audio output once.
class ZTWaveFilePlayer : public ZTResultSoundPlayer {
public:
    // Nothing (and the reason) for a file that is not a WAV file we can read.
    static std::optional<PcmSound> readWaveFile(const QString& path, QString* error = nullptr);

    void playSoundFile(const QString& path, float volume) override;
    // Sounds still registered with the output.
    std::size_t activeSoundCount() const { return sounds_.activeSoundCount(); }

private:
    PcmSoundPlayer sounds_;
};
