#include "imaging/resampler_passes.h"

#include <algorithm>

namespace {

// The sum divided by 65536 and clamped. An arithmetic shift rounds negative
// sums down where a division would round them up, but both clamp to 0.
inline uint8_t ClampChannel(int32_t sum) { return static_cast<uint8_t>(std::clamp(sum >> 16, 0, 255)); }

}  // namespace

void ApplyAlongLine(const uint8_t* source, const TContributorList& list, uint8_t* out, int64_t outStride) {
    const TContributor* all = list.contributors.data();
    for (const TContributorEntry& entry : list.entries) {
        int32_t blue = 0;
        int32_t green = 0;
        int32_t red = 0;
        const TContributor* c = all + entry.first;
        const TContributor* end = c + entry.count;
        for (; c != end; ++c) {
            const uint8_t* p = source + c->offset;
            blue += c->weight * p[0];
            green += c->weight * p[1];
            red += c->weight * p[2];
        }
        out[0] = ClampChannel(blue);
        out[1] = ClampChannel(green);
        out[2] = ClampChannel(red);
        out += outStride;
    }
}

void AccumulateLines(const uint8_t* const* lines, const int32_t* weights, int32_t count, int32_t bytes,
                     int32_t* acc) {
    std::fill_n(acc, bytes, 0);
    for (int32_t k = 0; k < count; ++k) {
        const uint8_t* line = lines[k];
        const int32_t weight = weights[k];
        for (int32_t b = 0; b < bytes; ++b) acc[b] += weight * line[b];
    }
}

void StoreAccumulated(const int32_t* acc, int32_t pixels, uint8_t* out, int32_t outPixelBytes) {
    if (outPixelBytes == 3) {
        for (int32_t b = 0; b < pixels * 3; ++b) out[b] = ClampChannel(acc[b]);
        return;
    }
    for (int32_t x = 0; x < pixels; ++x, acc += 3, out += outPixelBytes) {
        out[0] = ClampChannel(acc[0]);
        out[1] = ClampChannel(acc[1]);
        out[2] = ClampChannel(acc[2]);
    }
}
