#pragma once

#include "AUParameterTree.h"
#include "AURenderEvent.h"
#include "AudioBufferList.h"
#include "BufferedInputBus.h"
#include "DSPKernel.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

// What the two tuner units share in place of the platform's audio-unit class: one input
// bus pulled into a buffer of its own, one output bus, a parameter tree whose changes
// travel to the kernel as ramp events once render resources are allocated, and the render
// operation that runs the kernel in place over the pulled input.
//
// Control operations run on one control thread (the main thread); render() runs on the
// render thread, never blocks and allocates nothing.
class EffectAudioUnit {
public:
    static constexpr std::uint32_t kMaxInputChannels = 8;
    static constexpr std::uint32_t kMaximumFramesToRender = 512;
    static constexpr std::size_t kScheduledEventCapacity = 64;

    virtual ~EffectAudioUnit() = default;
    EffectAudioUnit(const EffectAudioUnit&) = delete;
    EffectAudioUnit& operator=(const EffectAudioUnit&) = delete;

    // Control thread. Refused (formatMismatch in *status) when the input and output buses
    // differ in channel count; the kernel starts afresh at the output format.
    bool allocateRenderResources(OSStatus* status = nullptr);
    void deallocateRenderResources();
    bool renderResourcesAllocated() const { return allocated_; }

    // Render thread: pulls `frameCount` frames of input (bus 0) and processes them into
    // `outputData`, in place when its first buffer has no data. Not allocated, or more
    // frames than kMaximumFramesToRender: an error status and nothing rendered.
    OSStatus render(AudioUnitRenderActionFlags& actionFlags, const AudioTimeStamp& timestamp, std::uint32_t frameCount,
                    int outputBusNumber, AudioBufferList* outputData, const AURenderEvent* realtimeEventListHead,
                    const AURenderPullInputBlock* pullInputBlock);

    // Control thread, lock-free: a ramp of the parameter to `value` over `duration` frames
    // at the start of the next render cycle. False when too many are pending.
    bool scheduleParameter(AUParameterAddress address, float value, std::uint32_t duration);

    double rampTime() const { return rampTime_; }
    void setRampTime(double rampTime);
    AUParameterTree* parameterTree() const { return parameterTree_.get(); }
    AudioUnitBus& outputBus() { return outputBus_; }
    BufferedInputBus& inputBus() { return inputBus_; }
    const AudioFormat& defaultFormat() const { return defaultFormat_; }
    void setDefaultFormat(const AudioFormat& format) { defaultFormat_ = format; }
    std::uint32_t maximumFramesToRender() const { return kMaximumFramesToRender; }

protected:
    EffectAudioUnit();

    virtual ZTDSPKernel& dspKernel() = 0;
    virtual Buffered& kernelBuffers() = 0;
    // After a successful allocation, and before render resources go.
    virtual void didAllocateRenderResources() {}
    virtual void willDeallocateRenderResources() {}

    // The steps both units' parameter set-up shares: a ramp time of 0.2 ms, the standard
    // format at 44100 Hz and 2 channels, the kernel set up for it, and the input bus made
    // with at most 8 channels.
    void createCommonParameters();
    void setParameterTree(std::unique_ptr<AUParameterTree> tree) { parameterTree_ = std::move(tree); }
    void setUpParameterRamp();

private:
    struct ScheduledParameter {
        AUParameterAddress address = 0;
        float value = 0.0f;
        std::uint32_t duration = 0;
    };
    // Render thread: the scheduled parameters as events at `now`, ahead of `realtime`.
    const AURenderEvent* takeScheduledEvents(std::int64_t now, const AURenderEvent* realtime);

    AudioFormat defaultFormat_;
    double rampTime_ = 0.0;
    std::unique_ptr<AUParameterTree> parameterTree_;
    AudioUnitBus outputBus_;
    BufferedInputBus inputBus_;
    std::atomic<bool> allocated_{false}; // changes only while nothing renders

    // One control thread writes, the render thread reads.
    std::array<ScheduledParameter, kScheduledEventCapacity> scheduled_;
    std::atomic<std::size_t> scheduledWritten_{0};
    std::atomic<std::size_t> scheduledRead_{0};
    std::array<AURenderEvent, kScheduledEventCapacity> scheduledEvents_; // render thread's own
};
