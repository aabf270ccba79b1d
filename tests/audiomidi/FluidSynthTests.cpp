#include "AudioMidiTestSupport.h"
#include "../audio/SoundAfterRest.h"

#include "FluidSynthEngine.h"
#include "MidiFiles.h"
#include "OfflineAudio.h"
#include "QVDLSSynthesizer.h"
#include "ZTMusicalTest.h"
#include "ZTScale.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <thread>

namespace {

constexpr std::size_t kBlock = 256;

QString tinySoundFont()
{
    return QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("data/OneLoopedSine.sf2"));
}

// The process's memory mappings: every thread stack that is never joined keeps one.
int mappingCount()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) ? int(maps.readAll().count('\n')) : -1;
}

class FluidSynthTest : public AudioMidiTest {
protected:
    void SetUp() override
    {
        AudioMidiTest::SetUp();
        if (FluidSynthEngine::generalMIDISoundFontPath().isEmpty())
            GTEST_SKIP() << "no General MIDI SoundFont installed";
        synth = std::make_unique<QVDLSSynthesizer>();
        synth->init();
        ASSERT_TRUE(synth->graph());
    }
    void TearDown() override
    {
        synth.reset();
        AudioMidiTest::TearDown();
    }

    // Moves time and pulls the audio block by block, as a device would; the energy of
    // each block.
    std::vector<double> render(double seconds)
    {
        std::vector<double> energy;
        renderInBlocks(queue, seconds, kBlock, [&](const std::vector<float>& block) {
            double sum = 0;
            for (float sample : block)
                sum += double(sample) * sample;
            energy.push_back(sum / block.size());
            return true;
        });
        return energy;
    }

    // Times (seconds from block `origin`) where the energy, smoothed over two blocks,
    // rises to more than twice what it was three blocks before.
    static std::vector<double> onsets(const std::vector<double>& energy, std::size_t origin,
                                      double blockSeconds)
    {
        auto smooth = [&](std::size_t k) { return (energy[k] + energy[k - 1]) / 2; };
        std::vector<double> found;
        for (std::size_t k = 4; k < energy.size(); ++k) {
            if (smooth(k) > 1e-6 && smooth(k) > 2.0 * smooth(k - 3)) {
                const double t = (double(k) - double(origin)) * blockSeconds;
                if (found.empty() || t - found.back() > 0.08)
                    found.push_back(t);
            }
        }
        return found;
    }

    static double mean(const std::vector<double>& energy, std::size_t from, std::size_t to)
    {
        double sum = 0;
        for (std::size_t k = from; k < to && k < energy.size(); ++k)
            sum += energy[k];
        return sum / double(to - from);
    }

    std::unique_ptr<QVDLSSynthesizer> synth;
};

} // namespace

TEST_F(FluidSynthTest, QuestionSoundsAtTheBeatsOfItsSequence)
{
    // A major arpeggio question (degrees 1, 3, 5, 8 on C) in the question model's default
    // play mode, at 100 BPM.
    QVariantList steps;
    for (int degree : {1, 3, 5, 8})
        steps.append(QVariantMap{{"notes", QVariantList{QVariantMap{{"pos", degree}, {"off", 0}}}}});
    auto question = ZTTest::create<ZTScale>(QVariantMap{{"name", "Major"}, {"definition", steps}});
    question->setRootNoteRange({60, 0});
    question->updateRootNote();
    const MusicSequence sequence = question->newMusicSequenceWithTempo(100);
    ASSERT_EQ(sequence.tracks().size(), 1u);
    ASSERT_EQ(sequence.tracks()[0].notes().size(), 4u);

    std::vector<double> energy = render(0.3); // silence first, so the first note is an onset too
    const std::size_t origin = energy.size();
    synth->playSequence(sequence);
    const std::vector<double> played = render(3.5);
    energy.insert(energy.end(), played.begin(), played.end());
    const double blockSeconds = double(kBlock) / AudioOutput::sharedOutput()->sampleRate();
    const std::vector<double> found = onsets(energy, origin, blockSeconds);

    std::vector<double> expected;
    for (const MusicNoteEvent& event : sequence.tracks()[0].notes())
        expected.push_back(sequence.secondsForBeat(event.beat));
    ASSERT_EQ(found.size(), expected.size()) << ::testing::PrintToString(found);
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(found[i], expected[i], 0.015) << i;
}

