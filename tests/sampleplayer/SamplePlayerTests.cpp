#include "../audiomidi/AudioMidiTestSupport.h"
#include "../audio/SoundAfterRest.h"
#include "SampleBankSupport.h"

#include "FakeMIDIBackend.h"
#include "Paths.h"
#include "ZTMIDIController.h"
#include "ZTSamplePlayer.h"
#include "ZTSoundBank.h"

#include <atomic>
#include <cstdlib>
#include <new>
#include <set>
#include <thread>

// Counts the allocations of the thread that renders while it renders.
namespace {
thread_local bool watchingAllocations = false;
std::atomic<int> allocationsWhileRendering{0};
} // namespace

void* operator new(std::size_t size)
{
    if (watchingAllocations)
        ++allocationsWhileRendering;
    if (void* memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept
{
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}

namespace {

constexpr std::size_t kBlock = 256;
constexpr double kRate = 44100;

// Stereo blocks pulled from the audio output as a device would, with the main queue's
// clock moved along.
class SamplePlayerTest : public AudioMidiTest {
protected:
    void TearDown() override
    {
        player.reset();
        AudioMidiTest::TearDown();
    }

    // A bank of the test's own: "Level" holds one looped frame value (half scale) for every
    // note, "Sine" a looped 441 Hz sine; the clicks are the build's.
    void useTestBank()
    {
        const QString root = environment.root() + QStringLiteral("/bank");
        TestSample level{QStringLiteral("level.raw"), std::vector<std::int16_t>(1002, 16384), 440, 0, 128, 0, 1000};
        writeInstrument(root + QStringLiteral("/Instruments/Level"), {level});
        TestEnvelope envelope;
        envelope.release = 0.1;
        writeInstrument(root + QStringLiteral("/Instruments/Sine"), {loopedSine(QStringLiteral("sine.raw"), 441, 44100, 0, 128)},
                        envelope);
        for (const char* click : {"Sticks.raw", "Clap.raw"})
            QFile::copy(Paths::resource(QLatin1String(click)), root + QLatin1Char('/') + QLatin1String(click));
        const QVariantList programs{QVariantMap{{QStringLiteral("key"), QStringLiteral("Level")}, {QStringLiteral("value"), QStringLiteral("Level")}},
                                    QVariantMap{{QStringLiteral("key"), QStringLiteral("Sine")}, {QStringLiteral("value"), QStringLiteral("Sine")}}};
        ASSERT_TRUE(PropertyList::writeFileAtomically(root + QStringLiteral("/MelvoraSounds.plist"), programs));
        environment.useResources(root);
    }
    void makePlayer(int program)
    {
        player = std::make_shared<ZTSamplePlayer>();
        player->init();
        player->setDelegate(&delegate);
        player->programChange(program);
    }
    // The left channel of `seconds` of output.
    std::vector<float> render(double seconds)
    {
        std::vector<float> left;
        std::vector<float> buffer(kBlock * 2);
        const auto blocks = std::size_t(std::ceil(seconds * kRate / kBlock));
        for (std::size_t block = 0; block < blocks; ++block) {
            queue.advance(kBlock / kRate);
            watchingAllocations = true;
            AudioOutput::sharedOutput()->renderOffline(buffer.data(), kBlock);
            watchingAllocations = false;
            for (std::size_t i = 0; i < kBlock; ++i) {
                EXPECT_EQ(buffer[2 * i], buffer[2 * i + 1]);
                left.push_back(buffer[2 * i]);
            }
        }
        return left;
    }
    std::set<int> heldNotes() const
    {
        std::set<int> notes;
        for (unsigned channel = 0; channel < ZTSamplePlayer::kChannelCount; ++channel)
            if (player->voiceAtChannel(channel).noteNr() >= 0)
                notes.insert(player->voiceAtChannel(channel).noteNr());
        return notes;
    }

    RecordingDelegate delegate;
    std::shared_ptr<ZTSamplePlayer> player;
};

} // namespace

TEST_F(SamplePlayerTest, AProgramChangeLoadsItsEntryAndFallsBackToTheFirst)
{
    useTestBank();
    LogCapture log;
    makePlayer(1);
    EXPECT_TRUE(player->instrumentData()->path().endsWith(QStringLiteral("/Sine")));
    EXPECT_TRUE(log.contains(QStringLiteral("Melvora SoftSynth plays \"Sine\" (program 1, 1 samples).")));
    for (int program : {-1, 2, 1000}) {
        player->programChange(program);
        EXPECT_TRUE(player->instrumentData()->path().endsWith(QStringLiteral("/Level"))) << program;
    }
    EXPECT_TRUE(player->isRunning());
}

TEST_F(SamplePlayerTest, ANoteKeepsItsChannelAndANewOneTakesTheNextInTurn)
{
    useTestBank();
    makePlayer(1);
    player->noteOn(60, 100);
    player->noteOn(60, 100); // the same note again stays on its channel
    render(0.01);
    EXPECT_TRUE(player->isSounding());
    EXPECT_EQ(player->getChannelOfNote(60), 0);
    EXPECT_EQ(player->voiceAtChannel(1).noteNr(), -1);
    for (int note = 61; note <= 75; ++note)
        player->noteOn(note, 100);
    render(0.01);
    EXPECT_EQ(heldNotes().size(), 16u);
    player->noteOn(76, 100); // the seventeenth note cuts the first
    player->noteOff(61);
    render(0.01);
    EXPECT_EQ(player->getChannelOfNote(60), -1);
    EXPECT_EQ(player->getChannelOfNote(76), 0);
    EXPECT_EQ(player->voiceAtChannel(1).noteNr(), -1);
    player->allNotesOff();
    render(0.01);
    EXPECT_TRUE(heldNotes().empty());
    EXPECT_TRUE(player->isSounding()) << "the notes fade";
    render(0.2);
    EXPECT_FALSE(player->isSounding()) << "a null device may rest now";
}

TEST_F(SamplePlayerTest, TheVolumeScalesTheMixAndALoudChordClips)
{
    useTestBank();
    makePlayer(0);
    player->setVolume(0.7f);
    EXPECT_FLOAT_EQ(player->volume(), 0.7f);
    player->noteOn(60, 127);
    const std::vector<float> one = render(0.05);
    EXPECT_NEAR(one.back(), 0.5 * (127.0 / 128.0) * ZTSamplePlayer::kMixGain * 0.7, 1e-4);

    for (int note = 61; note < 76; ++note)
        player->noteOn(note, 127);
    EXPECT_EQ(render(0.05).back(), 1.0f);
}

TEST_F(SamplePlayerTest, SixtyFourNotesFromSeveralThreadsNeverAllocateLoseOrGlitch)
{
    useTestBank();
    makePlayer(1);
    LogCapture log;
    auto fromThreads = [&](bool on) {
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&, t] {
                for (int i = 0; i < 16; ++i) {
                    const int note = 30 + t * 16 + i;
                    on ? player->noteOn(note, 127) : player->noteOff(note);
                }
            });
        for (std::thread& thread : threads)
            thread.join();
    };
    render(0.01); // the first block may set up what the output needs once
    allocationsWhileRendering = 0;
    fromThreads(true);
    const std::vector<float> held = render(0.3);
    EXPECT_EQ(allocationsWhileRendering.load(), 0);
    for (float value : held)
        ASSERT_TRUE(std::isfinite(value) && std::abs(value) <= 1.0f);
    // Every one of the 64 notes arrived: the last sixteen hold the sixteen channels.
    const std::set<int> notes = heldNotes();
    EXPECT_EQ(notes.size(), 16u);
    for (int note : notes)
        EXPECT_TRUE(note >= 30 && note < 94);
    EXPECT_GT(std::abs(held.back()), 0.0f);

    fromThreads(false);
    const std::vector<float> released = render(0.3);
    EXPECT_EQ(allocationsWhileRendering.load(), 0);
    EXPECT_TRUE(heldNotes().empty());
    EXPECT_EQ(released.back(), 0.0f);
    EXPECT_FALSE(log.contains(QStringLiteral("dropped")));
}

