#include "EffectAudioUnit.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kDefaultSampleRate = 44100.0;
constexpr std::uint32_t kDefaultChannels = 2;
constexpr double kDefaultRampTime = 0.0002; // s: 8 frames at 44100 Hz
} // namespace

EffectAudioUnit::EffectAudioUnit()
{
    defaultFormat_ = {kDefaultSampleRate, kDefaultChannels};
    outputBus_ = {defaultFormat_, kDefaultChannels};
}

void EffectAudioUnit::createCommonParameters()
{
    setRampTime(kDefaultRampTime);
    defaultFormat_ = {kDefaultSampleRate, kDefaultChannels};
    dspKernel().init(int(defaultFormat_.channelCount), defaultFormat_.sampleRate);
    inputBus_.init(defaultFormat_, kMaxInputChannels);
}

void EffectAudioUnit::setRampTime(double rampTime)
{
    if (rampTime == rampTime_)
        return;
    rampTime_ = rampTime;
    setUpParameterRamp();
}

void EffectAudioUnit::setUpParameterRamp()
{
    if (!parameterTree_)
        return;
    const auto rampFrames = std::uint32_t(std::trunc(rampTime_ * outputBus_.format.sampleRate));
    parameterTree_->setImplementorValueObserver([this, rampFrames](AUParameter& parameter, float value) {
        scheduleParameter(parameter.address(), value, rampFrames);
    });
}

bool EffectAudioUnit::allocateRenderResources(OSStatus* status)
{
    setUpParameterRamp();
    if (outputBus_.format.channelCount != inputBus_.bus.format.channelCount) {
        if (status)
            *status = AudioUnitStatus::formatMismatch;
        allocated_ = false;
        return false;
    }
    inputBus_.allocateRenderResources(kMaximumFramesToRender);
    dspKernel().init(int(outputBus_.format.channelCount), outputBus_.format.sampleRate);
    didAllocateRenderResources();
    allocated_ = true;
    if (status)
        *status = AudioUnitStatus::noErr;
    return true;
}

void EffectAudioUnit::deallocateRenderResources()
{
    if (allocated_)
        willDeallocateRenderResources();
    allocated_ = false;
    inputBus_.deallocateRenderResources();
}

bool EffectAudioUnit::scheduleParameter(AUParameterAddress address, float value, std::uint32_t duration)
{
    const std::size_t written = scheduledWritten_.load(std::memory_order_relaxed);
    if (written - scheduledRead_.load(std::memory_order_acquire) >= kScheduledEventCapacity)
        return false;
    scheduled_[written % kScheduledEventCapacity] = {address, value, duration};
    scheduledWritten_.store(written + 1, std::memory_order_release);
    return true;
}

const AURenderEvent* EffectAudioUnit::takeScheduledEvents(std::int64_t now, const AURenderEvent* realtime)
{
    const std::size_t read = scheduledRead_.load(std::memory_order_relaxed);
    const std::size_t written = scheduledWritten_.load(std::memory_order_acquire);
    const std::size_t count = written - read;
    if (count == 0)
        return realtime;
    for (std::size_t i = 0; i < count; ++i) {
        const ScheduledParameter& parameter = scheduled_[(read + i) % kScheduledEventCapacity];
        AURenderEvent& event = scheduledEvents_[i];
        event.eventType = AURenderEventType::parameterRamp;
        event.eventSampleTime = now;
        event.parameterAddress = parameter.address;
        event.value = parameter.value;
        event.rampDurationSampleFrames = parameter.duration;
        event.next = i + 1 < count ? &scheduledEvents_[i + 1] : realtime;
    }
    scheduledRead_.store(written, std::memory_order_release);
    return &scheduledEvents_[0];
}

OSStatus EffectAudioUnit::render(AudioUnitRenderActionFlags& actionFlags, const AudioTimeStamp& timestamp,
                                 std::uint32_t frameCount, int /*outputBusNumber*/, AudioBufferList* outputData,
                                 const AURenderEvent* realtimeEventListHead,
                                 const AURenderPullInputBlock* pullInputBlock)
{
    if (!allocated_ || !outputData)
        return AudioUnitStatus::notAllocated;
    if (frameCount > kMaximumFramesToRender)
        return AudioUnitStatus::tooManyFrames;
    const OSStatus status = inputBus_.pullInput(actionFlags, timestamp, frameCount, 0, pullInputBlock);
    if (status != AudioUnitStatus::noErr)
        return status;

    AudioBufferList* input = inputBus_.mutableAudioBufferList;
    if (!outputData->buffers[0].data) {
        const std::uint32_t shared = std::min({outputData->numberBuffers, input->numberBuffers, AudioBufferList::kMaxBuffers});
        for (std::uint32_t i = 0; i < shared; ++i) {
            outputData->buffers[i].data = input->buffers[i].data;
            outputData->buffers[i].dataByteSize = input->buffers[i].dataByteSize;
        }
    }
    Buffered& buffers = kernelBuffers();
    buffers.inBufferListPtr = input;
    buffers.outBufferListPtr = outputData;
    const AURenderEvent* events = takeScheduledEvents(std::int64_t(timestamp.sampleTime), realtimeEventListHead);
    renderWithEvents(dspKernel(), timestamp, frameCount, events);
    return AudioUnitStatus::noErr;
}