TEST_F(FluidSynthTest, SingleNotesPlayAndStop)
{
    const double blockSeconds = double(kBlock) / AudioOutput::sharedOutput()->sampleRate();
    const std::size_t blocksPerSecond = std::size_t(1.0 / blockSeconds);
    synth->noteOn(60);
    std::vector<double> energy = render(0.5);
    const double sounding = mean(energy, 10, energy.size());
    EXPECT_GT(sounding, 1e-5);
    EXPECT_GT(synth->graph()->activeVoiceCount(), 0);
    EXPECT_TRUE(synth->graph()->isSounding());

    synth->noteOff(60);
    energy = render(2.5);
    EXPECT_LT(mean(energy, energy.size() - blocksPerSecond / 2, energy.size()), sounding * 1e-3);
    EXPECT_EQ(synth->graph()->activeVoiceCount(), 0);
    EXPECT_FALSE(synth->graph()->isSounding()) << "a null device may rest now";
}

TEST_F(FluidSynthTest, NotesAboveTheMidiRangeNeverSound)
{
    synth->noteOn(128, 100);
    synth->noteOn(129);
    synth->noteOn(-1);
    MusicSequence clicks;
    MusicTrack& track = clicks.newTrack();
    track.addNote(note(0, 128, 1));
    track.addNote(note(0.5, 129, 1));
    synth->playSequence(clicks);
    const std::vector<double> energy = render(1.0);
    EXPECT_EQ(synth->graph()->activeVoiceCount(), 0);
    EXPECT_EQ(*std::max_element(energy.begin(), energy.end()), 0.0);
}

TEST_F(FluidSynthTest, StoppingASequenceSilencesIt)
{
    MusicSequence held;
    held.newTrack().addNote(note(0, 55, 16));
    synth->playSequence(held);
    std::vector<double> energy = render(0.5);
    const double sounding = mean(energy, 20, energy.size());
    ASSERT_GT(sounding, 1e-5);
    synth->stopPlayer();
    energy = render(2.5);
    EXPECT_LT(energy.back(), sounding * 1e-3);
    EXPECT_EQ(synth->graph()->activeVoiceCount(), 0);
}

TEST_F(FluidSynthTest, AMidiFileChoosesTheSoundsOfItsChannels)
{
    FluidSynthEngine* engine = synth->graph().get();
    synth->playMidiData(midiFile(96, twoInstrumentTracks()));
    render(0.1);
    EXPECT_EQ(engine->program(0), 0) << "the first track's program is left out";
    EXPECT_EQ(engine->program(1), 40);
    EXPECT_EQ(engine->controllerValue(1, 7), 90);
    EXPECT_EQ(engine->pitchBendValue(1), 0x50 << 7);
    EXPECT_GT(engine->activeVoiceCount(), 0);

    // The bend ends with the piece; the program stays until something else chooses one.
    synth->stopPlayer();
    EXPECT_EQ(engine->pitchBendValue(1), MusicChannelEvent::kPitchBendCentre);
    EXPECT_EQ(engine->program(1), 40);
}

TEST_F(FluidSynthTest, MissingSoundFontIsReported)
{
    QString error;
    EXPECT_FALSE(FluidSynthEngine::create(44100, &error, QStringLiteral("/nonexistent/none.sf2")));
    EXPECT_TRUE(error.contains(QStringLiteral("could not be loaded"))) << error.toStdString();
}

