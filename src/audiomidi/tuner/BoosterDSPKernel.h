#pragma once

#include "DSPKernel.h"
#include "ParameterRamper.h"

#include <atomic>

// A gain: every sample times the ramped gain (parameter address 0). Stopped, it passes its
// first two input buffers through untouched.
class BoosterDSPKernel final : public ZTDSPKernel, public Buffered {
public:
    static constexpr AUParameterAddress kGainAddress = 0;

    void process(std::uint32_t frameCount, std::uint32_t bufferOffset) override;
    void startRamp(AUParameterAddress address, float value, std::uint32_t duration) override;
    void init(int channelCount, double sampleRate) override;

    // Any thread, lock-free: the gain from the next frame on, with no ramp.
    void setGain(float gain);

    std::atomic<float> gain{1.0f};        // the gain of the last frame processed
    std::atomic<bool> started{true};
    std::atomic<bool> resetted{false};
    ParameterRamper gainRamper;
};
