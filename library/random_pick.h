#pragma once
// Integer picks from the process-wide generator (library/random.h).
#include <cmath>
#include <cstdint>

#include "library/random.h"

// Round to nearest, halves to even. Each argument is a double already, so the
// result is the same on x87 and SSE builds.
inline int64_t Nearest(double x) { return std::llrint(x); }

// nearest(r * scale) for a fresh draw r.
inline int64_t RandomScaled(double scale) {
    volatile double product = RandomUnit() * scale;  // rounded to double before rounding to integer
    return Nearest(product);
}

// lo + nearest((hi - 0.002 - lo) * r - 0.499): uniform over lo..hi-1 (hi > lo).
inline int32_t RandomInWindow(int32_t lo, int32_t hi) {
    volatile double width = static_cast<double>(hi) - 0.002 - static_cast<double>(lo);
    volatile double product = width * RandomUnit();
    volatile double shifted = product - 0.499;
    return lo + static_cast<int32_t>(Nearest(shifted));
}
