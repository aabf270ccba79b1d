// The spectral pitch tracker on its own and inside the frequency-tracker unit.
#include "PitchTrack.h"
#include "Signals.h"
#include "TestEnvironment.h"
#include "ZTAudioUnit.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr double kRate = 44100.0;
constexpr int kHop = 4096;

// A tracker set up as the unit sets it up, fed one sample at a time.
struct Tracker {
    Tracker(int hop = kHop, double rate = kRate)
    {
        sp.sampleRate = int(rate);
        EXPECT_EQ(ptrack_init(sp, *state, hop, 20), 1);
    }
    void feed(const std::vector<float>& samples)
    {
        for (float s : samples)
            ptrack_compute(sp, *state, &s, &frequency, &amplitude);
    }
    sp_data sp;
    std::unique_ptr<PitchTrackState> state = ptrack_create();
    float frequency = 0.0f;
    float amplitude = 0.0f;
};

// The pitch after half a second of the signal (five analyses).
double trackedPitch(const std::vector<float>& signal)
{
    Tracker tracker;
    tracker.feed(signal);
    return tracker.frequency;
}

using Generator = std::function<std::vector<float>(double frequency, std::size_t frames)>;

// Worst error in cents over tones from 80 to 1000 Hz, about a semitone apart.
double worstCents(const Generator& generate)
{
    double worst = 0.0;
    for (double f = 80.0; f <= 1000.0; f *= 1.0595) {
        const double found = trackedPitch(generate(f, std::size_t(kRate / 2)));
        worst = std::max(worst, std::abs(centsBetween(found, f)));
    }
    return worst;
}

// Allocates the unit for mono or stereo at kRate, as the engine does when capture starts.
void allocate(ZTAudioUnit& unit, std::uint32_t channels)
{
    unit.outputBus().format = {kRate, channels};
    unit.inputBus().init({kRate, channels}, 8);
    ASSERT_TRUE(unit.allocateRenderResources());
}

// Renders the signal, mono or duplicated on every channel, through the allocated unit.
void render(ZTAudioUnit& unit, const std::vector<float>& signal, std::uint32_t channels)
{
    std::size_t done = 0;
    const AURenderPullInputBlock pull = [&](AudioUnitRenderActionFlags&, const AudioTimeStamp&, std::uint32_t frames,
                                            int, AudioBufferList* list) {
        for (std::uint32_t c = 0; c < list->numberBuffers; ++c)
            std::copy_n(signal.data() + done, frames, list->buffers[c].data);
        return AudioUnitStatus::noErr;
    };
    while (done + 512 <= signal.size()) {
        AudioBufferList out;
        out.numberBuffers = channels;
        for (std::uint32_t c = 0; c < channels; ++c)
            out.buffers[c] = {1, std::uint32_t(512 * sizeof(float)), nullptr};
        AudioUnitRenderActionFlags flags = 0;
        ASSERT_EQ(unit.render(flags, AudioTimeStamp{double(done)}, 512, 0, &out, nullptr, &pull), 0);
        EXPECT_EQ(out.buffers[0].data[100], signal[done + 100]) << "the unit passes its input through";
        done += 512;
    }
}

void renderThroughUnit(ZTAudioUnit& unit, const std::vector<float>& signal, std::uint32_t channels)
{
    allocate(unit, channels);
    render(unit, signal, channels);
}

// Three voices a few cents apart, each with a vibrato of its own, so that their partials
// beat and waver, and with the first partial `firstPartialDb` below the second: a choir's
// note, roughly.
std::vector<float> chorus(double frequency, std::size_t frames, double firstPartialDb)
{
    const std::vector<double> weights{0.0, std::pow(10.0, firstPartialDb / 20.0), 1.0, 0.35, 0.3, 0.15, 0.1, 0.05};
    std::vector<float> mixed(frames, 0.0f);
    for (int voice = 0; voice < 3; ++voice) {
        double phase = 1.3 * voice;
        for (std::size_t i = 0; i < frames; ++i) {
            const double t = double(i) / kRate;
            const double cents = 12.0 * (voice - 1) + 15.0 * std::sin(2.0 * M_PI * (5.0 + 0.4 * voice) * t + voice);
            phase += 2.0 * M_PI * frequency * std::exp2(cents / 1200.0) / kRate;
            mixed[i] += float(0.12 * harmonicSum(phase, weights));
        }
    }
    return mixed;
}

// Loud white noise, the same every time.
std::vector<float> whiteNoise(std::size_t frames)
{
    std::vector<float> noise(frames);
    std::uint32_t state = 12345;
    for (float& s : noise) {
        state = state * 1664525u + 1013904223u;
        s = float(state >> 8) / float(1 << 24) - 0.5f;
    }
    return noise;
}

