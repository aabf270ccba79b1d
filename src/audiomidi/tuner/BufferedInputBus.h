#pragma once

#include "AudioBufferList.h"
#include "AudioPCMBuffer.h"

#include <cstdint>
#include <memory>

// A connection point of a unit: its stream format and the most channels it takes.
struct AudioUnitBus {
    AudioFormat format;
    std::uint32_t maximumChannelCount = 2;
};

// A unit's input: pulls the upstream signal into a buffer of its own (made at allocation)
// that the kernel may process in place.
class BufferedInputBus {
public:
    // Control thread.
    void init(const AudioFormat& format, std::uint32_t maxChannels);
    void allocateRenderResources(std::uint32_t maxFrames);
    void deallocateRenderResources();

    // Render thread: resets the mutable list to the buffer, then asks `pullInputBlock` for
    // `frameCount` frames into it. No pull operation: noInputConnection.
    OSStatus pullInput(AudioUnitRenderActionFlags& actionFlags, const AudioTimeStamp& timestamp,
                       std::uint32_t frameCount, int inputBusNumber, const AURenderPullInputBlock* pullInputBlock);
    void prepareInputBufferList();

    AudioUnitBus bus;
    std::uint32_t maxFrames = 0;
    std::unique_ptr<AudioPCMBuffer> pcmBuffer;
    const AudioBufferList* originalAudioBufferList = nullptr;
    AudioBufferList* mutableAudioBufferList = nullptr;
};
