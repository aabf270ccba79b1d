// The output on a sound server that is missing, goes away and comes back, and that rests
// while nothing sounds.
#include "FakeSoundServer.h"

#include "AudioOutput.h"
#include "PostedNotices.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <vector>

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
    AudioOutput output(server->deviceFactory(AudioDevice::Direction::Output), retries(1h, 0ms));
    PostedNotices notices(AudioOutput::kUnavailableNotification, &output);
    SwitchableSource source(0.5f);
    ASSERT_TRUE(output.addSource(&source));
    ASSERT_EQ(output.mode(), AudioOutput::Mode::Device);
    // Where the sound goes, for a user's report.
    EXPECT_TRUE(log.contains(QStringLiteral("Audio output: Fake device \"Test Speakers\", 48000 Hz, 256 frames per buffer.")));
    source.startSounding();
    ASSERT_TRUE(server->pull(2));
    EXPECT_FLOAT_EQ(server->lastBlock().front(), 0.5f);

    server->stop();
    ASSERT_TRUE(eventually([&] { return notices.count() > 0; }));
    EXPECT_EQ(output.mode(), AudioOutput::Mode::NullRealTime);
    // The failing stream is stopped at its next block instead of calling back for ever.
    EXPECT_LE(server->pullsAfterFailure(), 2);
    EXPECT_EQ(log.count(QStringLiteral("Audio output lost (the server went away)")), 1);
    EXPECT_EQ(notices.values(QStringLiteral("lost")), QVariantList{true});
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
    EXPECT_EQ(log.count(QStringLiteral("Audio output: Fake device")), 2);

    // A second loss is a second notice; the application decides whom to tell.
    server->stop();
    ASSERT_TRUE(eventually([&] { return notices.count() == 2; }));
    EXPECT_EQ(notices.values(QStringLiteral("lost")), (QVariantList{true, true}));
    output.removeSource(&source);
}

TEST(AudioOutputRecovery, AServerMissingAtStartIsTriedWhileIdleAndOpensAtTheRateTheOutputHasOnceItIsThere)
{
    auto server = std::make_shared<FakeSoundServer>();
    LogCapture log;
    AudioOutput output(server->deviceFactory(AudioDevice::Direction::Output), retries(1ms, 1h));
    PostedNotices notices(AudioOutput::kUnavailableNotification, &output);
    output.open();
    EXPECT_EQ(output.mode(), AudioOutput::Mode::NullRealTime);
    EXPECT_EQ(output.sampleRate(), AudioOutput::kDefaultSampleRate);
    EXPECT_EQ(notices.values(QStringLiteral("lost")), QVariantList{false});

    ASSERT_TRUE(eventually([&] { return server->refusedOpens() >= 3; }));
    server->start();
    ASSERT_TRUE(eventually([&] { return output.mode() == AudioOutput::Mode::Device; }));
    // Sources were made for the null device's rate: the server plays at it, not its own.
    EXPECT_EQ(output.sampleRate(), AudioOutput::kDefaultSampleRate);
    // The tries that failed said nothing more.
    EXPECT_EQ(log.count(QStringLiteral("could not be opened (connection refused)")), 1);
    EXPECT_EQ(notices.count(), 1);
}

