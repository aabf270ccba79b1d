#pragma once

#include "AudioInputQueue.h"
#include "CAStreamBasicDescription.h"
#include "WaveletPitchTracker.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class PitchDetector;

// Records the microphone as 16-bit mono at 44100 Hz in ten buffers of 0.1 s, runs every
// filled buffer through the wavelet pitch tracker and hands the pitch to its detector.
// start and stop run on one caller's thread; the callback runs on the record queue's
// thread. Failures are logged, never passed on: without a microphone start fails with a
// log line and may be tried again later.
class AQRecorder {
public:
    static constexpr int kNumberRecordBuffers = 10;
    static constexpr float kBufferDurationSeconds = 0.1f;
    // The status of a record queue that does not start (no input device).
    static constexpr std::int32_t kQueueStartFailed = -1;

    static CAStreamBasicDescription recordingFormat();
    // Bytes of the buffer that holds that many seconds of the format; 0 (with a log
    // line) when the format does not say how large its packets are.
    static std::uint32_t bufferSizeForSeconds(const CAStreamBasicDescription& format, float seconds);

    AQRecorder();
    ~AQRecorder();
    AQRecorder(const AQRecorder&) = delete;
    AQRecorder& operator=(const AQRecorder&) = delete;

    // Starts recording with a new queue, new buffers and a fresh tracker; nothing while
    // running.
    void start();
    // Stops at once and frees the queue and the sample array. Harmless while idle.
    void stop();

    // Record queue thread: one filled buffer of packetCount samples. Returns whether the
    // buffer is to be filled again (while running).
    bool inputCallback(const std::int16_t* samples, std::uint32_t packetCount);

    // Any thread.
    bool running() const { return running_.load(); }
    double pitch() const { return pitch_.load(); }

    // Not kept alive by the recorder; set before start.
    void setDetector(PitchDetector* detector) { detector_ = detector; }
    const CAStreamBasicDescription& format() const { return format_; }
    // Room in the sample array (frames of one buffer) while running.
    std::size_t sampleBufferSize() const { return sampleBuffer_.size(); }

private:
    std::atomic<double> pitch_{0.0};
    std::vector<double> sampleBuffer_;
    WaveletPitch::_dywapitchtracker tracker_;
    PitchDetector* detector_ = nullptr;
    std::unique_ptr<AudioInputQueue> queue_;
    CAStreamBasicDescription format_;
    std::atomic<bool> running_{false};
};
