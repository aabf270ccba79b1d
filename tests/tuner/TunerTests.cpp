// The tuner: its note table, the poll that confirms notes, and listening to the fake
// microphone.
#include "AudioInput.h"
#include "HandFedMicrophone.h"
#include "Paths.h"
#include "Signals.h"
#include "SilenceAudioUnit.h"
#include "TestEnvironment.h"
#include "ZTAudioUnit.h"
#include "ZTTuner.h"
#include "ZTTunerDelegate.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

constexpr double kPoll = 0.03;

class RecordingDelegate : public ZTTunerDelegate {
public:
    void tunerDidUpdate(ZTTuner*, const ZTTunerOutput& output) override { notes.push_back(output.midiNoteNr()); }
    void tuner(ZTTuner*, double amplitude, bool isGreaterThenThreshold) override
    {
        levels.emplace_back(amplitude, isGreaterThenThreshold);
    }
    std::vector<long long> notes;
    std::vector<std::pair<double, bool>> levels;
};

class TunerTest : public ::testing::Test {
protected:
    void SetUp() override { HandFedMicrophone::use(44100); }
    void TearDown() override { HandFedMicrophone::use(0); }

    std::unique_ptr<ZTTuner> startedTuner(double threshold = 0.1)
    {
        auto tuner = std::make_unique<ZTTuner>(threshold, 0.25);
        tuner->setDelegate(&delegate);
        EXPECT_TRUE(tuner->start());
        return tuner;
    }
    // What the tracker unit reads out, as its render thread would leave it.
    static void hear(ZTTuner& tuner, double unitFrequency, double unitAmplitude)
    {
        tuner.ztAudioUnit()->kernel.trackedFrequency = float(unitFrequency / 2.0);
        tuner.ztAudioUnit()->kernel.trackedAmplitude = float(unitAmplitude * 2.0);
    }
    void polls(int count)
    {
        for (int i = 0; i < count; ++i)
            queue.advance(kPoll);
    }
    // A second of a voice into the fake microphone, in the device's blocks, with the polls
    // in between.
    void sing(double frequency, unsigned rate)
    {
        const std::vector<float> voice = voiceLikeTone(frequency, rate, rate, 20.0, 0.5);
        const std::size_t perPoll = std::size_t(rate * kPoll);
        for (std::size_t done = 0; done + perPoll <= voice.size(); done += perPoll) {
            for (std::size_t block = 0; block < perPoll; block += 441)
                HandFedMicrophone::deliver(voice.data() + done + block, std::min<std::size_t>(441, perPoll - block));
            polls(1);
        }
    }

    TestEnvironment environment;
    ManualMainQueue queue;
    RecordingDelegate delegate;
};

} // namespace

TEST(ZTTunerNotes, TheTableAndTheNearestEntry)
{
    EXPECT_DOUBLE_EQ(ZTTuner::noteFrequency(0), 16.35);
    EXPECT_DOUBLE_EQ(ZTTuner::noteFrequency(9), 27.5);
    EXPECT_DOUBLE_EQ(ZTTuner::noteFrequency(57), 440.0);
    EXPECT_DOUBLE_EQ(ZTTuner::noteFrequency(60), 523.3);
    EXPECT_DOUBLE_EQ(ZTTuner::noteFrequency(72), 1047.0);
    EXPECT_DOUBLE_EQ(ZTTuner::noteFrequency(107), 7902.0);

    auto c5 = ZTTuner::newOutput(523.3, 0.4);
    ASSERT_TRUE(c5);
    EXPECT_EQ(c5->midiNoteNr(), 60);
    EXPECT_EQ(c5->octave(), 5);
    EXPECT_DOUBLE_EQ(c5->distance(), 0.0);
    EXPECT_DOUBLE_EQ(c5->amplitude(), 0.4);

    auto folded = ZTTuner::newOutput(10000.0, 1.0);
    ASSERT_TRUE(folded);
    EXPECT_EQ(folded->midiNoteNr(), 99);
    EXPECT_DOUBLE_EQ(folded->distance(), 5022.0);
    EXPECT_DOUBLE_EQ(folded->frequency(), 10000.0);
    EXPECT_EQ(ZTTuner::newOutput(880.0, 1.0)->midiNoteNr(), 69) << "a sung A4 as the unit reports it";
    EXPECT_EQ(ZTTuner::newOutput(3.0, 1.0)->midiNoteNr(), ZTTuner::newOutput(24.0, 1.0)->midiNoteNr());

    // Exactly between two entries: the lower one.
    const double middle = (ZTTuner::noteFrequency(57) + ZTTuner::noteFrequency(58)) / 2.0;
    EXPECT_EQ(ZTTuner::newOutput(middle, 1.0)->midiNoteNr(), 57);

    // No pitch to fold: no reading, and no endless loop.
    EXPECT_FALSE(ZTTuner::newOutput(0.0, 1.0));
    EXPECT_FALSE(ZTTuner::newOutput(-440.0, 1.0));
    EXPECT_FALSE(ZTTuner::newOutput(std::nan(""), 1.0));
    EXPECT_FALSE(ZTTuner::newOutput(INFINITY, 1.0));
}

