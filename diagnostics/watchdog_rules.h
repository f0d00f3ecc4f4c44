#pragma once
// The watchdog's state and its once-a-second tick, kept free of system calls
// so that the rules can be tested with any clock reading.
#include <atomic>
#include <cstdint>
#include <string>

struct WatchdogState {
    // Main thread.
    std::atomic<void*> mainHandle{nullptr};
    std::atomic<void*> mainWindow{nullptr};
    std::atomic<bool> mainPending{false};
    std::atomic<bool> mainAnswered{false};
    std::atomic<uint32_t> mainProbeTime{0};
    std::atomic<bool> mainSuspended{false};
    // Worker slot 0.
    std::atomic<void*> workerHandle{nullptr};
    std::atomic<bool> workerRegistered{false};
    std::atomic<bool> workerPending{false};
    std::atomic<bool> workerAnswered{false};
    std::atomic<uint32_t> workerProbeTime{0};
    std::atomic<bool> workerWaiting{false};
    std::atomic<bool> workerLong{false};
    // Clock bookkeeping.
    std::atomic<uint32_t> lastTick{0};
    std::atomic<uint32_t> lastActivity{0};
    // How the show and settings window end.
    std::atomic<bool> quitSettings{false};
    std::atomic<bool> quitShow{false};
    std::atomic<bool> showClosing{false};
};

// What a tick asks the thread to do.
struct WatchdogAction {
    bool postProbe = false;  // post the probe message to the main window
    bool freeze = false;     // report a frozen thread
    std::string freezeText;
    void* freezeThread = nullptr;
};

// The process's watchdog state.
WatchdogState& Watchdog();

// One tick at the tick-count reading `now` (milliseconds, wrapping).
WatchdogAction WatchdogTick(WatchdogState& s, uint32_t now);

// The text of the report when the show does not end in time.
std::string ShowNotQuitText(uint32_t elapsedMs, bool previewParentVanished, bool workerRegistered);

// Limits of the tick.
constexpr uint32_t kProbeLimitMs = 30000;
constexpr uint32_t kLongOperationLimitMs = 60000;
constexpr uint32_t kSleepGapMs = 30000;
