#include <windows.h>

#include <stdexcept>
#include <string>

#include "diagnostics/crash_report.h"
#include "diagnostics/watchdog.h"
#include "diagnostics/watchdog_rules.h"

namespace {
struct StartArgs {
    HANDLE reportThread = nullptr;
    HWND previewParent = nullptr;
    bool settingsMode = false;
    bool previewMode = false;
};
StartArgs startArgs;
LONG started = 0;

void RunTick() {
    WatchdogState& s = Watchdog();
    WatchdogAction a = WatchdogTick(s, GetTickCount());
    if (a.freeze) ReportFreeze(a.freezeText, a.freezeThread);
    if (a.postProbe) PostMessageA(static_cast<HWND>(s.mainWindow.load()), kWatchdogProbeMessage, 0, 0);
}

bool AnythingWaits() {
    WatchdogState& s = Watchdog();
    return s.workerWaiting || s.mainSuspended;
}

DWORD WINAPI WatchdogThread(void* ready) {
    // Its reports must not need what a frozen thread may hold.
    PrepareFreezeReports();
    SetEvent(static_cast<HANDLE>(ready));
    WatchdogState& s = Watchdog();
    s.lastTick = GetTickCount();

    if (startArgs.settingsMode) {
        while (!s.quitSettings) {
            Sleep(1000);
            RunTick();
        }
        const DWORD t0 = GetTickCount();
        Sleep(10000);
        ReportFreeze("Settings not quit " + std::to_string(GetTickCount() - t0), startArgs.reportThread);
    }

    bool parentVanished = false;
    for (;;) {
        Sleep(1000);
        if (startArgs.previewMode && startArgs.previewParent &&
            (!IsWindow(startArgs.previewParent) || !IsWindowVisible(startArgs.previewParent))) {
            parentVanished = true;
            break;
        }
        RunTick();
        if (s.quitShow && !s.showClosing) break;
    }

    // The show was asked to end (or lost its window): give it time to do so.
    const DWORD t0 = GetTickCount();
    Sleep(15000);
    if (s.workerLong && !AnythingWaits()) {
        Sleep(60000);
    } else if (AnythingWaits()) {
        while (AnythingWaits()) Sleep(1000);
        Sleep(15000);
    } else if (GetTickCount() - s.lastActivity < 15000) {
        Sleep(15000);
    }
    const bool haveWorker = s.workerRegistered && s.workerHandle;
    ReportFreeze(ShowNotQuitText(GetTickCount() - t0, parentVanished, haveWorker),
                 haveWorker ? s.workerHandle.load() : startArgs.reportThread);
}
}  // namespace

void StartWatchdog(void* reportThread, void* previewParent, bool settingsMode, bool previewMode) {
    if (InterlockedExchange(&started, 1) != 0) return;
    startArgs = {static_cast<HANDLE>(reportThread), static_cast<HWND>(previewParent), settingsMode, previewMode};
    Watchdog().quitSettings = false;
    Watchdog().quitShow = false;
    // Returns once the watchdog is ready to report.
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE h = CreateThread(nullptr, 64 * 1024, WatchdogThread, ready, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (h && ready) {
        const HANDLE either[2] = {ready, h};
        WaitForMultipleObjects(2, either, FALSE, INFINITE);
    }
    if (h) CloseHandle(h);
    if (ready) CloseHandle(ready);
}

void RegisterMainThread(void* window) {
    WatchdogState& s = Watchdog();
    if (!window) {
        HANDLE dup = nullptr;
        if (!DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &dup, 0, FALSE,
                             DUPLICATE_SAME_ACCESS))
            throw std::runtime_error("error get mainhandle " + std::to_string(GetLastError()));
        // A show run from the settings window registers the same thread again.
        if (HANDLE old = s.mainHandle.exchange(dup)) CloseHandle(old);
        return;
    }
    void* none = nullptr;
    s.mainWindow.compare_exchange_strong(none, window);
}

void CloseMainThread() {
    WatchdogState& s = Watchdog();
    if (HANDLE h = s.mainHandle.exchange(nullptr)) CloseHandle(h);
    s.mainWindow = nullptr;
}
