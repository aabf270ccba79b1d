#pragma once

#include "MusicSequence.h"

#include <memory>

// The instrument through which questions sound: the current instrument of the MIDI hub. The
// hub lives above this layer and installs a player that forwards to its current instrument;
// until one is installed nothing sounds. Main thread only.
class ZTQuestionPlayer {
public:
    virtual ~ZTQuestionPlayer() = default;

    // Null when none is installed.
    static std::shared_ptr<ZTQuestionPlayer> current();
    static void setCurrent(std::shared_ptr<ZTQuestionPlayer> player);

    // Stops what plays and plays the sequence; its end is announced with
    // "ZTSamplePlayerDidStopNotification". False when nothing can play it (no instrument), so
    // that the caller ends the playback itself instead of waiting for an end that never comes.
    virtual bool playSequence(MusicSequence sequence) = 0;
    virtual void stopPlayer() = 0;
};
