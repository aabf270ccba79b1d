#pragma once

#include "MainQueue.h"
#include "MusicSequence.h"

#include <QByteArray>
#include <QMetaType>

#include <atomic>
#include <memory>

class QVMusicInstrument;

// Told when an instrument starts and stops playing a sequence (main thread).
class QVMusicInstrumentDelegate {
public:
    virtual ~QVMusicInstrumentDelegate() = default;
    virtual void playerDidStartForMusicInstrument(QVMusicInstrument* instrument) {}
    virtual void playerDidStopForMusicInstrument(QVMusicInstrument* instrument) {}
};

// The playback interface through which everything sounds: single notes, program change,
// volume, and whole music sequences with end detection (a 0.5 s main-queue timer) and
// start and stop calls to the delegate.
//
// Sequences, the timer and the delegate belong to the main thread. noteOn / noteOff are
// also called from the MIDI input thread and from a sequence player's thread, so the
// kinds that override them must be safe there.
class QVMusicInstrument {
public:
    static constexpr double kDetectPlayingInterval = 0.5;

    QVMusicInstrument();
    virtual ~QVMusicInstrument();
    QVMusicInstrument(const QVMusicInstrument&) = delete;
    QVMusicInstrument& operator=(const QVMusicInstrument&) = delete;

    // Second phase of creation: defaultVelocity 110; kinds start their output here.
    virtual void init();

    virtual void programChange(int program);
    // noteOn with defaultVelocity.
    void noteOn(int note);
    virtual void noteOn(int note, unsigned velocity);
    virtual void noteOff(int note);
    // noteOff for every note 0 to 127, rising.
    virtual void allNotesOff();

    virtual bool isPlaying() const;
    // Ends the current sequence; with notify, the delegate hears of it.
    virtual void stopPlayerShouldNotify(bool notify);
    void stopPlayer();
    // Playback position (beats for the sequence-playing kinds).
    virtual double time() const;
    virtual float volume() const;
    virtual void setVolume(float volume);

    // The end detection: stops the player once its time reaches sequenceLength or it no
    // longer plays.
    void handleDetectPlayingTimer();
    void informDelegateOfStoppingPlayer();
    void handlePlayerDidStart();

    // Plays a Standard MIDI File; a file that cannot be read plays nothing.
    void playMidiData(const QByteArray& data);
    // Stops what plays (without telling the delegate), starts the end detection, plays
    // the sequence and tells the delegate. A null sequence starts nothing; the end
    // detection then ends it at its first tick.
    void playSequence(std::shared_ptr<const MusicSequence> sequence);
    void playSequence(MusicSequence sequence);
    // Starts musicSequence() on the kind's output.
    virtual void startInternalPlay();

    virtual void start();
    virtual void stop();

    std::shared_ptr<const MusicSequence> musicSequence() const { return musicSequence_; }
    // Beats: the later of each track's last note start + 2.0 and its last note end.
    double sequenceLength() const { return sequenceLength_; }
    QVMusicInstrumentDelegate* delegate() const { return delegate_; }
    void setDelegate(QVMusicInstrumentDelegate* delegate) { delegate_ = delegate; }
    unsigned defaultVelocity() const { return defaultVelocity_.load(); }
    void setDefaultVelocity(unsigned velocity) { defaultVelocity_ = velocity; }
    bool isRunning() const { return isRunning_.load(); }
    void setIsRunning(bool running) { isRunning_ = running; }
    // Whether the end detection of the last playSequence is still scheduled.
    bool hasDetectPlayingTimer() const { return detectPlayingTimer_.isValid(); }

protected:
    void setMusicSequence(std::shared_ptr<const MusicSequence> sequence) { musicSequence_ = std::move(sequence); }
    void cancelDetectPlayingTimer() { detectPlayingTimer_.cancel(); }
    // "Error Assert:%ld file:%s line:%ld"
    static void logAssert(long status, const char* file, long line);

private:
    std::shared_ptr<const MusicSequence> musicSequence_;
    double sequenceLength_ = 0;
    QVMusicInstrumentDelegate* delegate_ = nullptr;
    DelayedCall detectPlayingTimer_;
    std::atomic<unsigned> defaultVelocity_{110};
    std::atomic<bool> isRunning_{false};
};

Q_DECLARE_METATYPE(QVMusicInstrument*)
