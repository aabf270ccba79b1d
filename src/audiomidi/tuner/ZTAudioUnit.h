#pragma once

#include "EffectAudioUnit.h"
#include "FrequencyTrackerDSPKernel.h"

// The frequency-tracker effect: passes its input through while the pitch tracker follows
// it, and offers the latest reading to the tuner, which polls it from the main thread.
class ZTAudioUnit final : public EffectAudioUnit {
public:
    ZTAudioUnit();

    // Any thread, lock-free. Twice the tracked frequency (Hz): with the tuner's one-channel
    // graph one octave above the sung pitch, which the tuner's note table expects.
    float frequency() const { return 2.0f * kernel.trackedFrequency.load(std::memory_order_relaxed); }
    // Any thread, lock-free: half the tracked amplitude.
    float amplitude() const { return 0.5f * kernel.trackedAmplitude.load(std::memory_order_relaxed); }

    void start() { kernel.started = true; }
    void stop() { kernel.started = false; }
    bool isStarted() const { return kernel.started; }

    FrequencyTrackerDSPKernel kernel;

protected:
    ZTDSPKernel& dspKernel() override { return kernel; }
    Buffered& kernelBuffers() override { return kernel; }
    void willDeallocateRenderResources() override { kernel.destroyTracker(); }

private:
    void createParameters();
};
