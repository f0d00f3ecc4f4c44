#pragma once
// The saver window: class "DERU_Pagewind", full screen over the whole
// virtual screen or a child of the preview area.
#include <windows.h>

#include <cstdint>

inline constexpr const char* kSaverWindowClass = "DERU_Pagewind";
inline constexpr const char* kSaverWindowTitle = "Quillora Pagewind";

// Registers the class and creates the window: a topmost popup when `parent`
// is null (then brought to the foreground), else a child of `parent`. When
// the preview parent has gone, records the clean end and ends the process
// with exit code 0; any other failure raises std::runtime_error "Get Handle
// in ImageCreate failed, Error = <code>, <parent>, <registered>".
HWND CreateSaverWindow(HWND parent, int32_t x, int32_t y, int32_t width, int32_t height);

// A window of the same class that is never shown, for drawing frames off
// screen (tools and tests). Throws like CreateSaverWindow.
HWND CreateHiddenSaverWindow(int32_t width, int32_t height);

// The input handling of the show answers the window's other messages: it
// returns true when it handled one (and sets `result`).
using SaverMessageHandler = bool (*)(HWND, UINT, WPARAM, LPARAM, LRESULT* result);
void SetSaverMessageHandler(SaverMessageHandler handler);

// A memory DC of the window's size that the window paints itself from until
// the render thread has drawn (null: the window only validates its paint).
void SetSaverBackdrop(HDC source);

// The saver window procedure: the watchdog probe, painting, then the handler.
LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
