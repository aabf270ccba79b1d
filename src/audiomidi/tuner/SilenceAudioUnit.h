#pragma once

#include "BoosterDSPKernel.h"
#include "EffectAudioUnit.h"

// A gain effect with one parameter, "gain" (address 0, 0 to 1). The tuner sets it to 0 so
// that the microphone signal passing through its graph is not heard.
class SilenceAudioUnit final : public EffectAudioUnit {
public:
    SilenceAudioUnit();

    // Any thread: the gain from the next frame on (clamped to ±100000), with no ramp.
    void setGain(float gain);
    // Whether the kernel multiplies (started) or passes its input through.
    void start() { kernel.started = true; }
    void stop() { kernel.started = false; }
    bool isPlaying() const { return kernel.started; }
    bool isSetUp() const { return kernel.resetted; }

    BoosterDSPKernel kernel;

protected:
    ZTDSPKernel& dspKernel() override { return kernel; }
    Buffered& kernelBuffers() override { return kernel; }
    void didAllocateRenderResources() override { kernel.resetted = true; }

private:
    void createParameters();
};
