#pragma once

// Pitch measurement of recorded tones, for the sound-bank generator (which tunes every
// sample to its measured pitch) and for the tests that check the bank in tune.

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <vector>

namespace ToneAnalysis {

// Where a sample without loop is measured: a stretch past the attack, in seconds.
constexpr double kSteadyFrom = 0.15;
constexpr double kSteadyLength = 0.5;

struct Partial {
    double frequency = 0;
    double magnitude = 0;
};

// A stretch of a tone under a Hann window, whose spectrum can be read at any frequency.
class WindowedTone {
public:
    WindowedTone(const float* signal, std::size_t frames, double rate)
        : rate_(rate)
        , values_(frames)
    {
        for (std::size_t i = 0; i < frames; ++i)
            values_[i] = (0.5 - 0.5 * std::cos(2.0 * M_PI * double(i) / double(frames - 1))) * signal[i];
    }

    double magnitudeAt(double frequency) const
    {
        const std::complex<double> turn = std::polar(1.0, -2.0 * M_PI * frequency / rate_);
        std::complex<double> phasor = 1.0;
        std::complex<double> sum = 0.0;
        for (std::size_t i = 0; i < values_.size(); ++i) {
            sum += values_[i] * phasor;
            phasor *= turn;
            if ((i & 1023) == 1023)
                phasor /= std::abs(phasor); // keeps rounding from shrinking the phasor
        }
        return std::abs(sum);
    }

    // The strongest partial within half a semitone of `expected`: 5-cent steps, then 1-cent
    // steps around the best, then a parabola through the log magnitudes.
    Partial partialNear(double expected) const
    {
        auto magnitude = [&](double cents) { return magnitudeAt(at(expected, cents)); };
        const double cents = bestCents(magnitude);
        const double before = std::log(magnitude(cents - 1) + 1e-30);
        const double middle = std::log(magnitude(cents) + 1e-30);
        const double after = std::log(magnitude(cents + 1) + 1e-30);
        const double bend = before - 2 * middle + after;
        const double offset = bend < 0 ? std::clamp(0.5 * (before - after) / bend, -1.0, 1.0) : 0.0;
        return {at(expected, cents + offset), std::exp(middle)};
    }

    // The first partial, or half the second where the first is too weak to measure (low
    // notes of guitars and pianos).
    double fundamentalNear(double expected) const
    {
        const Partial first = partialNear(expected);
        const Partial second = partialNear(2 * expected);
        return first.magnitude >= 0.1 * second.magnitude ? first.frequency : second.frequency / 2;
    }

    // The pitch whose first `partials` harmonics carry the most energy, within half a
    // semitone of `expected`: the centre of an ensemble or a vibrato, whose partials spread
    // into clusters.
    double harmonicPitchNear(double expected, int partials = 6) const
    {
        auto energy = [&](double cents) {
            double sum = 0;
            for (int k = 1; k <= partials && k * at(expected, cents) < rate_ / 2; ++k)
                sum += magnitudeAt(k * at(expected, cents));
            return sum;
        };
        return at(expected, bestCents(energy));
    }

private:
    static double at(double frequency, double cents) { return frequency * std::pow(2.0, cents / 1200.0); }

    template <typename Score>
    static double bestCents(Score score)
    {
        double best = -1;
        double bestCents = 0;
        auto consider = [&](double cents) {
            if (const double value = score(cents); value > best) {
                best = value;
                bestCents = cents;
            }
        };
        for (double cents = -50; cents <= 50; cents += 5)
            consider(cents);
        const double coarse = bestCents;
        for (double cents = coarse - 4; cents <= coarse + 4; cents += 1)
            consider(cents);
        return bestCents;
    }

    double rate_;
    std::vector<double> values_;
};

// The stretch of a recording its pitch is measured over, in frames: the loop when it has
// one (what sounds while the key is held), else a steady stretch past the attack.
struct Stretch {
    double from = 0;
    double frames = 0;
    bool looped = false;
};

inline Stretch measuredStretch(double loopStart, double loopLength, double rate)
{
    if (loopLength > 0)
        return {loopStart + 1, loopLength - 1, true};
    return {kSteadyFrom * rate, kSteadyLength * rate, false};
}

// The pitch of a tone over a stretch. Held sounds here are ensembles or carry vibrato: the
// centre of their spread harmonics is the pitch. The others have clean partials, the first
// of which is the pitch (the upper ones of strings run sharp).
inline double pitchOver(const float* signal, const Stretch& stretch, double rate, double expected)
{
    const WindowedTone tone(signal + std::size_t(stretch.from), std::size_t(stretch.frames), rate);
    return stretch.looped ? tone.harmonicPitchNear(expected) : tone.fundamentalNear(expected);
}

} // namespace ToneAnalysis
