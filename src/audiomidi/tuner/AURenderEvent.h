#pragma once

#include <cstdint>

// One event of a render cycle, at a sample time: a parameter set, a parameter ramp or a
// MIDI message. Events reach a unit as a list linked through `next`, in time order.
enum class AURenderEventType : std::uint8_t {
    parameter = 1,
    parameterRamp = 2,
    midi = 8,
};

using AUParameterAddress = std::uint64_t;

struct AURenderEvent {
    const AURenderEvent* next = nullptr;
    std::int64_t eventSampleTime = 0;
    AURenderEventType eventType = AURenderEventType::parameter;
    // Parameter and ramp events.
    AUParameterAddress parameterAddress = 0;
    float value = 0.0f;
    std::uint32_t rampDurationSampleFrames = 0;
    // MIDI events.
    std::uint8_t cable = 0;
    std::uint8_t length = 0;
    std::uint8_t data[3] = {0, 0, 0};
};
