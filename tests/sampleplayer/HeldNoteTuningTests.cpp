#include "BankPlayerTest.h"
#include "HeardPitch.h"
#include "SampleBankSupport.h"

#include <cmath>
#include <iostream>

// A key held on the bank's instruments as a listener follows it through its vibrato: every
// note of the keyboard's range, half second by half second on its lowest partials, stays in
// tune for as long as it sounds, measured independently of how the bank was made.
namespace {

constexpr double kRate = 44100;
constexpr int kLowestKey = 36;  // C2
constexpr int kHighestKey = 96; // C7
constexpr double kFirstStretch = 0.1;
constexpr double kStretchSeconds = 0.5;
constexpr int kStretches = 6;
constexpr int kPartials = 6;
constexpr double kToleranceCents = 7.0;
// A stretch is judged while its level is within this of the note's peak.
constexpr double kAudibleDecibels = 30.0;
constexpr double kPeakBlockSeconds = 0.05;

std::vector<double> stretchStarts()
{
    std::vector<double> starts;
    for (int i = 0; i < kStretches; ++i)
        starts.push_back(kFirstStretch + i * kStretchSeconds);
    return starts;
}

double decibelsOver(const std::vector<float>& signal, double start, double seconds)
{
    const auto first = std::min(signal.size(), std::size_t(start * kRate));
    const auto last = std::min(signal.size(), first + std::size_t(seconds * kRate));
    double energy = 0;
    for (std::size_t i = first; i < last; ++i)
        energy += double(signal[i]) * signal[i];
    return last > first && energy > 0 ? 10 * std::log10(energy / double(last - first)) : -INFINITY;
}

double peakDecibels(const std::vector<float>& signal)
{
    double peak = -INFINITY;
    for (double start = 0; start < double(signal.size()) / kRate; start += kPeakBlockSeconds)
        peak = std::max(peak, decibelsOver(signal, start, kPeakBlockSeconds));
    return peak;
}

double tenths(double seconds)
{
    return double(std::lround(seconds * 10)) / 10;
}

double fromCents(double frequency, double cents)
{
    return frequency * std::exp2(cents / 1200.0);
}

// Harmonics 1..10 at 1/k of a tone whose pitch is `cents(t)`, the partials above the sixth
// pushed up by `upperCents`.
template<typename Cents>
std::vector<float> heldTone(double frequency, double seconds, Cents cents, double upperCents = 0)
{
    std::vector<float> tone(std::size_t(seconds * kRate), 0.0f);
    double phase = 0;
    for (std::size_t i = 0; i < tone.size(); ++i) {
        phase += 2 * M_PI * fromCents(frequency, cents(double(i) / kRate)) / kRate;
        for (int k = 1; k <= 10; ++k)
            tone[i] += float(0.1 / k * std::sin(k * phase * (k > 6 ? std::exp2(upperCents / 1200.0) : 1.0)));
    }
    return tone;
}

std::vector<double> stretchCents(const std::vector<float>& tone, double expected)
{
    std::vector<double> cents;
    for (double frequency : HeardPitch(tone, kRate).stretchFrequencies(expected, stretchStarts(), kStretchSeconds, kPartials))
        cents.push_back(frequency > 0 ? centsBetween(frequency, expected) : NAN);
    return cents;
}

} // namespace

TEST(HeldPitchTest, FollowsAHeldNoteStretchByStretchThroughItsVibrato)
{
    // 30 cents of vibrato at 6 Hz (three cycles a stretch), 9 cents sharp from 1.1 s on.
    const double expected = noteFrequency(57);
    const auto cents = [](double t) { return 30 * std::sin(2 * M_PI * 6 * t) + (t >= 1.1 ? 9 : 0); };
    const std::vector<double> read = stretchCents(heldTone(expected, 3.2, cents), expected);
    ASSERT_EQ(read.size(), std::size_t(kStretches));
    for (int i = 0; i < kStretches; ++i)
        EXPECT_NEAR(read[i], i < 2 ? 0.0 : 9.0, 1.0) << "stretch " << i;
}

TEST(HeldPitchTest, JudgesTheLowestSixPartialsAndNothingPastTheSignal)
{
    const double expected = noteFrequency(45);
    const std::vector<double> read = stretchCents(heldTone(expected, 2.0, [](double) { return -4.0; }, 40), expected);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(read[i], -4.0, 0.5) << "stretch " << i;
    for (int i = 4; i < kStretches; ++i)
        EXPECT_TRUE(std::isnan(read[i])) << "stretch " << i;
}

using HeldNoteTuningTest = BankPlayerTest;

TEST_P(HeldNoteTuningTest, EveryKeyStaysWithinSevenCentsWhileHeld)
{
    ASSERT_TRUE(play(GetParam())) << GetParam();
    const std::vector<double> starts = stretchStarts();
    double worst = 0, worstStart = 0;
    int worstNote = 0;
    for (int note = kLowestKey; note <= kHighestKey; ++note) {
        const std::vector<float> held = heldNote(note, kFirstStretch + kStretches * kStretchSeconds);
        const double expected = noteFrequency(note);
        const std::vector<double> frequencies =
            HeardPitch(held, kRate).stretchFrequencies(expected, starts, kStretchSeconds, kPartials);
        const double audible = peakDecibels(held) - kAudibleDecibels;
        for (std::size_t i = 0; i < starts.size(); ++i) {
            if (decibelsOver(held, starts[i], kStretchSeconds) < audible)
                continue;
            const double cents = centsBetween(frequencies[i], expected);
            EXPECT_NEAR(cents, 0.0, kToleranceCents)
                << GetParam() << " note " << note << " from " << tenths(starts[i]) << " s";
            if (std::abs(cents) >= std::abs(worst)) {
                worst = cents;
                worstNote = note;
                worstStart = starts[i];
            }
        }
    }
    std::cout << GetParam() << ": worst note " << worstNote << " at " << worst << " cents from " << tenths(worstStart)
              << " s\n";
}

INSTANTIATE_TEST_SUITE_P(Bank, HeldNoteTuningTest, ::testing::ValuesIn(kBankInstruments), byBankKey);
