#include "WaveletPitchTracker.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace WaveletPitch {
namespace {

constexpr double kMaxFrequency = 3000.0;
constexpr int kLevels = 6;
constexpr int kDifferenceLevels = 2; // pairs of extrema up to this far apart
constexpr double kAmplitudeRatio = 0.75;
constexpr int kMaxConfidence = 5;
// The tolerance is a single-precision 0.2, widened.
constexpr double kOctaveTolerance = double(0.2f);

// Stage 1: the raw pitch of one block, 0.0 for none.
double rawPitch(const double* samples, int count)
{
    const int total = floorPowerOfTwo(count);
    if (total < 2)
        return 0.0;
    std::vector<double> signal(samples, samples + total);
    std::vector<int> histogram(std::size_t(total), 0);
    std::vector<int> minima(std::size_t(total), 0);
    std::vector<int> maxima(std::size_t(total), 0);

    double sum = 0.0, maxValue = 0.0, minValue = 0.0;
    for (double value : signal) {
        sum += value;
        maxValue = std::max(maxValue, value);
        minValue = std::min(minValue, value);
    }
    const double dc = sum / total;
    const double amplitude = std::max(maxValue - dc, dc - minValue);
    const double threshold = amplitude * kAmplitudeRatio;

    double mode = -1.0;
    int n = total;
    for (int level = 0;; ++level) {
        const int delta = int(kSampleRate / (std::pow(2.0, level) * kMaxFrequency));
        if (n < 2)
            return 0.0;

        // Extrema past a zero crossing and beyond the threshold, at least delta apart.
        int minimumCount = 0, maximumCount = 0;
        int lastMinimum = -1000000, lastMaximum = -1000000;
        bool seekMinimum = false, seekMaximum = false;
        double previousSlope = -1000.0;
        for (int i = 2; i < n; ++i) {
            const double s = signal[std::size_t(i)] - dc;
            const double s1 = signal[std::size_t(i) - 1] - dc;
            const double slope = s - s1;
            if (s1 <= 0 && s > 0)
                seekMaximum = true;
            if (s1 >= 0 && s < 0)
                seekMinimum = true;
            if (previousSlope > -1000.0) {
                const bool loud = std::abs(s) >= threshold;
                if (i > lastMinimum + delta && loud && slope >= 0 && previousSlope < 0 && seekMinimum) {
                    minima[std::size_t(minimumCount++)] = i;
                    lastMinimum = i;
                    seekMinimum = false;
                }
                if (i > lastMaximum + delta && loud && slope <= 0 && previousSlope > 0 && seekMaximum) {
                    maxima[std::size_t(maximumCount++)] = i;
                    lastMaximum = i;
                    seekMaximum = false;
                }
            }
            previousSlope = slope;
        }
        if (minimumCount == 0 && maximumCount == 0)
            return 0.0;

        // How often each distance between nearby extrema occurs.
        std::fill(histogram.begin(), histogram.end(), 0);
        auto countDistances = [&](const std::vector<int>& extrema, int extremaCount) {
            for (int k = 0; k < extremaCount; ++k)
                for (int j = 1; j <= kDifferenceLevels && k + j < extremaCount; ++j)
                    ++histogram[std::size_t(std::abs(extrema[std::size_t(k)] - extrema[std::size_t(k + j)]))];
        };
        countDistances(minima, minimumCount);
        countDistances(maxima, maximumCount);

        // The distance whose neighbourhood holds most; a tie goes to the double distance.
        int best = -1, bestValue = -1;
        for (int i = 0; i < n; ++i) {
            int summed = 0;
            for (int j = -delta; j <= delta; ++j)
                if (i + j >= 0 && i + j < n)
                    summed += histogram[std::size_t(i + j)];
            if (summed == bestValue) {
                if (i == 2 * best)
                    best = i;
            } else if (summed > bestValue) {
                best = i;
                bestValue = summed;
            }
        }

        // The mean distance around it.
        double weighted = 0.0;
        int weights = 0;
        for (int j = -delta; j <= delta; ++j) {
            const int index = best + j;
            if (index >= 0 && index < total && histogram[std::size_t(index)] > 0) {
                weighted += double(index) * histogram[std::size_t(index)];
                weights += histogram[std::size_t(index)];
            }
        }
        const double average = weights > 0 ? weighted / weights : std::numeric_limits<double>::quiet_NaN();

        // Two levels that agree (half the distance at half the rate) give the pitch.
        if (mode > -1.0 && std::abs(2.0 * average - mode) <= 2.0 * delta) {
            const double factor = level >= 2 ? std::pow(2.0, level - 1) : 1.0;
            return kSampleRate / (factor * mode);
        }
        if (level >= kLevels - 1)
            return 0.0;
        for (int k = 0; k < n / 2; ++k)
            signal[std::size_t(k)] = (signal[std::size_t(2 * k)] + signal[std::size_t(2 * k + 1)]) * 0.5;
        n /= 2;
        mode = average;
    }
}

// Stage 2: follows the pitch across calls.
double trackedPitch(_dywapitchtracker* tracker, double raw)
{
    const double pitch = raw == 0.0 ? -1.0 : raw;
    double& previous = tracker->previousPitch;
    int& confidence = tracker->confidence;
    double estimate = -1.0;
    auto near = [](double a, double b) { return std::abs(a - b) / b < kOctaveTolerance; };

    if (pitch == -1.0) {
        if (previous != -1.0) {
            if (confidence >= 1) {
                estimate = previous;
                --confidence;
            } else {
                previous = -1.0;
                confidence = 0;
            }
        }
    } else if (previous == -1.0) {
        previous = pitch;
        confidence = 1;
        estimate = pitch;
    } else if (near(previous, pitch)) {
        previous = pitch;
        confidence = std::min(confidence + 1, kMaxConfidence);
        estimate = pitch;
    } else if (confidence >= 3 && near(previous, 2.0 * pitch)) {
        previous = 2.0 * pitch;
        estimate = previous;
    } else if (confidence >= 3 && near(previous, pitch / 2.0)) {
        previous = pitch / 2.0;
        estimate = previous;
    } else if (confidence >= 1) {
        estimate = previous;
        --confidence;
    } else {
        previous = pitch;
        confidence = 1;
        estimate = pitch;
    }
    const double result = confidence >= 1 ? estimate : -1.0;
    return result == -1.0 ? 0.0 : result;
}

} // namespace

