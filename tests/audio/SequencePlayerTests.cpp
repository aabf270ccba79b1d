#include "MusicEvents.h"
#include "SequencePlayer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace {

struct Event {
    double seconds;
    bool on;
    int channel;
    int note;
    int velocity;
};

// A channel message as "beat-less" text: "program 1 40", "controller 1 121 0", "bend 1 10240".
std::string describe(const MusicChannelEvent& e)
{
    switch (e.kind) {
    case MusicChannelEvent::Kind::ProgramChange:
        return "program " + std::to_string(e.channel) + " " + std::to_string(e.number);
    case MusicChannelEvent::Kind::Controller:
        return "controller " + std::to_string(e.channel) + " " + std::to_string(e.number) + " " + std::to_string(e.value);
    case MusicChannelEvent::Kind::PitchBend:
        return "bend " + std::to_string(e.channel) + " " + std::to_string(e.value);
    }
    return {};
}

class RecordingTarget : public SequenceTarget {
public:
    explicit RecordingTarget(const double* clock = nullptr) : clock_(clock) {}
    void sequenceNoteOn(int channel, int note, int velocity) override
    {
        std::lock_guard lock(mutex);
        events.push_back({clock_ ? *clock_ : 0, true, channel, note, velocity});
        messages.push_back("on " + std::to_string(channel) + " " + std::to_string(note));
    }
    void sequenceNoteOff(int channel, int note) override
    {
        std::lock_guard lock(mutex);
        events.push_back({clock_ ? *clock_ : 0, false, channel, note, 0});
        messages.push_back("off " + std::to_string(channel) + " " + std::to_string(note));
    }
    void sequenceChannelEvent(const MusicChannelEvent& event) override
    {
        std::lock_guard lock(mutex);
        messages.push_back(describe(event));
    }
    std::mutex mutex;
    std::vector<Event> events;
    // Every call in order, notes included.
    std::vector<std::string> messages;

private:
    const double* clock_;
};

MusicNoteEvent note(double beat, int nr, double duration, int channel = 0)
{
    return testNote(beat, nr, duration, channel, 90);
}

class SequencePlayerTest : public ::testing::Test {
protected:
    SequencePlayer::Driver manual()
    {
        return {[this] { return now; }, SequencePlayer::Drive::Manual};
    }
    // Moves the clock in small steps, pumping as a polling driver would.
    void run(SequencePlayer& player, double until, double step = 0.001)
    {
        while (now < until - 1e-12) {
            now = std::min(until, now + step);
            player.pump();
        }
    }
    double now = 50.0;
};

} // namespace

TEST_F(SequencePlayerTest, PlaysNotesAtTheirBeatsThroughTheTempoTrack)
{
    auto sequence = std::make_shared<MusicSequence>();
    MusicTrack& track = sequence->newTrack();
    track.addNote(note(0, 60, 1));
    track.addNote(note(1, 64, 1));
    track.addNote(note(3, 67, 0.5, 9));
    sequence->setTempo(0, 90);
    sequence->setTempo(2, 60); // beat 3 lies 2 * (60/90) + 1 * 1 seconds in

    RecordingTarget target(&now);
    SequencePlayer player(&target, manual());
    player.start(sequence);
    run(player, 60.0);

    const double t0 = 50.0;
    const std::vector<std::tuple<double, bool, int, int>> expected{
        {0.0, true, 0, 60},      {2.0 / 3, false, 0, 60}, {2.0 / 3, true, 0, 64},
        {4.0 / 3, false, 0, 64}, {7.0 / 3, true, 9, 67},  {7.0 / 3 + 0.5, false, 9, 67},
    };
    ASSERT_EQ(target.events.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& [seconds, on, channel, nr] = expected[i];
        EXPECT_NEAR(target.events[i].seconds - t0, seconds, 0.0015) << i;
        EXPECT_EQ(target.events[i].on, on) << i;
        EXPECT_EQ(target.events[i].channel, channel) << i;
        EXPECT_EQ(target.events[i].note, nr) << i;
    }
    EXPECT_EQ(target.events[0].velocity, 90);
}

TEST_F(SequencePlayerTest, RepeatedNoteEndsBeforeItSoundsAgainAndEmptyNotesAreSkipped)
{
    auto sequence = std::make_shared<MusicSequence>();
    MusicTrack& track = sequence->newTrack();
    track.addNote(note(0, 60, 1));
    track.addNote(note(1, 60, 1));
    track.addNote(note(1.5, 72, 0)); // lasts nothing

    RecordingTarget target;
    SequencePlayer player(&target, manual());
    player.start(sequence);
    now += 0.5; // beat 1 at 120 BPM: the first note ends and the second begins in one pump
    player.pump();
    now += 1.0;
    player.pump();

    ASSERT_EQ(target.events.size(), 4u);
    EXPECT_TRUE(target.events[0].on);
    EXPECT_FALSE(target.events[1].on);
    EXPECT_TRUE(target.events[2].on);
    EXPECT_FALSE(target.events[3].on);
    for (const Event& e : target.events)
        EXPECT_EQ(e.note, 60);
}

