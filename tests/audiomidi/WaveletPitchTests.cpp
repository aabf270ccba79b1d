// The wavelet pitch tracker on synthesised tones, the detector's notes, and the recorder
// listening to the fake microphone.
#include "AQRecorder.h"
#include "AudioInput.h"
#include "CAXException.h"
#include "HandFedMicrophone.h"
#include "PitchDetector.h"
#include "Signals.h"
#include "TestEnvironment.h"
#include "WaveletPitchTracker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

using namespace WaveletPitch;

namespace {

// 4411 samples (one 0.1-s buffer at 44.1 kHz) of a sine of amplitude 10000, as the recorder hands them in.
std::vector<double> tone(double frequency, double phase = 0.3, double amplitude = 10000, int count = 4411)
{
    const std::vector<float> wave = sineWave(frequency, kSampleRate, std::size_t(count), amplitude, phase);
    return std::vector<double>(wave.begin(), wave.end());
}

double pitchOf(_dywapitchtracker& tracker, const std::vector<double>& samples)
{
    return computeWaveletPitch(&tracker, samples.data(), 0, int(samples.size()));
}

double freshPitchOf(const std::vector<double>& samples)
{
    _dywapitchtracker tracker;
    initWaveletTracker(&tracker);
    return pitchOf(tracker, samples);
}

} // namespace

TEST(WaveletPitch, TonesFrom80To1000HzComeOutWithin10Cents)
{
    for (double frequency = 80.0; frequency <= 1000.0; frequency *= 1.0293) { // about half a semitone apart
        for (double phase : {0.0, 1.1, 2.5}) {
            const double found = freshPitchOf(tone(frequency, phase));
            ASSERT_GT(found, 0.0) << frequency << " Hz, phase " << phase;
            EXPECT_LT(std::abs(centsBetween(found, frequency)), 10.0) << frequency << " Hz found as " << found;
        }
    }
    for (double frequency : {110.0, 220.0, 440.0, 880.0, 1000.0, 1500.0})
        EXPECT_LT(std::abs(centsBetween(freshPitchOf(tone(frequency)), frequency)), 10.0) << frequency;
    // A tone with a strong second partial keeps its fundamental.
    std::vector<double> rich = tone(196.0);
    const std::vector<double> octave = tone(392.0, 0.7, 5000);
    for (std::size_t i = 0; i < rich.size(); ++i)
        rich[i] += octave[i];
    EXPECT_LT(std::abs(centsBetween(freshPitchOf(rich), 196.0)), 10.0);
}

TEST(WaveletPitch, NothingToFindGivesZero)
{
    EXPECT_EQ(freshPitchOf(std::vector<double>(4411, 0.0)), 0.0);
    EXPECT_EQ(freshPitchOf(tone(440, 0.3, 10000, 1)), 0.0);
    EXPECT_EQ(freshPitchOf({}), 0.0);
    EXPECT_EQ(freshPitchOf(std::vector<double>(4411, 1234.0)), 0.0) << "a constant has no extrema";
}

TEST(WaveletPitch, TrackingSmoothsAndTakesBackOctaveJumps)
{
    _dywapitchtracker tracker;
    initWaveletTracker(&tracker);
    EXPECT_EQ(tracker.previousPitch, -1.0);
    EXPECT_EQ(tracker.confidence, -1);
    EXPECT_NEAR(pitchOf(tracker, tone(440)), 440.0, 0.5);
    EXPECT_EQ(tracker.confidence, 1);
    EXPECT_NEAR(pitchOf(tracker, tone(441)), 441.0, 0.5);
    EXPECT_EQ(tracker.confidence, 2);
    // An octave below, before the pitch is trusted: the old pitch stands, with less trust.
    EXPECT_NEAR(pitchOf(tracker, tone(220)), 441.0, 0.5);
    EXPECT_EQ(tracker.confidence, 1);
    // No pitch: reported as none, the old one kept once, then forgotten.
    const std::vector<double> silence(4411, 0.0);
    EXPECT_EQ(pitchOf(tracker, silence), 0.0);
    EXPECT_EQ(tracker.confidence, 0);
    EXPECT_NEAR(tracker.previousPitch, 441.0, 0.5);
    EXPECT_EQ(pitchOf(tracker, silence), 0.0);
    EXPECT_EQ(tracker.previousPitch, -1.0);

    // Trusted (confidence 3): a reading an octave low counts as the pitch itself.
    for (int i = 0; i < 3; ++i)
        pitchOf(tracker, tone(441));
    EXPECT_EQ(tracker.confidence, 3);
    EXPECT_NEAR(pitchOf(tracker, tone(220)), 440.0, 1.0);
    EXPECT_EQ(tracker.confidence, 3);
    for (int i = 0; i < 5; ++i)
        pitchOf(tracker, tone(440));
    EXPECT_EQ(tracker.confidence, 5) << "confidence stops at five";
}

