#include "SampleBankSupport.h"
#include "TestEnvironment.h"

#include "QVSampler.h"
#include "Voice.h"
#include "VoicerManagingInstruments.h"

#include <memory>

namespace {

class SamplerTest : public ::testing::Test {
protected:
    void SetUp() override { stk::Stk::setSampleRate(44100); }
    void TearDown() override { stk::Stk::setSampleRate(44100); }

    std::shared_ptr<const QVInstrument> instrument(const std::vector<TestSample>& samples, TestEnvelope envelope = {})
    {
        return std::make_shared<const QVInstrument>(
            writeInstrument(environment.root() + QStringLiteral("/Instruments/Test"), samples, envelope));
    }
    static std::vector<float> render(QVSampler& sampler, std::size_t frames)
    {
        std::vector<float> out(frames);
        for (float& value : out)
            value = float(sampler.tick());
        return out;
    }
    // Frames whose value is their own index, so the output shows which frame was read.
    static TestSample ramp(int frames, double frequency = 440)
    {
        TestSample sample{QStringLiteral("ramp.raw"), {}, frequency};
        for (int i = 0; i < frames; ++i)
            sample.frames.push_back(std::int16_t(i));
        return sample;
    }
    static std::size_t restartFadeFrames() { return std::size_t(QVSampler::kRestartFadeSeconds * 44100) + 1; }
    // Which frame the sampler read, from an output of a ramp at full level.
    static double frameRead(float value) { return double(value) * 32768.0; }

    TestEnvironment environment;
};

} // namespace

TEST_F(SamplerTest, NotesFindTheNearestSlotAcrossTheWholeRange)
{
    for (int note = 0; note < QVInstrument::kSlotCount; ++note) {
        const double frequency = 220.0 * std::pow(2.0, (note - 57) / 12.0);
        EXPECT_EQ(QVSampler::slotForFrequency(frequency), note);
        EXPECT_EQ(QVSampler::slotForFrequency(frequency * std::pow(2.0, 0.45 / 12)), note);
        EXPECT_EQ(QVSampler::slotForFrequency(frequency / std::pow(2.0, 0.45 / 12)), note);
    }
    const double aboveTheClap = 220.0 * std::pow(2.0, (QVInstrument::kSlotCount - 57) / 12.0);
    for (double noPitch : {0.0, -440.0, std::nan(""), 1e9, aboveTheClap})
        EXPECT_EQ(QVSampler::slotForFrequency(noPitch), -1);
}

TEST_F(SamplerTest, TheReferencePitchPlaysTheSampleUnchangedAndAnOctaveAboveAtDoubleRate)
{
    QVSampler sampler(instrument({ramp(3000)}));
    sampler.noteOn(440, 1.0);
    EXPECT_DOUBLE_EQ(sampler.rate(), 1.0);
    EXPECT_EQ(sampler.length(), 3000);
    const std::vector<float> unchanged = render(sampler, 3000);
    for (int i = 100; i < 3000; i += 97) // past the attack
        EXPECT_NEAR(frameRead(unchanged[i]), i, 1e-3) << i;

    sampler.noteOn(880, 1.0);
    EXPECT_DOUBLE_EQ(sampler.rate(), 2.0);
    EXPECT_EQ(sampler.length(), 1500);
    const std::vector<float> doubled = render(sampler, 1600);
    EXPECT_NEAR(frameRead(doubled[400]), 800, 1e-3);
    EXPECT_FALSE(sampler.isPlaying()); // ran out after 1500 frames
    EXPECT_EQ(doubled[1550], 0.0f);
}

TEST_F(SamplerTest, AHeldLoopGoesFromItsLastFrameToTheOneAfterItsFirst)
{
    TestSample sample = ramp(3000);
    sample.loopStart = 1000;
    sample.loopLength = 500;
    QVSampler sampler(instrument({sample}));
    sampler.noteOn(440, 1.0);
    const std::vector<float> out = render(sampler, 4000);
    EXPECT_NEAR(frameRead(out[1499]), 1499, 1e-3);
    EXPECT_NEAR(frameRead(out[1500]), 1001, 1e-3);
    EXPECT_NEAR(frameRead(out[1500 + 499]), 1001, 1e-3); // the loop repeats every 499 frames
    EXPECT_TRUE(sampler.isPlaying());

    // At a rate that is no whole number the position keeps its fraction across the seam.
    sampler.noteOn(440 * 1.5, 1.0);
    const std::vector<float> fast = render(sampler, 1100);
    // Past the fade of the sound the restart cut off.
    for (std::size_t i = restartFadeFrames() + 1; i < fast.size(); ++i) {
        const double step = frameRead(fast[i]) - frameRead(fast[i - 1]);
        EXPECT_TRUE(std::abs(step - 1.5) < 1e-2 || std::abs(step - (1.5 - 499)) < 1e-2) << i << " " << step;
    }
}

