#pragma once
// The resampler's reconstruction filters, chosen by number. The page pipeline
// always uses Hermite. Values are single precision: they only feed weights
// that are rounded to 16.16 fixed point anyway.
#include <cstdint>

enum ResampleFilter : int32_t {
    kFilterBox = 0,
    kFilterTriangle = 1,
    kFilterHermite = 2,
    kFilterBell = 3,
    kFilterBSpline = 4,
    kFilterLanczos3 = 5,
    kFilterMitchell = 6,
};
constexpr int32_t kFilterCount = 7;

// A number outside 0..6 falls back to Hermite rather than reading past the
// filter table.
int32_t NormaliseFilter(int32_t filter);

// Half-width of the filter's non-zero region, in source pixels at scale 1.
float FilterSupport(int32_t filter);

// The filter's value at distance t from the sample centre.
float FilterValue(int32_t filter, float t);
