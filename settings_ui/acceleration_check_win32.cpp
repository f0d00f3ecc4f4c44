#include <windows.h>
#include <shellapi.h>

#include <string>

#include "diagnostics/run_stats.h"
#include "library/registry.h"
#include "settings_ui/acceleration_check.h"
#include "settings_ui/general_tab_rules.h"
#include "show/gl_control_win32.h"

namespace {
constexpr const char* kWarning =
    "OpenGL hardware acceleration is not supported on your system and all OpenGL applications will run slow. "
    "Please install video drivers from your graphics accelerator's CD or from Internet. But if the screensaver "
    "work fast enough, just ignore this message(click \"Cancel\"). Would you like to download drivers from "
    "Internet now?";

// Every display device as DeviceLine text; empty where the system has no
// device enumeration.
std::string DisplayDevices() {
    using EnumDevicesFn = BOOL(WINAPI*)(LPCSTR, DWORD, PDISPLAY_DEVICEA, DWORD);
    HMODULE user = GetModuleHandleA("User32.dll");
    auto enumerate = user ? reinterpret_cast<EnumDevicesFn>(
                                reinterpret_cast<void*>(GetProcAddress(user, "EnumDisplayDevicesA")))
                          : nullptr;
    std::string text;
    if (!enumerate) return text;
    DISPLAY_DEVICEA device{};
    device.cb = sizeof device;
    for (DWORD i = 0; enumerate(nullptr, i, &device, 0); ++i) {
        text += DeviceLine(device.DeviceString, device.DeviceName);
        device.cb = sizeof device;
    }
    return text;
}

// The text escaped for a web address by the shell's own routine, when the
// system has it.
std::string EscapeForAddress(const std::string& text) {
    HMODULE shlwapi = LoadLibraryA("Shlwapi.dll");
    if (!shlwapi) return text;
    using EscapeFn = HRESULT(WINAPI*)(LPCSTR, LPSTR, LPDWORD, DWORD);
    auto escape = reinterpret_cast<EscapeFn>(reinterpret_cast<void*>(GetProcAddress(shlwapi, "UrlEscapeA")));
    std::string escaped = text;
    if (escape) {
        std::string out(text.size() * 3 + 16, '\0');
        DWORD size = static_cast<DWORD>(out.size());
        if (SUCCEEDED(escape(text.c_str(), out.data(), &size, 0))) escaped.assign(out.c_str());
    }
    FreeLibrary(shlwapi);
    return escaped;
}

std::string ProbeStatus() {
    try {
        return ProbeDriverKind();
    } catch (...) {
        return {};
    }
}
}  // namespace

void CheckOpenGLAcceleration() {
    const std::string status = ProbeStatus();
    if (status.empty()) return;
    const std::string previous = RegReadString("driver");
    // No per-installation option store exists: its option bit counts as clear.
    const AccelerationCheck check = CheckAcceleration(status, previous, RegReadString("driverignore"), false);
    if (check.writeDriver) RegWriteString("driver", status);
    if (!check.warn) return;
    switch (MessageBoxA(nullptr, kWarning, "Pagewind", MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
        case IDYES: {
            const std::string address =
                std::string(kDriverHelpAddress) + "?device=" + EscapeForAddress(DisplayDevices());
            ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
            break;
        }
        case IDCANCEL: RegWriteString("driverignore", "1"); break;
        default: break;
    }
}