TEST_F(SamplerTest, VelocityClicksAndRestartsGoThroughTheVoicer)
{
    TestSample sample = ramp(3000);
    sample.noteStart = 60;
    sample.noteLength = 12;
    auto bank = instrument({sample});
    ASSERT_TRUE(bank->sampleForNote(QVInstrument::kSticksSlot));
    VoicerManagingInstruments voicer(1.0);
    voicer.addInstrument(ZTInstruments::newInstrumentWithInstrumentData(bank), 3);
    voicer.addInstrument(ZTInstruments::newInstrumentWithInstrumentData(bank), 4);
    Voice voice(Voice::kDefaultFrequency, &voicer, 3);
    Voice clicks(Voice::kDefaultFrequency, &voicer, 4);

    voice.noteOn(69, 64);
    EXPECT_EQ(voice.noteNr(), 69);
    EXPECT_GE(voice.tag(), 0);
    for (int i = 0; i < 200; ++i)
        voicer.tick();
    // Velocity 64 is half the amplitude: frame 200 at level 0.5.
    EXPECT_NEAR(voicer.tick() * 32768.0, 200 * 0.5, 1e-2);

    voice.noteOn(69, 127); // the same voice starts over from the first frame
    for (std::size_t i = 0; i < restartFadeFrames() + 150; ++i)
        voicer.tick();
    EXPECT_NEAR(voicer.tick() * 32768.0, double(restartFadeFrames() + 150) * 127.0 / 128.0, 1e-2);

    clicks.noteOn(float(QVInstrument::kClapSlot), 127);
    voice.mute();
    EXPECT_EQ(voice.noteNr(), -1);
    EXPECT_EQ(voice.tag(), -1);
    bool sounded = false;
    for (int i = 0; i < 2000; ++i)
        sounded = sounded || std::abs(voicer.tick()) > 0.01;
    EXPECT_TRUE(sounded);

    voicer.removeInstruments();
    EXPECT_EQ(voicer.instrumentCount(), 0u);
    EXPECT_EQ(voicer.tick(), 0.0);
}

TEST_F(SamplerTest, EveryNoteSoundsAtItsPitchAtAnyDeviceRate)
{
    // One looped sine per octave, each serving the notes nearest to it.
    std::vector<TestSample> samples;
    for (int centre = 0; centre <= 120; centre += 12) {
        const int cycles = std::max(1, int(std::lround(noteFrequency(centre))));
        samples.push_back(loopedSine(QStringLiteral("sine%1.raw").arg(centre), cycles, 44100,
                                     centre == 0 ? 0 : centre - 6, centre == 120 ? 8 + 6 : 12));
    }
    samples.front().noteLength = 6;
    auto bank = instrument(samples);
    ASSERT_EQ(bank->samples().size(), samples.size());

    for (double rate : {44100.0, 48000.0, 96000.0}) {
        stk::Stk::setSampleRate(rate);
        QVSampler sampler(bank);
        for (int note = 0; note < 128; ++note) {
            sampler.noteOn(220.0 * std::pow(2.0, (note - 57) / 12.0), 1.0);
            std::vector<float> out = render(sampler, std::size_t(rate * (note < 24 ? 2.0 : 0.5)));
            out.erase(out.begin(), out.begin() + std::ptrdiff_t(rate * 0.01));
            EXPECT_NEAR(centsBetween(frequencyByZeroCrossings(out, rate), noteFrequency(note)), 0.0, 2.0)
                << "note " << note << " at " << rate << " Hz";
        }
    }
}

TEST_F(SamplerTest, ANoteOffReleasesThroughTheEnvelope)
{
    TestEnvelope envelope;
    envelope.release = 0.2;
    const TestSample sine = loopedSine(QStringLiteral("sine.raw"), 440, 44100, 0, 128);
    QVSampler sampler(instrument({sine}, envelope));
    sampler.noteOn(440, 1.0);
    render(sampler, 4410);
    EXPECT_FLOAT_EQ(sampler.level(), 1.0f);

    sampler.noteOff(1.0);
    EXPECT_FALSE(sampler.isPlaying());
    render(sampler, 4410); // half of the release time
    EXPECT_NEAR(sampler.level(), 0.5f, 0.01f);
    const std::vector<float> tail = render(sampler, 4410 - 50);
    EXPECT_GT(std::abs(tail[100]), 0.0f); // still sounding, more softly
    render(sampler, 100);
    EXPECT_EQ(sampler.level(), 0.0f);
    for (float value : render(sampler, 1000))
        EXPECT_EQ(value, 0.0f);
}

TEST_F(SamplerTest, ANoteStartingWhileTheVoiceSoundsNeverJumpsInTheWaveform)
{
    // 441 Hz at 16000 / 32768: a step between neighbouring frames stays below 0.031.
    const TestSample sine = loopedSine(QStringLiteral("sine.raw"), 441, 44100, 0, 128);
    const double steadyStep = 2 * M_PI * 441 / 44100 * 16000 / 32768;
    auto largestStep = [](const std::vector<float>& out) {
        double largest = 0;
        for (std::size_t i = 1; i < out.size(); ++i)
            largest = std::max(largest, double(std::abs(out[i] - out[i - 1])));
        return largest;
    };
    QVSampler sampler(instrument({sine}));
    sampler.noteOn(441, 1.0);
    std::vector<float> out = render(sampler, 1025); // a quarter period in: at the crest
    for (double frequency : {441.0, 441.0 * 1.5}) {
        // The same key again, then another note taking the voice, each from its first frame.
        sampler.noteOn(frequency, 1.0);
        const std::vector<float> next = render(sampler, 2025); // at the crest again
        out.insert(out.end(), next.begin(), next.end());
    }
    // At most the steps of both notes added while one fades out; a cut would jump by 0.49.
    EXPECT_LT(largestStep(out), (1 + 1.5) * steadyStep);
    // Past the fade only the new note sounds, at its full level.
    const std::vector<float> after = render(sampler, 441);
    const auto [lowest, highest] = std::minmax_element(after.begin(), after.end());
    EXPECT_NEAR(std::max(-*lowest, *highest), 16000.0 / 32768, 0.01);
}
