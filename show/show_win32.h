#pragma once
// The show on Windows: the saver window, the page bitmaps, the render thread
// and the teardown. Input is handled in saver_input_win32.cpp.
#include <windows.h>

#include <cstdint>

// Runs one show, full screen (parent null) or inside the preview `parent`.
// A command-line show ends the process (exit code 0) from its teardown; a
// show started from the settings window returns.
void RunShowIn(HWND parent);
// Tears the show down; ends the process unless the settings window runs it.
void ShutdownShow();
// Hands the spread on screen to the wallpaper writer, at most once per show
// and only in a full-screen show with "Wallpaper" on. Runs on the render
// thread, which alone knows which pages are on screen and writes them.
void HandOverWallpaper();
// The same, with a failure ignored: a wallpaper that cannot be set must not
// end the show.
void HandOverWallpaperSafely();
// The window's hand-off (focus lost, window closing): the render thread
// serves it at its next pass, or at the latest when the show ends.
void RequestWallpaper();
// Cuts the render thread's rest between two ticks short (the show must end).
void WakeRenderThread();

// The settings window, when it exists: the hand-off repaints it.
extern HWND SettingsMainWindow;
// The saver window of the running show, or null.
HWND ShowWindowHandle();
