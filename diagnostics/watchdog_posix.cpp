#include "diagnostics/watchdog.h"
#include "diagnostics/watchdog_rules.h"

// Natively nothing watches the marks; the main thread is recorded so that the
// marks behave as they do on Windows.

void StartWatchdog(void*, void*, bool, bool) {}

void RegisterMainThread(void* window) {
    WatchdogState& s = Watchdog();
    if (!window) {
        static int mainThreadToken;
        s.mainHandle = &mainThreadToken;
        return;
    }
    void* none = nullptr;
    s.mainWindow.compare_exchange_strong(none, window);
}

void CloseMainThread() {
    Watchdog().mainHandle = nullptr;
    Watchdog().mainWindow = nullptr;
}
