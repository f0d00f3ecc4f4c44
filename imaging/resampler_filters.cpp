#include "imaging/resampler_filters.h"

#include <cmath>

namespace {

constexpr float kPi = 3.14159265358979323846f;

float Box(float t) { return (t > -0.5f && t <= 0.5f) ? 1.0f : 0.0f; }

float Triangle(float a) { return a < 1.0f ? 1.0f - a : 0.0f; }

float Hermite(float a) { return a < 1.0f ? (2.0f * a - 3.0f) * a * a + 1.0f : 0.0f; }

float Bell(float a) {
    if (a < 0.5f) return 0.75f - a * a;
    if (a < 1.5f) {
        const float d = a - 1.5f;
        return 0.5f * d * d;
    }
    return 0.0f;
}

float BSpline(float a) {
    if (a < 1.0f) return a * a * a / 2.0f - a * a + 2.0f / 3.0f;
    if (a < 2.0f) {
        const float d = 2.0f - a;
        return d * d * d / 6.0f;
    }
    return 0.0f;
}

float Sinc(float x) {
    if (x == 0.0f) return 1.0f;
    const float px = kPi * x;
    return std::sin(px) / px;
}

float Lanczos3(float a) { return a < 3.0f ? Sinc(a) * Sinc(a / 3.0f) : 0.0f; }

// Mitchell-Netravali with B = C = 1/3, written out.
float Mitchell(float a) {
    const float a2 = a * a;
    const float a3 = a2 * a;
    if (a < 1.0f) return (7.0f * a3 - 12.0f * a2 + 16.0f / 3.0f) / 6.0f;
    if (a < 2.0f) return (-7.0f / 3.0f * a3 + 12.0f * a2 - 20.0f * a + 32.0f / 3.0f) / 6.0f;
    return 0.0f;
}

}  // namespace

int32_t NormaliseFilter(int32_t filter) { return (filter >= 0 && filter < kFilterCount) ? filter : kFilterHermite; }

float FilterSupport(int32_t filter) {
    static const float kSupport[kFilterCount] = {0.5f, 1.0f, 1.0f, 1.5f, 2.0f, 3.0f, 2.0f};
    return kSupport[NormaliseFilter(filter)];
}

float FilterValue(int32_t filter, float t) {
    const float a = std::fabs(t);
    switch (NormaliseFilter(filter)) {
        case kFilterBox: return Box(t);
        case kFilterTriangle: return Triangle(a);
        case kFilterBell: return Bell(a);
        case kFilterBSpline: return BSpline(a);
        case kFilterLanczos3: return Lanczos3(a);
        case kFilterMitchell: return Mitchell(a);
        default: return Hermite(a);
    }
}
