#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <optional>
#include <vector>

// The pitch a listener hears in a tone, measured in the time domain.
//
// A listener takes the pitch of a tone from its lowest partials (up to the tenth, which the
// ear resolves): each partial's frequency divided by its number, weighted by its energy, the
// partials above about 1 kHz (above the note's octave for high notes) less and less; a
// partial spread by an ensemble's voices or by vibrato counts at its centre. So the sharp
// upper partials of a struck string, a thump below the note and an attack's knock between
// the partials do not move it. Over time each moment counts by its loudness (power to the
// 0.3): a struck note's short, loud attack does not outweigh the tone that follows it.
//
// Each partial is shifted down to 0 Hz and smoothed, which parts it from everything more
// than a fraction of the note away; its frequency is the rate at which the smoothed phase
// turns. Moments are gathered in half-overlapping Hann frames of at least six periods within
// the signal, so that the click of its abrupt start and end counts for little. The partials
// are sought around the harmonics of the pitch found so far, until it settles.
//
// A held note is followed over stretches of about half a second, as a listener follows it
// through its vibrato: each of its lowest partials by how fast its phase turns over the
// whole stretch, the partials by their energy.
//
// It checks the sound bank, whose generator measures the same listener in the frequency
// domain; so it shares no code with that measure, not even the listener's weights.
class HeardPitch {
public:
    HeardPitch(const std::vector<float>& signal, double rate)
        : signal_(signal)
        , rate_(rate)
    {
    }

    // The mean pitch in Hz of the whole signal, for a note within about a semitone of
    // `expected`; 0 for silence or a signal shorter than one frame.
    double meanFrequencyNear(double expected) const
    {
        double cents = 0;
        for (int pass = 0; pass < kMostPasses; ++pass) {
            const std::optional<double> next = meanCents(expected, expected * std::exp2(cents / 1200.0));
            if (!next)
                return 0.0;
            const bool settled = std::abs(*next - cents) < kSettledCents;
            cents = *next;
            if (settled)
                break;
        }
        return expected * std::exp2(cents / 1200.0);
    }

    // The pitch in Hz of each stretch of `seconds` that starts at one of `starts` (seconds),
    // by the lowest `partials` partials of a note within about a semitone of `expected`; 0
    // for a stretch that is silent or runs past the signal's end.
    std::vector<double> stretchFrequencies(double expected, const std::vector<double>& starts, double seconds,
                                           int partials) const
    {
        const auto length = std::size_t(seconds * rate_);
        std::vector<double> weights(starts.size(), 0.0), weightedCents(starts.size(), 0.0);
        for (int number = 1; number <= partials && (number + 0.5) * expected < rate_ / 2; ++number) {
            const double centre = number * expected;
            const std::vector<Complex> partial = isolated(centre, bandHalfWidth(number, expected, frameLength(expected)));
            for (std::size_t s = 0; s < starts.size(); ++s) {
                const auto first = std::max<std::size_t>(1, std::size_t(starts[s] * rate_));
                if (first + length > partial.size())
                    continue;
                double energy = 0;
                Complex turn = 0;
                for (std::size_t i = first; i < first + length; ++i) {
                    energy += std::norm(partial[i]);
                    turn += partial[i] * std::conj(partial[i - 1]);
                }
                const double frequency = centre + std::arg(turn) * rate_ / (2 * M_PI);
                if (!(energy > 0) || !(frequency > 0))
                    continue;
                const double weight = energy * earWeight(frequency, expected);
                weights[s] += weight;
                weightedCents[s] += weight * 1200.0 * std::log2(frequency / number / expected);
            }
        }
        std::vector<double> frequencies(starts.size(), 0.0);
        for (std::size_t s = 0; s < starts.size(); ++s)
            if (weights[s] > 0)
                frequencies[s] = expected * std::exp2(weightedCents[s] / weights[s] / 1200.0);
        return frequencies;
    }

private:
    using Complex = std::complex<double>;

    static constexpr int kPartials = 10;
    static constexpr int kMostPasses = 12;
    static constexpr double kSettledCents = 0.01;
    static constexpr double kEarCorner = 1000;
    static constexpr double kEarCornerOverNote = 2;
    static constexpr double kSpreadCents = 60;
    static constexpr double kLoudnessExponent = 0.3;
    static constexpr double kPeriodsPerFrame = 6;
    static constexpr std::size_t kShortestFrame = 4096;
    static constexpr std::size_t kLongestFrame = 16384;
    // Three running means of this share of the band's inverse width halve the band's edges
    // and take the neighbouring partials down by more than 60 dB.
    static constexpr double kSmoothingShare = 0.37;

    // What one partial adds to a frame: its energy and the sum of its phase steps, each
    // weighted by its moment's energy.
    struct Gathered {
        double energy = 0;
        Complex turn = 0;
    };

    std::size_t frameLength(double note) const
    {
        std::size_t frame = kShortestFrame;
        while (frame < kLongestFrame && double(frame) < kPeriodsPerFrame * rate_ / note)
            frame *= 2;
        return frame;
    }

