#include "../audiomidi/AudioMidiTestSupport.h"
#include "OfflineAudio.h"

#include "FluidSynthEngine.h"
#include "Paths.h"
#include "QVDLSSynthesizer.h"
#include "ZTSamplePlayer.h"
#include "ZTSoundBank.h"
#include "ZTWaveFilePlayer.h"

#include <cmath>

// Levels of what a question and its answer sound like, rendered offline through the
// instruments as the exercises drive them.
namespace {

constexpr double kRate = 44100;
const std::vector<int> kSixNoteChord{48, 55, 60, 64, 67, 72};

double peakOf(const std::vector<float>& signal, std::size_t from = 0, std::size_t to = SIZE_MAX)
{
    double peak = 0;
    for (std::size_t i = from; i < std::min(to, signal.size()); ++i)
        peak = std::max(peak, double(std::abs(signal[i])));
    return peak;
}

double decibels(double value)
{
    return 20.0 * std::log10(value + 1e-12);
}

// The RMS in dB from the first sounding frame over `seconds`.
double openingLoudness(const std::vector<float>& signal, double seconds)
{
    std::size_t onset = 0;
    while (onset < signal.size() && signal[onset] == 0.0f)
        ++onset;
    const std::size_t end = std::min(signal.size(), onset + std::size_t(seconds * kRate));
    double energy = 0;
    for (std::size_t i = onset; i < end; ++i)
        energy += double(signal[i]) * signal[i];
    return end > onset ? decibels(std::sqrt(energy / double(end - onset))) : -240.0;
}

class MixLevelTest : public AudioMidiTest {
protected:
    void TearDown() override
    {
        instrument.reset();
        AudioMidiTest::TearDown();
    }

    // The left channel, pulled block by block as a device would.
    std::vector<float> render(double seconds) { return renderLeftChannel(queue, seconds); }
    std::shared_ptr<ZTSamplePlayer> makeSoftSynth(int program)
    {
        auto player = std::make_shared<ZTSamplePlayer>();
        player->init();
        player->programChange(program);
        instrument = player;
        return player;
    }
    // Null (the test skips) where no General MIDI SoundFont is installed.
    bool makeGeneralMIDISynth()
    {
        if (FluidSynthEngine::generalMIDISoundFontPath().isEmpty())
            return false;
        auto synth = std::make_shared<QVDLSSynthesizer>();
        synth->init();
        instrument = synth;
        return bool(synth->graph());
    }
    // The notes held together for a second, then released until silent.
    std::vector<float> chord(const std::vector<int>& notes, unsigned velocity)
    {
        for (int note : notes)
            instrument->noteOn(note, velocity);
        std::vector<float> sound = render(1.0);
        for (int note : notes)
            instrument->noteOff(note);
        render(1.5);
        return sound;
    }
    static unsigned softSynthVelocity() { return unsigned(ZTPreferences::sharedPreferences()->MIDIOutVelocityMVSoftSynth()); }
    static unsigned generalMIDIVelocity() { return unsigned(ZTPreferences::sharedPreferences()->MIDIOutVelocity()); }

    std::shared_ptr<QVMusicInstrument> instrument;
};

} // namespace

TEST_F(MixLevelTest, ASixNoteChordAtTheDefaultVelocityStaysBelowFullScaleOnEverySound)
{
    const QList<SoftSynthSoundEntry> programs = ZTSoundBank::programs();
    ASSERT_FALSE(programs.isEmpty());
    auto player = makeSoftSynth(0);
    for (int program = 0; program < programs.size(); ++program) {
        player->programChange(program);
        EXPECT_LT(peakOf(chord(kSixNoteChord, softSynthVelocity())), 0.95) << programs.at(program).key.toStdString();
    }
    if (!makeGeneralMIDISynth())
        GTEST_SKIP() << "no General MIDI SoundFont installed";
    for (int program : {0, 20, 24, 48, 73}) {
        instrument->programChange(program);
        EXPECT_LT(peakOf(chord(kSixNoteChord, generalMIDIVelocity())), 0.95) << "General MIDI program " << program;
    }
}

TEST_F(MixLevelTest, TheSoundsOfTheBankSitWithinAFewDecibelsOfEachOther)
{
    const QList<SoftSynthSoundEntry> programs = ZTSoundBank::programs();
    auto player = makeSoftSynth(0);
    std::vector<double> levels;
    for (int program = 0; program < programs.size(); ++program) {
        player->programChange(program);
        levels.push_back(openingLoudness(chord({69}, softSynthVelocity()), 0.5));
    }
    const auto [quietest, loudest] = std::minmax_element(levels.begin(), levels.end());
    EXPECT_LT(*loudest - *quietest, 6.0) << "quietest " << programs.at(int(quietest - levels.begin())).key.toStdString()
                                         << ", loudest " << programs.at(int(loudest - levels.begin())).key.toStdString();
}

TEST_F(MixLevelTest, BothSynthesizersAndTheAnswerSoundsSitAtComparableLevels)
{
    makeSoftSynth(0);
    const double softSynth = openingLoudness(chord({69}, softSynthVelocity()), 0.5);
    instrument.reset();

    for (const char* file : {"chime.wav", "ding.wav", "lowtone.wav", "buzz.wav"}) {
        ZTWaveFilePlayer player;
        player.playSoundFile(Paths::resource(QStringLiteral("sounds/") + QLatin1String(file)), 1.0f);
        const std::vector<float> sound = render(1.0);
        const std::optional<PcmSound> pcm = ZTWaveFilePlayer::readWaveFile(Paths::resource(QStringLiteral("sounds/") + QLatin1String(file)));
        ASSERT_TRUE(pcm);
        EXPECT_NEAR(openingLoudness(sound, pcm->seconds()), softSynth, 6.0) << file;
    }

    if (!makeGeneralMIDISynth())
        GTEST_SKIP() << "no General MIDI SoundFont installed";
    EXPECT_NEAR(openingLoudness(chord({69}, generalMIDIVelocity()), 0.5), softSynth, 6.0);
}

TEST_F(MixLevelTest, StoppingAQuestionWhileItSoundsFadesItOutOnBothSynthesizers)
{
    auto stopMidChord = [&](const char* name) {
        MusicSequence sequence;
        MusicTrack& track = sequence.newTrack();
        for (int nr : {60, 64, 67, 72})
            track.addNote(note(0, nr, 3.0));
        instrument->playSequence(std::move(sequence));
        const std::vector<float> before = render(0.4);
        instrument->stopPlayer();
        const std::vector<float> after = render(2.0);
        const double sounding = peakOf(before, before.size() - std::size_t(0.01 * kRate));
        // A release, not a cut: the first hundredth of a second keeps most of the level...
        EXPECT_GT(peakOf(after, 0, std::size_t(0.01 * kRate)), 0.3 * sounding) << name;
        // ...and the end is silence.
        EXPECT_LT(peakOf(after, std::size_t(1.5 * kRate)), 1e-4) << name;
    };
    makeSoftSynth(0);
    stopMidChord("Melvora SoftSynth");
    if (!makeGeneralMIDISynth())
        GTEST_SKIP() << "no General MIDI SoundFont installed";
    stopMidChord("General MIDI");
}
