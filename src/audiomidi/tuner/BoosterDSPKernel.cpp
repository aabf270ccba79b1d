#include "BoosterDSPKernel.h"

#include <algorithm>

void BoosterDSPKernel::init(int channelCount, double rate)
{
    channels = channelCount;
    sampleRate = float(rate);
    gainRamper.reset();
}

void BoosterDSPKernel::setGain(float value)
{
    const float clamped = ParameterRamper::clamp(value);
    gain.store(clamped, std::memory_order_relaxed);
    gainRamper.setUIValue(clamped);
}

void BoosterDSPKernel::startRamp(AUParameterAddress address, float value, std::uint32_t duration)
{
    if (address == kGainAddress)
        gainRamper.startRamp(duration, ParameterRamper::clamp(value));
}

void BoosterDSPKernel::process(std::uint32_t frameCount, std::uint32_t bufferOffset)
{
    const std::uint32_t end = bufferOffset + frameCount;
    const Channels io = channelsOf(channels, end);
    for (std::uint32_t i = bufferOffset; i < end; ++i) {
        const float g = gainRamper.step();
        gain.store(g, std::memory_order_relaxed);
        if (!started.load(std::memory_order_relaxed)) {
            // Pass-through: the output takes the input's buffers, as many as both lists hold (two at most).
            const std::uint32_t passed = std::min({2u, inBufferListPtr->numberBuffers, outBufferListPtr->numberBuffers});
            for (std::uint32_t c = 0; c < passed; ++c)
                outBufferListPtr->buffers[c] = inBufferListPtr->buffers[c];
            return;
        }
        for (std::uint32_t c = 0; c < io.count; ++c)
            if (io.in[c] && io.out[c])
                io.out[c][i] = io.in[c][i] * g;
    }
}
