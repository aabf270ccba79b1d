#include "RandomSource.h"

RandomSource& RandomSource::shared()
{
    static RandomSource source;
    return source;
}

RandomSource::RandomSource()
    : engine_(std::random_device{}())
{
}

void RandomSource::seed(std::uint32_t value)
{
    std::lock_guard lock(mutex_);
    engine_.seed(value);
}

std::uint32_t RandomSource::next()
{
    std::lock_guard lock(mutex_);
    return static_cast<std::uint32_t>(engine_());
}

std::uint32_t RandomSource::below(std::uint32_t count)
{
    return count == 0 ? 0 : next() % count;
}
