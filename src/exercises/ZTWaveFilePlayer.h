#pragma once

#include "MainQueue.h"
#include "ZTResultSoundPlayer.h"

#include <QString>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

// The built-in answer-sound player: reads a WAV file (PCM 8, 16, 24 or 32 bit, or 32-bit
// float; mono or stereo), converts it to the output's rate and mixes it into the process's
// audio output once. Finished sounds are unregistered on the main thread.
class ZTWaveFilePlayer : public ZTResultSoundPlayer {
public:
    // Interleaved stereo frames at a sample rate.
    struct Sound {
        unsigned sampleRate = 0;
        std::vector<float> frames;
        std::size_t frameCount() const { return frames.size() / 2; }
    };

    ZTWaveFilePlayer();
    ~ZTWaveFilePlayer() override;

    // Nothing (and the reason) for a file that is not a WAV file we can read.
    static std::optional<Sound> readWaveFile(const QString& path, QString* error = nullptr);
    // Linear interpolation to another rate.
    static Sound resampled(const Sound& sound, unsigned sampleRate);

    void playSoundFile(const QString& path, float volume) override;
    // Sounds still registered with the output.
    std::size_t activeSoundCount() const { return voices_.size(); }

private:
    class Voice;
    void reapFinishedVoices();
    void scheduleReaper();

    std::vector<std::unique_ptr<Voice>> voices_;
    DelayedCall reaper_;
};
