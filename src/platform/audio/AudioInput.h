#pragma once

#include "AudioCaptureSink.h"
#include "AudioDevice.h"
#include "RealtimeSlots.h"
#include "WakeSignal.h"

#include <QString>

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

// The microphone: the default input device as one mono float stream at the device's own
// rate, handed block by block to every registered sink on the capture thread. The device
// is open while at least one sink is registered. Without an input device start() fails,
// saying why in the log once for as long as the device stays missing, and may be tried
// again later.
//
// A device that fails while it listens (its sound server went away) is closed by a thread
// of the input's own, without the capture thread spinning on it: the log says so once, its
// sinks are unregistered and hear nothing more, and kLostNotification is posted. The next
// start() opens a device anew.
//
// Tests give it stand-in devices of a factory of their own.
class AudioInput : private AudioDevice::Client {
public:
    static constexpr unsigned kPreferredBufferFrames = 512;
    static constexpr std::size_t kMaxSinks = 8;
    // Posted on the input's own thread, with the input as object and "reason" in the user info.
    static const QString kLostNotification;

    // The process's input, on the default device through RtAudio.
    static AudioInput* sharedInput();

    // An input of its own on the devices the factory makes.
    explicit AudioInput(AudioDeviceFactory deviceFactory);
    AudioInput(const AudioInput&) = delete;
    AudioInput& operator=(const AudioInput&) = delete;
    ~AudioInput();

    // Main thread; may block while the device opens. Registers the sink and opens the
    // input unless it is open. False, with the sink not registered, when no input device
    // opens or every slot is taken.
    bool start(AudioCaptureSink* sink);
    // Main thread; blocks for the rest of a capture block in progress. Unregisters the sink
    // and closes the input after the last one. Harmless for a sink that is not registered.
    // On return the sink is no longer called, so it may be destroyed.
    void stop(AudioCaptureSink* sink);

    // Any thread, lock-free: whether the input is open, and its rate (0 while closed).
    bool isRunning() const { return sampleRate_.load() != 0; }
    unsigned sampleRate() const { return sampleRate_.load(); }
    // Any thread, lock-free: whether the sink is registered, so hears the device; false
    // once the device it listened to was lost.
    bool isListening(const AudioCaptureSink* sink) const { return sinks_.contains(sink); }

    // Tests, main thread: from now on the input opens devices of this factory instead of its
    // own. Closes the open input and unregisters every sink; a failure to open is logged anew.
    void useDevices(AudioDeviceFactory deviceFactory);

private:
    // AudioDevice::Client, on the device's thread.
    bool processBlock(float* output, const float* input, std::size_t frames) noexcept override;
    void deviceFailed() noexcept override;

    // Under controlMutex_.
    bool openLocked();
    bool openDeviceLocked(QString* failure);
    void closeLocked();

    // The watcher thread: closes a device that failed.
    void watch();
    void closeLostDevice();
    void stopWatcher();

    void deliver(const float* samples, std::size_t frames) noexcept;

    std::mutex controlMutex_; // opening, closing and sink registration; never taken by capture
    AudioDeviceFactory deviceFactory_;
    std::unique_ptr<AudioDevice> device_;
    std::optional<QString> lastFailure_; // why the last try to open failed; none after a success
    std::atomic<unsigned> sampleRate_{0};
    RealtimeSlots<AudioCaptureSink, kMaxSinks> sinks_;

    std::thread watcher_;
    WakeSignal watcherSignal_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> deviceFailed_{false};
};
