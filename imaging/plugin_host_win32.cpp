#include <windows.h>

#include "imaging/plugin_host.h"

// GlobalMemoryStatusEx is looked up at run time: systems without it only
// have the plain status, which cannot count beyond 4 GB.
uint64_t SystemAvailablePhysicalMemory() {
    using StatusEx = BOOL(WINAPI*)(LPMEMORYSTATUSEX);
    static const auto statusEx = reinterpret_cast<StatusEx>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GlobalMemoryStatusEx")));
    if (statusEx) {
        MEMORYSTATUSEX status = {};
        status.dwLength = sizeof status;
        if (statusEx(&status)) return status.ullAvailPhys;
    }
    MEMORYSTATUS plain = {};
    plain.dwLength = sizeof plain;
    GlobalMemoryStatus(&plain);
    return plain.dwAvailPhys;
}