TEST(AudioOutputRecovery, TheNullDeviceRestsWhileNothingSoundsAndRendersAtOnceWhenASourceStarts)
{
    auto missing = std::make_shared<FakeSoundServer>();
    AudioOutput output(missing->deviceFactory(AudioDevice::Direction::Output), retries(1h, 1h));
    SwitchableSource source(0.25f);
    ASSERT_TRUE(output.addSource(&source));
    // A source added is looked at once (a sound file sounds as it is added), then the null
    // device rests.
    ASSERT_TRUE(eventually([&] { return source.renders == 1 && output.isResting(); }));
    const int atRest = source.renders;

    // Another null output renders a sounding source meanwhile: a clock that ticks at the
    // pace of real time without the test sleeping.
    AudioOutput clock(missing->deviceFactory(AudioDevice::Direction::Output), retries(1h, 1h));
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

namespace {

// Blocks of the fake server's device that make the quiet before a rest.
int blocksOfQuietBeforeRest()
{
    return int(std::ceil(AudioOutput::kQuietSecondsBeforeRest * FakeSoundServer::kOwnRate /
                         AudioOutput::kPreferredBufferFrames));
}

} // namespace

TEST(AudioOutputRecovery, ADeviceRestsOnceNothingHasSoundedForAWhileAndTheNextNoteSoundsFromItsFirstBlock)
{
    auto server = std::make_shared<FakeSoundServer>();
    server->start();
    AudioOutput output(server->deviceFactory(AudioDevice::Direction::Output), retries(1h, 0ms));
    PostedNotices notices(AudioOutput::kUnavailableNotification, &output);
    SwitchableSource source(0.5f);
    ASSERT_TRUE(output.addSource(&source));
    source.startSounding();
    ASSERT_TRUE(server->pull(3));
    source.sounding = false;

    // A short quiet (between the notes of a question, a note's fading end) keeps it playing.
    ASSERT_TRUE(server->pull(blocksOfQuietBeforeRest() - 1));
    EXPECT_FALSE(output.isResting());
    EXPECT_EQ(server->pauses(), 0);
    // Then it stops pulling blocks, and the stream stays open for the next note.
    ASSERT_TRUE(server->pull(1));
    ASSERT_TRUE(eventually([&] { return output.isResting(); }));
    EXPECT_EQ(server->pauses(), 1);
    EXPECT_FALSE(server->pull(1));
    EXPECT_EQ(output.mode(), AudioOutput::Mode::Device);

    // A note resumes it before its first block: the block carries the note from its start.
    const int rendered = source.renders;
    source.startSounding();
    // The output counts as resting until the device has resumed.
    ASSERT_TRUE(eventually([&] { return server->isStreaming() && !output.isResting(); }));
    EXPECT_EQ(source.renders, rendered) << "nothing rendered before the device asked";
    ASSERT_TRUE(server->pull(1));
    EXPECT_FLOAT_EQ(server->lastBlock().front(), 0.5f);
    EXPECT_EQ(server->resumes(), 1);
    EXPECT_EQ(server->opens(), 1);

    // It rests again after the next quiet, and a note handed over in the quiet's last
    // moments (the block that takes it counts as sounding) begins the quiet anew.
    source.sounding = false;
    ASSERT_TRUE(server->pull(blocksOfQuietBeforeRest() - 1));
    source.startSounding();
    source.sounding = false;
    ASSERT_TRUE(server->pull(blocksOfQuietBeforeRest()));
    EXPECT_EQ(server->pauses(), 1);
    ASSERT_TRUE(server->pull(1));
    ASSERT_TRUE(eventually([&] { return output.isResting(); }));
    EXPECT_EQ(notices.count(), 0);
    output.removeSource(&source);
}

namespace {

// A note taken by the first block that renders after it was handed over, rising by one step
// a frame from its first: the level a block begins at tells how much of the note came
// before it.
class RisingNote : public AudioRenderSource {
public:
    static constexpr float kStep = 1e-5f;

    void handOver()
    {
        handedOver_ = true;
        soundStarts();
    }
    void render(float* out, std::size_t frames) override
    {
        if (handedOver_.exchange(false))
            playing_ = true;
        for (std::size_t i = 0; playing_ && i < frames; ++i)
            out[2 * i] = out[2 * i + 1] = float(++played_) * kStep;
    }
    bool isSounding() const noexcept override { return playing_ || handedOver_; }

private:
    std::atomic<bool> handedOver_{false};
    std::atomic<bool> playing_{false}; // render thread
    int played_ = 0;                   // render thread
};

} // namespace

TEST(AudioOutputRecovery, ANoteHandedOverWhileTheDevicePausesIsHeardFromItsFirstFrameWhenItResumes)
{
    auto server = std::make_shared<FakeSoundServer>();
    server->start();
    AudioOutput output(server->deviceFactory(AudioDevice::Direction::Output), retries(1h, 0ms));
    RisingNote note;
    ASSERT_TRUE(output.addSource(&note));
    server->holdNextPause();
    ASSERT_TRUE(server->pull(1 + blocksOfQuietBeforeRest()));
    ASSERT_TRUE(eventually([&] { return server->isPauseHeld(); }));

    // The pause is under way: the note comes, and the device renders a block before it
    // sees that it pauses, which is never heard.
    note.handOver();
    const int thrownAway = server->thrownAway();
    ASSERT_TRUE(server->pull(1));
    EXPECT_EQ(server->thrownAway(), thrownAway + 1);
    server->letPauseGo();
    ASSERT_TRUE(eventually([&] { return server->resumes() == 1 && server->isStreaming(); }));
    ASSERT_TRUE(server->pull(1));
    EXPECT_EQ(server->pauses(), 1);
    const std::vector<float> heard = server->lastBlock();
    EXPECT_FLOAT_EQ(heard.front(), RisingNote::kStep) << "the block heard first begins with the note's first frame";
    EXPECT_FLOAT_EQ(heard.back(), RisingNote::kStep * float(heard.size() / 2));
    output.removeSource(&note);
}

TEST(AudioOutputRecovery, ADeviceThatCannotPausePlaysOnThroughTheQuiet)
{
    auto server = std::make_shared<FakeSoundServer>();
    server->start();
    server->setPausable(false);
    AudioOutput output(server->deviceFactory(AudioDevice::Direction::Output), retries(1h, 0ms));
    SwitchableSource source(0.5f);
    ASSERT_TRUE(output.addSource(&source));
    ASSERT_TRUE(server->pull(1 + blocksOfQuietBeforeRest()));
    // Once the keeper has asked in vain, blocks are still pulled and mixed.
    ASSERT_TRUE(eventually([&] { return server->refusedPauses() == 1; }));
    source.startSounding();
    ASSERT_TRUE(eventually([&] { return server->pull(1) && server->lastBlock().front() == 0.5f; }));
    // Known to play on, it is not made silent for the next rest: a note that comes while the
    // keeper asks again is in the next block.
    source.sounding = false;
    server->holdNextPause();
    ASSERT_TRUE(server->pull(blocksOfQuietBeforeRest()));
    ASSERT_TRUE(eventually([&] { return server->isPauseHeld(); }));
    source.startSounding();
    ASSERT_TRUE(server->pull(1));
    EXPECT_FLOAT_EQ(server->lastBlock().front(), 0.5f);
    server->letPauseGo();
    ASSERT_TRUE(eventually([&] { return server->refusedPauses() == 2; }));
    EXPECT_FALSE(output.isResting());
    output.removeSource(&source);
}

TEST(AudioOutputRecovery, AServerGoneDuringARestIsLostAtTheNextNoteWhichTheNullDevicePlays)
{
    auto server = std::make_shared<FakeSoundServer>();
    server->start();
    LogCapture log;
    AudioOutput output(server->deviceFactory(AudioDevice::Direction::Output), retries(1h, 1h));
    PostedNotices notices(AudioOutput::kUnavailableNotification, &output);
    SwitchableSource source(0.5f);
    // Added, the source is looked at in the first block; the quiet begins after it.
    ASSERT_TRUE(output.addSource(&source));
    ASSERT_TRUE(server->pull(1 + blocksOfQuietBeforeRest()));
    ASSERT_TRUE(eventually([&] { return output.isResting(); }));

    server->stop();
    const int rendered = source.renders;
    source.startSounding();
    ASSERT_TRUE(eventually([&] { return notices.count() == 1; }));
    EXPECT_EQ(notices.values(QStringLiteral("lost")), QVariantList{true});
    EXPECT_EQ(output.mode(), AudioOutput::Mode::NullRealTime);
    EXPECT_EQ(log.count(QStringLiteral("Audio output lost (connection refused)")), 1);
    ASSERT_TRUE(eventually([&] { return source.renders > rendered; }));
    output.removeSource(&source);
}

TEST(AudioOutputRecovery, TriesForAMissingDeviceWaitTwiceAsLongEachTimeUpToFiveSeconds)
{
    using Clock = AudioOutputRetrySchedule::Clock;
    AudioOutputRetrySchedule schedule{AudioOutputRetryPolicy{}};
    Clock::time_point now{};
    schedule.restart(now);
    std::vector<Clock::duration> waits;
    for (int i = 0; i < 6; ++i) {
        EXPECT_FALSE(schedule.isDue(schedule.nextTry() - 1ms, false));
        EXPECT_TRUE(schedule.isDue(schedule.nextTry(), false));
        waits.push_back(schedule.nextTry() - now);
        now = schedule.nextTry();
        schedule.failed(now);
    }
    EXPECT_EQ(waits, (std::vector<Clock::duration>{1s, 2s, 4s, 5s, 5s, 5s}));

    // Something to sound tries at once, but not twice within a quarter of a second.
    EXPECT_FALSE(schedule.isDue(now + 249ms, true));
    EXPECT_TRUE(schedule.isDue(now + 250ms, true));
    EXPECT_FALSE(schedule.isDue(now + 250ms, false));
}