TEST_F(SamplePlayerTest, AChordOfASequenceStartsInOneBlockAndTheEndIsReported)
{
    useTestBank();
    makePlayer(1);
    MusicSequence sequence;
    MusicTrack& track = sequence.newTrack();
    for (int nr : {60, 64, 67})
        track.addNote(note(0, nr, 1));
    player->playSequence(std::move(sequence));
    ASSERT_EQ(delegate.events.size(), 1u);
    EXPECT_EQ(delegate.events[0].second, 's');
    EXPECT_TRUE(player->isPlaying());
    render(kBlock / kRate);
    EXPECT_EQ(heldNotes(), (std::set<int>{60, 64, 67}));

    render(0.6); // one beat at 120: the notes end
    EXPECT_TRUE(heldNotes().empty());
    render(1.5);
    EXPECT_FALSE(player->isPlaying());
    ASSERT_EQ(delegate.events.size(), 2u);
    EXPECT_EQ(delegate.events[1].second, 'e');

    player->stopPlayer(); // nothing plays, yet the delegate hears of the stop
    EXPECT_EQ(delegate.events.size(), 3u);
}

TEST_F(SamplePlayerTest, StopSilencesTheOutputUntilItStartsAgain)
{
    useTestBank();
    makePlayer(1);
    player->noteOn(69, 100);
    EXPECT_GT(std::abs(render(0.05).back()) + std::abs(render(0.001).back()), 0.0f);
    player->stop();
    EXPECT_FALSE(player->isRunning());
    player->noteOn(70, 100); // nothing can sound while stopped
    for (float value : render(0.05))
        EXPECT_EQ(value, 0.0f);
    player->start();
    EXPECT_TRUE(player->isRunning());
    EXPECT_TRUE(heldNotes().empty());
    player->noteOn(69, 100);
    render(0.01);
    EXPECT_EQ(heldNotes(), std::set<int>{69});
}

