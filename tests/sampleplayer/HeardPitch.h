#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

// The pitch a listener hears in a tone, measured in the time domain: the lag at which the
// waveform best repeats itself, frame by frame, averaged in cents with each frame weighted
// by its energy. Looking at the whole waveform rather than at one partial, it hears an
// ensemble's detuned voices or a vibrato at their centre, and finds the period of low
// notes whose first partial is weak.
class HeardPitch {
public:
    HeardPitch(const std::vector<float>& signal, double rate)
        : signal_(signal)
        , rate_(rate)
    {
    }

    // The mean pitch in Hz of the whole signal, searched within a semitone of `expected`
    // (a period at the edge of the search reads as about a semitone off); 0 for silence.
    double meanFrequencyNear(double expected) const
    {
        // Short periods are measured on the signal sampled finer, where a parabola through
        // the best lag and its neighbours finds the peak between them closely.
        const int factor = std::max(1, int(std::ceil(kShortestPeriod * expected / rate_)));
        const std::vector<double> signal = upsampled(weighted(expected), factor);
        const double period = factor * rate_ / expected;
        const std::size_t longestLag = std::size_t(std::ceil(period * kSemitone)) + 2;
        const std::size_t frames = std::max<std::size_t>(kShortestFrame * factor, std::size_t(3 * period));
        if (signal.size() < longestLag + frames)
            return 0.0;
        std::vector<double> window(frames);
        for (std::size_t i = 0; i < frames; ++i)
            window[i] = 0.5 - 0.5 * std::cos(2 * M_PI * (double(i) + 0.5) / double(frames));
        double weightedCents = 0, weight = 0;
        for (std::size_t start = 0; start + frames + longestLag <= signal.size(); start += frames) {
            const Frame frame{signal.data() + start, window};
            const double energy = frame.energy();
            if (!(energy > 0))
                continue;
            weightedCents += energy * 1200.0 * std::log2(period / frame.periodNear(period));
            weight += energy;
        }
        return weight > 0 ? expected * std::exp2(weightedCents / weight / 1200.0) : 0.0;
    }

private:
    static constexpr double kSemitone = 1.0594630943592953;
    static constexpr std::size_t kShortestFrame = 4096;
    static constexpr double kShortestPeriod = 50;
    static constexpr double kLowPass = 1000;
    static constexpr double kHighPass = 0.7;
    // The interpolation kernel: a Kaiser-windowed sinc reaching this many frames each way.
    static constexpr int kReach = 16;
    static constexpr double kKaiserBeta = 10;

    // The signal through one-pole filters run forwards and backwards: a high-pass below the
    // note (a thump has no pitch), then a low-pass that weighs the upper partials less, as the
    // ear does (those of struck and plucked strings run sharp).
    std::vector<double> weighted(double expected) const
    {
        std::vector<double> values(signal_.begin(), signal_.end());
        const auto smoothed = [&](double cutoff) {
            std::vector<double> smooth = values;
            const double keep = std::exp(-2 * M_PI * cutoff / rate_);
            for (int pass = 0; pass < 2; ++pass) {
                double state = 0;
                for (double& value : smooth)
                    value = state = (1 - keep) * value + keep * state;
                std::reverse(smooth.begin(), smooth.end());
            }
            return smooth;
        };
        for (int stage = 0; stage < 2; ++stage) {
            const std::vector<double> below = smoothed(kHighPass * expected);
            for (std::size_t i = 0; i < values.size(); ++i)
                values[i] -= below[i];
        }
        return smoothed(kLowPass);
    }

    // The signal with `factor` values per frame, band-limited as it was.
    static std::vector<double> upsampled(const std::vector<double>& signal_, int factor)
    {
        if (factor == 1)
            return signal_;
        std::vector<double> kernel(std::size_t(factor * 2 * kReach));
        for (int phase = 0; phase < factor; ++phase) {
            for (int tap = -kReach + 1; tap <= kReach; ++tap) {
                const double x = double(phase) / factor - tap;
                const double sinc = x == 0 ? 1.0 : std::sin(M_PI * x) / (M_PI * x);
                const double edge = x / (kReach + 1);
                kernel[std::size_t(phase * 2 * kReach + tap + kReach - 1)] =
                    sinc * std::cyl_bessel_i(0.0, kKaiserBeta * std::sqrt(1 - edge * edge)) / std::cyl_bessel_i(0.0, kKaiserBeta);
            }
        }
        const auto count = std::ptrdiff_t(signal_.size());
        std::vector<double> fine(signal_.size() * std::size_t(factor), 0.0);
        for (std::ptrdiff_t i = 0; i < count; ++i) {
            for (int phase = 0; phase < factor; ++phase) {
                double sum = 0;
                const double* taps = kernel.data() + phase * 2 * kReach;
                for (int tap = -kReach + 1; tap <= kReach; ++tap)
                    if (i + tap >= 0 && i + tap < count)
                        sum += taps[tap + kReach - 1] * signal_[std::size_t(i + tap)];
                fine[std::size_t(i * factor + phase)] = sum;
            }
        }
        return fine;
    }

    struct Frame {
        const double* values;
        const std::vector<double>& window;

        double energy() const
        {
            double sum = 0;
            for (std::size_t i = 0; i < window.size(); ++i)
                sum += window[i] * values[i] * values[i];
            return sum;
        }

        // How alike the frame is to itself `lag` values later, 1 for a perfect repeat: their
        // correlation under the window over the geometric mean of their energies, so that
        // neither a decay nor the part of a period at the frame's ends tilts it.
        double similarity(std::size_t lag) const
        {
            double product = 0, here = 0, there = 0;
            const double* later = values + lag;
            for (std::size_t i = 0; i < window.size(); ++i) {
                product += window[i] * values[i] * later[i];
                here += window[i] * values[i] * values[i];
                there += window[i] * later[i] * later[i];
            }
            return here > 0 && there > 0 ? product / std::sqrt(here * there) : 0.0;
        }

        // The lag of greatest similarity within a semitone of `expected`, between whole
        // lags by a parabola.
        double periodNear(double expected) const
        {
            const auto low = std::max<std::size_t>(std::size_t(std::floor(expected / kSemitone)), 1);
            const auto high = std::size_t(std::ceil(expected * kSemitone));
            std::vector<double> values;
            for (std::size_t lag = low; lag <= high; ++lag)
                values.push_back(similarity(lag));
            const auto best = std::size_t(std::max_element(values.begin(), values.end()) - values.begin());
            if (best == 0 || best + 1 == values.size())
                return double(low + best);
            const double before = values[best - 1], middle = values[best], after = values[best + 1];
            const double bend = before - 2 * middle + after;
            return double(low + best) + (bend < 0 ? 0.5 * (before - after) / bend : 0.0);
        }
    };

    std::vector<float> signal_;
    double rate_;
};
