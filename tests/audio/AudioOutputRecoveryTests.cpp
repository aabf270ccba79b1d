// The output on a sound server that is missing, goes away and comes back.
#include "FakeSoundServer.h"

#include "NotificationCenter.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>

namespace {

using namespace std::chrono_literals;

// A constant level on both channels while it sounds; it counts the blocks it renders.
class SwitchableSource : public AudioRenderSource {
public:
    explicit SwitchableSource(float level) : level_(level) {}

    void render(float* out, std::size_t frames) override
    {
        ++renders;
        if (sounding)
            std::fill(out, out + frames * 2, level_);
    }
    bool isSounding() const noexcept override { return sounding; }

    void startSounding()
    {
        sounding = true;
        soundStarts();
    }

    std::atomic<bool> sounding{false};
    std::atomic<int> renders{0};

private:
    float level_;
};

// The unavailable notices one output posts.
class UnavailableNotices {
public:
    explicit UnavailableNotices(const AudioOutput& output)
        : observer_(NotificationCenter::defaultCenter().addObserver(
              AudioOutput::kUnavailableNotification,
              [this](const Notification& n) {
                  std::lock_guard lock(mutex_);
                  lost_ << n.userInfo.value(QStringLiteral("lost")).toBool();
              },
              NotificationCenter::Delivery::PostingThread, &output))
    {
    }
    // One entry per notice: whether sound had played before.
    QList<bool> lost() const
    {
        std::lock_guard lock(mutex_);
        return lost_;
    }

private:
    mutable std::mutex mutex_;
    QList<bool> lost_;
    NotificationObserver observer_;
};

int linesContaining(const LogCapture& log, const QString& fragment)
{
    int count = 0;
    for (const QString& line : log.lines())
        count += line.contains(fragment) ? 1 : 0;
    return count;
}

AudioOutput::RetryPolicy retries(std::chrono::milliseconds whileIdle, std::chrono::milliseconds soundSpacing)
{
    return {whileIdle, whileIdle, soundSpacing};
}

} // namespace

TEST(AudioOutputRecovery, ALostServerIsNoticedOnceWithoutSpinningAndSoundReturnsWhenSomethingIsToSound)
{
    auto server = std::make_shared<FakeSoundServer>();
    server->start();
    LogCapture log;
    // No retries while idle: only a sound brings the device back.
    AudioOutput output(server->deviceFactory(), retries(1h, 0ms));
    UnavailableNotices notices(output);
    SwitchableSource source(0.5f);
    ASSERT_TRUE(output.addSource(&source));
    ASSERT_EQ(output.mode(), AudioOutput::Mode::Device);
    // Where the sound goes, for a user's report.
    EXPECT_TRUE(log.contains(QStringLiteral("Audio output: Fake device \"Test Speakers\", 48000 Hz, 256 frames per buffer.")));
    source.startSounding();
    ASSERT_TRUE(server->pull(2));
    EXPECT_FLOAT_EQ(server->lastBlock().front(), 0.5f);

    server->stop();
    ASSERT_TRUE(eventually([&] { return !notices.lost().isEmpty(); }));
    EXPECT_EQ(output.mode(), AudioOutput::Mode::NullRealTime);
    // The failing stream is stopped at its next block instead of calling back for ever.
    EXPECT_LE(server->pullsAfterFailure(), 2);
    EXPECT_EQ(linesContaining(log, QStringLiteral("Audio output lost (the server went away)")), 1);
    EXPECT_EQ(notices.lost(), QList<bool>{true});
    // The sounding source goes on in real time on the null device.
    const int rendered = source.renders;
    ASSERT_TRUE(eventually([&] { return source.renders > rendered; }));

    server->start();
    source.startSounding();
    ASSERT_TRUE(eventually([&] { return output.mode() == AudioOutput::Mode::Device; }));
    EXPECT_EQ(server->opens(), 2);
    EXPECT_EQ(output.sampleRate(), 48000u);
    ASSERT_TRUE(server->pull(1));
    EXPECT_FLOAT_EQ(server->lastBlock().front(), 0.5f);
    EXPECT_EQ(linesContaining(log, QStringLiteral("Audio output: Fake device")), 2);

    // A second loss is a second notice; the application decides whom to tell.
    server->stop();
    ASSERT_TRUE(eventually([&] { return notices.lost().size() == 2; }));
    EXPECT_EQ(notices.lost(), (QList<bool>{true, true}));
    output.removeSource(&source);
}

TEST(AudioOutputRecovery, AServerMissingAtStartIsTriedWhileIdleAndOpensAtTheRateTheOutputHasOnceItIsThere)
{
    auto server = std::make_shared<FakeSoundServer>();
    LogCapture log;
    AudioOutput output(server->deviceFactory(), retries(1ms, 1h));
    UnavailableNotices notices(output);
    output.open();
    EXPECT_EQ(output.mode(), AudioOutput::Mode::NullRealTime);
    EXPECT_EQ(output.sampleRate(), AudioOutput::kDefaultSampleRate);
    EXPECT_EQ(notices.lost(), QList<bool>{false});

    ASSERT_TRUE(eventually([&] { return server->refusedOpens() >= 3; }));
    server->start();
    ASSERT_TRUE(eventually([&] { return output.mode() == AudioOutput::Mode::Device; }));
    // Sources were made for the null device's rate: the server plays at it, not its own.
    EXPECT_EQ(output.sampleRate(), AudioOutput::kDefaultSampleRate);
    // The tries that failed said nothing more.
    EXPECT_EQ(linesContaining(log, QStringLiteral("could not be opened (connection refused)")), 1);
    EXPECT_EQ(notices.lost().size(), 1);
}

TEST(AudioOutputRecovery, TheNullDeviceRestsWhileNothingSoundsAndRendersAtOnceWhenASourceStarts)
{
    auto missing = std::make_shared<FakeSoundServer>();
    AudioOutput output(missing->deviceFactory(), retries(1h, 1h));
    SwitchableSource source(0.25f);
    ASSERT_TRUE(output.addSource(&source));
    // A source added is looked at once (a sound file sounds as it is added), then the null
    // device rests.
    ASSERT_TRUE(eventually([&] { return source.renders == 1 && output.isResting(); }));
    const int atRest = source.renders;

    // Another null output renders a sounding source meanwhile: a clock that ticks at the
    // pace of real time without the test sleeping.
    AudioOutput clock(missing->deviceFactory(), retries(1h, 1h));
    SwitchableSource ticking(0.1f);
    ticking.sounding = true;
    ASSERT_TRUE(clock.addSource(&ticking));
    ASSERT_TRUE(eventually([&] { return ticking.renders >= 20; }));
    EXPECT_EQ(source.renders, atRest);
    EXPECT_TRUE(output.isResting());
    clock.removeSource(&ticking);

    source.startSounding();
    ASSERT_TRUE(eventually([&] { return source.renders > atRest + 3; }));
    EXPECT_FALSE(output.isResting());
    source.sounding = false;
    ASSERT_TRUE(eventually([&] { return output.isResting(); }));
    output.removeSource(&source);
}
