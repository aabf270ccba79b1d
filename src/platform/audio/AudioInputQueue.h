#pragma once

#include "AudioCaptureSink.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

// A record queue on the microphone: its samples converted to 16-bit mono at a fixed rate
// (linear interpolation from the device's rate), collected on the capture thread into a
// ring of equal buffers, and handed one filled buffer at a time to a callback on a thread
// of the queue's own. When every buffer waits for the callback, new samples are dropped.
class AudioInputQueue final : private AudioCaptureSink {
public:
    // Queue thread: one filled buffer. Returns whether the buffer goes back to be filled.
    using Callback = std::function<bool(const std::int16_t* samples, std::size_t frames)>;

    // All sizes above 0.
    AudioInputQueue(unsigned sampleRate, std::size_t framesPerBuffer, std::size_t bufferCount, Callback callback);
    ~AudioInputQueue() override;
    AudioInputQueue(const AudioInputQueue&) = delete;
    AudioInputQueue& operator=(const AudioInputQueue&) = delete;

    // Caller's thread; may block while the device opens. Queues every buffer and starts
    // the queue thread and the microphone. False when the microphone does not start (the
    // input logs why); the queue is then stopped and may be started again.
    bool start();
    // Caller's thread; blocks until the callback in progress returns. Stops at once: the
    // buffers not yet handed over are dropped. On return the callback is no longer
    // called. Harmless while stopped.
    void stop();
    // Any thread, lock-free.
    bool isRunning() const { return threadRunning_.load(); }

    unsigned sampleRate() const { return sampleRate_; }
    std::size_t framesPerBuffer() const { return framesPerBuffer_; }

private:
    // Indices of buffers passed between exactly two threads, without locks.
    class IndexFifo {
    public:
        explicit IndexFifo(std::size_t capacity);
        void reset();
        bool push(std::size_t index);
        bool pop(std::size_t& index);

    private:
        std::vector<std::size_t> slots_;
        std::atomic<std::size_t> head_{0};
        std::atomic<std::size_t> tail_{0};
    };

    static constexpr std::size_t kNoBuffer = std::size_t(-1);

    void capture(const float* samples, std::size_t frames, unsigned sampleRate) noexcept override;
    void append(float sample) noexcept;
    void run();

    const unsigned sampleRate_;
    const std::size_t framesPerBuffer_;
    const std::size_t bufferCount_;
    const Callback callback_;
    std::vector<std::int16_t> storage_;
    IndexFifo free_;   // capture thread takes, queue thread gives back
    IndexFifo filled_; // capture thread gives, queue thread takes
    std::thread thread_;
    std::atomic<bool> threadRunning_{false};

    // Capture thread only.
    std::size_t filling_ = kNoBuffer;
    std::size_t filledFrames_ = 0;
    unsigned inputRate_ = 0;
    double step_ = 1.0;  // input samples per output sample
    double phase_ = 0.0; // where the next output sample lies after `previous_`, in input samples
    float previous_ = 0.0f;
};
