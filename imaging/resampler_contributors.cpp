#include "imaging/resampler_contributors.h"

#include <algorithm>
#include <cmath>

#include "imaging/resampler_filters.h"

namespace {

constexpr int32_t kOne = 65536;

// Index reflected back into 0..size-1 about the edge pixels (-1 reads 1, size
// reads size-1). A very small source with a wide filter can reach further
// than one reflection brings back; such indices are held at the edge instead
// of reading outside the line.
int32_t MirrorIndex(int64_t j, int32_t size) {
    if (j < 0) j = -j;
    if (j >= size) j = 2 * static_cast<int64_t>(size) - j - 1;
    return static_cast<int32_t>(std::clamp<int64_t>(j, 0, size - 1));
}

}  // namespace

int32_t RoundHalfEven(double value) { return static_cast<int32_t>(std::nearbyint(value)); }

int64_t DivideRoundHalfEven(int64_t n, int64_t d) {
    if (d < 0) {
        n = -n;
        d = -d;
    }
    int64_t q = n / d;
    int64_t r = n % d;
    if (r < 0) {  // floor division, so that 0 <= r < d
        --q;
        r += d;
    }
    if (2 * r > d || (2 * r == d && (q & 1) != 0)) ++q;
    return q;
}

TContributorList BuildContributorList(int32_t sourceSize, int32_t destSize, int32_t filter) {
    TContributorList list;
    if (sourceSize <= 0 || destSize <= 0) return list;
    filter = NormaliseFilter(filter);
    const float support = FilterSupport(filter);
    const float scale = static_cast<float>(destSize) / static_cast<float>(sourceSize);
    const bool shrinking = scale < 1.0f;
    const float halfWidth = shrinking ? support / scale : support;

    list.entries.resize(static_cast<size_t>(destSize));
    for (int32_t i = 0; i < destSize; ++i) {
        const float centre = static_cast<float>(i) / scale;
        const int64_t left = static_cast<int64_t>(std::floor(centre - halfWidth));
        const int64_t right = static_cast<int64_t>(std::ceil(centre + halfWidth));
        TContributorEntry& entry = list.entries[static_cast<size_t>(i)];
        entry.first = static_cast<int32_t>(list.contributors.size());
        int64_t sum = 0;
        for (int64_t j = left; j <= right; ++j) {
            const float distance = centre - static_cast<float>(j);
            const float value = shrinking ? FilterValue(filter, distance * scale) * scale : FilterValue(filter, distance);
            const int32_t weight = RoundHalfEven(value * 256.0f * 256.0f);
            if (weight == 0) continue;
            list.contributors.push_back({weight, MirrorIndex(j, sourceSize)});
            sum += weight;
        }
        entry.count = static_cast<int32_t>(list.contributors.size()) - entry.first;
        if (sum != 0 && sum != kOne) {
            for (int32_t k = entry.first; k < entry.first + entry.count; ++k) {
                TContributor& c = list.contributors[static_cast<size_t>(k)];
                c.weight = static_cast<int32_t>(DivideRoundHalfEven(static_cast<int64_t>(c.weight) * kOne, sum));
            }
        }
    }
    return list;
}

void SetContributorOffsets(TContributorList& list, int32_t base, int32_t stride, bool reversed, int32_t extent) {
    for (TContributor& c : list.contributors) {
        const int32_t index = base + c.offset;
        c.offset = (reversed ? extent - 1 - index : index) * stride;
    }
}
