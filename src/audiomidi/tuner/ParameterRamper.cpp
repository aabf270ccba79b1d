#include "ParameterRamper.h"

#include <algorithm>

float ParameterRamper::clamp(float value)
{
    return std::clamp(value, kClampLow, kClampHigh);
}

void ParameterRamper::setUIValue(float value)
{
    uiValue_.store(clamp(value), std::memory_order_relaxed);
    changeCounter_.fetch_add(1, std::memory_order_release);
}

void ParameterRamper::startRamp(std::uint32_t duration, float goal)
{
    if (duration > 0) {
        inverseSlope_ = (current() - goal) / float(duration);
        samplesRemaining_ = duration;
    } else {
        inverseSlope_ = 0.0f;
        samplesRemaining_ = 0;
    }
    uiValue_.store(goal, std::memory_order_relaxed);
    goal_ = goal;
}

float ParameterRamper::step()
{
    takeUpOutsideValue();
    const float value = current();
    if (samplesRemaining_ > 0)
        --samplesRemaining_;
    return value;
}

void ParameterRamper::reset()
{
    updateCounter_ = 0;
    changeCounter_.store(0);
    goal_ = uiValue();
    inverseSlope_ = 0.0f;
    samplesRemaining_ = 0;
}

void ParameterRamper::takeUpOutsideValue()
{
    const int change = changeCounter_.load(std::memory_order_acquire);
    if (change == updateCounter_)
        return;
    updateCounter_ = change;
    goal_ = uiValue();
    inverseSlope_ = 0.0f;
    samplesRemaining_ = 0;
}