TEST(WaveletPitch, PowerOfTwoHelpersFollowTheirOwnRules)
{
    for (int v : {0, 2, 4, 8, 4096})
        EXPECT_TRUE(isPowerOfTwo(v)) << v;
    for (int v : {1, 3, 6, 4411, -4})
        EXPECT_FALSE(isPowerOfTwo(v)) << v;
    EXPECT_EQ(bitCount(2), 2);
    EXPECT_EQ(bitCount(3), 2);
    EXPECT_EQ(bitCount(4), 3);
    EXPECT_EQ(bitCount(-7), 0);
    EXPECT_EQ(ceilPowerOfTwo(1), 2);
    EXPECT_EQ(ceilPowerOfTwo(5), 8);
    EXPECT_EQ(ceilPowerOfTwo(4411), 8192);
    EXPECT_EQ(floorPowerOfTwo(4411), 4096);
    EXPECT_EQ(floorPowerOfTwo(1), 1);
    EXPECT_EQ(floorPowerOfTwo(3), 2);
    EXPECT_EQ(floorPowerOfTwo(-5), 0);
    EXPECT_EQ(neededSampleCount(80), 2048);
    EXPECT_EQ(neededSampleCount(440), 512);
}

TEST(PitchDetector, NotesAreAnnouncedOnceWhenHeld)
{
    EXPECT_EQ(PitchDetector::noteNumberForFrequency(440.0), 57);
    EXPECT_EQ(PitchDetector::noteNumberForFrequency(261.63), 48);
    EXPECT_EQ(PitchDetector::noteNumberForFrequency(452.0), 57) << "less than half a semitone sharp";
    for (double none : {0.0, -440.0, std::nan(""), 8.0})
        EXPECT_EQ(PitchDetector::noteNumberForFrequency(none), -1) << none;

    ManualMainQueue queue;
    PitchDetector detector;
    EXPECT_EQ(detector.noteNr(), -1);
    EXPECT_FLOAT_EQ(detector.maxDiff(), 0.2f);
    LogCapture log;
    detector.setCurrentPitch(440.0);
    EXPECT_EQ(detector.lastDetectedNoteNr(), 57);
    queue.advance(0.1);
    detector.setCurrentPitch(441.0);
    queue.advance(0.06);
    detector.setCurrentPitch(439.0);
    EXPECT_TRUE(detector.detected());
    queue.advance(0.1);
    detector.setCurrentPitch(440.0);
    EXPECT_EQ(log.lines(), QStringList{"noteNr Start:57"});
    EXPECT_EQ(detector.currentPitch(), 440.0);

    // Silence ends the note; a new note needs its own 0.15 s.
    detector.setCurrentPitch(0.0);
    EXPECT_EQ(detector.lastDetectedNoteNr(), -1);
    EXPECT_FALSE(detector.detected());
    detector.setCurrentPitch(220.0);
    queue.advance(0.1);
    detector.setCurrentPitch(220.0);
    EXPECT_EQ(log.lines().size(), 1);
    queue.advance(0.1);
    detector.setCurrentPitch(220.0);
    EXPECT_EQ(log.lines().last(), "noteNr Start:45");
}

TEST(AQRecorder, BuffersHoldATenthOfASecond)
{
    const CAStreamBasicDescription format = AQRecorder::recordingFormat();
    EXPECT_EQ(format.sampleRate, 44100.0);
    EXPECT_EQ(format.formatID, 0x6C70636Du);
    EXPECT_EQ(format.formatFlags, 12u);
    EXPECT_EQ(AQRecorder::bufferSizeForSeconds(format, 0.1f), 8822u) << "4411 frames of two bytes";

    // Without a frame size the packets count: 4411 frames are 2205 packets of two frames.
    CAStreamBasicDescription packets = format;
    packets.bytesPerFrame = 0;
    packets.bytesPerPacket = 6;
    packets.framesPerPacket = 2;
    EXPECT_EQ(AQRecorder::bufferSizeForSeconds(packets, 0.1f), 2205u * 6);
    packets.bytesPerPacket = 0;
    LogCapture log;
    EXPECT_EQ(AQRecorder::bufferSizeForSeconds(packets, 0.1f), 0u);
    EXPECT_EQ(log.lines(), QStringList{"Error: couldn't get queue's maximum output packet size (0)"});
}