TEST_F(TunerTest, CreationClampsItsSettingsAndLeavesTheDocumentsFolderAlone)
{
    QDir().mkpath(Paths::documentsFolder());
    const QString old = Paths::documentsFolder() + QStringLiteral("/AUDIO_INPUT.wav");
    QFile file(old);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("the user's recording");
    file.close();

    ZTTuner tuner(-0.3, 2.0);
    EXPECT_DOUBLE_EQ(tuner.threshold(), 0.3);
    EXPECT_DOUBLE_EQ(tuner.smoothing(), 1.0);
    EXPECT_DOUBLE_EQ(tuner.updateInterval(), 0.03);
    EXPECT_EQ(tuner.minDetectedNoteNrs(), 8);
    EXPECT_DOUBLE_EQ(tuner.minimumTimeInterval(), 0.4);
    EXPECT_EQ(tuner.smoothingBufferCount(), 30);
    EXPECT_DOUBLE_EQ(tuner.smooth(441.5), 441.5);
    EXPECT_EQ(tuner.defaultFormat().channelCount, 1u);
    EXPECT_FALSE(tuner.isRunning());
    EXPECT_EQ(tuner.booster()->kernel.gainRamper.uiValue(), 0.0f) << "what passes through is not heard";

    ASSERT_TRUE(QFile::exists(old));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("the user's recording"));
}

TEST_F(TunerTest, ASteadyToneIsReportedOnceAtTheEighthLoudPoll)
{
    auto tuner = startedTuner();
    hear(*tuner, 880.0, 0.5);
    polls(7);
    EXPECT_TRUE(delegate.notes.empty());
    ASSERT_EQ(delegate.levels.size(), 7u);
    EXPECT_NEAR(delegate.levels.back().first, 0.5, 1e-6);
    EXPECT_TRUE(delegate.levels.back().second);

    polls(1);
    EXPECT_EQ(delegate.notes, std::vector<long long>{69});
    EXPECT_EQ(delegate.levels.back(), std::make_pair(0.0, false)) << "the level message comes before the report";
    EXPECT_TRUE(tuner->lastNotNrs().empty());

    // The same note again fills the list; from the eighth poll after the report on, the
    // level messages are 0 and false, and the note is not reported again.
    polls(7);
    EXPECT_TRUE(delegate.levels.back().second);
    polls(20);
    EXPECT_EQ(delegate.levels.back(), std::make_pair(0.0, false));
    EXPECT_EQ(delegate.notes.size(), 1u);

    // Held for a long time, the list of recent notes stays bounded.
    polls(1000);
    EXPECT_LE(tuner->lastNotNrs().size(), ZTTuner::kMaxRecentNotes);
    EXPECT_EQ(delegate.notes.size(), 1u);
}

TEST_F(TunerTest, ASecondNoteWaitsFor0Point4SecondsAfterTheFirstReport)
{
    auto tuner = startedTuner();
    hear(*tuner, 880.0, 0.5);
    polls(8); // reported at 0.24 s
    ASSERT_EQ(delegate.notes.size(), 1u);
    hear(*tuner, 987.8, 0.5); // B
    polls(13); // eight agreeing polls by 0.48 s, but only 0.39 s after the report
    EXPECT_EQ(delegate.notes.size(), 1u);
    polls(1);
    EXPECT_EQ(delegate.notes, (std::vector<long long>{69, 71}));
}

