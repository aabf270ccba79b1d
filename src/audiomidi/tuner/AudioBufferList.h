#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>

// The plain records that audio units exchange on the render thread: buffer lists of
// non-interleaved 32-bit float samples (one buffer per channel), stream formats, time
// stamps and the pull operation through which a unit asks for its input.

using OSStatus = std::int32_t;
using AudioUnitRenderActionFlags = std::uint32_t;

// Status codes of the render and allocation paths.
namespace AudioUnitStatus {
constexpr OSStatus noErr = 0;
constexpr OSStatus formatMismatch = -10875;   // input and output differ in channel count
constexpr OSStatus noInputConnection = -10876; // nothing to pull the input from
constexpr OSStatus tooManyFrames = -10874;     // more frames than the unit was allocated for
constexpr OSStatus notAllocated = -10867;      // rendering before render resources are allocated
} // namespace AudioUnitStatus

struct AudioBuffer {
    std::uint32_t numberChannels = 1;
    std::uint32_t dataByteSize = 0;
    float* data = nullptr;
};

// Holds at most kMaxBuffers buffers by value, so that render code copies it freely.
struct AudioBufferList {
    static constexpr std::uint32_t kMaxBuffers = 8;
    std::uint32_t numberBuffers = 0;
    AudioBuffer buffers[kMaxBuffers];

    // The samples of buffer `index` that hold at least `frames` frames, else null: render
    // code never reads or writes past a buffer, nor beyond the list.
    float* channel(std::uint32_t index, std::uint32_t frames) const
    {
        if (index >= std::min(numberBuffers, kMaxBuffers))
            return nullptr;
        const AudioBuffer& buffer = buffers[index];
        return buffer.dataByteSize / sizeof(float) >= frames ? buffer.data : nullptr;
    }
};

// The standard format: 32-bit float samples, one buffer per channel.
struct AudioFormat {
    double sampleRate = 44100.0;
    std::uint32_t channelCount = 2;

    bool operator==(const AudioFormat&) const = default;
};

struct AudioTimeStamp {
    double sampleTime = 0.0;
};

// Fills `list` with `frames` frames of input for bus `bus`; the render thread calls it.
using AURenderPullInputBlock = std::function<OSStatus(AudioUnitRenderActionFlags& flags, const AudioTimeStamp& time,
                                                      std::uint32_t frames, int bus, AudioBufferList* list)>;
