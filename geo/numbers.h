#ifndef NUMBERS_H
#define NUMBERS_H

#include <cmath>
#include <limits>

// Integer conversions for values that may come from untrusted files or EXIF:
// a non-number gives 0 and out-of-range values saturate instead of being
// undefined behaviour.
inline long long truncToInteger(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double limit = 9.0e18;
    if (value >= limit)
        return static_cast<long long>(limit);
    if (value <= -limit)
        return -static_cast<long long>(limit);
    return static_cast<long long>(value);
}

// Rounds half away from zero: add 0.5 and truncate for values >= 0,
// subtract 0.5 and truncate otherwise.
inline long long roundHalfAwayFromZero(double value)
{
    return truncToInteger(value >= 0 ? value + 0.5 : value - 0.5);
}

inline int clampToInt(long long value)
{
    if (value > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

#endif // NUMBERS_H
