// Whole-picture Resample throughput: 4000 x 3000 -> 1920 x 1080 with the
// Hermite filter, median of several runs, in source megapixels per second.
// Usage: bench_resample [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/resampler.h"

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    constexpr int32_t kSourceW = 4000, kSourceH = 3000, kDestW = 1920, kDestH = 1080;
    BitmapPtr source(TBitmap0::Create(kSourceW, kSourceH));
    uint32_t state = 1;
    for (int32_t y = 0; y < kSourceH; ++y)
        for (int32_t x = 0; x < kSourceW; ++x) {
            state = state * 1664525u + 1013904223u;
            source->At(x, y) = static_cast<uint32_t>((x * 255 / kSourceW) | (y * 255 / kSourceH) << 8) ^ (state >> 28) << 16;
        }
    BitmapPtr dest(TBitmap0::Create(kDestW, kDestH));

    std::vector<double> seconds;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        Resample(*source, 0, 0, kSourceW, kSourceH, *dest, 0, 0, kDestW, kDestH, kFilterHermite);
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    const double median = seconds[seconds.size() / 2];
    const double sourceMp = kSourceW * static_cast<double>(kSourceH) / 1e6;
    const double destMp = kDestW * static_cast<double>(kDestH) / 1e6;
    std::printf("resample %dx%d->%dx%d hermite: median %.1f ms, %.1f source MP/s, %.1f output MP/s (%d runs)\n",
                kSourceW, kSourceH, kDestW, kDestH, median * 1e3, sourceMp / median, destMp / median, runs);
    return 0;
}
