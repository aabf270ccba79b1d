#include "DSPKernel.h"

#include <algorithm>

Buffered::Channels Buffered::channelsOf(int channelCount, std::uint32_t frames) const
{
    Channels channels;
    channels.count = std::min(std::uint32_t(std::max(channelCount, 0)), AudioBufferList::kMaxBuffers);
    for (std::uint32_t c = 0; c < channels.count; ++c) {
        channels.in[c] = inBufferListPtr ? inBufferListPtr->channel(c, frames) : nullptr;
        channels.out[c] = outBufferListPtr ? outBufferListPtr->channel(c, frames) : nullptr;
    }
    return channels;
}

void handleRenderEvent(DSPKernel& kernel, const AURenderEvent& event)
{
    switch (event.eventType) {
    case AURenderEventType::parameter:
    case AURenderEventType::parameterRamp:
        kernel.startRamp(event.parameterAddress, event.value, event.rampDurationSampleFrames);
        break;
    case AURenderEventType::midi:
        kernel.handleMIDIEvent(event);
        break;
    }
}

const AURenderEvent* handleSimultaneousEvents(DSPKernel& kernel, std::int64_t now, const AURenderEvent* event)
{
    const std::int64_t time = std::max(event->eventSampleTime, now);
    do {
        handleRenderEvent(kernel, *event);
        event = event->next;
    } while (event && std::max(event->eventSampleTime, now) == time);
    return event;
}

void renderWithEvents(DSPKernel& kernel, const AudioTimeStamp& timestamp, std::uint32_t frameCount,
                      const AURenderEvent* events)
{
    if (frameCount == 0)
        return;
    std::int64_t now = std::int64_t(timestamp.sampleTime);
    std::uint32_t remaining = frameCount;
    const AURenderEvent* event = events;
    while (event) {
        // Clamped both ways: a late event waits for nothing, an early one no longer than the
        // rest of the cycle, and events after the cycle are still handled (at its end).
        const auto frames = std::uint32_t(std::clamp<std::int64_t>(event->eventSampleTime - now, 0, remaining));
        if (frames > 0) {
            kernel.process(frames, frameCount - remaining);
            remaining -= frames;
            now += frames;
        }
        event = handleSimultaneousEvents(kernel, now, event);
    }
    if (remaining > 0)
        kernel.process(remaining, frameCount - remaining);
}
