#pragma once

#include <cstdint>

class VoicerManagingInstruments;

// One channel of the sample synthesizer: it holds at most one note and starts and
// releases it on its group of the shared voicer. Render thread only (the synthesizer
// applies its queued notes there).
class Voice {
public:
    static constexpr float kDefaultFrequency = 130.81f;

    // initWithFrequency:voicer:channel:
    Voice(float frequency, VoicerManagingInstruments* voicer, int channel);

    void setFrequency(float frequency) { frequency_ = frequency; }
    float frequency() const { return frequency_; }
    int channel() const { return channel_; }
    // The voicer's tag of the sounding note; -1 for none.
    long tag() const { return tag_; }
    // The held note; -1 for none.
    int noteNr() const { return noteNr_; }

    // Replaces the held note.
    void noteOn(float note, unsigned velocity);
    // Releases the held note.
    void mute();

private:
    VoicerManagingInstruments* voicer_;
    int channel_;
    long tag_ = -1;
    int noteNr_ = -1;
    float frequency_ = kDefaultFrequency;
};
