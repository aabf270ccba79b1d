#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

// A sine tone for tests that feed sound in (file players, the microphone).
inline std::vector<float> sineWave(double frequency, double sampleRate, std::size_t frames, double amplitude = 0.5,
                                   double phase = 0.0)
{
    std::vector<float> samples(frames);
    for (std::size_t i = 0; i < frames; ++i)
        samples[i] = float(amplitude * std::sin(phase + 2.0 * M_PI * frequency * double(i) / sampleRate));
    return samples;
}

// Cents from `expected` to `actual` (both in Hz).
inline double centsBetween(double actual, double expected)
{
    return 1200.0 * std::log2(actual / expected);
}
