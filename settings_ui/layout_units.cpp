#include "settings_ui/layout_units.h"

namespace {
// numerator / denominator (denominator > 0), nearest, halves to even.
int32_t DivideRounded(int64_t numerator, int64_t denominator) {
    int64_t quotient = numerator / denominator;
    int64_t remainder = numerator % denominator;
    if (remainder < 0) {  // floor division, so the remainder is never negative
        --quotient;
        remainder += denominator;
    }
    const int64_t twice = 2 * remainder;
    if (twice > denominator || (twice == denominator && (quotient & 1) != 0)) ++quotient;
    return static_cast<int32_t>(quotient);
}

int64_t UsableDpi(int32_t dpi) { return dpi > 0 ? dpi : kLayoutDpi; }
}  // namespace

int32_t ScaleToScreen(int32_t value, int32_t dpi) { return DivideRounded(int64_t{value} * UsableDpi(dpi), kLayoutDpi); }

int32_t ScaleFromScreen(int32_t pixels, int32_t dpi) {
    return DivideRounded(int64_t{pixels} * kLayoutDpi, UsableDpi(dpi));
}
