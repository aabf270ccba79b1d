#include "Voice.h"

#include "VoicerManagingInstruments.h"

namespace {
// The voicer's release velocity: STK divides it by 128 and the samplers ignore it.
constexpr stk::StkFloat kReleaseVelocity = 100.0;
} // namespace

Voice::Voice(float frequency, VoicerManagingInstruments* voicer, int channel)
    : voicer_(voicer)
    , channel_(channel)
{
    setFrequency(frequency);
}

void Voice::noteOn(float note, unsigned velocity)
{
    noteNr_ = int(note);
    tag_ = voicer_ ? voicer_->noteOn(note, stk::StkFloat(velocity), channel_) : -1;
}

void Voice::mute()
{
    if (tag_ >= 0 && voicer_) {
        voicer_->noteOff(tag_, kReleaseVelocity);
        tag_ = -1;
    }
    noteNr_ = -1;
}
