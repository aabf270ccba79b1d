#pragma once

#include "ZTQuestionPlayer.h"

// Plays questions on the MIDI hub's current instrument, whichever it is at the time.
class ZTInstrumentQuestionPlayer : public ZTQuestionPlayer {
public:
    // Installs one unless a player is installed already.
    static void installIfNone();

    bool playSequence(MusicSequence sequence) override;
    void stopPlayer() override;
};
