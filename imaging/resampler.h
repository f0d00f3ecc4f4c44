#pragma once
// Whole-picture filtered scaling of a rectangle of one bitmap into a
// rectangle of another: a horizontal pass into a 3-byte work buffer, then a
// vertical pass into the destination. Integer 16.16 arithmetic throughout.
#include <cstdint>

#include "imaging/bitmap.h"
#include "imaging/resampler_filters.h"

// Scales source (sx, sy, sw, sh) into dest (dx, dy, dw, dh). Does nothing when
// a size is not positive, when a rectangle does not lie inside its bitmap, or
// when a bitmap has no pixels. Every 300 rows of each pass the watchdog hears
// that work goes on and the show's stop request is read; a stop leaves the
// destination partly drawn. The fourth byte of destination pixels is kept.
void Resample(const TBitmap0& source, int32_t sx, int32_t sy, int32_t sw, int32_t sh, TBitmap0& dest, int32_t dx,
              int32_t dy, int32_t dw, int32_t dh, int32_t filter);

// Rows (or columns) between two watchdog notices in the resampler's passes.
constexpr int32_t kResampleNoticeRows = 300;

// Tells the watchdog that the calling thread's resampling goes on.
void ResampleProgressNotice();
