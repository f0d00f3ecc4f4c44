// Frames per second of one continuous page turn with vertical sync off, and
// the time of one UploadPages of a full spread, at a given window size.
// Prints one line: "WxH fps F upload_ms U".
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "diagnostics/clock.h"
#include "imaging/bitmap.h"
#include "library/settings.h"
#include "show/album_offscreen_win32.h"
#include "show/album_renderer_win32.h"
#include "show/album_scene.h"
#include "show/gl_api_win32.h"
#include "show/gl_control_win32.h"
#include "show/gl_facts.h"

namespace {

BitmapPtr NoisyPage(int w, int h, uint32_t seed) {
    BitmapPtr b(TBitmap0::Create(w, h));
    uint32_t s = seed;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            s = s * 1664525u + 1013904223u;
            b->At(x, y) = (s >> 8) & 0xFFFFFF;
        }
    return b;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int w = argc > 1 ? std::atoi(argv[1]) : 1920;
    const int h = argc > 2 ? std::atoi(argv[2]) : 1080;
    const int turnMs = argc > 3 ? std::atoi(argv[3]) : 5000;
    try {
        Settings = TSettings();
        Settings.vsync = 2;  // vertical sync off, and nothing to decide or store
        AlbumOffscreen album(w, h, true);
        RecordGLFacts();
        const int pw = Scene.grid.width, ph = Scene.grid.height;
        BitmapPtr pages[6];
        for (int i = 0; i < 6; ++i) pages[i] = NoisyPage(pw, ph, 17 + i);
        album.SetPages(pages[0].get(), pages[1].get(), pages[2].get(), pages[3].get());

        // Upload of a full spread (the swap and two pages), finished on the GPU.
        std::vector<double> uploads;
        for (int i = 0; i < 7; ++i) {
            NextLeft = pages[4 + (i & 1)].get();
            NextRight = pages[5 - (i & 1)].get();
            PagesPending = true;
            gl.Finish();
            const int32_t t0 = Clock100us();
            UploadPages();
            gl.Finish();
            uploads.push_back((Clock100us() - t0) / 10.0);
        }

        // One continuous turn, drawn and presented as fast as possible.
        TurnDuration = turnMs;
        Reverse = false;
        TurnDone = false;
        TurnStart = Clock100us();
        const int32_t start = ClockMs();
        int frames = 0;
        while (!TurnDone) {
            album.DrawRunning(false);
            ++frames;
        }
        const double seconds = (ClockMs() - start) / 1000.0;
        std::printf("%dx%d fps %.1f upload_ms %.1f frames %d renderer %s\n", w, h, frames / seconds,
                    Median(uploads), frames, RecordedGLFacts.accelerator.c_str());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_album_turn: %s\n", e.what());
        return 1;
    }
}
