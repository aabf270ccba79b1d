#pragma once

#include "AudioCaptureSink.h"
#include "RealtimeSlots.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>

class RtAudio;

// The microphone: the default input device as one mono float stream at the device's own
// rate, handed block by block to every registered sink on the capture thread. The device
// is open while at least one sink is registered. Without an input device start() fails
// with one log line and may be tried again later.
//
// Tests use a fake device instead, whose samples they hand in themselves.
class AudioInput {
public:
    static constexpr unsigned kPreferredBufferFrames = 512;
    static constexpr std::size_t kMaxSinks = 8;

    static AudioInput* sharedInput();

    AudioInput(const AudioInput&) = delete;
    AudioInput& operator=(const AudioInput&) = delete;
    ~AudioInput();

    // Main thread; may block while the device opens. Registers the sink and opens the
    // input unless it is open. False, with the sink not registered and a log line saying
    // why, when no input device opens or every slot is taken.
    bool start(AudioCaptureSink* sink);
    // Main thread; blocks for the rest of a capture block in progress. Unregisters the sink
    // and closes the input after the last one. Harmless for a sink that is not registered.
    // On return the sink is no longer called, so it may be destroyed.
    void stop(AudioCaptureSink* sink);

    // Any thread, lock-free: whether the input is open, and its rate (0 while closed).
    bool isRunning() const { return sampleRate_.load() != 0; }
    unsigned sampleRate() const { return sampleRate_.load(); }

    // Tests, main thread: from now on the input opens a fake device of this rate instead
    // of the default input device; a rate of 0 stands for a machine without one. Closes
    // the open input and unregisters every sink.
    void useFakeDevice(unsigned sampleRate);
    // Tests, one thread at a time: hands the samples to every sink as the capture thread
    // would, on the calling thread. False while no fake device is open.
    bool deliverFakeSamples(const float* samples, std::size_t frames);
    // Tests: how often the fake device has been opened since useFakeDevice.
    unsigned fakeOpenCount() const { return fakeOpenCount_.load(); }

private:
    AudioInput() = default;
    bool openLocked();
    bool openDevice();
    void closeLocked();
    void deliver(const float* samples, std::size_t frames) noexcept;
    static int deviceCallback(void* output, void* input, unsigned int frames, double streamTime,
                              unsigned int status, void* userData);

    std::mutex controlMutex_; // opening, closing and sink registration; never taken by capture
    bool useFake_ = false;
    unsigned fakeSampleRate_ = 0;
    std::atomic<bool> fakeOpen_{false};
    std::atomic<unsigned> fakeOpenCount_{0};
    std::atomic<unsigned> sampleRate_{0};
    std::unique_ptr<RtAudio> device_;
    RealtimeSlots<AudioCaptureSink, kMaxSinks> sinks_;
};
