#pragma once
// The picture size that a grid or overlay primary image declares in its own
// data (see heif_canvas.cpp for why the plugin reads it itself).
#include <cstdint>

struct DerivedCanvas {
    bool readable = false;  // the boxes could be read as far as needed
    bool derived = false;   // the primary image is a grid or an overlay
    int64_t width = 0;      // its declared size when derived
    int64_t height = 0;
};
DerivedCanvas ReadDerivedCanvas(const uint8_t* file, uint64_t size);
