// The SoundFont sampler sounding presets of the General MIDI SoundFont through the offline
// output; its pitch is checked with the wavelet tracker.
#include "AudioMidiTestSupport.h"
#include "OfflineAudio.h"
#include "QVSamplePlayer.h"
#include "Signals.h"
#include "WaveletPitchTracker.h"

#include <cmath>

namespace {

class SamplePlayerTest : public AudioMidiTest {
protected:
    void SetUp() override
    {
        AudioMidiTest::SetUp();
        if (FluidSynthEngine::generalMIDISoundFontPath().isEmpty())
            GTEST_SKIP() << "no General MIDI SoundFont installed";
        sampler = std::make_unique<QVSamplePlayer>();
        sampler->init();
        ASSERT_TRUE(sampler->samplerUnit());
    }
    void TearDown() override
    {
        sampler.reset();
        AudioMidiTest::TearDown();
    }

    // The left side of `seconds` of output, moving the main queue's clock along.
    std::vector<double> render(double seconds)
    {
        std::vector<double> left;
        renderInBlocks(queue, seconds, 256, [&](const std::vector<float>& block) {
            for (std::size_t i = 0; i < block.size(); i += 2)
                left.push_back(block[i]);
            return true;
        });
        return left;
    }

    static double energy(const std::vector<double>& samples)
    {
        double sum = 0;
        for (double sample : samples)
            sum += sample * sample;
        return samples.empty() ? 0.0 : sum / double(samples.size());
    }

    // The pitch of 4096 samples from `from`, scaled as the recorder's 16-bit samples are.
    static double pitchOf(const std::vector<double>& samples, std::size_t from)
    {
        std::vector<double> window(samples.begin() + long(from), samples.begin() + long(from + 4096));
        for (double& sample : window)
            sample *= 32767.0;
        WaveletPitch::_dywapitchtracker tracker;
        WaveletPitch::initWaveletTracker(&tracker);
        return WaveletPitch::computeWaveletPitch(&tracker, window.data(), 0, 4096);
    }

    std::unique_ptr<QVSamplePlayer> sampler;
};

} // namespace

TEST_F(SamplePlayerTest, PresetsOfTheGeneralMIDISoundFontSoundAtTheirNotesPitch)
{
    EXPECT_EQ(sampler->graphSampleRate(), 44100.0);
    EXPECT_EQ(sampler->samplerUnit()->soundFontPath(), QVSamplePlayer::soundFontPath());
    struct Case {
        int program;
        int note;
        double frequency;
    };
    for (const Case& c : {Case{73, 69, 440.0}, Case{73, 81, 880.0}, Case{0, 57, 220.0}, Case{19, 64, 329.63}}) {
        SCOPED_TRACE(testing::Message() << "program " << c.program << ", note " << c.note);
        sampler->programChange(c.program);
        sampler->noteOn(c.note);
        const std::vector<double> sounding = render(0.4);
        EXPECT_GT(energy(sounding), 1e-5);
        EXPECT_LT(std::abs(centsBetween(pitchOf(sounding, 8000), c.frequency)), 10.0) << pitchOf(sounding, 8000);
        sampler->noteOff(c.note);
        render(1.5);
        EXPECT_LT(energy(render(0.1)), 1e-7) << "the note has died away";
    }
}

TEST_F(SamplePlayerTest, PresetNamesComeFromTheMelodicBank)
{
    const QVariantList presets = sampler->getPresetNamesFromPresetURL(FluidSynthEngine::generalMIDISoundFontPath());
    ASSERT_EQ(presets.size(), 128);
    for (int i = 0; i < 128; ++i) {
        const QVariantMap preset = presets[i].toMap();
        EXPECT_EQ(preset.value("index").toInt(), i);
        EXPECT_FALSE(preset.value("name").toString().isEmpty()) << i;
    }
    EXPECT_EQ(presets[0].toMap().value("name").toString().toStdString(), "Yamaha Grand Piano");
    EXPECT_EQ(presets[73].toMap().value("name").toString().toStdString(), "Flute");
}

TEST_F(SamplePlayerTest, FailuresAreLoggedAndTheSamplerKeepsPlaying)
{
    LogCapture log;
    EXPECT_FALSE(sampler->loadSoundFontFromPresetURL(environment.root() + "/missing.sf2", 0));
    EXPECT_TRUE(log.contains("Unable to set the preset property on the Sampler. Error code:-1 '....'"));
    log.clear();
    sampler->programChange(300); // low byte 44: Tremolo Strings
    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join('\n').toStdString();
    sampler->programChange(200); // low byte 200: no such preset
    EXPECT_TRUE(log.contains("Unable to set the preset property on the Sampler."));
    sampler->noteOn(-1, 100);
    EXPECT_TRUE(log.contains("Unable to start playing the note -1. Error code: -1 '....'"));

    sampler->noteOn(60, 100);
    EXPECT_GT(energy(render(0.3)), 1e-5);
    sampler->allNotesOff();
    render(2.0);
    EXPECT_LT(energy(render(0.1)), 1e-7);
}

TEST_F(SamplePlayerTest, PlaysSequencesAndIsOneInstanceForTheProcess)
{
    MusicSequence sequence;
    sequence.newTrack().addNote(note(0.0, 69, 0.5));
    sampler->playSequence(sequence);
    EXPECT_TRUE(sampler->isPlaying());
    EXPECT_GT(energy(render(0.3)), 1e-5);
    render(3.0);
    EXPECT_FALSE(sampler->isPlaying());

    QVSamplePlayer* shared = QVSamplePlayer::sharedInstance();
    EXPECT_EQ(shared, QVSamplePlayer::sharedInstance());
    ASSERT_TRUE(shared->samplerUnit());
}
