#include <chrono>
#include <cstdio>
#include <thread>

#include "diagnostics/run_stats.h"

void OpenErrorPage(int number, uint32_t address, const std::string& comment) {
    std::fprintf(stderr, "Pagewind: see %s\n", ErrorPageUrl(number, address, comment).c_str());
}

// Natively there are no windows to find.
WindowCheck PlatformCheckWindow(uintptr_t) { return WindowCheck::Gone; }
void PlatformSleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