TEST_F(SequencePlayerTest, PlaysUntilTheLastNoteHasEndedAndKeepsItsPosition)
{
    auto sequence = std::make_shared<MusicSequence>();
    sequence->newTrack().addNote(note(0, 60, 6)); // one long note, 3 s at 120 BPM
    sequence->newTrack().addNote(note(1, 64, 1));

    RecordingTarget target;
    SequencePlayer player(&target, manual());
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(player.time(), 0.0);

    player.start(sequence, 2.0); // an end beat before the last note's end does not cut it
    EXPECT_DOUBLE_EQ(player.endBeat(), 6.0);
    run(player, now + 2.9);
    EXPECT_TRUE(player.isPlaying());
    EXPECT_NEAR(player.time(), 5.8, 0.01);
    run(player, now + 0.2);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_TRUE(player.isStarted());
    EXPECT_FALSE(target.events.back().on);

    player.start(sequence, 10.0); // a later end beat keeps it running past the last note
    run(player, now + 4.0);
    EXPECT_TRUE(player.isPlaying());
}

TEST_F(SequencePlayerTest, StopSilencesWhatSoundsAndNothingFollows)
{
    auto sequence = std::make_shared<MusicSequence>();
    MusicTrack& track = sequence->newTrack();
    track.addNote(note(0, 60, 4));
    track.addNote(note(0, 130, 4, 3)); // above the MIDI range: the target decides
    track.addNote(note(1, 67, 1));
    track.addNote(note(3, 72, 1));

    RecordingTarget target;
    SequencePlayer player(&target, manual());
    player.start(sequence);
    run(player, now + 0.75); // beat 1.5: 60, 130 and 67 sound
    ASSERT_EQ(target.events.size(), 3u);

    player.stop();
    ASSERT_EQ(target.events.size(), 6u);
    std::set<std::pair<int, int>> silenced;
    for (std::size_t i = 3; i < 6; ++i) {
        EXPECT_FALSE(target.events[i].on);
        silenced.insert({target.events[i].channel, target.events[i].note});
    }
    EXPECT_EQ(silenced, (std::set<std::pair<int, int>>{{0, 60}, {3, 130}, {0, 67}}));

    run(player, now + 5);
    player.stop();
    EXPECT_EQ(target.events.size(), 6u);
    EXPECT_FALSE(player.isStarted());
    EXPECT_EQ(player.time(), 0.0);
}

TEST_F(SequencePlayerTest, ChannelMessagesLeadTheirNotesAndStopResetsWhatTheyChanged)
{
    auto message = [](double beat, MusicChannelEvent::Kind kind, int channel, int number, int value) {
        MusicChannelEvent event;
        event.beat = beat;
        event.kind = kind;
        event.channel = std::uint8_t(channel);
        event.number = std::uint8_t(number);
        event.value = std::uint16_t(value);
        return event;
    };
    using Kind = MusicChannelEvent::Kind;
    auto sequence = std::make_shared<MusicSequence>();
    MusicTrack& strings = sequence->newTrack();
    strings.addNote(note(0, 67, 2, 1));
    strings.addChannelEvent(message(0, Kind::ProgramChange, 1, 40, 0));
    strings.addChannelEvent(message(0, Kind::Controller, 1, 64, 127)); // the pedal goes down
    strings.addChannelEvent(message(1, Kind::PitchBend, 1, 0, 10240));
    MusicTrack& brass = sequence->newTrack();
    brass.addChannelEvent(message(0, Kind::ProgramChange, 2, 56, 0));
    brass.addNote(note(0, 60, 2, 2));

    RecordingTarget target;
    SequencePlayer player(&target, manual());
    player.start(sequence);
    run(player, now + 0.6); // beat 1.2
    EXPECT_EQ(target.messages, (std::vector<std::string>{"program 1 40", "controller 1 64 127", "program 2 56",
                                                         "on 1 67", "on 2 60", "bend 1 10240"}));

    // Stopping silences the notes and frees the channel whose pedal and bend were changed;
    // a program alone stays as it is.
    target.messages.clear();
    player.stop();
    std::sort(target.messages.begin(), target.messages.begin() + 2);
    EXPECT_EQ(target.messages, (std::vector<std::string>{"off 1 67", "off 2 60", "controller 1 121 0"}));

    // A new start owes no reset for what the last one changed.
    target.messages.clear();
    player.start(std::make_shared<MusicSequence>());
    player.stop();
    EXPECT_TRUE(target.messages.empty());
}

TEST_F(SequencePlayerTest, OwnThreadPlaysInRealTime)
{
    auto sequence = std::make_shared<MusicSequence>();
    MusicTrack& track = sequence->newTrack();
    track.addNote(note(0, 60, 0.5));
    track.addNote(note(0.5, 62, 0.5));
    sequence->setTempo(0, 600); // 0.1 s per beat

    RecordingTarget target;
    SequencePlayer player(&target, {{}, SequencePlayer::Drive::OwnThread, 0.001});
    player.start(sequence);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (player.isPlaying() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    player.stop();

    std::lock_guard lock(target.mutex);
    ASSERT_EQ(target.events.size(), 4u);
    EXPECT_EQ(target.events[0].note, 60);
    EXPECT_EQ(target.events[2].note, 62);
    EXPECT_FALSE(target.events[3].on);
}

TEST_F(SequencePlayerTest, StartAndStopMayComeFromSeveralThreadsAtOnce)
{
    auto sequence = std::make_shared<MusicSequence>();
    sequence->newTrack().addNote(note(0, 60, 1));

    RecordingTarget target;
    SequencePlayer player(&target, {{}, SequencePlayer::Drive::OwnThread, 0.001});
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                if ((i + t) % 3 == 0)
                    player.stop();
                else
                    player.start(sequence);
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    player.stop();

    // Every note that was started was also ended.
    std::lock_guard lock(target.mutex);
    int sounding = 0;
    for (const Event& event : target.events)
        sounding += event.on ? 1 : -1;
    EXPECT_EQ(sounding, 0);
}
