#pragma once

#include <cstdint>
#include <mutex>
#include <random>

// The uniform 32-bit random numbers behind every random choice; tests seed it.
class RandomSource {
public:
    static RandomSource& shared();

    void seed(std::uint32_t value);
    std::uint32_t next();
    // A number in [0, count); 0 when count is 0.
    std::uint32_t below(std::uint32_t count);

private:
    RandomSource();
    std::mutex mutex_;
    std::mt19937 engine_;
};
