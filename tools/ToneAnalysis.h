#pragma once

// Pitch measurement of recorded tones for the sound-bank generator, which tunes every
// sample so that the notes it plays sound at their pitch.
//
// The pitch a listener hears in a tone is taken from its lowest partials (up to the tenth,
// which the ear resolves): each partial's frequency divided by its number, weighted by its
// energy, the partials above about 1 kHz (above the note's octave for high notes) less and
// less. A partial spread by an ensemble's detuned voices or by vibrato counts at its centre.
// Struck strings run sharp in their upper partials; weighting by energy keeps those few
// cents out of the pitch, as the ear does. Over time, each moment counts by its loudness
// (power to the 0.3), so that a struck note's short, loud attack does not outweigh the
// tone that follows it.
//
// Measured in the frequency domain: half-overlapping Hann frames of at least six periods
// within the stretch, so that the click of its abrupt start and end counts for little; a
// partial's frequency is the power-weighted centroid of the frame's spectrum around it.

#include "FFTRoutines.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <vector>

namespace ToneAnalysis {

// What a question plays of a note: the opening that its pitch is judged by.
constexpr double kOpeningSeconds = 1.0;
// The partials the pitch is taken from: up to the tenth, which the ear resolves; a held
// note's course over time is followed, and judged, on its lowest six.
constexpr int kHeardPartials = 10;
constexpr int kHeldPartials = 6;

// One frame of a pitch track: its middle, its pitch, and how loud it is.
struct Moment {
    double seconds;
    double cents;
    double loudness;
};

class HeardPitch {
public:
    explicit HeardPitch(double rate)
        : rate_(rate)
    {
        for (std::size_t i = 0; i < tables_.size(); ++i) {
            fftSetup(tables_[i], kShortestExponent + kPaddingExponent + int(i));
            const std::size_t frame = std::size_t(1) << (kShortestExponent + int(i));
            windows_[i].resize(frame);
            for (std::size_t n = 0; n < frame; ++n)
                windows_[i][n] = float(0.5 - 0.5 * std::cos(2.0 * M_PI * (double(n) + 0.5) / double(frame)));
        }
    }

    // The mean pitch in Hz of `length` frames of `signal`, for a note near `expected`, by
    // its lowest `partials` partials; `expected` itself when the stretch is silent.
    double over(const float* signal, std::size_t length, double expected, int partials = kHeardPartials)
    {
        analyse(signal, length, expected);
        return at(expected, settledCents(expected, partials));
    }

    double rate() const { return rate_; }

    // The pitch of each frame of `signal` in cents from `expected`, by its lowest `partials`
    // partials, sought around the harmonics of the mean pitch.
    std::vector<Moment> track(const float* signal, std::size_t length, double expected, int partials)
    {
        analyse(signal, length, expected);
        const double fundamental = at(expected, settledCents(expected, partials));
        std::vector<Moment> moments;
        for (std::size_t i = 0; i < spectra_.size(); ++i) {
            const FramePitch pitch = framePitch(spectra_[i], expected, fundamental, partials);
            if (pitch.weight > 0)
                moments.push_back({(double(i + 1) * double(frame_ / 2)) / rate_, pitch.cents,
                                   std::pow(pitch.weight, kLoudnessExponent)});
        }
        return moments;
    }

private:
    // The partials are sought around the harmonics of the pitch found so far, until it
    // settles: where they lie is then the sound's, not the expected note's.
    static constexpr int kMostPasses = 12;
    static constexpr double kSettledCents = 0.01;
    static constexpr double kEarCorner = 1000;
    static constexpr double kEarCornerOverNote = 2;
    static constexpr double kSpreadCents = 60;
    static constexpr double kLoudnessExponent = 0.3;
    static constexpr double kPeriodsPerFrame = 6;
    static constexpr int kShortestExponent = 12; // frames of 4,096 to 16,384 samples
    static constexpr int kLongestExponent = 14;
    // Zero-padded to twice the frame, where the power spectrum's centroid over a partial's
    // band is its frequency.
    static constexpr int kPaddingExponent = 1;

    static double at(double frequency, double cents) { return frequency * std::exp2(cents / 1200.0); }

    int frameExponent(double note) const
    {
        int exponent = kShortestExponent;
        while (exponent < kLongestExponent && double(std::size_t(1) << exponent) < kPeriodsPerFrame * rate_ / note)
            ++exponent;
        return exponent;
    }

