#include "BankPlayerTest.h"
#include "HeardPitch.h"
#include "SampleBankSupport.h"

#include <cmath>
#include <iostream>

// The bank's notes as a question plays them: every note of the piano's range through the
// sample synthesizer, its pitch over the first second measured independently of how the
// bank was tuned.
namespace {

constexpr double kRate = 44100;
constexpr int kLowestNote = 21;
constexpr int kHighestNote = 108;
constexpr double kToleranceCents = 5.0;

double heardCents(const std::vector<float>& tone, double expected)
{
    return centsBetween(HeardPitch(tone, kRate).meanFrequencyNear(expected), expected);
}

// Voices of harmonics firstHarmonic..lastHarmonic (each k at 1/k), one per frequency, each
// starting at its own phase and with a vibrato of its own phase.
std::vector<float> tone(const std::vector<double>& frequencies, std::size_t frames, int lastHarmonic = 8,
                        int firstHarmonic = 1, double vibratoCents = 0)
{
    std::vector<float> mixed(frames, 0.0f);
    for (std::size_t voice = 0; voice < frequencies.size(); ++voice) {
        const double frequency = frequencies[voice];
        double phase = 2.1 * double(voice);
        for (std::size_t i = 0; i < frames; ++i) {
            // Whole vibrato cycles over the second: their mean is the frequency.
            const double bend = vibratoCents * std::sin(2 * M_PI * 5.0 * double(i) / kRate + 1.3 * double(voice));
            phase += 2 * M_PI * frequency * std::exp2(bend / 1200.0) / kRate;
            for (int k = firstHarmonic; k <= lastHarmonic && k * frequency < kRate / 2; ++k)
                mixed[i] += float(0.2 / k * std::sin(k * phase));
        }
    }
    return mixed;
}

double fromCents(double frequency, double cents)
{
    return frequency * std::exp2(cents / 1200.0);
}

// A sine at a frequency and amplitude, decaying to 1/e in `decaySeconds` (0: held).
struct Partial {
    double frequency;
    double amplitude;
    double decaySeconds = 0;
};

std::vector<float> sound(const std::vector<Partial>& partials, std::size_t frames)
{
    std::vector<float> mixed(frames, 0.0f);
    for (std::size_t p = 0; p < partials.size(); ++p) {
        const Partial& partial = partials[p];
        for (std::size_t i = 0; i < frames; ++i) {
            const double t = double(i) / kRate;
            const double level = partial.decaySeconds > 0 ? std::exp(-t / partial.decaySeconds) : 1.0;
            mixed[i] += float(partial.amplitude * level * std::sin(2 * M_PI * partial.frequency * t + double(p)));
        }
    }
    return mixed;
}

} // namespace

TEST(HeardPitchTest, ReadsTonesAcrossTheRangeToAQuarterOfACent)
{
    for (int note = kLowestNote; note <= kHighestNote; note += 7) {
        const double expected = noteFrequency(note);
        EXPECT_NEAR(heardCents(tone({fromCents(expected, 7)}, 44100, 1), expected), 7.0, 0.25) << note;
        EXPECT_NEAR(heardCents(tone({fromCents(expected, -4)}, 44100), expected), -4.0, 0.25) << note;
    }
    // A low note whose first partial is missing.
    EXPECT_NEAR(heardCents(tone({fromCents(41.2, 3)}, 44100, 10, 2), 41.2), 3.0, 0.25);
    EXPECT_EQ(HeardPitch(std::vector<float>(44100, 0.0f), kRate).meanFrequencyNear(440), 0.0);
}

TEST(HeardPitchTest, HearsAnEnsembleWithVibratoAtItsCentre)
{
    const double centre = fromCents(noteFrequency(67), 2);
    EXPECT_NEAR(heardCents(tone({fromCents(centre, -10), centre, fromCents(centre, 10)}, 44100, 8, 1, 25),
                           noteFrequency(67)),
                2.0, 1.0);
}

TEST(HeardPitchTest, HearsAStretchedStringAtItsStrongLowPartials)
{
    // A stiff string's partials run sharp, the sixteenth by 20 cents. The strong low ones lie
    // within a cent of the fundamental's harmonics, and they give the pitch a listener hears:
    // here 6 cents flat. Counted as much as the low ones, the upper partials would pull it to
    // about 2 cents flat.
    const double expected = noteFrequency(43);
    const double fundamental = fromCents(expected, -6);
    const double stiffness = (std::exp2(1.0 / 30) - 1) / 256;
    std::vector<Partial> partials;
    for (int k = 1; k <= 16; ++k)
        partials.push_back({k * fundamental * std::sqrt(1 + stiffness * k * k), 0.1 / k});
    EXPECT_NEAR(heardCents(sound(partials, 44100), expected), -6.0, 1.0);
}

TEST(HeardPitchTest, HearsAStruckHighNoteThroughTheKnockOfItsAttack)
{
    // An in-tune high note whose first tenth of a second carries a hammer's knock: a cluster
    // from a fourth below the note to a semitone above it, at first louder than the note.
    const double expected = noteFrequency(98);
    std::vector<Partial> partials{{expected, 0.3, 0.3}};
    for (double ratio : {0.75, 0.82, 0.88, 0.94, 0.97, 1.04})
        partials.push_back({ratio * expected, 0.15, 0.03});
    EXPECT_NEAR(heardCents(sound(partials, 44100), expected), 0.0, 1.0);
}

TEST(HeardPitchTest, AveragesOverTheWholeSecondNotItsEnd)
{
    // 0.3 s at +30 cents, then in tune, at one level: the mean is +9 cents.
    const double expected = noteFrequency(64);
    std::vector<float> sharp = tone({fromCents(expected, 30)}, 13230);
    const std::vector<float> inTune = tone({expected}, 30870);
    sharp.insert(sharp.end(), inTune.begin(), inTune.end());
    EXPECT_NEAR(heardCents(sharp, expected), 9.0, 1.5);
}

using BankTuningTest = BankPlayerTest;

TEST_P(BankTuningTest, EveryNoteSoundsWithinFiveCentsOverItsFirstSecond)
{
    ASSERT_TRUE(play(GetParam())) << GetParam();

    double worst = 0;
    int worstNote = 0;
    for (int note = kLowestNote; note <= kHighestNote; ++note) {
        const double cents = heardCents(heldNote(note, 1.0), noteFrequency(note));
        EXPECT_NEAR(cents, 0.0, kToleranceCents) << GetParam() << " note " << note;
        if (std::abs(cents) >= std::abs(worst)) {
            worst = cents;
            worstNote = note;
        }
    }
    std::cout << GetParam() << ": worst note " << worstNote << " at " << worst << " cents\n";
}

INSTANTIATE_TEST_SUITE_P(Bank, BankTuningTest, ::testing::ValuesIn(kBankInstruments), byBankKey);

TEST(BankTuningListTest, EveryProgramOfTheBankIsMeasured)
{
    const QList<SoftSynthSoundEntry> programs = ZTSoundBank::programs();
    ASSERT_FALSE(programs.isEmpty());
    for (const SoftSynthSoundEntry& entry : programs) {
        const auto isEntry = [&](const char* key) { return entry.key == QLatin1String(key); };
        EXPECT_TRUE(std::any_of(kBankInstruments.begin(), kBankInstruments.end(), isEntry)) << entry.key.toStdString();
    }
}
