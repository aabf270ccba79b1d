#pragma once

#include "QVSampler.h"

#include <stk/Voicer.h>

#include <memory>
#include <vector>

// The STK voice manager, owning the samplers added to it. Its tick sums every voice that
// has sounded once; the voices count as sounding until they are removed, so with one
// sampler per group every note of a group goes to that group's sampler.
//
// Adding and removing instruments happens on the main thread while nothing renders; noteOn,
// noteOff and tick run on the render thread.
class VoicerManagingInstruments : public stk::Voicer {
public:
    explicit VoicerManagingInstruments(stk::StkFloat decayTime);
    ~VoicerManagingInstruments() override;

    void addInstrument(std::unique_ptr<QVSampler> instrument, int group);
    // Deletes every instrument added so far.
    void removeInstruments();
    std::size_t instrumentCount() const { return owned_.size(); }

    // One output value: the sum of the sounding voices.
    stk::StkFloat tick();
    // The same sums for a block of frames, added to the buffer.
    void addTo(float* buffer, int frames);
    // Whether any sampler still sounds.
    bool isSounding() const;

private:
    using stk::Voicer::addInstrument;
    std::vector<std::unique_ptr<QVSampler>> owned_;
};