void initWaveletTracker(_dywapitchtracker* tracker)
{
    tracker->previousPitch = -1.0;
    tracker->confidence = -1;
}

double computeWaveletPitch(_dywapitchtracker* tracker, const double* samples, int start, int count)
{
    const double raw = samples && start >= 0 ? rawPitch(samples + start, count) : 0.0;
    return trackedPitch(tracker, raw);
}

int neededSampleCount(int lowestFrequency)
{
    return ceilPowerOfTwo(int(kSampleRate * 3) / std::max(lowestFrequency, 1));
}

bool isPowerOfTwo(int value)
{
    for (;; value >>= 1) {
        if (value == 0 || value == 2)
            return true;
        if (value & 1)
            return false;
    }
}

int bitCount(int value)
{
    if (value < 0)
        return 0;
    int count = 0;
    for (; value >= 3; value >>= 1)
        ++count;
    return count + value;
}

int ceilPowerOfTwo(int value)
{
    if (isPowerOfTwo(value))
        return value;
    if (value == 1)
        return 2;
    const int bits = bitCount(value);
    return bits < 1 ? 1 : 1 << std::min(bits, 30);
}

int floorPowerOfTwo(int value)
{
    return isPowerOfTwo(value) ? value : ceilPowerOfTwo(value) / 2;
}

} // namespace WaveletPitch
