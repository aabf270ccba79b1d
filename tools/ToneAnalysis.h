#pragma once

// Pitch measurement of recorded tones for the sound-bank generator, which tunes every
// sample to the pitch it is heard at.
//
// A tone is cut into frames; each frame's spectrum is weighted as the ear weighs pitch cues
// (nothing below the note, the partials above about 1 kHz less and less), and its pitch is
// the fundamental whose harmonic series gathers the most of that weighted power. The
// frames' pitches are averaged in cents, each weighted by its power. The frames are short
// enough that the detuned voices of an ensemble merge into one peak per partial, so the
// search finds their centre, and a 1-cent grid resolves even the narrowest peak.

#include "FFTRoutines.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace ToneAnalysis {

// What a question plays of a note: the opening that its pitch is judged by.
constexpr double kOpeningSeconds = 1.0;

class HeardPitch {
public:
    explicit HeardPitch(double rate)
        : rate_(rate)
    {
        fftSetup(tables_, kExponent);
    }
    ~HeardPitch() { fftFree(tables_); }
    HeardPitch(const HeardPitch&) = delete;
    HeardPitch& operator=(const HeardPitch&) = delete;

    // The mean pitch in Hz of `length` frames of `signal` from `from`, searched within half a
    // semitone of `expected`; `expected` itself when the stretch is silent or too short.
    double over(const float* signal, std::size_t from, std::size_t length, double expected)
    {
        const std::size_t frame = rate_ / expected * 3 > double(kShortFrame) ? 2 * kShortFrame : kShortFrame;
        double weightedCents = 0, weight = 0;
        for (std::size_t start = from; start + frame <= from + length; start += frame) {
            transform(signal + start, frame);
            const double power = weightedPower(expected);
            if (!(power > 0))
                continue;
            weightedCents += power * bestCents(expected);
            weight += power;
        }
        return weight > 0 ? at(expected, weightedCents / weight) : expected;
    }

private:
    static constexpr int kExponent = 15; // frames zero-padded to 32,768 points
    static constexpr std::size_t kPoints = std::size_t(1) << kExponent;
    static constexpr std::size_t kShortFrame = 4096;
    static constexpr double kTopPartial = 6000;
    static constexpr double kEarLowPass = 1000;
    static constexpr double kBelowNote = 0.7;

    static double at(double frequency, double cents) { return frequency * std::exp2(cents / 1200.0); }

    // A frame under a Hann window into `power_`, the power of each bin.
    void transform(const float* frame, std::size_t length)
    {
        buffer_.assign(kPoints, 0.0f);
        for (std::size_t i = 0; i < length; ++i)
            buffer_[i] = float((0.5 - 0.5 * std::cos(2.0 * M_PI * (double(i) + 0.5) / double(length))) * frame[i]);
        fftRealForward(tables_, buffer_.data(), kPoints);
        power_.assign(kPoints / 2 + 1, 0.0);
        power_[0] = double(buffer_[0]) * buffer_[0];
        power_[kPoints / 2] = double(buffer_[1]) * buffer_[1];
        for (std::size_t k = 1; k < kPoints / 2; ++k)
            power_[k] = double(buffer_[2 * k]) * buffer_[2 * k] + double(buffer_[2 * k + 1]) * buffer_[2 * k + 1];
    }

    // How much a partial at `frequency` counts towards the pitch of a note near `note`.
    static double earWeight(double frequency, double note)
    {
        const double below = std::pow(frequency / (kBelowNote * note), 2);
        const double high = below / (1 + below);
        return high * high / std::pow(1 + std::pow(frequency / kEarLowPass, 2), 2);
    }

    double powerAt(double frequency) const
    {
        const double bin = frequency * double(kPoints) / rate_;
        const auto low = std::size_t(bin);
        if (low + 1 >= power_.size())
            return 0;
        const double fraction = bin - double(low);
        return (1 - fraction) * power_[low] + fraction * power_[low + 1];
    }

    double weightedPower(double note) const
    {
        double sum = 0;
        for (std::size_t k = 1; k < power_.size(); ++k)
            sum += earWeight(double(k) * rate_ / double(kPoints), note) * power_[k];
        return sum;
    }

    // The weighted power that the harmonic series of `fundamental` gathers.
    double harmonicPower(double fundamental, double note) const
    {
        double sum = 0;
        for (int n = 1; n * fundamental < std::min(kTopPartial, rate_ / 2); ++n)
            sum += earWeight(n * fundamental, note) * powerAt(n * fundamental);
        return sum;
    }

    // The frame's pitch in cents from `expected`: a 1-cent grid over half a semitone each
    // way, then a 1/20-cent grid around the best, then a parabola.
    double bestCents(double expected) const
    {
        auto score = [&](double cents) { return harmonicPower(at(expected, cents), expected); };
        auto bestOn = [&](double from, double to, double step) {
            double best = from, bestScore = -1;
            for (double cents = from; cents <= to + step / 2; cents += step) {
                if (const double value = score(cents); value > bestScore) {
                    bestScore = value;
                    best = cents;
                }
            }
            return best;
        };
        const double coarse = bestOn(-50, 50, 1);
        constexpr double kStep = 0.05;
        const double fine = bestOn(coarse - 1, coarse + 1, kStep);
        const double before = score(fine - kStep), middle = score(fine), after = score(fine + kStep);
        const double bend = before - 2 * middle + after;
        return bend < 0 ? fine + std::clamp(0.5 * (before - after) / bend, -0.5, 0.5) * kStep : fine;
    }

    double rate_;
    FFTTables tables_;
    std::vector<float> buffer_;
    std::vector<double> power_;
};

} // namespace ToneAnalysis
