#pragma once

// Takes the slow pitch changes out of a held sound for the sound-bank generator: a
// recording whose pitch rises or sinks over its first seconds would make a held key drift
// out of tune. The sound's pitch is followed frame by frame and averaged over a window
// longer than a vibrato's cycle; the sound is then read at a rate that undoes that average,
// so the vibrato, and the beating of an ensemble's voices, stay as they were.

#include "ToneAnalysis.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace ToneAnalysis {

// The window the pitch is averaged over: longer than a vibrato's cycle, shorter than the
// half seconds a listener follows a held note by.
constexpr double kDriftSmoothingSeconds = 0.4;

// A held sound's slow pitch changes at the moments of its track: each moment's pitch
// averaged with its neighbours' over a Hann window, each by its loudness.
inline std::vector<double> driftOf(const std::vector<Moment>& track)
{
    const double half = kDriftSmoothingSeconds / 2;
    std::vector<double> drift(track.size());
    for (std::size_t i = 0; i < track.size(); ++i) {
        double sum = 0, weights = 0;
        for (const Moment& other : track) {
            const double apart = other.seconds - track[i].seconds;
            if (std::abs(apart) >= half)
                continue;
            const double weight = other.loudness * (0.5 + 0.5 * std::cos(M_PI * apart / half));
            sum += weight * other.cents;
            weights += weight;
        }
        drift[i] = weights > 0 ? sum / weights : 0.0;
    }
    return drift;
}

// The drift at `seconds`: followed linearly between the track's moments, held past its ends.
inline double driftAt(const std::vector<Moment>& track, const std::vector<double>& drift, double seconds)
{
    const auto later = std::upper_bound(track.begin(), track.end(), seconds,
                                        [](double t, const Moment& moment) { return t < moment.seconds; });
    if (later == track.begin())
        return drift.front();
    const auto i = std::size_t(later - track.begin());
    if (i == track.size())
        return drift.back();
    const double share = (seconds - track[i - 1].seconds) / (track[i].seconds - track[i - 1].seconds);
    return drift[i - 1] + share * (drift[i] - drift[i - 1]);
}

// `signal` between its frames, by the cubic through the four around `position`.
inline float cubicAt(const std::vector<float>& signal, double position)
{
    const auto i = long(position);
    const auto at = [&](long k) { return signal[std::size_t(std::clamp(k, 0L, long(signal.size()) - 1))]; };
    const float t = float(position - double(i));
    const float a = at(i - 1), b = at(i), c = at(i + 1), d = at(i + 2);
    return b + 0.5f * t * (c - a + t * (2 * a - 5 * b + 4 * c - d + t * (3 * (b - c) + d - a)));
}

// A held sound played back at a rate that follows its drift, so that its pitch stays on
// `nominal` while its vibrato and the beating of an ensemble's voices remain.
inline std::vector<float> withoutDrift(const std::vector<float>& signal, double nominal, HeardPitch& pitch)
{
    const std::vector<Moment> track = pitch.track(signal.data(), signal.size(), nominal, kHeldPartials);
    if (track.empty())
        return signal;
    const std::vector<double> drift = driftOf(track);
    const double rate = pitch.rate();
    std::vector<float> steady;
    steady.reserve(signal.size() + signal.size() / 8);
    for (double position = 0; position < double(signal.size() - 1);
         position += std::exp2(-driftAt(track, drift, position / rate) / 1200.0))
        steady.push_back(cubicAt(signal, position));
    return steady;
}

} // namespace ToneAnalysis
