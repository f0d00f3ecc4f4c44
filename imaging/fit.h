#pragma once
// Fitting a decoded picture into a page cell, and loading one picture file
// into a cell (through the real-time resize when it is on).
#include "imaging/bitmap.h"
#include "imaging/fit_plan.h"

// The fitting options a bitmap carries (crop, enlarge, random position).
FitOptions FitOptionsOf(const TBitmap0& dest);

// Fills dest with its background, then draws source into it by the fitting
// rules: copied, resampled with Hermite, or stretched when tiny.
void DrawFit(TBitmap0& dest, const TBitmap0& source);
