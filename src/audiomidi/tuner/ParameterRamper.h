#pragma once

#include <atomic>
#include <cstdint>

// A parameter value that moves linearly to a goal over a number of frames. Values set
// from outside (any thread, lock-free) are clamped to ±100000 and taken up by the render
// thread at its next step, without a ramp; ramps come from render events.
class ParameterRamper {
public:
    static constexpr float kClampLow = -100000.0f;
    static constexpr float kClampHigh = 100000.0f;

    static float clamp(float value);

    // Any thread, lock-free: the last value set from outside (or the goal of the last ramp).
    float uiValue() const { return uiValue_.load(std::memory_order_relaxed); }
    void setUIValue(float value);

    // Render thread: from the current value to `goal` over `duration` frames (0: at once).
    void startRamp(std::uint32_t duration, float goal);
    // Render thread: the value at this frame; moves one frame on.
    float step();
    float current() const { return float(samplesRemaining_) * inverseSlope_ + goal_; }
    float goal() const { return goal_; }
    std::uint32_t samplesRemaining() const { return samplesRemaining_; }

    // Control thread, at allocation while nothing renders: the goal is the value set from
    // outside, with no ramp in progress.
    void reset();

private:
    void takeUpOutsideValue();

    std::atomic<float> uiValue_{0.0f};
    float goal_ = 0.0f;
    float inverseSlope_ = 0.0f;
    std::uint32_t samplesRemaining_ = 0;
    std::atomic<int> changeCounter_{0}; // counts values set from outside
    int updateCounter_ = 0;             // the change the render thread took up last
};
