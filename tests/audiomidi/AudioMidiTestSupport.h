#pragma once

#include "MusicEvents.h"
#include "AudioOutput.h"
#include "QVMusicPlayerInstrument.h"
#include "SequencePlayer.h"
#include "TestEnvironment.h"
#include "ZTPreferences.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

// An instrument that remembers what it was asked to sound, with the main queue's time.
class RecordingInstrument : public QVMusicPlayerInstrument {
public:
    struct Call {
        double time;
        char kind; // 'n' note on, 'f' note off, 'p' program change
        int channel; // -1 for single notes
        int note;
        unsigned velocity;
    };

    using QVMusicInstrument::noteOn;
    void noteOn(int note, unsigned velocity) override { record({MainQueue::now(), 'n', -1, note, velocity}); }
    void noteOff(int note) override { record({MainQueue::now(), 'f', -1, note, 0}); }
    void programChange(int program) override { record({MainQueue::now(), 'p', -1, program, 0}); }

    std::vector<Call> calls() const
    {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    void clear()
    {
        std::lock_guard lock(mutex_);
        calls_.clear();
    }

protected:
    void sequenceNoteOn(int channel, int note, int velocity) override
    {
        record({MainQueue::now(), 'n', channel, note, unsigned(velocity)});
    }
    void sequenceNoteOff(int channel, int note) override { record({MainQueue::now(), 'f', channel, note, 0}); }

private:
    void record(Call call)
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(call);
    }
    mutable std::mutex mutex_;
    std::vector<Call> calls_;
};

class RecordingDelegate : public QVMusicInstrumentDelegate {
public:
    void playerDidStartForMusicInstrument(QVMusicInstrument*) override { events.push_back({MainQueue::now(), 's'}); }
    void playerDidStopForMusicInstrument(QVMusicInstrument*) override { events.push_back({MainQueue::now(), 'e'}); }
    std::vector<std::pair<double, char>> events;
};

// Fresh folders and settings, a main queue whose clock the test moves, sequence players
// driven by that clock, and audio rendered only when the test pulls it.
class AudioMidiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ZTPreferences::resetSharedForTesting();
        SequencePlayer::setDefaultDriver({&MainQueue::now, SequencePlayer::Drive::MainQueue, 0.001});
        AudioOutput::sharedOutput()->useOfflineRendering();
    }
    void TearDown() override
    {
        queue.runPending();
        SequencePlayer::setDefaultDriver({});
        ZTPreferences::resetSharedForTesting();
    }
    static MusicNoteEvent note(double beat, int nr, double duration, int channel = 0)
    {
        return testNote(beat, nr, duration, channel);
    }

    TestEnvironment environment;
    ManualMainQueue queue;
};
