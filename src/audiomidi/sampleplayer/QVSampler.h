#pragma once

#include "QVInstrument.h"

#include <stk/ADSR.h>
#include <stk/Instrmnt.h>

#include <cstdint>
#include <memory>

// The voice that plays one sample of an instrument at any pitch: linear interpolation
// between neighbouring frames, a loop while the note is held, and an ADSR envelope.
//
// Samples are recorded at 44,100 Hz; the step through them is scaled by the output rate
// (stk::Stk::sampleRate()), so a device at another rate plays them in tune.
//
// A note that starts while the voice still sounds (the same key again, or a seventeenth
// note taking the voice) would jump from the middle of the old waveform to the new one's
// start, an audible click: the old sound fades out over a few milliseconds beside the new.
//
// Render thread only once it is in a voicer: noteOn, noteOff and tick never allocate,
// lock or log.
class QVSampler : public stk::Instrmnt {
public:
    static constexpr double kRecordingRate = 44100.0;
    static constexpr double kRestartFadeSeconds = 0.005;

    explicit QVSampler(std::shared_ptr<const QVInstrument> instrument);

    // The slot of the note nearest to a frequency (A3 = 220 Hz is note 57); -1 for a
    // frequency that is no pitch.
    static int slotForFrequency(double frequency);

    void noteOn(stk::StkFloat frequency, stk::StkFloat amplitude) override;
    void noteOff(stk::StkFloat amplitude) override;
    void setFrequency(stk::StkFloat frequency) override;
    void controlChange(int number, stk::StkFloat value) override {}

    stk::StkFloat tick(unsigned int channel = 0) override;
    stk::StkFrames& tick(stk::StkFrames& frames, unsigned int channel = 0) override;
    // Adds the next frames to a buffer: the same values as tick(), a block at a time.
    void addTo(float* buffer, int frames);

    bool isPlaying() const { return playing_; }
    // Whether addTo() still adds anything: a note held or releasing, or a cut sound fading.
    bool isSounding() const { return !isSilent() || fadingFrames_ > 0; }
    float level() const { return level_; }
    double rate() const { return head_.rate; }
    std::int32_t length() const { return length_; }
    float amplitude() const { return amplitude_; }
    const QVSample* sample() const { return head_.sample; }

private:
    // Where a sound is read: the position (in sample frames) moves on by the rate every
    // frame and, looping, goes from the loop's last frame to the one after its first.
    struct Playhead {
        const QVSample* sample = nullptr;
        double position = 0;
        double rate = 1.0;
        bool looping = false;
        std::int64_t loopStart = 0;
        std::int64_t loopEnd = 0;
        // The frame at the position, interpolated and scaled to -1..1; then one step on.
        float read();
    };

    bool isSilent() const { return !playing_ && !(level_ > 0); }
    float nextFrame();
    float fadingFrame();

    std::shared_ptr<const QVInstrument> instrument_;
    Playhead head_;
    float sampleFrequency_ = 0;
    std::int32_t length_ = 0;
    std::int32_t index_ = 0;
    bool playing_ = false;
    float level_ = 0;
    float amplitude_ = 1.0f;
    stk::ADSR envelope_;
    // The sound a restart cut off, fading out.
    Playhead fading_;
    float fadingLevel_ = 0;
    int fadingFrames_ = 0;
    int fadeLength_ = 0;
};

// Makes the samplers that the voicer owns.
class ZTInstruments {
public:
    static std::unique_ptr<QVSampler> newInstrumentWithInstrumentData(std::shared_ptr<const QVInstrument> instrument);
};
