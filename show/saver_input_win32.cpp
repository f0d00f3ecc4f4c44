// The saver window's input during a show (main thread): what ends a
// full-screen show (mouse, keys, clicks, power events, lost activation), the
// space-bar pause, the arrow keys, the F key, and the screen-saver password.
#include <windows.h>

#include "library/registry_win32.h"
#include "library/settings.h"
#include "show/saver_input_win32.h"
#include "show/saver_window_win32.h"
#include "show/show_navigation.h"
#include "show/show_state.h"
#include "show/show_win32.h"
#include "show/stop_request.h"

namespace {
constexpr WPARAM kPowerCriticalResume = 3;

// Ending the show asks for the password first.
void EndShow(HWND window) {
    if (!VerifyPassword(window)) return;
    RequestShowEnd();
    WakeRenderThread();
    // The user has asked for the desktop: the window leaves the screen now,
    // not once the render thread has finished the frame it may be drawing
    // (a frame of a turn can take a tenth of a second on a slow machine).
    // The wallpaper comes from the pages, not from the window.
    if (Show.FullScreen) ShowWindow(window, SW_HIDE);
}

bool ResumeEvent(WPARAM event) { return event == 6 || event == 7 || event == 8 || event == 18; }

void KeyDown(HWND window, WPARAM key) {
    if (key == VK_SPACE && Settings.StopKey) {
        Show.Paused = !Show.Paused;
    } else if (key == VK_RIGHT && Settings.ArrowKeys) {
        StepForward();
    } else if (key == VK_LEFT && Settings.ArrowKeys) {
        StepBack();
    } else if (key == 'F') {
        // Pages prepared from now on follow the new setting.
        Settings.ShowFileName = !Settings.ShowFileName;
    } else {
        EndShow(window);
    }
}

bool HandleShowInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    TShowState& s = Show;
    switch (message) {
        case WM_DESTROY:
            RequestShowEnd();
            WakeRenderThread();
            s.WindowGone = true;
            return false;
        case WM_KILLFOCUS:
            RequestWallpaper();
            return false;
        case WM_CLOSE:
            RequestWallpaper();
            if (s.FullScreen && !StopRequested && !VerifyPassword(window)) {
                *result = 0;
                return true;  // swallowed: the show goes on
            }
            s.WindowGone = true;
            ShowWindow(window, SW_HIDE);
            if (s.FullScreen) ShowWindow(window, SW_MINIMIZE);
            return false;
        case WM_ACTIVATEAPP:
            if (!wParam) PostMessageA(window, WM_CLOSE, 0, 0);
            return false;
        case WM_POWER:
            if (wParam == kPowerCriticalResume) PostMessageA(window, WM_CLOSE, 0, 0);
            return false;
        case WM_POWERBROADCAST:
            if (ResumeEvent(wParam) && (lParam & 1)) return false;
            PostMessageA(window, WM_CLOSE, 0, 0);
            return false;
        default:
            break;
    }
    if (!s.FullScreen) return false;
    switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            KeyDown(window, wParam);
            return false;
        case WM_SYSCOMMAND: {
            const WPARAM command = wParam & 0xFFF0;
            if (command == SC_NEXTWINDOW || command == SC_PREVWINDOW || command == SC_SCREENSAVE) {
                *result = 0;
                return true;
            }
            return false;
        }
        case WM_MOUSEMOVE: {
            const auto position = static_cast<int32_t>(lParam);
            if (position != s.LastMousePos && Settings.MouseMove) {
                if (--s.MouseMovesLeft <= 0) EndShow(window);
            }
            s.LastMousePos = position;
            return false;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            EndShow(window);
            return false;
        default:
            return false;
    }
}
}  // namespace

bool VerifyPassword(HWND window) {
    if (Show.LaunchedFromSettings) return true;
    auto desktop = Win32RegistryKey::Open(HKEY_CURRENT_USER, "Control Panel\\Desktop", KEY_READ);
    if (!desktop) return true;
    const auto use = desktop->Read("ScreenSaveUsePassword");
    if (!use || use->data.size() < 4) return true;
    uint32_t required = 0;
    for (int i = 3; i >= 0; --i) required = required << 8 | use->data[static_cast<size_t>(i)];
    if (required == 0) return true;

    HMODULE cpl = LoadLibraryA("PASSWORD.CPL");
    if (!cpl) return true;
    using VerifyFn = BOOL(WINAPI*)(HWND);
    auto verify = reinterpret_cast<VerifyFn>(reinterpret_cast<void*>(GetProcAddress(cpl, "VerifyScreenSavePwd")));
    bool allowed = true;
    if (verify) {
        ShowCursor(TRUE);
        allowed = verify(window) != 0;
        if (!allowed) {
            Show.MouseMovesLeft = kMouseMovesTolerated;
            ShowCursor(FALSE);
        }
    }
    FreeLibrary(cpl);
    return allowed;
}

void InstallShowInput() { SetSaverMessageHandler(&HandleShowInput); }