std::vector<float> silence(std::size_t frames)
{
    return std::vector<float>(frames, 0.0f);
}

std::vector<float> joined(std::vector<float> first, const std::vector<float>& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

} // namespace

TEST(PitchTrack, FindsSinesSawtoothsAndASungVowelFrom80To1000Hz)
{
    EXPECT_LT(worstCents([](double f, std::size_t n) { return sineWave(f, kRate, n, 0.5); }), 1.0);
    EXPECT_LT(worstCents([](double f, std::size_t n) { return sawtoothWave(f, kRate, n, 0.5); }), 1.0);
    // The vibrato swings 30 cents each way; the tracker stays near its centre.
    EXPECT_LT(worstCents([](double f, std::size_t n) { return voiceLikeTone(f, kRate, n, 30.0, 0.5); }), 20.0);
}

TEST(PitchTrack, AChorusWhoseSecondPartialOutshinesItsFirstIsHeardAtItsFundamental)
{
    // The wavering first partial, 20 dB under the second, is no steady peak; without it the
    // histogram takes the second partial for the pitch.
    for (double f = 80.0; f <= 700.0; f *= 1.0595) {
        Tracker tracker;
        const std::vector<float> tone = chorus(f, std::size_t(kRate), -20.0);
        for (std::size_t i = 0; i < tone.size(); ++i) {
            tracker.feed({tone[i]});
            if (i > std::size_t(2 * kHop) && i % kHop == 0) {
                ASSERT_LT(std::abs(centsBetween(tracker.frequency, f)), 100.0) << f << " Hz at sample " << i;
            }
        }
    }
}

TEST(PitchTrack, ASoundIsNotReadBeforeSixOfItsPeriodsFillTheWindow)
{
    // 1500 samples at the end of the first hop hold fewer than six periods of E2 (535
    // samples each), but 30 of A5.
    const std::size_t late = kHop - 1500;
    const std::vector<float> low = joined(silence(late), sawtoothWave(82.41, kRate, 1500 + kHop + 1, 0.5));
    Tracker tracker;
    tracker.feed(std::vector<float>(low.begin(), low.begin() + kHop + 1));
    EXPECT_EQ(tracker.frequency, 100.0f) << "the first hop leaves the pitch alone";
    EXPECT_FALSE(tracker.state->voiced);
    tracker.feed(std::vector<float>(low.begin() + kHop + 1, low.end()));
    EXPECT_LT(std::abs(centsBetween(tracker.frequency, 82.41)), 10.0) << tracker.frequency;
    EXPECT_TRUE(tracker.state->voiced);

    Tracker high;
    high.feed(joined(silence(late), sawtoothWave(880.0, kRate, 1501, 0.5)));
    EXPECT_LT(std::abs(centsBetween(high.frequency, 880.0)), 10.0) << high.frequency;
}

TEST(PitchTrack, ALoud440HzToneIsFoundAtTheFirstFullHop)
{
    Tracker tracker;
    const std::vector<float> tone = sineWave(440.0, kRate, kHop + 1, 0.5);
    tracker.feed(std::vector<float>(tone.begin(), tone.end() - 1));
    EXPECT_EQ(tracker.frequency, 100.0f) << "no analysis before the hop is full";
    tracker.feed({tone.back()});
    EXPECT_LT(std::abs(centsBetween(tracker.frequency, 440.0)), 10.0) << tracker.frequency;
}

TEST(PitchTrack, SilenceAndQuietHopsLeaveThePitchButSetTheLevel)
{
    Tracker tracker;
    EXPECT_FLOAT_EQ(tracker.state->levels[0], -144.0f);
    tracker.feed(std::vector<float>(kHop + 1, 0.0f));
    EXPECT_EQ(tracker.frequency, 100.0f);
    EXPECT_FLOAT_EQ(tracker.state->levels[tracker.state->historyIndex], -92.3f);
    EXPECT_NEAR(tracker.amplitude, 2.427e-5, 1e-7);

    // A very quiet tone: measured (above silence) but under the 40 dB needed for analysis.
    tracker.feed(sineWave(440.0, kRate, kHop, 0.0001));
    const float level = tracker.state->levels[tracker.state->historyIndex];
    EXPECT_GT(level, -92.3f);
    EXPECT_LT(level, 40.0f - 92.3f);
    EXPECT_EQ(tracker.frequency, 100.0f);
    EXPECT_EQ(tracker.state->historyIndex, 2);

    // Samples that are not numbers count as silence and spoil nothing after them.
    tracker.feed(std::vector<float>(kHop, std::nanf("")));
    tracker.feed(sineWave(330.0, kRate, 3 * kHop, 0.5));
    EXPECT_LT(std::abs(centsBetween(tracker.frequency, 330.0)), 10.0) << tracker.frequency;
}

