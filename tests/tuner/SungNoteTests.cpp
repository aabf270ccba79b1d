// Sung notes heard through the tuner as the microphone hands them in: every choir note of
// the sample bank, tuned as it is and a few cents off, and synthetic vowels, each read at
// every poll from the tracker's first pitch on.
#include "../sampleplayer/BankPlayerTest.h"
#include "TunerListening.h"

namespace {

using namespace tuner_listening;

constexpr double kHeldSeconds = 1.5;
// Further from the sung note than this is an octave, a fifth or a fourth off, not a scoop
// into the note (the choir's low notes open up to a semitone flat).
constexpr double kGrossCents = 250.0;
// The tuner may hear a scoop as the neighbouring note before it settles.
constexpr long long kScoopNotes = 1;

// The tone read `cents` faster (Catmull-Rom interpolation): as from a bank tuned that far off.
std::vector<float> retuned(const std::vector<float>& tone, double cents)
{
    const double step = std::exp2(cents / 1200.0);
    std::vector<float> out;
    for (double position = 1.0; position + 2.0 < double(tone.size()); position += step) {
        const auto i = std::size_t(position);
        const double t = position - double(i);
        const double y0 = tone[i - 1], y1 = tone[i], y2 = tone[i + 1], y3 = tone[i + 2];
        out.push_back(float(
            y1 + 0.5 * t * (y2 - y0 + t * (2.0 * y0 - 5.0 * y1 + 4.0 * y2 - y3 + t * (3.0 * (y1 - y2) + y3 - y0)))));
    }
    return out;
}

// A sung note is heard within kGrossCents, the tuner reporting it or a note it scooped from.
void expectHeardAsSung(const Heard& heard, double sungNote, const std::string& tone, WorstReading& worst)
{
    expectHeardAs(heard, sungNote, {kGrossCents, kScoopNotes}, tone, worst);
}

// The choir's notes, E2 to C6.
constexpr int kLowestChoirNote = 40;
constexpr int kHighestChoirNote = 84;

// Every choir note from E2 to C6 held as a question holds it, rendered once per process
// through the sample synthesizer.
const std::vector<std::vector<float>>& choirNotes(ManualMainQueue& queue)
{
    static const std::vector<std::vector<float>> notes = [&queue] {
        const std::shared_ptr<ZTSamplePlayer> player = bankPlayer("Choir");
        EXPECT_NE(player, nullptr);
        std::vector<std::vector<float>> rendered;
        for (int note = kLowestChoirNote; note <= kHighestChoirNote; ++note)
            rendered.push_back(heldBankNote(queue, *player, note, kHeldSeconds));
        return rendered;
    }();
    return notes;
}

class ChoirNoteTest : public AudioMidiTest, public ::testing::WithParamInterface<double> {
protected:
    void TearDown() override
    {
        HandFedMicrophone::use(0);
        AudioMidiTest::TearDown();
    }
};

struct Formant {
    double frequency;
    double bandwidth;
};

struct Vowel {
    const char* name;
    std::vector<Formant> formants;
};

void PrintTo(const Vowel& vowel, std::ostream* out)
{
    *out << '"' << vowel.name << '"';
}

// The signal through a two-pole resonator at the formant, of unit gain at 0 Hz.
void resonate(std::vector<double>& signal, const Formant& formant)
{
    const double radius = std::exp(-M_PI * formant.bandwidth / kRate);
    const double b = 2.0 * radius * std::cos(2.0 * M_PI * formant.frequency / kRate);
    const double c = -radius * radius;
    const double a = 1.0 - b - c;
    double y1 = 0.0, y2 = 0.0;
    for (double& x : signal) {
        const double y = a * x + b * y1 + c * y2;
        y2 = y1;
        y1 = y;
        x = y;
    }
}

// A sung vowel: a pulse-like source (partials falling 12 dB an octave) with a vibrato of
// 20 cents at 5.5 Hz, through the vowel's formants, after a 50-ms attack; peak 0.5.
std::vector<float> sungVowel(double frequency, const Vowel& vowel, double vibratoPhase)
{
    constexpr double kVibratoCents = 20.0;
    const auto frames = std::size_t(kHeldSeconds * kRate);
    const int harmonics = int(8000.0 / (frequency * std::exp2(kVibratoCents / 1200.0)));
    std::vector<double> weights(std::size_t(harmonics) + 1, 0.0);
    for (int k = 1; k <= harmonics; ++k)
        weights[std::size_t(k)] = 1.0 / (double(k) * k);
    std::vector<double> voice(frames);
    double phase = 0.0;
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const double bend = kVibratoCents * std::sin(2.0 * M_PI * 5.5 * t + vibratoPhase);
        phase = std::fmod(phase + 2.0 * M_PI * frequency * std::exp2(bend / 1200.0) / kRate, 2.0 * M_PI);
        voice[i] = harmonicSum(phase, weights) * std::min(1.0, t / 0.05);
    }
    for (const Formant& formant : vowel.formants)
        resonate(voice, formant);
    double peak = 1e-12;
    for (double x : voice)
        peak = std::max(peak, std::abs(x));
    std::vector<float> samples(frames);
    for (std::size_t i = 0; i < frames; ++i)
        samples[i] = float(0.5 * voice[i] / peak);
    return samples;
}

