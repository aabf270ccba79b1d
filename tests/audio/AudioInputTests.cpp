// The microphone through its fake device, and the record queue on top of it.
#include "AudioInput.h"
#include "AudioInputQueue.h"
#include "HandFedMicrophone.h"
#include "Signals.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace {

class CollectingSink : public AudioCaptureSink {
public:
    void capture(const float* samples, std::size_t frames, unsigned sampleRate) override
    {
        received.insert(received.end(), samples, samples + frames);
        rate = sampleRate;
    }
    std::vector<float> received;
    unsigned rate = 0;
};

class AudioInputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        input = AudioInput::sharedInput();
        HandFedMicrophone::use(48000);
    }
    void TearDown() override { HandFedMicrophone::use(0); }

    AudioInput* input = nullptr;
};

} // namespace

TEST_F(AudioInputTest, SinksHearTheDeviceUntilTheyStopAndTheLastOneClosesIt)
{
    CollectingSink first, second;
    const float block[3] = {0.1f, -0.2f, 0.3f};
    EXPECT_FALSE(HandFedMicrophone::deliver(block, 3)) << "nothing is open yet";
    EXPECT_FALSE(input->isRunning());
    EXPECT_EQ(input->sampleRate(), 0u);

    ASSERT_TRUE(input->start(&first));
    ASSERT_TRUE(input->start(&second));
    ASSERT_TRUE(input->start(&second)) << "a second start of one sink registers it once";
    EXPECT_TRUE(input->isRunning());
    EXPECT_EQ(input->sampleRate(), 48000u);
    ASSERT_TRUE(HandFedMicrophone::deliver(block, 3));
    EXPECT_EQ(first.received, std::vector<float>(block, block + 3));
    EXPECT_EQ(second.received, first.received);
    EXPECT_EQ(first.rate, 48000u);

    input->stop(&first);
    input->stop(&first); // not registered any more: harmless
    EXPECT_TRUE(input->isRunning());
    ASSERT_TRUE(HandFedMicrophone::deliver(block, 1));
    EXPECT_EQ(first.received.size(), 3u);
    EXPECT_EQ(second.received.size(), 4u);

    input->stop(&second);
    EXPECT_FALSE(input->isRunning());
    EXPECT_FALSE(HandFedMicrophone::deliver(block, 1));
}

TEST_F(AudioInputTest, WithoutADeviceStartFailsQuietlyAndWorksLater)
{
    HandFedMicrophone::use(0);
    CollectingSink sink;
    LogCapture log;
    EXPECT_FALSE(input->start(&sink));
    EXPECT_FALSE(input->isRunning());
    EXPECT_TRUE(log.contains("Audio input could not be opened (no audio input device)."));
    input->stop(&sink);

    HandFedMicrophone::use(44100); // the microphone is plugged in
    ASSERT_TRUE(input->start(&sink));
    EXPECT_EQ(input->sampleRate(), 44100u);
    input->stop(&sink);
}

TEST_F(AudioInputTest, QueueHandsFullSixteenBitBuffersToItsOwnThreadAtItsOwnRate)
{
    std::mutex mutex;
    std::vector<std::int16_t> received;
    std::vector<std::thread::id> threads;
    std::size_t buffers = 0;
    AudioInputQueue queue(44100, 400, 4, [&](const std::int16_t* samples, std::size_t frames) {
        std::lock_guard lock(mutex);
        received.insert(received.end(), samples, samples + frames);
        threads.push_back(std::this_thread::get_id());
        ++buffers;
        return true;
    });
    ASSERT_TRUE(queue.start());

    // Half a second at the device's 48 kHz in device-sized blocks: 22050 frames at 44.1 kHz.
    const std::vector<float> tone = sineWave(441.0, 48000, 24000, 0.5);
    for (std::size_t at = 0; at < tone.size(); at += 480) {
        ASSERT_TRUE(HandFedMicrophone::deliver(tone.data() + at, 480));
        // Four buffers hold 36 ms: the test waits for the queue thread so that none is dropped.
        const std::size_t full = (at + 480) * 44100 / 48000 / 400;
        ASSERT_TRUE(eventually([&] {
            std::lock_guard lock(mutex);
            return buffers == full;
        }));
    }
    queue.stop();
    queue.stop(); // harmless

    std::lock_guard lock(mutex);
    EXPECT_EQ(buffers, 55u) << "the 56th buffer is not full";
    EXPECT_NE(threads.front(), std::this_thread::get_id());
    // Output frame k lies at input frame k * 48000 / 44100 - 1; 441 Hz peaks at 16383.
    for (std::size_t k = 20000; k < 20100; ++k) {
        const double expected = 16383.5 * std::sin(2.0 * M_PI * 441.0 * (double(k) / 44100.0 - 1.0 / 48000.0));
        EXPECT_NEAR(received[k], expected, 20.0) << k;
    }
}

TEST_F(AudioInputTest, QueueDropsSamplesWhileEveryBufferWaits)
{
    std::atomic<int> calls{0};
    // Every buffer is kept by the callback, so after two the queue has none left to fill.
    AudioInputQueue queue(48000, 100, 2, [&](const std::int16_t*, std::size_t) {
        ++calls;
        return false;
    });
    ASSERT_TRUE(queue.start());
    const std::vector<float> block(1000, 0.25f);
    ASSERT_TRUE(HandFedMicrophone::deliver(block.data(), block.size()));
    ASSERT_TRUE(eventually([&] { return calls.load() == 2; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(calls.load(), 2);
    queue.stop();

    // A new start queues every buffer again.
    ASSERT_TRUE(queue.start());
    ASSERT_TRUE(HandFedMicrophone::deliver(block.data(), 150));
    EXPECT_TRUE(eventually([&] { return calls.load() == 3; }));
    queue.stop();
}

TEST_F(AudioInputTest, QueueThatCannotOpenTheMicrophoneStaysStopped)
{
    HandFedMicrophone::use(0);
    AudioInputQueue queue(44100, 100, 2, [](const std::int16_t*, std::size_t) { return true; });
    LogCapture log;
    EXPECT_FALSE(queue.start());
    EXPECT_FALSE(queue.isRunning());
    HandFedMicrophone::use(44100);
    EXPECT_TRUE(queue.start());
    EXPECT_TRUE(queue.isRunning());
    queue.stop();
    EXPECT_FALSE(queue.isRunning());
}

TEST_F(AudioInputTest, ASinkLearnsTheRateBeforeItsFirstBlock)
{
    class PreparingSink : public CollectingSink {
    public:
        void willStartCapture(unsigned sampleRate) override
        {
            preparedRate = sampleRate;
            blocksWhenPrepared = received.size();
        }
        unsigned preparedRate = 0;
        std::size_t blocksWhenPrepared = 99;
    } sink;
    ASSERT_TRUE(input->start(&sink));
    EXPECT_EQ(sink.preparedRate, 48000u);
    EXPECT_EQ(sink.blocksWhenPrepared, 0u);
    input->stop(&sink);

    HandFedMicrophone::use(0);
    sink.preparedRate = 0;
    EXPECT_FALSE(input->start(&sink));
    EXPECT_EQ(sink.preparedRate, 0u) << "not called when no device opens";
}
