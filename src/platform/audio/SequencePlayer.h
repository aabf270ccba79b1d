#pragma once

#include "MainQueue.h"
#include "MusicSequence.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Receives the note events of a playing sequence, on the player's thread.
class SequenceTarget {
public:
    virtual ~SequenceTarget() = default;
    // channel 0-15, note 0-255 as the sequence holds it (the target keeps what it cannot
    // play away from its device), velocity 1-127.
    virtual void sequenceNoteOn(int channel, int note, int velocity) = 0;
    virtual void sequenceNoteOff(int channel, int note) = 0;
    // A program, controller or pitch-bend change; a target without channels ignores it.
    virtual void sequenceChannelEvent(const MusicChannelEvent&) {}
};

// Plays a music sequence in real time: note-ons at their beat, note-offs at beat +
// duration, channel messages at their beat (before the notes of the same instant), beats
// turned into seconds through the sequence's tempo track. Time comes from a clock in
// seconds that can be swapped, so tests move time themselves.
//
// It counts as playing from start() until its last note has ended (or a later end beat
// given at start); it keeps its position until stop(), which silences every note it
// started and resets the controllers of every channel whose controllers or pitch bend it
// changed (a held pedal or a bend must not outlive the sequence). All operations are thread-safe; the target is called with the player's lock
// held, so a target must not call back into its player.
class SequencePlayer {
public:
    using Clock = std::function<double()>; // seconds, monotonic

    enum class Drive {
        OwnThread, // a thread of the player's own polls the clock (the application)
        MainQueue, // a repeating main-queue call polls it (tests with a manual main queue)
        Manual,    // whoever owns the clock calls pump()
    };
    struct Driver {
        Clock clock;                  // empty: the steady clock
        Drive drive = Drive::OwnThread;
        double pollInterval = 0.001;  // seconds between polls
    };

    // What players made from now on use; tests install the main queue's manual clock here.
    static Driver defaultDriver();
    static void setDefaultDriver(Driver driver);
    static double steadySeconds();

    explicit SequencePlayer(SequenceTarget* target, Driver driver = defaultDriver());
    ~SequencePlayer();
    SequencePlayer(const SequencePlayer&) = delete;
    SequencePlayer& operator=(const SequencePlayer&) = delete;

    // Starts at beat 0 (stopping a sequence still playing). The player runs until the
    // later of the last note's end and endBeat.
    void start(std::shared_ptr<const MusicSequence> sequence, double endBeat = 0);
    // Sends a note-off for every note it started that still sounds, then stands still.
    void stop();

    // Started and not stopped, whether or not the end has passed.
    bool isStarted() const;
    // Started, not stopped, and the end beat not yet reached.
    bool isPlaying() const;
    // Beats since start; 0 when not started.
    double time() const;
    double endBeat() const;
    std::shared_ptr<const MusicSequence> sequence() const;

    // Hands every event due by now to the target.
    void pump();

private:
    struct Event {
        // At one instant the offs go first so a repeated note sounds again, and a program
        // or controller applies to the notes it comes with.
        enum class Type : std::uint8_t { NoteOff, Channel, NoteOn };
        double seconds = 0;
        Type type = Type::NoteOn;
        std::uint8_t channel = 0;
        std::uint8_t note = 0;
        std::uint8_t velocity = 0;
        MusicChannelEvent message; // for Type::Channel
    };

    double elapsedSecondsLocked() const;
    // stop() without the control lock.
    void halt();
    void stopLocked();
    void startDriveLocked();
    void stopDrive(std::unique_lock<std::mutex>& lock);
    void runThread();

    SequenceTarget* target_;
    Driver driver_;

    // Serialises start() and stop(), which hand the drive over outside mutex_.
    std::mutex controlMutex_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::shared_ptr<const MusicSequence> sequence_;
    std::vector<Event> events_;
    std::size_t nextEvent_ = 0;
    double startSeconds_ = 0;
    double endBeat_ = 0;
    bool started_ = false;
    std::array<std::array<std::uint8_t, 256>, 16> sounding_{};
    std::array<bool, 16> controllersChanged_{};

    std::thread thread_;
    bool threadStop_ = false;
    DelayedCall pumpCall_;
};
