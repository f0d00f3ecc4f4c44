// Decode-and-fit of one picture into a cell as the show does it (the plugin
// host, the real-time resize), with the conversion to sRGB ("ColorManage")
// and without, the two taking turns in one process: the conversions a show
// keeps for the profiles it has seen are made once, as in a show.
// Usage: bench_colour FILE WxH [RUNS]
// Prints the median of each and their ratio.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/fit.h"
#include "imaging/plugin_host.h"
#include "library/settings.h"

namespace {
double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
}  // namespace

int main(int argc, char** argv) {
    int32_t w = 0, h = 0;
    if (argc < 3 || std::sscanf(argv[2], "%dx%d", &w, &h) != 2 || w < 1 || h < 1) {
        std::fprintf(stderr, "usage: bench_colour FILE WxH [RUNS]\n");
        return 2;
    }
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 15;
    RegisterPlugins();
    BitmapPtr cell(TBitmap0::Create(w, h));
    std::vector<double> managed, asIs;
    for (int i = 0; i < runs + 1; ++i) {
        for (const bool colour : {true, false}) {
            Settings.ColorManage = colour;
            const auto start = std::chrono::steady_clock::now();
            const PictureResult result = LoadPictureInto(*cell, argv[1]);
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            if (result.pictureWidth <= 0) {
                std::fprintf(stderr, "bench_colour: not decoded: %s\n", argv[1]);
                return 1;
            }
            if (i > 0) (colour ? managed : asIs).push_back(ms);  // the first round warms up
        }
    }
    const double on = Median(managed), off = Median(asIs);
    std::printf("managed %.1f ms, as stored %.1f ms, ratio %.3f (%d runs)\n", on, off, on / off, runs);
    cell.reset();
    ShutdownPlugins();
    return 0;
}
