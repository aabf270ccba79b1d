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

// Renders mono or duplicated stereo through an allocated tracker unit.
void renderThroughUnit(ZTAudioUnit& unit, const std::vector<float>& signal, std::uint32_t channels)
{
    unit.outputBus().format = {kRate, channels};
    unit.inputBus().init({kRate, channels}, 8);
    ASSERT_TRUE(unit.allocateRenderResources());
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

} // namespace

TEST(PitchTrack, FindsSinesSawtoothsAndASungVowelFrom80To1000Hz)
{
    EXPECT_LT(worstCents([](double f, std::size_t n) { return sineWave(f, kRate, n, 0.5); }), 3.0);
    EXPECT_LT(worstCents([](double f, std::size_t n) { return sawtoothWave(f, kRate, n, 0.5); }), 3.0);
    // The vibrato swings 30 cents each way; the tracker stays near its centre.
    EXPECT_LT(worstCents([](double f, std::size_t n) { return voiceLikeTone(f, kRate, n, 30.0, 0.5); }), 20.0);
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
    std::vector<float> noise(8 * kHop);
    std::uint32_t state = 12345;
    for (float& s : noise) {
        state = state * 1664525u + 1013904223u;
        s = float(state >> 8) / float(1 << 24) - 0.5f;
    }
    tracker.feed(noise);
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