TEST(AQRecorder, ErrorsNameTheirStatusReadably)
{
    EXPECT_EQ(CAXException("AudioQueueStart failed", 0x6C70636D).message(), "Error: AudioQueueStart failed ('lpcm')");
    EXPECT_EQ(CAXException::formatStatus(-50), "-50");
    EXPECT_EQ(CAXException::formatStatus(199999), "199999");
    EXPECT_EQ(CAXException::formatStatus(200000), "0x30d40");
    EXPECT_EQ(CAXException::formatStatus(std::int32_t(0x80000001)), "0x80000001");
    EXPECT_EQ(CAXException(QString(300, 'x'), 1).operation().size(), 255);
}

namespace {

class RecorderTest : public ::testing::Test {
protected:
    void SetUp() override { HandFedMicrophone::use(48000); }
    void TearDown() override { HandFedMicrophone::use(0); }

    // Hands the microphone `seconds` of a tone at its rate, in blocks as a device would,
    // giving the record queue's thread time to keep up.
    static void sing(double frequency, double seconds)
    {
        AudioInput* input = AudioInput::sharedInput();
        const double rate = input->sampleRate();
        const std::vector<float> wave = sineWave(frequency, rate, std::size_t(seconds * rate), 0.3);
        for (std::size_t at = 0; at + 480 <= wave.size(); at += 480) {
            HandFedMicrophone::deliver(wave.data() + at, 480);
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    }

    TestEnvironment environment;
};

} // namespace

TEST_F(RecorderTest, FindsThePitchOfWhatTheMicrophoneHears)
{
    PitchDetector detector;
    LogCapture log;
    detector.record();
    ASSERT_TRUE(detector.recorder()->running());
    EXPECT_EQ(detector.recorder()->sampleBufferSize(), 4411u);
    EXPECT_EQ(log.lines().first(), "StartRecord");
    detector.record(); // already running: nothing
    EXPECT_EQ(log.lines().count("StartRecord"), 1);

    sing(329.63, 0.5); // E4
    ASSERT_TRUE(eventually([&] { return detector.currentPitch() > 0; }));
    EXPECT_LT(std::abs(centsBetween(detector.recorder()->pitch(), 329.63)), 10.0) << detector.recorder()->pitch();
    EXPECT_LT(std::abs(centsBetween(detector.currentPitch(), 329.63)), 10.0);

    detector.stopRecord();
    EXPECT_FALSE(detector.recorder()->running());
    EXPECT_EQ(detector.recorder()->sampleBufferSize(), 0u);
    EXPECT_FALSE(AudioInput::sharedInput()->isRunning());
    detector.stopRecord(); // idle: harmless
    detector.recorder()->stop();

    // A second run starts afresh and hears the new tone.
    detector.record();
    sing(659.26, 0.5);
    EXPECT_TRUE(eventually([&] { return std::abs(centsBetween(detector.currentPitch(), 659.26)) < 10.0; }))
        << detector.currentPitch();
}

TEST_F(RecorderTest, WithoutAMicrophoneStartFailsAtItsLastStepAndCanBeRetried)
{
    HandFedMicrophone::use(0);
    PitchDetector detector;
    LogCapture log;
    detector.record();
    EXPECT_FALSE(detector.recorder()->running());
    EXPECT_TRUE(log.contains("Audio input could not be opened (no audio input device)."));
    EXPECT_TRUE(log.contains("Error: AudioQueueStart failed (-1)"));
    detector.stopRecord();

    HandFedMicrophone::use(44100); // plugged in
    detector.record();
    EXPECT_TRUE(detector.recorder()->running());
    sing(440.0, 0.4);
    EXPECT_TRUE(eventually([&] { return std::abs(centsBetween(detector.currentPitch(), 440.0)) < 10.0; }))
        << detector.currentPitch();
}