TEST_F(SamplePlayerTest, TheHubBuildsItForMelvoraSoftSynthWithTheChosenProgram)
{
    useTestBank();
    ZTSamplePlayer::installAsSampleSynthesizer();
    ZTPreferences* prefs = ZTPreferences::sharedPreferences();
    prefs->setMIDIOutEndpoint(ZTMIDIController::kSampleSynthesizerName);
    prefs->setMelvoraSoftSynthInstrumentNr(1);
    auto controller = std::make_unique<ZTMIDIController>(std::make_shared<FakeMIDIBackend>());
    controller->init();
    auto synthesizer = std::dynamic_pointer_cast<ZTSamplePlayer>(controller->instrument());
    ASSERT_TRUE(synthesizer);
    EXPECT_EQ(synthesizer->instrumentData()->name(), QStringLiteral("Sine"));
    controller.reset();
    ZTMIDIController::setSampleSynthesizerFactory({});
}

TEST_F(SamplePlayerTest, EveryProgramOfTheBankCarriesTheClicks)
{
    const QList<SoftSynthSoundEntry> programs = ZTSoundBank::programs();
    ASSERT_FALSE(programs.isEmpty());
    makePlayer(0);
    for (int program = 0; program < programs.size(); ++program) {
        player->programChange(program);
        const std::string name = programs.at(program).key.toStdString();
        for (int click : {QVInstrument::kSticksSlot, QVInstrument::kClapSlot}) {
            player->noteOn(click, 100);
            const std::vector<float> sound = render(0.1);
            player->noteOff(click);
            render(0.5);
            float peak = 0;
            for (float value : sound)
                peak = std::max(peak, std::abs(value));
            EXPECT_GT(peak, 0.05f) << name << " click " << click;
        }
    }
}

TEST_F(SamplePlayerTest, ANoteAfterTheOutputRestedSoundsFromItsFirstBlockWithItsWholeAttack)
{
    useTestBank();
    makePlayer(1);
    const SoundAfterRest heard = playBeforeAndAfterRest(
        player.get(), [&] { player->noteOn(69, 127); }, [&] { player->noteOff(69); });
    ASSERT_TRUE(heard.rested) << "the synthesizer falls quiet after its note";
    ASSERT_TRUE(heard.resumed);
    EXPECT_GT(loudestOfFirstFrames(heard.firstBlock, 64), 1e-3f) << "the attack begins in the first frames";
    EXPECT_TRUE(heard.sameAttack()) << "the note after the rest sounds as the first did";
}
