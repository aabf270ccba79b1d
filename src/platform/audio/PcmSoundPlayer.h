#pragma once

#include "MainQueue.h"
#include "PcmSound.h"

#include <cstddef>
#include <memory>
#include <vector>

// Plays sounds once through the process's audio output, each converted on the fly from its
// own rate to the output's (linear interpolation), and unregisters finished sounds on the
// main thread. Main thread only; the audio thread only renders the sounds.
class PcmSoundPlayer {
public:
    PcmSoundPlayer();
    ~PcmSoundPlayer();
    PcmSoundPlayer(const PcmSoundPlayer&) = delete;
    PcmSoundPlayer& operator=(const PcmSoundPlayer&) = delete;

    // Starts the sound at the volume. An empty sound starts nothing. False when the
    // output takes no more sources.
    bool play(PcmSound sound, float volume);
    // Ends every sound at once; on return the audio thread no longer reads them and
    // their data is freed.
    void stopAll();
    // Sounds still registered with the output.
    std::size_t activeSoundCount() const { return voices_.size(); }
    // Whether a sound is registered and not yet played to its end.
    bool isPlaying() const;

private:
    class Voice;
    void reapFinishedVoices();
    void scheduleReaper();

    std::vector<std::unique_ptr<Voice>> voices_;
    DelayedCall reaper_;
};