class SungVowelTest : public ::testing::TestWithParam<Vowel> {
protected:
    void TearDown() override { HandFedMicrophone::use(0); }

    TestEnvironment environment;
    ManualMainQueue queue;
};

} // namespace

TEST_P(ChoirNoteTest, EveryNoteFromE2ToC6IsHeardInItsOctaveFromTheFirstReading)
{
    const double cents = GetParam();
    const std::vector<std::vector<float>>& notes = choirNotes(queue);
    ASSERT_EQ(notes.size(), std::size_t(kHighestChoirNote - kLowestChoirNote + 1));
    WorstReading worst;
    for (int note = kLowestChoirNote; note <= kHighestChoirNote; ++note) {
        const std::vector<float> tone = retuned(notes[std::size_t(note - kLowestChoirNote)], cents);
        for (std::size_t silence : silencesBefore(note, int(cents)))
            expectHeardAsSung(listen(queue, afterSilence(silence, tone)), note + cents / 100.0,
                              describe("choir", note, cents, silence), worst);
    }
}

// The bank's tuning moves the fault from note to note: the same notes a few cents off.
INSTANTIATE_TEST_SUITE_P(Bank, ChoirNoteTest, ::testing::Values(-8.0, -4.0, 0.0, 4.0, 8.0),
                         [](const ::testing::TestParamInfo<double>& info) {
                             if (info.param == 0.0)
                                 return std::string("AsGenerated");
                             return (info.param < 0 ? "Flat" : "Sharp") + std::to_string(int(std::abs(info.param)));
                         });

TEST_P(SungVowelTest, FundamentalsFromE2ToE5AreHeardInTheirOctaveFromTheFirstReading)
{
    const Vowel& vowel = GetParam();
    WorstReading worst;
    for (int note = 40; note <= 76; ++note)
        for (std::size_t silence : silencesBefore(note, int(vowel.formants[1].frequency))) {
            const std::vector<float> tone = sungVowel(midiFrequency(note), vowel, double(silence));
            expectHeardAsSung(listen(queue, afterSilence(silence, tone)), note,
                              describe(vowel.name, note, 0.0, silence), worst);
        }
}

INSTANTIATE_TEST_SUITE_P(Formants, SungVowelTest,
                         ::testing::Values(Vowel{"a", {{700, 80}, {1200, 100}, {2600, 150}}},
                                           Vowel{"i", {{300, 60}, {2300, 100}, {3000, 150}}},
                                           Vowel{"u", {{300, 60}, {800, 80}, {2300, 150}}}),
                         [](const ::testing::TestParamInfo<Vowel>& info) { return std::string(info.param.name); });