    // How much a partial at `frequency` counts towards the pitch of `note`.
    static double earWeight(double frequency, double note)
    {
        const double corner = std::max(kEarCorner, kEarCornerOverNote * note);
        return 1.0 / std::pow(1.0 + std::pow(frequency / corner, 2), 2);
    }

    // Half the width of the band searched for partial `number` of `fundamental`: wide enough
    // for an ensemble's spread and for the frame's spectral peak, narrower than the gap to
    // the neighbouring partials.
    double bandHalfWidth(int number, double fundamental, std::size_t frame) const
    {
        const double spread = number * fundamental * (std::exp2(kSpreadCents / 1200.0) - 1);
        return std::min(0.4 * fundamental, std::max(spread, 3 * rate_ / double(frame)));
    }

    // The power spectra of the frames of `signal` into `spectra_`: Hann frames, half
    // overlapping, zero-padded.
    void analyse(const float* signal, std::size_t length, double note)
    {
        const auto slot = std::size_t(frameExponent(note) - kShortestExponent);
        const std::vector<float>& window = windows_[slot];
        frame_ = window.size();
        points_ = frame_ << kPaddingExponent;
        spectra_.clear();
        std::vector<float> buffer;
        for (std::size_t start = 0; start + frame_ <= length; start += frame_ / 2) {
            buffer.assign(points_, 0.0f);
            for (std::size_t i = 0; i < frame_; ++i)
                buffer[i] = window[i] * signal[start + i];
            fftRealForward(tables_[slot], buffer.data(), points_);
            std::vector<double>& power = spectra_.emplace_back(points_ / 2);
            for (std::size_t bin = 1; bin < points_ / 2; ++bin)
                power[bin] = double(buffer[2 * bin]) * buffer[2 * bin] + double(buffer[2 * bin + 1]) * buffer[2 * bin + 1];
        }
    }

    // Cents from the expected note, settled on the sound's own harmonics.
    double settledCents(double expected, int partials) const
    {
        double cents = 0;
        for (int pass = 0; pass < kMostPasses; ++pass) {
            const double next = meanCents(expected, at(expected, cents), partials);
            const bool settled = std::abs(next - cents) < kSettledCents;
            cents = next;
            if (settled)
                break;
        }
        return cents;
    }

    struct FramePitch {
        double cents = 0;
        double weight = 0; // the partials' weighted energy
    };

    // One frame's partials in cents from `note`, sought around the harmonics of
    // `fundamental`.
    FramePitch framePitch(const std::vector<double>& power, double note, double fundamental, int partials) const
    {
        const double binWidth = rate_ / double(points_);
        double frameSum = 0, frameWeight = 0;
        for (int number = 1; number <= partials && (number + 0.5) * fundamental < rate_ / 2; ++number) {
            const double centre = number * fundamental;
            const double half = bandHalfWidth(number, fundamental, frame_);
            const auto low = std::max<std::size_t>(1, std::size_t(std::ceil((centre - half) / binWidth)));
            const auto high = std::min(points_ / 2 - 1, std::size_t((centre + half) / binWidth));
            double energy = 0, moment = 0;
            for (std::size_t bin = low; bin <= high; ++bin) {
                energy += power[bin];
                moment += power[bin] * double(bin);
            }
            if (!(energy > 0))
                continue;
            const double frequency = moment / energy * binWidth;
            const double weight = energy * earWeight(frequency, note);
            frameSum += weight * 1200.0 * std::log2(frequency / number / note);
            frameWeight += weight;
        }
        return frameWeight > 0 ? FramePitch{frameSum / frameWeight, frameWeight} : FramePitch{};
    }

    // The loudness-weighted mean, over the frames, of each frame's partials in cents from
    // `note`, the partials sought around the harmonics of `fundamental`.
    double meanCents(double note, double fundamental, int partials) const
    {
        double sum = 0, weights = 0;
        for (const std::vector<double>& power : spectra_) {
            const FramePitch pitch = framePitch(power, note, fundamental, partials);
            if (pitch.weight > 0) {
                const double loudness = std::pow(pitch.weight, kLoudnessExponent);
                sum += loudness * pitch.cents;
                weights += loudness;
            }
        }
        return weights > 0 ? sum / weights : 0.0;
    }

    double rate_;
    static constexpr std::size_t kFrameSizes = kLongestExponent - kShortestExponent + 1;
    std::array<FFTTables, kFrameSizes> tables_;
    std::array<std::vector<float>, kFrameSizes> windows_;
    std::size_t frame_ = 0;
    std::size_t points_ = 0;
    std::vector<std::vector<double>> spectra_;
};

} // namespace ToneAnalysis
