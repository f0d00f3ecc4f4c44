#include "imaging/fit_plan.h"

#include <algorithm>

#include "imaging/resampler_contributors.h"
#include "library/random.h"

namespace {

int32_t RoundFloat(float value) { return RoundHalfEven(static_cast<double>(value)); }

// Offset of a length inside a larger one: centred, or anywhere with
// random placement. Random placement draws a number even without spare room,
// so that every placement takes two draws (x, then y) from the generator the
// picture order also uses.
int32_t PlaceOffset(int32_t room, bool random) {
    const double r = random ? RandomUnit() : 0.0;
    if (room <= 0) return 0;
    if (!random) return room / 2;
    return std::clamp(RoundHalfEven(r * room), 0, room);
}

}  // namespace

FitPlan PlanFit(int32_t destW, int32_t destH, int32_t sourceW, int32_t sourceH, const FitOptions& options) {
    FitPlan plan;
    if (destW <= 0 || destH <= 0 || sourceW <= 0 || sourceH <= 0) return plan;

    const float wd = static_cast<float>(destW);
    const float hd = static_cast<float>(destH);
    float rx = static_cast<float>(sourceW) / wd;
    float ry = static_cast<float>(sourceH) / hd;
    int32_t x0 = 0, y0 = 0, w = sourceW, h = sourceH;

    // Crop: a picture of nearly the destination's shape is cut to fill it.
    const float shape = rx / ry;
    if (options.crop && (rx > 1.0f || ry > 1.0f || options.enlarge) && shape > 0.7f && shape < 1.4f) {
        const float m = std::min(rx, ry);
        if (m > 1.0f || options.enlarge) {
            // Never more than the picture has, whatever the float rounding.
            w = std::min(RoundFloat(wd * m), sourceW);
            h = std::min(RoundFloat(hd * m), sourceH);
        }
        if (w != sourceW || h != sourceH || m <= 1.0f) {
            if (destW < w && h <= destH) w = destW;
            if (w <= destW && destH < h) h = destH;
            w = std::max(w, 1);
            h = std::max(h, 1);
            x0 = (sourceW - w) / 2;
            y0 = (sourceH - h) / 2;
            rx = static_cast<float>(w) / wd;
            ry = static_cast<float>(h) / hd;
        }
    }
    plan.srcX = x0;
    plan.srcY = y0;
    plan.srcW = w;
    plan.srcH = h;

    if (rx == 1.0f && ry == 1.0f) {
        plan.mode = FitMode::Copy;
        plan.dstW = plan.srcW = std::min(w, destW);
        plan.dstH = plan.srcH = std::min(h, destH);
        return plan;
    }

    const bool larger = rx > 1.0f || ry > 1.0f;
    const bool enlarging = !larger && rx < 1.0f && ry < 1.0f && options.enlarge;
    if (larger || enlarging) {
        // Fit by the larger ratio; the other direction is centred.
        if (rx <= ry) {
            plan.dstH = destH;
            plan.dstW = RoundFloat(static_cast<float>(w) / ry);
            plan.dstX = RoundFloat(wd - static_cast<float>(w) / ry) / 2;
        } else {
            plan.dstW = destW;
            plan.dstH = RoundFloat(static_cast<float>(h) / rx);
            plan.dstY = RoundFloat(hd - static_cast<float>(h) / rx) / 2;
        }
        // Kept inside the destination whatever the rounding did.
        plan.dstW = std::clamp(plan.dstW, 1, destW);
        plan.dstH = std::clamp(plan.dstH, 1, destH);
        plan.dstX = std::clamp(plan.dstX, 0, destW - plan.dstW);
        plan.dstY = std::clamp(plan.dstY, 0, destH - plan.dstH);
        const bool tiny = sourceW < kResampleMinSize || sourceH < kResampleMinSize || plan.dstW < kResampleMinSize ||
                          plan.dstH < kResampleMinSize ||
                          (enlarging && sourceW < kResampleMinEnlargedSize && sourceH < kResampleMinEnlargedSize);
        plan.mode = tiny ? FitMode::Stretch : FitMode::Resample;
        return plan;
    }

    plan.mode = FitMode::Copy;
    plan.dstW = plan.srcW = w = std::min(w, destW);
    plan.dstH = plan.srcH = h = std::min(h, destH);
    plan.dstX = PlaceOffset(destW - w, options.randomPos);
    plan.dstY = PlaceOffset(destH - h, options.randomPos);
    return plan;
}
