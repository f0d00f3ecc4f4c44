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
// Hands the picture on screen to the wallpaper writer, at most once per show
// and only in a full-screen show with "Wallpaper" on.
void HandOverWallpaper();

// The settings window, when it exists: the hand-off repaints it.
extern HWND SettingsMainWindow;
// The saver window of the running show, or null.
HWND ShowWindowHandle();
