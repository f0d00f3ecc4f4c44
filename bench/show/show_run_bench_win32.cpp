// A running show, measured from inside the process: the time from start to
// the first frame of the first turn, frames per second during turns, the time
// of each PrepareNextSpread, and memory and handles after the 10th and the
// last turn. The settings (folder, "Path", "Delay", "Convert", "Screens")
// come from the registry as for a real show; the run ends after TURNS turns.
//
//   bench_show_run.exe TURNS [JPEG CELL_WIDTH CELL_HEIGHT]
// Prints one line of figures. With a JPEG, first times the decode-and-fit of
// that picture into a cell of that size (median of 5), the yardstick for the
// spread preparation.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "diagnostics/clock.h"
#include "imaging/bitmap.h"
#include "imaging/fit.h"
#include "library/settings.h"
#include "show/album_scene.h"
#include "show/show_state.h"
#include "show/show_win32.h"
#include "show/stop_request.h"

namespace {

struct Usage {
    double privateMb = 0;
    DWORD handles = 0;
    DWORD gdiObjects = 0;
};

Usage Measure() {
    Usage u;
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    // Private bytes where the system reports them, else the pagefile share.
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc))
        u.privateMb = (pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage) / 1048576.0;
    GetProcessHandleCount(GetCurrentProcess(), &u.handles);
    u.gdiObjects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    return u;
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Mean(const std::vector<double>& v) {
    double sum = 0;
    for (const double x : v) sum += x;
    return v.empty() ? 0 : sum / static_cast<double>(v.size());
}

struct Watch {
    int turns = 0;
    int32_t start = 0;
    double firstFrameMs = -1;
    std::vector<double> fps, prepareMs;
    Usage afterTen, atEnd;
};
Watch watch;

// Polls the show's state every millisecond from its own thread.
DWORD WINAPI Watcher(void*) {
    bool turning = false, preparing = false;
    int32_t prepareStart = 0, lastRate = -1;
    for (;;) {
        Sleep(1);
        const int32_t now = ClockMs();
        if (!TurnDone && !turning) {
            turning = true;
            if (watch.firstFrameMs < 0) watch.firstFrameMs = now - watch.start;
        } else if (TurnDone && turning) {
            turning = false;
            ++watch.turns;
            if (watch.turns == 10) watch.afterTen = Measure();
            if (watch.turns == std::atoi(__argv[1])) {
                watch.atEnd = Measure();
                RequestShowEnd();
                return 0;
            }
        }
        if (Show.Preparing && !preparing) {
            preparing = true;
            prepareStart = now;
        } else if (!Show.Preparing && preparing) {
            preparing = false;
            watch.prepareMs.push_back(now - prepareStart);
        }
        if (turning && Show.FrameRate > 0 && Show.FrameRate != lastRate) watch.fps.push_back(Show.FrameRate);
        lastRate = Show.FrameRate;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::atoi(argv[1]) < 1) {
        std::fprintf(stderr, "usage: bench_show_run TURNS [JPEG CELL_WIDTH CELL_HEIGHT]\n");
        return 2;
    }
    watch.start = ClockMs();
    InitLibrary();
    double fitMs = 0;
    if (argc >= 5) {
        BitmapPtr cell(TBitmap0::Create(std::atoi(argv[3]), std::atoi(argv[4])));
        std::vector<double> times;
        for (int i = 0; i < 5; ++i) {
            const int32_t t0 = Clock100us();
            LoadPictureInto(*cell, argv[2]);
            times.push_back((Clock100us() - t0) / 10.0);
        }
        fitMs = Median(times);
        watch.start = ClockMs();
    }
    Show.LaunchedFromSettings = true;  // the show returns here instead of ending the process
    HANDLE watcher = CreateThread(nullptr, 0, Watcher, nullptr, 0, nullptr);
    RunShowIn(nullptr);
    WaitForSingleObject(watcher, 10000);
    std::printf("fit_ms %.0f first_frame_ms %.0f fps_median %.1f prepare_median_ms %.0f prepare_mean_ms %.1f turns %d"
                " private_mb %.1f/%.1f handles %lu/%lu gdi %lu/%lu\n",
                fitMs, watch.firstFrameMs, Median(watch.fps), Median(watch.prepareMs), Mean(watch.prepareMs), watch.turns,
                watch.afterTen.privateMb,
                watch.atEnd.privateMb, watch.afterTen.handles, watch.atEnd.handles, watch.afterTen.gdiObjects,
                watch.atEnd.gdiObjects);
    return 0;
}
