#include "imaging/fit_stretch.h"

#include <vector>

namespace {

int32_t CentreSample(int32_t i, int32_t sourceSize, int32_t destSize) {
    return static_cast<int32_t>((2 * static_cast<int64_t>(i) + 1) * sourceSize / (2 * static_cast<int64_t>(destSize)));
}

}  // namespace

void StretchNearest(TBitmap0& dest, const TBitmap0& source, const FitPlan& plan) {
    if (!dest.Pixels() || !source.Pixels() || plan.srcW <= 0 || plan.srcH <= 0 || plan.dstW <= 0 || plan.dstH <= 0)
        return;
    std::vector<int32_t> columns(static_cast<size_t>(plan.dstW));
    for (int32_t x = 0; x < plan.dstW; ++x) columns[static_cast<size_t>(x)] = plan.srcX + CentreSample(x, plan.srcW, plan.dstW);
    for (int32_t y = 0; y < plan.dstH; ++y) {
        const uint32_t* in = source.Row(plan.srcY + CentreSample(y, plan.srcH, plan.dstH));
        uint32_t* out = dest.Row(plan.dstY + y) + plan.dstX;
        for (int32_t x = 0; x < plan.dstW; ++x) out[x] = in[columns[static_cast<size_t>(x)]];
    }
}
