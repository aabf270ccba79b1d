#pragma once

#include <cmath>
#include <limits>

// A real number as an integer type, held to the type's range (NaN gives 0). A plain cast of
// a value outside the range is undefined, and stored numbers can be anything.
template <typename Integer>
Integer saturatingCast(double value)
{
    if (std::isnan(value))
        return 0;
    // The bounds as doubles: the upper one rounds up to a power of two, which is out of range.
    constexpr double lowest = double(std::numeric_limits<Integer>::lowest());
    constexpr double beyondHighest = double(std::numeric_limits<Integer>::max()) + 1.0;
    if (value <= lowest)
        return std::numeric_limits<Integer>::lowest();
    if (value >= beyondHighest)
        return std::numeric_limits<Integer>::max();
    return static_cast<Integer>(value); // truncates toward zero
}
