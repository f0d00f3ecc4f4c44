#pragma once
// The picture on screen when a full-screen show ends, as the desktop
// wallpaper: "Pagewind.bmp" in the data folder, tiled.
#include <string>

#include "imaging/bitmap.h"

// The wallpaper file's name inside the data folder.
inline constexpr const char* kWallpaperFileName = "Pagewind.bmp";

// Writes the bitmap (the caller keeps it) and hands it to Windows. Throws
// std::runtime_error "failed to write wallpaper to <path>" when no file can
// be written, or "Failed to set Wallpaper, error <code>, <path>" when Windows
// refuses it.
void SetWallpaperOnExit(const TBitmap0& bitmap);
