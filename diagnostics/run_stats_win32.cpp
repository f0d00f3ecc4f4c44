#include <windows.h>
#include <shellapi.h>

#include <cstring>

#include "diagnostics/run_stats.h"

WindowCheck PlatformCheckWindow(uintptr_t value) {
    HWND wnd = reinterpret_cast<HWND>(value);
    if (!value || !IsWindow(wnd)) return WindowCheck::Gone;
    char cls[64] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    if (std::strcmp(cls, "DERU_Pagewind") == 0 || std::strcmp(cls, "VODI_Pagewind") == 0)
        return WindowCheck::OurInstance;
    return WindowCheck::Other;
}

void PlatformSleep(int ms) { Sleep(static_cast<DWORD>(ms)); }

void OpenErrorPage(int number, uint32_t address, const std::string& comment) {
    const std::string url = ErrorPageUrl(number, address, comment);
    ShellExecuteA(GetDesktopWindow(), "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
