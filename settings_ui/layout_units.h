#pragma once
// The settings window's layout unit: positions and sizes are written for a
// 96-DPI screen and scaled to the screen's DPI when a control is made.
#include <cstdint>

inline constexpr int32_t kLayoutDpi = 96;

// value × dpi / 96 and pixels × 96 / dpi, rounded to the nearest integer with
// halves to even. A dpi below 1 counts as 96.
int32_t ScaleToScreen(int32_t value, int32_t dpi);
int32_t ScaleFromScreen(int32_t pixels, int32_t dpi);