    static double earWeight(double frequency, double note)
    {
        const double corner = std::max(kEarCorner, kEarCornerOverNote * note);
        return 1.0 / std::pow(1.0 + std::pow(frequency / corner, 2), 2);
    }

    // Half the width of the band kept around a partial: an ensemble's spread or what the
    // frame resolves, whichever is wider, but short of the neighbouring partials.
    double bandHalfWidth(int number, double fundamental, std::size_t frame) const
    {
        const double spread = number * fundamental * (std::exp2(kSpreadCents / 1200.0) - 1);
        return std::min(0.4 * fundamental, std::max(spread, 3 * rate_ / double(frame)));
    }

    // The loudness-weighted mean, over the frames, of each frame's partials in cents from
    // `note`, the partials sought around the harmonics of `fundamental`; none for silence.
    std::optional<double> meanCents(double note, double fundamental) const
    {
        const std::size_t frame = frameLength(note);
        if (signal_.size() < frame)
            return std::nullopt;
        const std::size_t frames = (signal_.size() - frame) / (frame / 2) + 1;
        const std::vector<double> window = squaredHann(frame);
        std::vector<double> weights(frames, 0.0), weightedCents(frames, 0.0);
        for (int number = 1; number <= kPartials && (number + 0.5) * fundamental < rate_ / 2; ++number) {
            const double centre = number * fundamental;
            const std::vector<Gathered> gathered = gather(isolated(centre, bandHalfWidth(number, fundamental, frame)), window, frames);
            for (std::size_t i = 0; i < frames; ++i) {
                if (!(gathered[i].energy > 0))
                    continue;
                const double frequency = centre + std::arg(gathered[i].turn) * rate_ / (2 * M_PI);
                if (!(frequency > 0))
                    continue;
                const double weight = gathered[i].energy * earWeight(frequency, note);
                weights[i] += weight;
                weightedCents[i] += weight * 1200.0 * std::log2(frequency / number / note);
            }
        }
        double sum = 0, total = 0;
        for (std::size_t i = 0; i < frames; ++i) {
            if (!(weights[i] > 0))
                continue;
            const double loudness = std::pow(weights[i], kLoudnessExponent);
            sum += loudness * weightedCents[i] / weights[i];
            total += loudness;
        }
        return total > 0 ? std::optional<double>(sum / total) : std::nullopt;
    }

    // The signal's content within about `halfWidth` of `centre`, shifted down by `centre`.
    std::vector<Complex> isolated(double centre, double halfWidth) const
    {
        std::vector<Complex> shifted(signal_.size());
        const Complex step = std::polar(1.0, -2 * M_PI * centre / rate_);
        Complex turn = 1;
        for (std::size_t i = 0; i < signal_.size(); ++i) {
            shifted[i] = double(signal_[i]) * turn;
            turn *= step;
            if (i % 1024 == 0)
                turn /= std::abs(turn);
        }
        const auto length = std::max<std::size_t>(1, std::size_t(std::lround(kSmoothingShare * rate_ / halfWidth)));
        for (int pass = 0; pass < 3; ++pass)
            shifted = runningMean(shifted, length);
        return shifted;
    }

    // The mean of `length` values centred on each value, counting zeros past the ends.
    static std::vector<Complex> runningMean(const std::vector<Complex>& values, std::size_t length)
    {
        const auto count = std::ptrdiff_t(values.size());
        const auto back = std::ptrdiff_t(length / 2);
        const auto valueAt = [&](std::ptrdiff_t i) { return i >= 0 && i < count ? values[std::size_t(i)] : Complex(0); };
        std::vector<Complex> means(values.size());
        Complex sum = 0;
        for (std::ptrdiff_t i = -back; i < std::ptrdiff_t(length) - back; ++i)
            sum += valueAt(i);
        for (std::ptrdiff_t i = 0; i < count; ++i) {
            means[std::size_t(i)] = sum / double(length);
            sum += valueAt(i - back + std::ptrdiff_t(length)) - valueAt(i - back);
        }
        return means;
    }

    // The square of a Hann window of `frame` values: it weighs each moment as a frame's
    // spectrum does.
    static std::vector<double> squaredHann(std::size_t frame)
    {
        std::vector<double> window(frame);
        for (std::size_t j = 0; j < frame; ++j)
            window[j] = std::pow(0.5 - 0.5 * std::cos(2 * M_PI * (double(j) + 0.5) / double(frame)), 2);
        return window;
    }

    // Each moment's energy and phase step, gathered under `window` over the frames, which
    // overlap by half.
    static std::vector<Gathered> gather(const std::vector<Complex>& partial, const std::vector<double>& window,
                                        std::size_t frames)
    {
        const std::size_t frame = window.size();
        std::vector<Gathered> gathered(frames);
        for (std::size_t f = 0; f < frames; ++f) {
            const std::size_t start = f * (frame / 2);
            for (std::size_t j = start == 0 ? 1 : 0; j < frame; ++j) {
                const Complex here = partial[start + j], before = partial[start + j - 1];
                gathered[f].energy += window[j] * std::norm(here);
                gathered[f].turn += window[j] * here * std::conj(before);
            }
        }
        return gathered;
    }

    std::vector<float> signal_;
    double rate_;
};
