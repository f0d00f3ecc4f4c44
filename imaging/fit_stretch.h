#pragma once
// Drawing for pictures too small for the resampler: plain stretching that
// repeats or drops whole pixels (GDI's COLORONCOLOR mode).
#include "imaging/bitmap.h"
#include "imaging/fit_plan.h"

// The plan's source region stretched into its destination rectangle. On
// Windows through StretchDIBits when the destination owns a device context;
// otherwise (natively, or a wrapped destination) by StretchNearest.
void StretchPicture(TBitmap0& dest, const TBitmap0& source, const FitPlan& plan);

// The portable equivalent: destination pixel i takes source pixel
// (2i + 1) * sourceSize / (2 * destSize), the one under its centre.
void StretchNearest(TBitmap0& dest, const TBitmap0& source, const FitPlan& plan);
