#pragma once

#include "AURenderEvent.h"
#include "AudioBufferList.h"

#include <cstdint>

// The signal-processing half of an audio unit: render-thread code with plain fields that
// never allocates, locks or logs. The render loop (renderWithEvents) cuts each cycle at
// its events' sample times and calls process() for the stretches between them.
class DSPKernel {
public:
    virtual ~DSPKernel() = default;

    // Render thread: `frameCount` frames from `bufferOffset` on in the current buffers.
    virtual void process(std::uint32_t frameCount, std::uint32_t bufferOffset) = 0;
    // Render thread: move the parameter at `address` to `value` over `duration` frames.
    virtual void startRamp(AUParameterAddress address, float value, std::uint32_t duration) = 0;
    // Render thread: no kernel here plays MIDI.
    virtual void handleMIDIEvent(const AURenderEvent& /*midiEvent*/) {}
    // Control thread, at creation and at each allocation of render resources.
    virtual void init(int channelCount, double sampleRate) = 0;
};

// A kernel with a channel count and a sample rate.
class ZTDSPKernel : public DSPKernel {
public:
    int channels = 2;
    float sampleRate = 44100.0f;
};

// The buffers of the current render cycle, set by the unit before each render loop.
class OutputBuffered {
public:
    AudioBufferList* outBufferListPtr = nullptr;
};

class Buffered : public OutputBuffered {
public:
    const AudioBufferList* inBufferListPtr = nullptr;

    // The samples of the first `channelCount` channels (at most kMaxBuffers) in both lists;
    // null where a list has no buffer of `frames` frames for the channel.
    struct Channels {
        const float* in[AudioBufferList::kMaxBuffers] = {};
        float* out[AudioBufferList::kMaxBuffers] = {};
        std::uint32_t count = 0;
    };
    Channels channelsOf(int channelCount, std::uint32_t frames) const;
};

// Render thread. Parameter and ramp events start a ramp, MIDI events go to the kernel,
// other types are ignored.
void handleRenderEvent(DSPKernel& kernel, const AURenderEvent& event);

// Render thread. Handles `event` and every event after it at the same sample time;
// returns the first later event, or null.
const AURenderEvent* handleSimultaneousEvents(DSPKernel& kernel, std::int64_t now, const AURenderEvent* event);

// Render thread. Processes `frameCount` frames from `timestamp`, handling each event at
// its sample time. An event before the cycle counts as at its start, one after it as at
// its end, so process() never runs past the cycle's buffers.
void renderWithEvents(DSPKernel& kernel, const AudioTimeStamp& timestamp, std::uint32_t frameCount,
                      const AURenderEvent* events);
