#pragma once
// Writes a bitmap as a test JPEG file, optionally with an EXIF block that
// carries a camera orientation.
#include <cstdint>
#include <cstdio>
#include <string>

#include "imaging/bitmap.h"
#include "tests/imaging/picture_files.h"

// Stores `picture` (its rows as they are, no turning) as a JPEG file; with
// orientation > 0 an EXIF block says how to turn it. Returns false when the
// file cannot be written.
inline bool WriteTestJpeg(const std::string& path, const TBitmap0& picture, int32_t orientation, int quality = 92) {
    using namespace testpics;
    std::vector<Segment> segments;
    if (orientation > 0) segments = {Jfif(), ExifOrientation(orientation)};
    const Bytes bytes = EncodeJpeg(
        picture.Width(), picture.Height(),
        [&](int x, int y) {
            const uint32_t p = picture.Row(y)[x];
            return Rgb{static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p)};
        },
        false, segments, quality);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
