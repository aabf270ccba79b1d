#pragma once

#include <algorithm>
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

// The sum over k >= 1 of weights[k] sin(k phase), by the Chebyshev recurrence (one sine
// and one cosine per sample instead of one sine per partial).
inline double harmonicSum(double phase, const std::vector<double>& weights)
{
    const double twoCos = 2.0 * std::cos(phase);
    double previous = 0.0, current = std::sin(phase), sum = 0.0;
    for (std::size_t k = 1; k < weights.size(); ++k) {
        sum += weights[k] * current;
        const double next = twoCos * current - previous;
        previous = current;
        current = next;
    }
    return sum;
}

// A band-limited sawtooth (harmonics up to 8 kHz or Nyquist, each 1/k of the first), peak
// near `amplitude`.
inline std::vector<float> sawtoothWave(double frequency, double sampleRate, std::size_t frames,
                                       double amplitude = 0.5)
{
    const int harmonics = int(std::min(8000.0, sampleRate / 2.0 - 1.0) / frequency);
    std::vector<double> weights(std::size_t(harmonics) + 1, 0.0);
    for (int k = 1; k <= harmonics; ++k)
        weights[std::size_t(k)] = amplitude * (2.0 / M_PI) / k * ((k % 2) ? 1.0 : -1.0);
    std::vector<float> samples(frames);
    for (std::size_t i = 0; i < frames; ++i)
        samples[i] = float(harmonicSum(2.0 * M_PI * frequency * double(i) / sampleRate, weights));
    return samples;
}

// A sung vowel, roughly: harmonics shaped by two formants (near 700 and 1200 Hz), with a
// vibrato of `vibratoCents` at 5.5 Hz around `frequency`; peak near `amplitude`.
inline std::vector<float> voiceLikeTone(double frequency, double sampleRate, std::size_t frames,
                                        double vibratoCents = 30.0, double amplitude = 0.5)
{
    const int harmonics = int(std::min(5000.0, sampleRate / 2.0 - 1.0) / frequency);
    std::vector<double> weights(std::size_t(harmonics) + 1, 0.0);
    for (int k = 1; k <= harmonics; ++k) {
        const double partial = frequency * k;
        weights[std::size_t(k)] = (1.0 + 2.0 * std::exp(-std::pow((partial - 700.0) / 300.0, 2))
                                   + 1.5 * std::exp(-std::pow((partial - 1200.0) / 400.0, 2))) / k;
    }
    std::vector<double> mixed(frames, 0.0);
    double phase = 0.0;
    double peak = 1e-12;
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = double(i) / sampleRate;
        const double f = frequency * std::pow(2.0, vibratoCents * std::sin(2.0 * M_PI * 5.5 * t) / 1200.0);
        phase = std::fmod(phase + 2.0 * M_PI * f / sampleRate, 2.0 * M_PI);
        mixed[i] = harmonicSum(phase, weights);
        peak = std::max(peak, std::abs(mixed[i]));
    }
    std::vector<float> samples(frames);
    for (std::size_t i = 0; i < frames; ++i)
        samples[i] = float(amplitude * mixed[i] / peak);
    return samples;
}
