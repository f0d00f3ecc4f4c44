#pragma once
// The resampler's inner loops, shared by whole-picture Resample and the
// real-time line callback so that both produce the same pixels. Pixels are
// blue, green, red in the first three bytes; the fourth byte of a 32-bit
// pixel is never written.
#include <cstdint>

#include "imaging/resampler_contributors.h"

// For each entry of `list` (offsets in bytes into `source`), sums weight times
// channel over the contributors and writes the three clamped channels of
// output pixel i at out + i * outStride. outStride 3 fills a work line, 4 a
// bitmap row, the bitmap's row size a bitmap column.
void ApplyAlongLine(const uint8_t* source, const TContributorList& list, uint8_t* out, int64_t outStride);

// acc[b] = sum over k of weights[k] * lines[k][b], for b < bytes. `acc` must
// hold `bytes` values.
void AccumulateLines(const uint8_t* const* lines, const int32_t* weights, int32_t count, int32_t bytes,
                     int32_t* acc);

// Writes the accumulated channels of `pixels` pixels, divided by 65536 and
// clamped to 0..255, as 3-byte groups `outPixelBytes` apart (3 or 4).
void StoreAccumulated(const int32_t* acc, int32_t pixels, uint8_t* out, int32_t outPixelBytes);
