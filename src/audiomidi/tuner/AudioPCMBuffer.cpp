#include "AudioPCMBuffer.h"

AudioPCMBuffer::AudioPCMBuffer(const AudioFormat& format, std::uint32_t frameCapacity)
    : format_(format), frameCapacity_(frameCapacity)
{
    const std::uint32_t channels = std::min(format.channelCount, AudioBufferList::kMaxBuffers);
    samples_ = std::make_unique<float[]>(std::size_t(channels) * frameCapacity);
    list_.numberBuffers = channels;
    for (std::uint32_t c = 0; c < channels; ++c)
        list_.buffers[c] = {1, std::uint32_t(frameCapacity * sizeof(float)), samples_.get() + std::size_t(c) * frameCapacity};
    mutableList_ = list_;
}
