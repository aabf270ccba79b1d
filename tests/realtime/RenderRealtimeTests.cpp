// Every render path of the program, in its steady state, watched for what the audio and
// capture threads must never do: take or give back memory, or take a lock.
#include "../audiomidi/AudioMidiTestSupport.h"
#include "../audiomidi/OggVorbisWriter.h"
#include "RealtimeWatch.h"

#include "AudioInput.h"
#include "AudioInputQueue.h"
#include "FluidSynthEngine.h"
#include "HandFedMicrophone.h"
#include "QVInstrument.h"
#include "QVOggPlayer.h"
#include "QVPCMFilePlayer.h"
#include "SilenceAudioUnit.h"
#include "ZTSamplePlayer.h"
#include "ZTAudioUnit.h"
#include "ZTTuner.h"
#include "ZTWaveFilePlayer.h"

#include <QtEndian>

#include <cmath>
#include <atomic>
#include <mutex>
#include <thread>
#include <numbers>

namespace {

constexpr std::size_t kBlock = 256;
constexpr int kWatchedBlocks = 32;
const RealtimeWatch::Counts kNothing{};

std::vector<float> sine(double frequency, double rate, std::size_t frames, float amplitude = 0.5f)
{
    std::vector<float> samples(frames);
    for (std::size_t i = 0; i < frames; ++i)
        samples[i] = amplitude * float(std::sin(2 * std::numbers::pi * frequency * double(i) / rate));
    return samples;
}

QByteArray waveFile16(const std::vector<float>& mono, quint32 rate)
{
    QByteArray data(qsizetype(mono.size() * 2), '\0');
    for (std::size_t i = 0; i < mono.size(); ++i)
        qToLittleEndian(qint16(std::lround(mono[i] * 32767.0f)), data.data() + 2 * i);
    QByteArray file("RIFF....WAVEfmt ");
    auto append32 = [&file](quint32 value) { file.append(reinterpret_cast<const char*>(&value), 4); };
    auto append16 = [&file](quint16 value) { file.append(reinterpret_cast<const char*>(&value), 2); };
    append32(16);
    append16(1); // PCM
    append16(1);
    append32(rate);
    append32(rate * 2);
    append16(2);
    append16(16);
    file.append("data");
    append32(quint32(data.size()));
    file.append(data);
    qToLittleEndian(quint32(file.size() - 8), file.data() + 4);
    return file;
}

class RenderRealtimeTest : public AudioMidiTest {
protected:
    void SetUp() override
    {
        AudioMidiTest::SetUp();
        if (!RealtimeWatch::available())
            GTEST_SKIP() << "the allocator is not ours to watch under a sanitizer";
    }

    // One warm-up block, then what the watched blocks did.
    template <typename RenderBlock>
    static RealtimeWatch::Counts steadyState(RenderBlock&& renderBlock, int blocks = kWatchedBlocks)
    {
        renderBlock();
        RealtimeWatch::Counts total;
        for (int i = 0; i < blocks; ++i)
            total += RealtimeWatch::during(renderBlock);
        return total;
    }

    // The output's mix, pulled as a device would pull it.
    RealtimeWatch::Counts steadyOutput(int blocks = kWatchedBlocks)
    {
        return steadyState([this] { AudioOutput::sharedOutput()->renderOffline(block.data(), kBlock); }, blocks);
    }

    // What the null device asks between its blocks.
    static RealtimeWatch::Counts soundingCheck()
    {
        return RealtimeWatch::during([] { AudioOutput::sharedOutput()->isSounding(); });
    }

    std::vector<float> block = std::vector<float>(kBlock * 2);
};

// A device that exchanges blocks only when the test calls its client, on the test's thread.
class CallerDrivenDevice final : public AudioDevice {
public:
    // Devices of this kind; *made is the last one made.
    static AudioDeviceFactory factory(CallerDrivenDevice** made)
    {
        return [made] {
            auto device = std::make_unique<CallerDrivenDevice>();
            *made = device.get();
            return device;
        };
    }

    std::optional<Stream> open(Client* client, unsigned sampleRate, unsigned bufferFrames, QString*) override
    {
        client_ = client;
        return Stream{sampleRate ? sampleRate : 48000, bufferFrames, QStringLiteral("Test"), QStringLiteral("Caller")};
    }
    bool pause() override
    {
        paused_ = true;
        return true;
    }
    bool resume(QString*) override
    {
        paused_ = false;
        return true;
    }
    void close() override { client_ = nullptr; }
    QString failureReason() const override { return QStringLiteral("failed on purpose"); }
    Client* client() const { return client_; }

