#pragma once
// The vertical-sync decision kept in the registry value "vsync":
//   0 not decided, 1 on, 2 off (chosen at random), 3 off (no hardware
//   driver of its own), 4 off (frame rate stayed too low with it on).
#include <cstdint>
#include <string>

constexpr int32_t kVSyncUndecided = 0;
constexpr int32_t kVSyncOn = 1;
constexpr int32_t kVSyncOffRandom = 2;
constexpr int32_t kVSyncOffNoDriver = 3;
constexpr int32_t kVSyncOffSlow = 4;

// The driver kind from the flags of pixel format 1 of the desktop:
// generic-format (0x40) and generic-accelerated (0x1000) both set: "MCD",
// exactly one: "No", neither: "ICD".
const char* DriverKindFromFlags(uint32_t pixelFormatFlags);

// The state at the start of a show, given the stored state, whether the
// driver is a hardware one ("ICD") and a random draw in [0, 1). `changed`
// tells whether the new state must be written.
int32_t VSyncStateAtStart(int32_t stored, bool hardwareDriver, double random, bool& changed);

// 1 for state 1, 0 for every other state.
int SwapIntervalForState(int32_t state);

// Counts slow seconds with vertical sync on; after more than 100 of them in a
// row the state becomes 4.
class FrameRateWatch {
public:
    // One measured second. Returns true when `state` was changed to 4.
    bool Second(int32_t framesPerSecond, int32_t& state);
    int32_t SlowSeconds() const { return slow_; }

private:
    int32_t slow_ = 0;
};

// The show's side, working on Settings.vsync and the registry value "vsync";
// both do nothing when "oglsoft" is set. DecideVSync returns the swap
// interval to request, or -1 when vertical sync is not to be touched.
int DecideVSync(const std::string& driverKind);
void CheckFrameRate(int32_t framesPerSecond);
