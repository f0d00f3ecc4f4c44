#include "show/vsync.h"

#include <cmath>

#include "library/random.h"
#include "library/registry.h"
#include "library/settings.h"

namespace {
constexpr uint32_t kGenericFormat = 0x40;
constexpr uint32_t kGenericAccelerated = 0x1000;
constexpr int32_t kSlowFrameRate = 50;
constexpr int32_t kSlowSecondsLimit = 100;

FrameRateWatch& ShowFrameRateWatch() {
    static FrameRateWatch watch;
    return watch;
}

void StoreVSync(int32_t state) {
    Settings.vsync = state;
    try {
        RegWriteInt("vsync", state);
    } catch (...) {
        // A refused write only means the decision is made again next time.
    }
}
}  // namespace

const char* DriverKindFromFlags(uint32_t flags) {
    const bool generic = (flags & kGenericFormat) != 0;
    const bool accelerated = (flags & kGenericAccelerated) != 0;
    if (generic && accelerated) return "MCD";
    if (generic || accelerated) return "No";
    return "ICD";
}

int32_t VSyncStateAtStart(int32_t stored, bool hardwareDriver, double random, bool& changed) {
    changed = false;
    int32_t state = stored;
    if (state == kVSyncUndecided) {
        // 1 or 2 with equal odds (round half to even, as everywhere).
        state = hardwareDriver ? static_cast<int32_t>(std::nearbyint(random * 1.9998 + 0.5001)) : kVSyncOffNoDriver;
        changed = true;
    } else if ((state == kVSyncOn || state == kVSyncOffRandom) && !hardwareDriver) {
        state = kVSyncOffNoDriver;
        changed = true;
    }
    return state;
}

int SwapIntervalForState(int32_t state) { return state == kVSyncOn ? 1 : 0; }

bool FrameRateWatch::Second(int32_t fps, int32_t& state) {
    if (state != kVSyncOn || fps >= kSlowFrameRate) {
        slow_ = 0;
        return false;
    }
    if (++slow_ <= kSlowSecondsLimit) return false;
    state = kVSyncOffSlow;
    slow_ = 0;
    return true;
}

int DecideVSync(const std::string& driverKind) {
    if (Settings.oglsoft) return -1;
    ShowFrameRateWatch() = FrameRateWatch();
    bool changed = false;
    const bool hardware = driverKind == "ICD";
    // Draw from the shared generator only when the draw decides something, so
    // that the picture order does not depend on the vsync state.
    const double r = (Settings.vsync == kVSyncUndecided && hardware) ? RandomUnit() : 0.0;
    const int32_t state = VSyncStateAtStart(Settings.vsync, hardware, r, changed);
    if (changed) StoreVSync(state);
    Settings.vsync = state;
    return SwapIntervalForState(state);
}

void CheckFrameRate(int32_t fps) {
    if (Settings.oglsoft) return;
    int32_t state = Settings.vsync;
    // The new state is only stored: the running show keeps its swap interval.
    if (ShowFrameRateWatch().Second(fps, state)) StoreVSync(state);
}