TEST_F(FluidSynthTest, OnlyWholeSoundFontFilesAreHandedToTheSynthesizer)
{
    const QString tiny = tinySoundFont();
    QFile file(tiny);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();

    QString error;
    auto engine = FluidSynthEngine::create(44100, &error, tiny);
    ASSERT_TRUE(engine) << error.toStdString();
    EXPECT_EQ(engine->presetName(0, 0), QStringLiteral("Sine"));
    ASSERT_TRUE(engine->selectPreset(0, 0, 0));
    ASSERT_TRUE(engine->noteOn(0, 60, 100));
    std::vector<float> block(2 * kBlock, 0.0f);
    engine->render(block.data(), kBlock);
    EXPECT_GT(*std::max_element(block.begin(), block.end()), 0.01f);

    LogCapture log;
    const std::pair<QByteArray, const char*> refused[] = {
        {whole.left(whole.size() / 2), "cut short"},
        {"OggS" + whole.mid(4), "no SoundFont 2 file"},
        {whole.left(8) + "sfbx" + whole.mid(12), "no SoundFont 2 file"},
        {"RIFF", "no SoundFont 2 file"},
    };
    for (const auto& [bytes, reason] : refused) {
        const QString path = environment.writeFile(QStringLiteral("refused.sf2"), bytes);
        EXPECT_FALSE(engine->loadSoundFont(path, &error));
        EXPECT_TRUE(error.contains(QLatin1String(reason))) << error.toStdString();
        EXPECT_EQ(engine->soundFontPath(), tiny) << "the font it had stays";
    }
    EXPECT_FALSE(log.contains(QStringLiteral("FluidSynth"))) << "refused before FluidSynth sees them";
    EXPECT_EQ(engine->presetName(0, 0), QStringLiteral("Sine"));
}

TEST_F(FluidSynthTest, ReplacingTheSoundFontUnderASoundingNoteLeavesNoThreadBehind)
{
    QString error;
    auto engine = FluidSynthEngine::create(44100, &error, tinySoundFont());
    ASSERT_TRUE(engine) << error.toStdString();
    std::vector<float> block(2 * kBlock, 0.0f);
    const int before = mappingCount();
    ASSERT_GT(before, 0);
    constexpr int kSwaps = 200;
    for (int swap = 0; swap < kSwaps; ++swap) {
        ASSERT_TRUE(engine->selectPreset(0, 0, 0));
        ASSERT_TRUE(engine->noteOn(0, 60, 100));
        engine->render(block.data(), kBlock);
        ASSERT_GT(engine->activeVoiceCount(), 0);
        ASSERT_TRUE(engine->loadSoundFont(tinySoundFont(), &error)) << error.toStdString();
        EXPECT_EQ(engine->activeVoiceCount(), 0) << "what sounded stops with its font";
    }
    // A thread left per swap would add at least one mapping each; allocations come and go.
    EXPECT_LT(mappingCount() - before, kSwaps / 4);

    // A block rendered meanwhile on the audio thread is waited for, and gives no sound of
    // the font being replaced.
    ASSERT_TRUE(engine->selectPreset(0, 0, 0));
    std::atomic<bool> done{false};
    std::thread audio([&] {
        std::vector<float> own(2 * kBlock);
        while (!done.load())
            engine->render(own.data(), kBlock);
    });
    for (int swap = 0; swap < 50; ++swap) {
        ASSERT_TRUE(engine->noteOn(0, 60, 100));
        ASSERT_TRUE(engine->loadSoundFont(tinySoundFont(), &error));
        ASSERT_TRUE(engine->selectPreset(0, 0, 0));
    }
    done.store(true);
    audio.join();
    EXPECT_LT(mappingCount() - before, kSwaps / 4);
}

TEST_F(FluidSynthTest, ANoteAfterTheOutputRestedSoundsFromItsFirstBlockWithItsWholeAttack)
{
    const SoundAfterRest heard = playBeforeAndAfterRest(
        synth->graph().get(), [&] { synth->noteOn(60, 100); }, [&] { synth->noteOff(60); });
    ASSERT_TRUE(heard.rested) << "the synthesizer falls quiet after its note";
    ASSERT_TRUE(heard.resumed);
    EXPECT_GT(loudestOfFirstFrames(heard.firstBlock, 64), 1e-4f) << "the attack begins in the first frames";
    EXPECT_TRUE(heard.sameAttack()) << "the note after the rest sounds as the first did";
}
