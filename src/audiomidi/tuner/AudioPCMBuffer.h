#pragma once

#include "AudioBufferList.h"

#include <cstdint>
#include <memory>

// A block of samples in a format, made on a control thread for render code to fill: one
// zeroed buffer per channel of `frameCapacity` frames, described by a read-only list and
// a mutable list that render code may point elsewhere.
class AudioPCMBuffer {
public:
    AudioPCMBuffer(const AudioFormat& format, std::uint32_t frameCapacity);

    const AudioFormat& format() const { return format_; }
    std::uint32_t frameCapacity() const { return frameCapacity_; }
    const AudioBufferList* audioBufferList() const { return &list_; }
    AudioBufferList* mutableAudioBufferList() { return &mutableList_; }

private:
    AudioFormat format_;
    std::uint32_t frameCapacity_;
    std::unique_ptr<float[]> samples_;
    AudioBufferList list_;
    AudioBufferList mutableList_;
};
