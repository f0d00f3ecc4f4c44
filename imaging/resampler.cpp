#include "imaging/resampler.h"

#include <vector>

#include "diagnostics/watchdog.h"
#include "imaging/resampler_contributors.h"
#include "imaging/resampler_passes.h"
#include "show/stop_request.h"

namespace {

bool RectInside(const TBitmap0& bitmap, int32_t x, int32_t y, int32_t w, int32_t h) {
    return x >= 0 && y >= 0 && w > 0 && h > 0 && static_cast<int64_t>(x) + w <= bitmap.Width() &&
           static_cast<int64_t>(y) + h <= bitmap.Height();
}

// True when the watchdog should hear from us at this row, and the stop
// request has come.
bool NoticeAndCheckStop(int32_t row) {
    if (row % kResampleNoticeRows != 0 || row == 0) return false;
    ResampleProgressNotice();
    return StopRequested.load(std::memory_order_relaxed);
}

}  // namespace

void ResampleProgressNotice() { WorkerAlive(WatchdogThreadNumber); }

void Resample(const TBitmap0& source, int32_t sx, int32_t sy, int32_t sw, int32_t sh, TBitmap0& dest, int32_t dx,
              int32_t dy, int32_t dw, int32_t dh, int32_t filter) {
    if (!source.Pixels() || !dest.Pixels()) return;
    if (!RectInside(source, sx, sy, sw, sh) || !RectInside(dest, dx, dy, dw, dh)) return;

    TContributorList across = BuildContributorList(sw, dw, filter);
    SetContributorOffsets(across, sx, 4);
    const int64_t workRowBytes = static_cast<int64_t>(dw) * 3;
    std::vector<uint8_t> work(static_cast<size_t>(workRowBytes * sh));
    for (int32_t row = 0; row < sh; ++row) {
        if (NoticeAndCheckStop(row)) return;
        const auto* in = reinterpret_cast<const uint8_t*>(source.Row(sy + row));
        ApplyAlongLine(in, across, work.data() + row * workRowBytes, 3);
    }

    const TContributorList down = BuildContributorList(sh, dh, filter);
    std::vector<const uint8_t*> lines;
    std::vector<int32_t> weights;
    std::vector<int32_t> acc(static_cast<size_t>(workRowBytes));
    for (int32_t row = 0; row < dh; ++row) {
        if (NoticeAndCheckStop(row)) return;
        const TContributorEntry& entry = down.entries[static_cast<size_t>(row)];
        lines.clear();
        weights.clear();
        for (int32_t k = entry.first; k < entry.first + entry.count; ++k) {
            const TContributor& c = down.contributors[static_cast<size_t>(k)];
            lines.push_back(work.data() + c.offset * workRowBytes);
            weights.push_back(c.weight);
        }
        AccumulateLines(lines.data(), weights.data(), entry.count, static_cast<int32_t>(workRowBytes), acc.data());
        StoreAccumulated(acc.data(), dw, reinterpret_cast<uint8_t*>(dest.Row(dy + row) + dx), 4);
    }
}
