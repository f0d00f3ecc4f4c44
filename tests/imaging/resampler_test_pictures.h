#pragma once
// Pictures for the resampler and fitting tests.
#include <cstdint>

#include "imaging/bitmap.h"

// A bitmap filled with a fixed pseudo-random pattern (top bytes 0). Smooth
// when `smooth` is set (gradients with a little noise), so that scaled
// results are not all clamped extremes.
inline BitmapPtr MakeTestPicture(int32_t width, int32_t height, uint32_t seed, bool smooth = false) {
    BitmapPtr bitmap(TBitmap0::Create(width, height));
    uint32_t state = seed * 2654435761u + 12345u;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            uint32_t noise = state >> 8;
            if (smooth) {
                const uint32_t b = (x * 255 / (width > 1 ? width - 1 : 1) + (noise & 15)) & 0xFF;
                const uint32_t g = (y * 255 / (height > 1 ? height - 1 : 1) + ((noise >> 4) & 15)) & 0xFF;
                const uint32_t r = ((x + y) * 4 + ((noise >> 8) & 15)) & 0xFF;
                bitmap->At(x, y) = b | g << 8 | r << 16;
            } else {
                bitmap->At(x, y) = noise & 0xFFFFFF;
            }
        }
    return bitmap;
}
