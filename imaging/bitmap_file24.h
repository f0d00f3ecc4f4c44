#pragma once
// Writing a bitmap as an uncompressed 24-bit Windows BMP file (the wallpaper
// file, pwtool's output).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>

#include "imaging/bitmap.h"

// Receives the file's bytes in order; returns false when writing failed.
using BlockWriter = std::function<bool(const void* data, size_t size)>;

// Row size in the file: width * 3 rounded up to a multiple of 4.
int64_t BitmapFile24RowSize(int32_t width);
// 54 + row size * height.
int64_t BitmapFile24Size(int32_t width, int32_t height);

// The 54-byte header, then the rows bottom row first as blue, green, red,
// padded with zeros, handed over in blocks of 10 rows (the last block holds
// what is left). Returns false when the writer fails or the bitmap cannot be
// written (no pixels, or a file over 4 GB).
bool WriteBitmapFile24(const TBitmap0& bitmap, const BlockWriter& write);
// The same to an open stdio file.
bool WriteBitmapFile24(const TBitmap0& bitmap, std::FILE* file);
