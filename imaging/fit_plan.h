#pragma once
// The fitting rules: where a picture of a given size goes in a destination
// bitmap and how (copied, resampled, or stretched by GDI for tiny pictures).
// One plan serves both the whole-picture path (DrawFit) and the real-time
// resize during decoding, so both put the same pixels in the same place.
#include <cstdint>

enum class FitMode {
    Nothing,   // an empty picture or destination
    Copy,      // the region is copied unscaled
    Resample,  // the region is scaled with the Hermite filter
    Stretch,   // too small for the resampler: StretchDIBits with COLORONCOLOR
};

struct FitPlan {
    FitMode mode = FitMode::Nothing;
    // The part of the source that is drawn (the whole picture unless cropped).
    int32_t srcX = 0, srcY = 0, srcW = 0, srcH = 0;
    // Where it goes in the destination.
    int32_t dstX = 0, dstY = 0, dstW = 0, dstH = 0;
};

struct FitOptions {
    bool crop = false;
    bool enlarge = false;
    bool randomPos = false;
};

// The smallest picture and drawn sizes the resampler is used for; below them
// (or for small pictures that are enlarged) GDI stretching draws instead.
constexpr int32_t kResampleMinSize = 11;
constexpr int32_t kResampleMinEnlargedSize = 50;

// Plans a sourceW x sourceH picture into a destW x destH bitmap. Ratios are
// single precision; rounding is to nearest with halves to even. A random
// placement draws from the process-wide generator.
FitPlan PlanFit(int32_t destW, int32_t destH, int32_t sourceW, int32_t sourceH, const FitOptions& options);