    bool isPaused() const { return paused_; }

private:
    Client* client_ = nullptr;
    std::atomic<bool> paused_{false};
};

TEST_F(RenderRealtimeTest, TheWatchSeesAllocationsReleasesAndLocksOfThisThreadOnly)
{
    std::mutex mutex;
    const auto seen = RealtimeWatch::during([&] {
        auto* numbers = new std::vector<int>(100);
        delete numbers;
        std::lock_guard lock(mutex);
    });
    EXPECT_GE(seen.allocations, 1);
    EXPECT_GE(seen.releases, 1);
    EXPECT_EQ(seen.locks, 1);

    // Another thread's allocations and locks are its own.
    std::atomic<int> step{0};
    std::thread other([&] {
        while (step.load() != 1) {
        }
        delete new std::vector<int>(100);
        std::lock_guard lock(mutex);
        step = 2;
    });
    RealtimeWatch::begin();
    step = 1;
    while (step.load() != 2) {
    }
    EXPECT_EQ(RealtimeWatch::end(), kNothing);
    other.join();
}

TEST_F(RenderRealtimeTest, FileSoundsMixWithoutAllocatingOrLocking)
{
    QVPCMFilePlayer pcm;
    const auto raw = sine(440, 22050, 22050);
    std::vector<qint16> samples(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i)
        samples[i] = qint16(raw[i] * 32767);
    ASSERT_TRUE(pcm.playFileWithPath(environment.writeFile("tone.raw", {}), 1, 22050, 16));
    ASSERT_TRUE(pcm.playbuffer(samples.data(), qint64(samples.size())));

    QVOggPlayer ogg;
    ASSERT_TRUE(ogg.playOggFileWithPath(environment.writeFile("tone.ogg", oggVorbisFile({sine(660, 44100, 44100)}, 44100))));

    ZTWaveFilePlayer wave;
    wave.playSoundFile(environment.writeFile("right.wav", waveFile16(sine(880, 48000, 48000), 48000)), 0.8f);
    ASSERT_EQ(wave.activeSoundCount(), 1u);

    EXPECT_EQ(steadyOutput(), kNothing);
    EXPECT_EQ(soundingCheck(), kNothing);
    // A sound that ends within a block, and the blocks after it, stay as quiet.
    EXPECT_EQ(steadyOutput(int(44100 / kBlock) + 8), kNothing);
    EXPECT_EQ(soundingCheck(), kNothing);
}

TEST_F(RenderRealtimeTest, TheSampleSynthesizerTakesNotesAndClicksWithoutAllocatingOrLocking)
{
    auto player = std::make_shared<ZTSamplePlayer>();
    player->init();
    player->programChange(0);
    for (int note : {60, 64, 67, QVInstrument::kSticksSlot})
        player->noteOn(note, 100);
    EXPECT_EQ(steadyOutput(), kNothing);

    // Notes handed over between blocks are taken up inside the next one.
    RealtimeWatch::Counts total;
    for (int note = 40; note < 90; ++note) {
        player->noteOn(note, 90);
        player->noteOff(note - 2);
        if (note % 7 == 0)
            player->noteOn(QVInstrument::kClapSlot, 127);
        total += RealtimeWatch::during([&] { AudioOutput::sharedOutput()->renderOffline(block.data(), kBlock); });
    }
    player->allNotesOff();
    total += steadyOutput(4);
    total += soundingCheck();
    EXPECT_EQ(total, kNothing);
}

TEST_F(RenderRealtimeTest, TheGeneralMidiSynthesizerRendersWithoutAllocatingOrLocking)
{
    QString error;
    auto synth = FluidSynthEngine::create(44100, &error);
    if (!synth)
        GTEST_SKIP() << error.toStdString();
    ASSERT_TRUE(synth->selectPreset(0, 0, 0));
    // Events from the control side take the synthesizer's own lock, which the render side
    // never takes.
    const auto noteOn = RealtimeWatch::during([&] { ASSERT_TRUE(synth->noteOn(0, 60, 100)); });
    EXPECT_GE(noteOn.locks, 1);
    ASSERT_TRUE(synth->noteOn(0, 64, 100));
    const auto render = [&] { synth->render(block.data(), kBlock); };
    EXPECT_EQ(steadyState(render), kNothing);

    // Notes started and stopped between blocks.
    RealtimeWatch::Counts total;
    for (int note = 50; note < 70; ++note) {
        synth->noteOn(0, note, 80);
        synth->noteOff(0, note - 1);
        total += RealtimeWatch::during(render);
    }
    total += RealtimeWatch::during([&] { synth->isSounding(); });
    EXPECT_EQ(total, kNothing);
}

TEST_F(RenderRealtimeTest, TheOutputFeedsRestsAndLosesItsDeviceAndWakesItsNullDeviceWithoutAllocatingOrLocking)
{
    CallerDrivenDevice* device = nullptr;
    // The device stays lost: tried again, it would open at once and end the null device.
    const auto never = std::chrono::hours(1);
    AudioOutput output(CallerDrivenDevice::factory(&device), {never, never, never});
    QString error;
    auto synth = FluidSynthEngine::create(output.sampleRate(), &error);
    if (!synth)
        GTEST_SKIP() << error.toStdString();
    ASSERT_TRUE(output.addSource(synth.get()));
    ASSERT_TRUE(synth->selectPreset(0, 0, 0));
    ASSERT_TRUE(synth->noteOn(0, 60, 100));
    AudioDevice::Client* client = device->client();
    const auto pull = [&] { ASSERT_TRUE(client->processBlock(block.data(), nullptr, kBlock)); };
    RealtimeWatch::Counts total = steadyState(pull);
    // The note's end, the quiet after it, and the block that tells the keeper to rest.
    synth->noteOff(0, 60);
    const auto quietBlocks = int(std::ceil(AudioOutput::kQuietSecondsBeforeRest * output.sampleRate() / kBlock));
    for (int i = 0; i < 10 * quietBlocks && !device->isPaused(); ++i)
        total += RealtimeWatch::during(pull);
    ASSERT_TRUE(eventually([&] { return device->isPaused(); }));
    // The next note resumes the device.
    ASSERT_TRUE(synth->noteOn(0, 64, 100));
    ASSERT_TRUE(eventually([&] { return !device->isPaused(); }));
    total += steadyState(pull, 4);
    // A failed write and the refused block after it.
    total += RealtimeWatch::during([&] {
        client->deviceFailed();
        EXPECT_FALSE(client->processBlock(block.data(), nullptr, kBlock));
    });
    EXPECT_EQ(total, kNothing);
    ASSERT_TRUE(eventually([&] { return output.mode() == AudioOutput::Mode::NullRealTime; }));
    // Sound about to start, from whichever thread hands over a note.
    EXPECT_EQ(RealtimeWatch::during([&] { output.wake(); }), kNothing);
    output.removeSource(synth.get());
}

TEST_F(RenderRealtimeTest, TheTunerChainListensWithoutAllocatingOrLocking)
{
    HandFedMicrophone::use(44100);
    {
        ZTTuner tuner(0.1, 0.25);
        ASSERT_TRUE(tuner.start());
        const auto voice = sine(220, 44100, 44100);
        std::size_t at = 0;
        const auto capture = [&] {
            HandFedMicrophone::deliver(voice.data() + at, 512);
            at = (at + 512) % (voice.size() - 512);
        };
        EXPECT_EQ(steadyState(capture), kNothing);
        // Blocks longer than a unit renders at once are cut up on the way.
        EXPECT_EQ(RealtimeWatch::during([&] { HandFedMicrophone::deliver(voice.data(), 4000); }), kNothing);
        // A gain change reaches the booster's kernel as a ramp between blocks.
        AUParameter* gain = tuner.booster()->parameterTree()->parameterWithAddress(BoosterDSPKernel::kGainAddress);
        ASSERT_TRUE(gain);
        gain->setValue(0.5f);
        EXPECT_EQ(steadyState(capture, 4), kNothing);
    }
    HandFedMicrophone::use(0);
}

TEST_F(RenderRealtimeTest, TheMicrophoneHearsAndLosesItsDeviceWithoutAllocatingOrLocking)
{
    CallerDrivenDevice* device = nullptr;
    AudioInput input(CallerDrivenDevice::factory(&device));
    ZTTuner tuner(0.1, 0.25, &input);
    ASSERT_TRUE(tuner.start());
    AudioDevice::Client* client = device->client();
    const auto voice = sine(220, 48000, 512);
    RealtimeWatch::Counts total = steadyState([&] { ASSERT_TRUE(client->processBlock(nullptr, voice.data(), 512)); });
    // A failed read, the failure and the refused block after it.
    total += RealtimeWatch::during([&] {
        EXPECT_TRUE(client->processBlock(nullptr, nullptr, 512));
        client->deviceFailed();
        EXPECT_FALSE(client->processBlock(nullptr, voice.data(), 512));
    });
    EXPECT_EQ(total, kNothing);
    ASSERT_TRUE(eventually([&] { return !input.isRunning(); }));
}

TEST_F(RenderRealtimeTest, TheRecordQueueCapturesWithoutAllocatingOrLocking)
{
    HandFedMicrophone::use(48000);
    {
        AudioInputQueue queue(44100, 1024, 3, [](const std::int16_t*, std::size_t) { return true; });
        ASSERT_TRUE(queue.start());
        const auto voice = sine(330, 48000, 4096);
        EXPECT_EQ(steadyState([&] { HandFedMicrophone::deliver(voice.data(), voice.size()); }), kNothing);
    }
    HandFedMicrophone::use(0);
}

} // namespace
