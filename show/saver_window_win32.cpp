#include "show/saver_window_win32.h"

#include <atomic>
#include <stdexcept>
#include <string>

#include "diagnostics/run_stats.h"
#include "diagnostics/watchdog.h"

namespace {
constexpr DWORD kFullScreenExStyle = WS_EX_TOPMOST;
constexpr DWORD kFullScreenStyle = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;  // 0x96000000
constexpr DWORD kPreviewStyle = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_MAXIMIZE;         // 0x53000000
constexpr DWORD kHiddenStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

std::atomic<SaverMessageHandler> messageHandler{nullptr};
std::atomic<HDC> backdrop{nullptr};

void PaintBackdrop(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (HDC from = backdrop.load(); from && dc) {
        const RECT& r = ps.rcPaint;
        BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, from, r.left, r.top, SRCCOPY);
    }
    EndPaint(window, &ps);
}

int RegisterSaverClass() {
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = SaverWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    wc.hCursor = nullptr;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    wc.lpszClassName = kSaverWindowClass;
    return RegisterClassA(&wc) != 0 ? 1 : 0;
}

HWND CreateStyled(HWND parent, DWORD exStyle, DWORD style, int32_t x, int32_t y, int32_t w, int32_t h) {
    const int registered = RegisterSaverClass();
    HWND window = CreateWindowExA(exStyle, kSaverWindowClass, kSaverWindowTitle, style, x, y, w, h, parent,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window) return window;
    const DWORD error = GetLastError();
    if (parent && !IsWindow(parent)) {
        // The display-properties dialog closed before the preview could start.
        EndRun();
        ExitProcess(0);
    }
    throw std::runtime_error("Get Handle in ImageCreate failed, Error = " + std::to_string(error) + ", " +
                             std::to_string(reinterpret_cast<uintptr_t>(parent)) + ", " +
                             std::to_string(registered));
}
}  // namespace

void SetSaverMessageHandler(SaverMessageHandler handler) { messageHandler = handler; }

void SetSaverBackdrop(HDC source) { backdrop = source; }

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kWatchdogProbeMessage:
            MainAlive();
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            // The render thread draws every frame; until its first one, the
            // window shows the backdrop, never whatever was under it.
            if (backdrop.load()) {
                PaintBackdrop(window);
            } else {
                ValidateRect(window, nullptr);
            }
            return 0;
        default:
            break;
    }
    if (SaverMessageHandler handler = messageHandler.load()) {
        LRESULT result = 0;
        if (handler(window, message, wParam, lParam, &result)) return result;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateSaverWindow(HWND parent, int32_t x, int32_t y, int32_t width, int32_t height) {
    if (parent) return CreateStyled(parent, 0, kPreviewStyle, x, y, width, height);
    HWND window = CreateStyled(nullptr, kFullScreenExStyle, kFullScreenStyle, x, y, width, height);
    SetForegroundWindow(window);
    return window;
}

HWND CreateHiddenSaverWindow(int32_t width, int32_t height) {
    return CreateStyled(nullptr, 0, kHiddenStyle, 0, 0, width, height);
}