TEST_F(TunerTest, SilenceBetweenTwoSungNotesLetsTheSameNoteCountAgain)
{
    auto tuner = startedTuner();
    hear(*tuner, 880.0, 0.5);
    polls(8);
    hear(*tuner, 880.0, 0.05);
    polls(10);
    EXPECT_EQ(tuner->lastDetectedNoteNr(), 0);
    EXPECT_FALSE(delegate.levels.back().second);
    EXPECT_NEAR(delegate.levels.back().first, 0.05, 1e-6);
    hear(*tuner, 880.0, 0.5);
    polls(8);
    EXPECT_EQ(delegate.notes, (std::vector<long long>{69, 69}));

    // A higher threshold takes effect at the next poll.
    tuner->setThreshold(0.6);
    polls(20);
    EXPECT_EQ(delegate.notes.size(), 2u);
    EXPECT_TRUE(tuner->lastNotNrs().empty());
}

TEST_F(TunerTest, ALoudInputWithoutAPitchCountsAsQuiet)
{
    auto tuner = startedTuner();
    hear(*tuner, 0.0, 0.5); // the tracker was stopped, or found nothing yet
    polls(20);
    EXPECT_TRUE(delegate.notes.empty());
    EXPECT_TRUE(tuner->lastNotNrs().empty());
    EXPECT_EQ(delegate.levels.back(), std::make_pair(0.5, true));
}

TEST_F(TunerTest, StartAndStopFollowTheMicrophoneAndADestroyedTunerSendsNothing)
{
    HandFedMicrophone::use(0);
    LogCapture log;
    ZTTuner tuner(0.1, 0.25);
    tuner.setDelegate(&delegate);
    EXPECT_FALSE(tuner.start());
    EXPECT_FALSE(tuner.isRunning());
    EXPECT_TRUE(log.contains(QStringLiteral("no audio input device")));
    polls(10);
    EXPECT_TRUE(delegate.levels.empty()) << "no polls without a microphone";

    HandFedMicrophone::use(48000);
    EXPECT_TRUE(tuner.start());
    EXPECT_TRUE(tuner.start());
    EXPECT_TRUE(tuner.isRunning());
    EXPECT_DOUBLE_EQ(tuner.defaultFormat().sampleRate, 48000.0);
    tuner.stop();
    tuner.stop();
    EXPECT_FALSE(AudioInput::sharedInput()->isRunning());
    polls(10);
    EXPECT_TRUE(delegate.levels.empty());

    auto doomed = startedTuner();
    hear(*doomed, 880.0, 0.5);
    doomed->handleTimer(); // queues a level message
    doomed.reset();
    queue.runPending();
    EXPECT_TRUE(delegate.levels.empty());
}

TEST_F(TunerTest, ANoteSungIntoTheMicrophoneIsReported)
{
    for (const unsigned rate : {44100u, 48000u}) {
        HandFedMicrophone::use(rate);
        delegate.notes.clear();
        auto tuner = startedTuner();
        sing(440.0, rate);
        EXPECT_EQ(delegate.notes, std::vector<long long>{69}) << rate << " Hz";
    }
}

TEST_F(TunerTest, AMicrophoneLostWhileListeningHearsNothingAndTheNextStartListensAgain)
{
    AudioInput* input = AudioInput::sharedInput();
    auto tuner = startedTuner();
    // A note half confirmed when the microphone goes: the tracker keeps its last reading.
    hear(*tuner, 880.0, 0.5);
    polls(3);
    HandFedMicrophone::lose();
    ASSERT_TRUE(eventually([&] { return !input->isRunning(); }));
    EXPECT_TRUE(tuner->isRunning());
    EXPECT_FALSE(tuner->isListening());
    delegate.levels.clear();
    polls(20);
    EXPECT_TRUE(delegate.notes.empty()) << "what the tracker read last is no note";
    EXPECT_EQ(delegate.levels, (std::vector<std::pair<double, bool>>(20, {0.0, false})));

    // Started again (the next question), it opens the microphone anew and hears.
    ASSERT_TRUE(tuner->start());
    EXPECT_TRUE(tuner->isListening());
    EXPECT_EQ(HandFedMicrophone::opens(), 2u);
    sing(440.0, 44100);
    EXPECT_EQ(delegate.notes, std::vector<long long>{69});
}
