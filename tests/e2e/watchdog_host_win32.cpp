// Programs the watchdog must report, ending the process with the crash exit
// code:
//   watchdog_host         a main window that answers the watchdog's probes
//                         for a few seconds and then stops dispatching
//                         messages
//   watchdog_host heap    a watched worker that never answers, frozen while
//                         it holds the lock of the C runtime's heap (the one
//                         malloc and so every C++ allocation takes)
//   watchdog_host heaps   the same, holding the process heap's lock as well
//                         (the one the system's own calls take)
#include <windows.h>
#include <malloc.h>

#include <cstring>

#include "diagnostics/run_stats.h"
#include "diagnostics/watchdog.h"
#include "library/data_folder.h"

namespace {
LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kWatchdogProbeMessage) {
        MainAlive();
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

int FrozenMainWindow() {
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

bool holdProcessHeap = false;
HANDLE heapsHeld = nullptr;

DWORD WINAPI WorkerHoldingHeaps(void*) {
    HeapLock(reinterpret_cast<HANDLE>(_get_heap_handle()));
    if (holdProcessHeap) HeapLock(GetProcessHeap());
    SetEvent(heapsHeld);
    Sleep(INFINITE);
    return 0;
}

int FrozenWorkerHoldingHeaps() {
    heapsHeld = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    // The program knows its data folder, where reports go, long before
    // anything can freeze: it holds the picture list.
    GetDataFolder();
    StartWatchdog(nullptr, nullptr, false, false);
    HANDLE worker = CreateThread(nullptr, 0, WorkerHoldingHeaps, nullptr, CREATE_SUSPENDED, nullptr);
    RegisterWorker(0, worker);
    ResumeThread(worker);
    WaitForSingleObject(heapsHeld, INFINITE);
    // Nothing here may allocate from now on; the watchdog ends the process.
    Sleep(120000);
    return 3;
}
}  // namespace

int main(int argc, char** argv) {
    StartRun();
    if (argc > 1 && std::strcmp(argv[1], "heap") == 0) return FrozenWorkerHoldingHeaps();
    if (argc > 1 && std::strcmp(argv[1], "heaps") == 0) {
        holdProcessHeap = true;
        return FrozenWorkerHoldingHeaps();
    }
    return FrozenMainWindow();
}
