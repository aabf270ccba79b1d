#pragma once

#include "AudioDevice.h"
#include "AudioOutputRetry.h"
#include "AudioRenderSource.h"
#include "RealtimeSlots.h"
#include "WakeSignal.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// The one audio output of the process: a stereo stream on the default output device that
// mixes every registered source. When no device opens (a machine without a sound card, a
// sound server that is not running) a null device takes its place and renders into a
// buffer at the pace of real time, so that sources behave as they would with sound, but
// only while a source sounds. Offline rendering (tests, benchmarks) stops the clock and
// lets the caller pull the frames itself.
//
// Nothing is rendered while nothing sounds: once no source has sounded for
// kQuietSecondsBeforeRest, the device pauses where it can (an idle window then costs
// neither this process nor the sound server anything), and the next note resumes it
// before its first block is rendered, so that nothing of its attack is lost.
//
// A thread of the output's own watches over the device: a device that fails while it plays
// (its sound server went away) is closed and the null device takes over; the device is
// tried again when something is to sound, and while all is quiet every little while, so
// that sound comes back by itself. Each time sound becomes unavailable (at the first open,
// or lost later) the output posts kUnavailableNotification once, with "lost" (whether it
// had played) and "reason" in its user info; tries that fail again stay quiet.
class AudioOutput : private AudioDevice::Client {
public:
    enum class Mode {
        Closed,       // nothing opened yet; opened on first need
        Device,       // a sound device drives the mix
        NullRealTime, // no device: a thread of ours renders and discards at real-time pace
        Offline,      // nobody drives the mix; renderOffline() pulls it
    };

    using RetryPolicy = AudioOutputRetryPolicy;
    using DeviceFactory = AudioDeviceFactory;

    static constexpr unsigned kPreferredBufferFrames = 256;
    // Long enough that the notes of a question, and a note's fading end, play through.
    static constexpr double kQuietSecondsBeforeRest = 1.5;
    static constexpr unsigned kDefaultSampleRate = 44100;
    static constexpr std::size_t kMaxSources = 32;
    static const QString kUnavailableNotification;

    // The process's output, on the default device through RtAudio.
    static AudioOutput* sharedOutput();

    // An output of its own on the devices the factory makes (tests use stand-ins).
    explicit AudioOutput(DeviceFactory deviceFactory, RetryPolicy retryPolicy = {});
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;
    ~AudioOutput();

    // Control thread; may block while the device opens. Opens the default output device,
    // or the real-time null device when none opens. Does nothing when already open or
    // rendering offline.
    void open();
    // Control thread: closes the device (or stops the null device); from now on only
    // renderOffline() renders. Sources stay registered.
    void useOfflineRendering();
    // Any thread, lock-free.
    Mode mode() const { return mode_.load(); }
    bool isNullDevice() const;
    // Any thread, lock-free: nothing renders; the device is paused, or the null device
    // waits, for a source to sound.
    bool isResting() const { return resting_.load(); }

    // Opens the output on first use. The rate stays as it first opened for as long as the
    // output lives (sources are built for it); a device that comes back opens at it.
    unsigned sampleRate();
    unsigned bufferFrames();

    // Control thread. Registers a source for the mix; false when every slot is taken.
    // Opens the output.
    bool addSource(AudioRenderSource* source);
    // Control thread. Unregisters; on return the audio thread no longer uses the source,
    // so it may be destroyed. Never call it from inside render().
    void removeSource(AudioRenderSource* source);

    // Any thread, lock-free: something is about to sound (a note was handed to a source).
    // A paused device, or a resting null device, renders again at once, and a missing
    // device is tried again.
    void wake() noexcept;

    // The rendering thread (the null device's, or the one pulling offline), never blocks:
    // whether any source sounds.
    bool isSounding() noexcept;

    // Renders the mix of every source into the buffer (offline rendering only, one
    // pulling thread at a time). Returns false, leaving the buffer alone, while a device
    // or the real-time null device drives the mix.
    bool renderOffline(float* interleavedStereo, std::size_t frames);

private:
    using Clock = std::chrono::steady_clock;

    // AudioDevice::Client, on the device's thread: mixes into `output`.
    bool processBlock(float* output, const float* input, std::size_t frames) noexcept override;
    void deviceFailed() noexcept override;

    // Under controlMutex_. True when a device opened; else the reason is in *failure.
    bool openDeviceLocked(QString* failure);
    void closeDeviceLocked();
    void startNullDeviceLocked(Clock::time_point now);
    // Closes the device that went away and starts the null device.
    void loseDeviceLocked(const QString& reason);
    void startKeeperLocked();
    void stopKeeper();
    void announceUnavailable(bool lost, const QString& reason);

    // The keeper thread: watches over a device, or is the null device.
    void keep();
    // One event of a device: it failed, fell quiet, or is to sound again after a rest.
    void watchDevice();
    void fallBackToNullDevice();
    // True when the device rests.
    bool pauseDevice(unsigned wakes);
    void resumeDevice();
    // True when a device opened again.
    bool retryDevice(Clock::time_point now);
    void restUntilWoken();

    // The render path: no allocation, no lock, no log.
    void mix(float* interleavedStereo, std::size_t frames) noexcept;
    // After a device's block: counts the frames that nothing sounded in, and tells the
    // keeper once they make a rest. `wakes` is wakes_ as it was before the block rendered.
    void countQuiet(unsigned wakes, std::size_t frames) noexcept;

    static constexpr std::size_t kScratchFrames = 4096;

    const DeviceFactory deviceFactory_;

    std::mutex controlMutex_; // opening, closing and source registration; never taken by render
    std::atomic<Mode> mode_{Mode::Closed};
    std::atomic<unsigned> sampleRate_{kDefaultSampleRate};
    std::atomic<unsigned> bufferFrames_{kPreferredBufferFrames};
    bool rateSettled_ = false;
    std::unique_ptr<AudioDevice> device_;

    // The keeper thread and what wakes it.
    std::thread keeper_;
    WakeSignal keeperSignal_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> deviceFailed_{false};
    std::atomic<bool> resting_{false};
    // How often something was about to sound: a block that saw the count change may have
    // heard of a note, so the device does not rest on its quiet.
    std::atomic<unsigned> wakes_{0};
    // The render thread fell quiet at wakes_ == quietAtWakes_.
    std::atomic<bool> fellQuiet_{false};
    std::atomic<unsigned> quietAtWakes_{0};
    // Whether a device's blocks mix the sources. The render thread shuts this as its quiet
    // makes a rest, for the pause about to come may throw away the blocks it has rendered
    // (RtAudio's PulseAudio stream looks at its state only after a block), and a note taken
    // into one would have lost its attack by the time the device resumes; until the device
    // rests or plays on, its blocks are silence and notes wait in their sources. The keeper
    // opens it again before the device resumes, or when the device plays on.
    std::atomic<bool> mixing_{true};
    // Whether the device rests when asked; one that does not is never shut for a rest again.
    std::atomic<bool> devicePauses_{true};
    // Keeper thread (and the control thread under controlMutex_ before it runs).
    AudioOutputRetrySchedule retries_;
    unsigned wakesHandled_ = 0; // by the null device
    unsigned restedAtWakes_ = 0;
    // Render thread.
    unsigned wakesSeen_ = 0;
    std::size_t quietFrames_ = 0;

    RealtimeSlots<AudioRenderSource, kMaxSources> sources_;
    std::vector<float> scratch_;
};
