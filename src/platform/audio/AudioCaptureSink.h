#pragma once

#include <cstddef>

// Something that listens to the microphone (a recorder, a pitch tracker).
class AudioCaptureSink {
public:
    virtual ~AudioCaptureSink() = default;

    // Main thread, inside AudioInput::start before the sink is registered: the rate of the
    // blocks to come, so that the sink can make what it needs for it. It must not call back
    // into the input.
    virtual void willStartCapture(unsigned /*sampleRate*/) {}

    // Runs on the capture thread, never blocks: `frames` mono samples in -1..1 at
    // `sampleRate` (the input device's rate, which a reopened device may change). It must
    // not allocate, lock, log or touch Qt containers: it shares the thread with every
    // other sink.
    virtual void capture(const float* samples, std::size_t frames, unsigned sampleRate) = 0;
};
