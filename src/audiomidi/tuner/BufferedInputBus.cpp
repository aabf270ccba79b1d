#include "BufferedInputBus.h"

void BufferedInputBus::init(const AudioFormat& format, std::uint32_t maxChannels)
{
    maxFrames = 0;
    pcmBuffer.reset();
    originalAudioBufferList = nullptr;
    mutableAudioBufferList = nullptr;
    bus = {format, maxChannels};
}

void BufferedInputBus::allocateRenderResources(std::uint32_t frames)
{
    maxFrames = frames;
    pcmBuffer = std::make_unique<AudioPCMBuffer>(bus.format, maxFrames);
    originalAudioBufferList = pcmBuffer->audioBufferList();
    mutableAudioBufferList = pcmBuffer->mutableAudioBufferList();
}

void BufferedInputBus::deallocateRenderResources()
{
    pcmBuffer.reset();
    originalAudioBufferList = nullptr;
    mutableAudioBufferList = nullptr;
}

void BufferedInputBus::prepareInputBufferList()
{
    const std::uint32_t count = originalAudioBufferList->numberBuffers;
    mutableAudioBufferList->numberBuffers = count;
    for (std::uint32_t i = 0; i < count; ++i) {
        mutableAudioBufferList->buffers[i].numberChannels = originalAudioBufferList->buffers[i].numberChannels;
        mutableAudioBufferList->buffers[i].data = originalAudioBufferList->buffers[i].data;
        mutableAudioBufferList->buffers[i].dataByteSize = std::uint32_t(maxFrames * sizeof(float));
    }
}

OSStatus BufferedInputBus::pullInput(AudioUnitRenderActionFlags& actionFlags, const AudioTimeStamp& timestamp,
                                     std::uint32_t frameCount, int inputBusNumber,
                                     const AURenderPullInputBlock* pullInputBlock)
{
    if (!pullInputBlock || !*pullInputBlock)
        return AudioUnitStatus::noInputConnection;
    if (!mutableAudioBufferList || frameCount > maxFrames)
        return AudioUnitStatus::tooManyFrames;
    prepareInputBufferList();
    return (*pullInputBlock)(actionFlags, timestamp, frameCount, inputBusNumber, mutableAudioBufferList);
}
