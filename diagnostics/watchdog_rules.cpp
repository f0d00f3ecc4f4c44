#include "diagnostics/watchdog_rules.h"

#include <stdexcept>

#include "diagnostics/clock.h"
#include "diagnostics/watchdog.h"

thread_local int WatchdogThreadNumber = -1;

WatchdogState& Watchdog() {
    static WatchdogState state;
    return state;
}

WatchdogAction WatchdogTick(WatchdogState& s, uint32_t now) {
    WatchdogAction action;
    // A long gap since the previous tick means the machine slept (or the
    // watchdog itself was starved); nothing can be concluded from it.
    const bool slept = now - s.lastTick > kSleepGapMs;

    if (s.workerRegistered) {
        if (s.workerPending) {
            const uint32_t elapsed = now - s.workerProbeTime;
            const uint32_t limit = s.workerLong ? kLongOperationLimitMs : kProbeLimitMs;
            if (s.workerAnswered || s.workerWaiting || slept) {
                s.workerPending = false;
            } else if (elapsed > limit) {
                action.freeze = true;
                action.freezeText = "thread 0 freeze, " + std::to_string(elapsed);
                action.freezeThread = s.workerHandle;
            }
        } else {
            s.workerAnswered = false;
            s.workerPending = true;
            s.workerProbeTime = now;
        }
    }

    if (s.mainHandle && s.mainWindow) {
        if (s.mainPending) {
            const uint32_t elapsed = now - s.mainProbeTime;
            if (s.mainAnswered || s.mainSuspended || slept) {
                s.mainPending = false;
            } else if (elapsed > kProbeLimitMs && !action.freeze) {
                action.freeze = true;
                action.freezeText = "mainthread freeze, " + std::to_string(elapsed);
                action.freezeThread = s.mainHandle;
            }
        } else {
            s.mainAnswered = false;
            s.mainPending = true;
            s.mainProbeTime = now;
            action.postProbe = true;
        }
    }

    s.lastTick = now;
    return action;
}

std::string ShowNotQuitText(uint32_t elapsedMs, bool previewParentVanished, bool workerRegistered) {
    std::string text = "Show not quit " + std::to_string(elapsedMs);
    if (previewParentVanished) text += ", window";
    text += workerRegistered ? ",thh0" : ",hmonth";
    return text;
}

// --- marks set by the watched threads ---------------------------------------

namespace {
bool IsSlot(int slot) { return slot == 0; }
void Activity() { Watchdog().lastActivity = TickCountMs(); }
}  // namespace

void RegisterWorker(int slot, void* threadHandle) {
    if (!threadHandle) throw std::runtime_error("addthread0");
    if (!IsSlot(slot)) return;
    WatchdogState& s = Watchdog();
    s.workerHandle = threadHandle;
    s.workerPending = false;
    s.workerWaiting = false;
    s.workerLong = false;
    s.workerRegistered = true;
}

void UnregisterWorker(int slot) {
    if (!IsSlot(slot)) return;
    Watchdog().workerRegistered = false;
    Watchdog().workerHandle = nullptr;
}

void WorkerAlive(int slot) {
    if (IsSlot(slot) && Watchdog().workerRegistered) Watchdog().workerAnswered = true;
}

void BeginWait(int slot) {
    if (IsSlot(slot)) Watchdog().workerWaiting = true;
}

void EndWait(int slot) {
    if (!IsSlot(slot)) return;
    Watchdog().workerWaiting = false;
    WorkerAlive(slot);
    Activity();
}

void BeginLongOperation(int slot) {
    if (IsSlot(slot)) Watchdog().workerLong = true;
}

void EndLongOperation(int slot) {
    if (!IsSlot(slot)) return;
    Watchdog().workerLong = false;
    WorkerAlive(slot);
    Activity();
}

void MainAlive() {
    WatchdogState& s = Watchdog();
    if (s.mainHandle && s.mainWindow) s.mainAnswered = true;
}

void MainSuspend() { Watchdog().mainSuspended = true; }

void MainResume() {
    Watchdog().mainSuspended = false;
    MainAlive();
    Activity();
}

void RequestQuitSettings() { Watchdog().quitSettings = true; }
void RequestQuitShow() { Watchdog().quitShow = true; }
void SetShowClosing(bool closing) { Watchdog().showClosing = closing; }
