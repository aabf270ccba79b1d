#include "FrequencyTrackerDSPKernel.h"

#include <algorithm>
#include <cmath>

void SoundpipeKernel::init(int channelCount, double rate)
{
    channels = channelCount;
    sampleRate = float(rate);
    sp = sp_data_create();
    sp->sampleRate = int(std::trunc(rate));
    sp->channelCount = channelCount;
}

void FrequencyTrackerDSPKernel::init(int channelCount, double rate)
{
    SoundpipeKernel::init(channelCount, rate);
    ptrack = ptrack_create();
    ptrack_init(*sp, *ptrack, hopSize, peakCount);
    // Readings of an earlier run must not pass for this one's.
    trackedFrequency = 0.0f;
    trackedAmplitude = 0.0f;
}

void FrequencyTrackerDSPKernel::process(std::uint32_t frameCount, std::uint32_t bufferOffset)
{
    const std::uint32_t end = bufferOffset + frameCount;
    const Channels io = channelsOf(channels, end);
    const bool tracking = started.load(std::memory_order_relaxed) && sp && ptrack;
    float frequency = 0.0f;
    float amplitude = 0.0f;
    bool computed = false;
    for (std::uint32_t i = bufferOffset; i < end; ++i)
        for (std::uint32_t c = 0; c < io.count; ++c) {
            if (!io.in[c])
                continue;
            const float x = io.in[c][i];
            if (tracking)
                computed = ptrack_compute(*sp, *ptrack, &x, &frequency, &amplitude) == 1 || computed;
            if (io.out[c])
                io.out[c][i] = x;
        }
    // The readers want the last values only, so they are published once per stretch.
    if (computed || !tracking) {
        trackedFrequency.store(tracking && ptrack->voiced ? frequency : 0.0f, std::memory_order_relaxed);
        trackedAmplitude.store(amplitude, std::memory_order_relaxed);
    }
}
