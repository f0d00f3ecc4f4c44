#pragma once
// Contributor lists: for each destination index of one direction, which
// source pixels contribute and with what weight (16.16 fixed point, the
// weights of one index summing to 65536). Built once per direction, then
// applied by tight integer loops (resampler_passes.h).
#include <cstdint>
#include <vector>

struct TContributor {
    int32_t weight;  // 65536 = 1.0
    int32_t offset;  // source index, or a byte offset once scaled by SetContributorOffsets
};
using TContributors = std::vector<TContributor>;

// The contributors of one destination index: `count` entries of the list's
// storage starting at `first`.
struct TContributorEntry {
    int32_t first;
    int32_t count;
};

struct TContributorList {
    std::vector<TContributorEntry> entries;  // one per destination index
    TContributors contributors;              // storage for all entries
};

// The list for scaling `sourceSize` pixels to `destSize` with the given filter.
// Offsets are source indices in 0..sourceSize-1: indices that fall outside
// are mirrored back at the edges. Empty when either size is not positive.
TContributorList BuildContributorList(int32_t sourceSize, int32_t destSize, int32_t filter);

// Turns the indices into offsets: index i becomes (base + i) * stride, or,
// with `reversed`, (extent - 1 - (base + i)) * stride - the same samples read
// from a line that is stored back to front (a turned picture).
void SetContributorOffsets(TContributorList& list, int32_t base, int32_t stride, bool reversed = false,
                           int32_t extent = 0);

// Rounding to nearest with halves to even, for weights and for scaled sizes.
int32_t RoundHalfEven(double value);
// n / d rounded to nearest with halves to even, exactly; d must not be 0.
int64_t DivideRoundHalfEven(int64_t n, int64_t d);
