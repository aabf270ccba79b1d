#include "DriftRemoval.h"
#include "HeardPitch.h"
#include "SampleBankSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

// The sound-bank generator's drift removal, measured with the bank tests' own listener.
namespace {

constexpr double kRate = 44100;

// A sine whose pitch in cents from `frequency` is `cents(t)`.
template<typename Cents>
std::vector<float> sine(double frequency, double seconds, Cents cents)
{
    std::vector<float> tone(std::size_t(seconds * kRate));
    double phase = 0;
    for (std::size_t i = 0; i < tone.size(); ++i) {
        tone[i] = float(0.5 * std::sin(phase));
        phase += 2 * M_PI * frequency * std::exp2(cents(double(i) / kRate) / 1200.0) / kRate;
    }
    return tone;
}

std::vector<double> halfSecondCents(const std::vector<float>& tone, double frequency)
{
    std::vector<double> cents;
    for (double heard : HeardPitch(tone, kRate).stretchFrequencies(frequency, {0.1, 0.6, 1.1, 1.6}, 0.5, 6))
        cents.push_back(centsBetween(heard, frequency));
    return cents;
}

// Half the spread of the pitch of single periods, from rising zero crossings between
// `from` and `to` seconds: the depth of a vibrato.
double vibratoDepth(const std::vector<float>& tone, double frequency, double from, double to)
{
    std::vector<double> crossings;
    for (auto i = std::size_t(from * kRate); i < std::min(tone.size(), std::size_t(to * kRate)); ++i)
        if (tone[i - 1] < 0 && tone[i] >= 0)
            crossings.push_back(double(i - 1) + tone[i - 1] / (tone[i - 1] - tone[i]));
    double lowest = 0, highest = 0;
    for (std::size_t i = 1; i < crossings.size(); ++i) {
        const double cents = centsBetween(kRate / (crossings[i] - crossings[i - 1]), frequency);
        lowest = i == 1 ? cents : std::min(lowest, cents);
        highest = i == 1 ? cents : std::max(highest, cents);
    }
    return (highest - lowest) / 2;
}

} // namespace

TEST(DriftRemovalTest, HoldsASinkingToneOnItsNoteAndKeepsItsVibrato)
{
    // 25 cents of vibrato at 6 Hz (three cycles a half second) on a pitch that sinks from
    // 10 cents sharp by 10 cents a second.
    const double frequency = noteFrequency(64);
    const std::vector<float> sinking =
        sine(frequency, 2.3, [](double t) { return 10 - 10 * t + 25 * std::sin(2 * M_PI * 6 * t); });
    ToneAnalysis::HeardPitch pitch(kRate);
    const std::vector<float> steady = ToneAnalysis::withoutDrift(sinking, frequency, pitch);

    const std::vector<double> before = halfSecondCents(sinking, frequency);
    EXPECT_NEAR(before.front() - before.back(), 15.0, 1.0);
    for (double cents : halfSecondCents(steady, frequency))
        EXPECT_NEAR(cents, 0.0, 1.5);
    EXPECT_NEAR(vibratoDepth(steady, frequency, 0.5, 1.8), 25.0, 3.0);
}