TEST(PitchTrack, RefusesWindowsOutOfRangeOrNotAPowerOfTwo)
{
    LogCapture log;
    sp_data sp;
    for (int hop : {32, 8192, 100}) {
        auto state = ptrack_create();
        EXPECT_EQ(ptrack_init(sp, *state, hop, 20), 0) << hop;
        float frequency = -1.0f, amplitude = -1.0f;
        const float sample = 0.5f;
        EXPECT_EQ(ptrack_compute(sp, *state, &sample, &frequency, &amplitude), 0) << "an incomplete state is not used";
        EXPECT_EQ(frequency, -1.0f);
    }
    EXPECT_EQ(log.lines(), QStringList({"Woops", "Woops", "Woops"}));
    auto state = ptrack_create();
    EXPECT_EQ(ptrack_init(sp, *state, 64, 20), 1) << "a window of 128 is the smallest";
}

TEST(PitchTrack, AHopWithoutPeaksKeepsThePitch)
{
    // Loud enough to be analysed, but white noise has no harmonic peaks to agree on a pitch;
    // nothing may divide by zero and the pitch stays finite.
    Tracker tracker;
    tracker.feed(whiteNoise(8 * kHop));
    EXPECT_TRUE(std::isfinite(tracker.frequency));
    EXPECT_GT(tracker.frequency, 0.0f);
    std::vector<float> dc(2 * kHop, 0.7f); // one peak at 0 Hz at most
    tracker.feed(dc);
    EXPECT_TRUE(std::isfinite(tracker.frequency));
}

TEST(ZTAudioUnit, ReportsTwiceTheMonoPitchAndHalfTheLevel)
{
    ZTAudioUnit unit;
    const std::vector<float> tone = sineWave(440.0, kRate, 6 * kHop, 0.5);
    renderThroughUnit(unit, tone, 1);
    EXPECT_LT(std::abs(centsBetween(unit.frequency(), 880.0)), 10.0) << unit.frequency();
    EXPECT_FLOAT_EQ(unit.amplitude(), 0.5f * unit.kernel.trackedAmplitude.load());
    EXPECT_GT(unit.amplitude(), 0.1f) << "a tone at half scale passes the default threshold";

    // Two channels reach the tracker as one stream with each sample repeated.
    ZTAudioUnit stereo;
    renderThroughUnit(stereo, tone, 2);
    EXPECT_LT(std::abs(centsBetween(stereo.kernel.ptrack->pitch, 220.0)), 10.0) << stereo.kernel.ptrack->pitch;

    // Stopped, it reads nothing; a new allocation starts from a fresh tracker.
    stereo.stop();
    renderThroughUnit(stereo, tone, 2);
    EXPECT_EQ(stereo.frequency(), 0.0f);
    EXPECT_EQ(stereo.kernel.ptrack->pitch, 100.0f);
    stereo.deallocateRenderResources();
    EXPECT_EQ(stereo.kernel.ptrack, nullptr);
}

TEST(ZTAudioUnit, ReadsNoPitchUntilTheTrackerHasOneForTheSoundItHears)
{
    ZTAudioUnit unit;
    allocate(unit, 1);
    // Loud, but without a pitch: not the tracker's 100 Hz from before it found one.
    render(unit, whiteNoise(3 * kHop), 1);
    EXPECT_GT(unit.amplitude(), 0.1f);
    EXPECT_EQ(unit.frequency(), 0.0f);

    render(unit, sineWave(440.0, kRate, 4 * kHop, 0.5), 1);
    EXPECT_LT(std::abs(centsBetween(unit.frequency(), 880.0)), 10.0) << unit.frequency();

    // After silence the pitch of the sound before belongs to no sound now heard.
    render(unit, silence(3 * kHop), 1);
    EXPECT_EQ(unit.frequency(), 0.0f);
    EXPECT_LT(std::abs(centsBetween(unit.kernel.ptrack->pitch, 440.0)), 10.0) << "the tracker itself keeps it";
    render(unit, sineWave(330.0, kRate, 4 * kHop, 0.5), 1);
    EXPECT_LT(std::abs(centsBetween(unit.frequency(), 660.0)), 10.0) << unit.frequency();
}
