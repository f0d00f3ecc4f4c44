// A main window that answers the watchdog's probes for a few seconds and then
// stops dispatching messages. The watchdog must report the frozen main thread,
// which ends the process with the crash exit code.
#include <windows.h>

#include "diagnostics/run_stats.h"
#include "diagnostics/watchdog.h"

namespace {
LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kWatchdogProbeMessage) {
        MainAlive();
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}
}  // namespace

int main() {
    StartRun();
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "WatchdogHost";
    RegisterClassA(&wc);
    HWND wnd = CreateWindowA("WatchdogHost", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
    RegisterMainThread();
    RegisterMainThread(wnd);
    RecordWindow(reinterpret_cast<uintptr_t>(wnd));
    StartWatchdog(nullptr, nullptr, false, false);

    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 5000) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        Sleep(20);
    }
    Sleep(60000);  // frozen: the watchdog ends the process long before this
    EndRun();
    return 0;
}
