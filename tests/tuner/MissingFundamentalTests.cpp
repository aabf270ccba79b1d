// Tones whose fundamental a small loudspeaker, a laptop's microphone or a telephone left
// out, heard through the tuner as the microphone hands them in.
#include "TunerListening.h"

namespace {

using namespace tuner_listening;

constexpr double kHeldSeconds = 1.0;
// The partials are exact harmonics: every reading, from the first on, lies within a few
// cents of their fundamental.
constexpr double kMissingFundamentalCents = 5.0;

// Partials `partials` of `fundamental`, the k-th weighted tilt^(k - 2), after a 20-ms
// attack; peak `peak`.
std::vector<float> partialsOf(double fundamental, const std::vector<int>& partials, double tilt, double peak)
{
    std::vector<double> weights(std::size_t(partials.back()) + 1, 0.0);
    for (int k : partials)
        weights[std::size_t(k)] = std::pow(tilt, k - 2);
    const auto frames = std::size_t(kHeldSeconds * kRate);
    std::vector<double> tone(frames);
    double loudest = 1e-12;
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        tone[i] = harmonicSum(2.0 * M_PI * fundamental * t, weights) * std::min(1.0, t / 0.02);
        loudest = std::max(loudest, std::abs(tone[i]));
    }
    std::vector<float> samples(frames);
    for (std::size_t i = 0; i < frames; ++i)
        samples[i] = float(peak * tone[i] / loudest);
    return samples;
}

class MissingFundamentalTest : public ::testing::Test {
protected:
    void TearDown() override { HandFedMicrophone::use(0); }

    TestEnvironment environment;
    ManualMainQueue queue;
};

// Levels and spectral tilts a telephone or a small loudspeaker gives: flat, and falling
// 6 dB over every two partials.
constexpr double kPeaks[] = {0.2, 0.5, 0.9};
constexpr double kTilts[] = {1.0, 0.7};

} // namespace

TEST_F(MissingFundamentalTest, PartialsTwoToEightAreHeardAtTheirFundamental)
{
    const std::vector<int> partials{2, 3, 4, 5, 6, 7, 8};
    WorstReading worst;
    for (const double note : {45.0, 50.0, 57.0, 64.0}) { // 110, 147, 220 and 330 Hz
        const double fundamental = midiFrequency(note);
        for (double peak : kPeaks)
            for (double tilt : kTilts) {
                const std::size_t silence = std::size_t(note * 997 + peak * 1000 + tilt * 100) % 4096;
                const std::string tone = describe("partials 2-8 of", int(note), 0.0, silence);
                const Heard heard = listen(queue, afterSilence(silence, partialsOf(fundamental, partials, tilt, peak)));
                expectHeardAs(heard, note, {kMissingFundamentalCents, 0}, tone, worst);
                EXPECT_EQ(heard.notes.size(), 1u) << tone;
            }
    }
}

TEST_F(MissingFundamentalTest, EvenPartialsAloneAreHeardAnOctaveUp)
{
    // Partials 2, 4, 6 and 8 of a frequency are the first four of its octave: that tone is
    // what sounds, and no missing fundamental below it.
    const std::vector<int> evenPartials{2, 4, 6, 8};
    for (const double note : {45.0, 50.0, 57.0, 64.0})
        for (double peak : kPeaks) {
            const std::size_t silence = std::size_t(note * 331 + peak * 1000) % 4096;
            EXPECT_EQ(listen(queue, afterSilence(silence, partialsOf(midiFrequency(note), evenPartials, 1.0, peak))).notes,
                      std::vector<long long>{std::lround(note) + 12})
                << midiFrequency(note) << " Hz at peak " << peak;
        }
}
