// The microphone on a sound server that is missing, goes away and comes back.
#include "FakeSoundServer.h"

#include "AudioInput.h"
#include "PostedNotices.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

// Counts the blocks it hears and keeps the last sample.
class CountingSink : public AudioCaptureSink {
public:
    void capture(const float* samples, std::size_t frames, unsigned) override
    {
        if (frames > 0)
            lastSample = samples[frames - 1];
        ++blocks;
    }
    std::atomic<int> blocks{0};
    std::atomic<float> lastSample{0.0f};
};

} // namespace

TEST(AudioInputRecovery, AMissingDeviceIsLoggedOnceAndOpensAtTheFirstStartOnceItIsThere)
{
    auto server = std::make_shared<FakeSoundServer>();
    LogCapture log;
    AudioInput input(server->deviceFactory(AudioDevice::Direction::Input));
    CountingSink sink;
    EXPECT_FALSE(input.start(&sink));
    EXPECT_FALSE(input.start(&sink)) << "the next question tries again";
    EXPECT_FALSE(input.isListening(&sink));
    EXPECT_EQ(server->refusedOpens(), 2);
    EXPECT_EQ(log.count(QStringLiteral("Audio input could not be opened (connection refused).")), 1);

    server->start();
    ASSERT_TRUE(input.start(&sink));
    EXPECT_TRUE(input.isListening(&sink));
    EXPECT_EQ(input.sampleRate(), FakeSoundServer::kOwnRate);
    // Where the microphone listens, for a user's report.
    EXPECT_TRUE(log.contains(QStringLiteral("Audio input: Fake device \"Test Microphone\", 48000 Hz, 512 frames per buffer.")));
    server->setInputLevel(0.25f);
    ASSERT_TRUE(server->pull(1));
    EXPECT_EQ(sink.blocks, 1);
    EXPECT_FLOAT_EQ(sink.lastSample, 0.25f);
    input.stop(&sink);
}

TEST(AudioInputRecovery, ADeviceLostWhileListeningStopsAtOnceIsLoggedOnceAndTheNextStartOpensItAgain)
{
    auto server = std::make_shared<FakeSoundServer>();
    server->start();
    LogCapture log;
    AudioInput input(server->deviceFactory(AudioDevice::Direction::Input));
    PostedNotices notices(AudioInput::kLostNotification, &input);
    CountingSink sink;
    ASSERT_TRUE(input.start(&sink));
    server->setInputLevel(0.5f);
    ASSERT_TRUE(server->pull(2));
    EXPECT_EQ(sink.blocks, 2);

    server->stop();
    ASSERT_TRUE(eventually([&] { return notices.count() == 1; }));
    // The device is closed before the notice: the failing stream called back once with nothing
    // heard, and at most once more to be refused, instead of calling back for ever.
    EXPECT_GE(server->pullsAfterFailure(), 1);
    EXPECT_LE(server->pullsAfterFailure(), 2);
    EXPECT_EQ(sink.blocks, 2) << "a failed read hands the sink nothing";
    EXPECT_FALSE(input.isRunning());
    EXPECT_FALSE(input.isListening(&sink));
    EXPECT_EQ(log.count(QStringLiteral("Audio input lost (the server went away)")), 1);
    EXPECT_EQ(notices.values(QStringLiteral("reason")), QVariantList{QStringLiteral("the server went away")});

    // Turned on while the server is still gone: said once more, then no more.
    EXPECT_FALSE(input.start(&sink));
    EXPECT_FALSE(input.start(&sink));
    EXPECT_EQ(log.count(QStringLiteral("Audio input could not be opened (connection refused).")), 1);

    // Turned on once the server is back, the microphone hears again.
    server->start();
    ASSERT_TRUE(input.start(&sink));
    EXPECT_EQ(server->opens(), 2);
    server->setInputLevel(-0.5f);
    ASSERT_TRUE(server->pull(1));
    EXPECT_EQ(sink.blocks, 3);
    EXPECT_FLOAT_EQ(sink.lastSample, -0.5f);
    EXPECT_EQ(notices.count(), 1);
    input.stop(&sink);
    EXPECT_FALSE(input.isRunning());
}
