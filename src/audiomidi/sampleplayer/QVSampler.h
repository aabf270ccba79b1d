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
// Render thread only once it is in a voicer: noteOn, noteOff and tick never allocate,
// lock or log.
class QVSampler : public stk::Instrmnt {
public:
    static constexpr double kRecordingRate = 44100.0;

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
    float level() const { return level_; }
    double rate() const { return rate_; }
    std::int32_t length() const { return length_; }
    float amplitude() const { return amplitude_; }
    const QVSample* sample() const { return sample_; }

private:
    bool isSilent() const { return !playing_ && !(level_ > 0); }
    float nextFrame();

    std::shared_ptr<const QVInstrument> instrument_;
    const QVSample* sample_ = nullptr;
    float sampleFrequency_ = 0;
    std::int32_t length_ = 0;
    std::int32_t index_ = 0;
    double position_ = 0; // in sample frames
    bool playing_ = false;
    double rate_ = 1.0;
    float level_ = 0;
    float amplitude_ = 1.0f;
    bool looping_ = false;
    std::int64_t loopStart_ = 0;
    std::int64_t loopEnd_ = 0;
    stk::ADSR envelope_;
};

// Makes the samplers that the voicer owns.
class ZTInstruments {
public:
    static std::unique_ptr<QVSampler> newInstrumentWithInstrumentData(std::shared_ptr<const QVInstrument> instrument);
};
