#pragma once
// Writes test JPEGs with libjpeg's compressor, optionally with an EXIF block
// that carries a camera orientation.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "imaging/bitmap.h"

// The EXIF APP1 payload (after the marker and length): "Exif\0\0", a
// little-endian TIFF header and one directory with the orientation entry.
inline std::vector<uint8_t> ExifOrientationBlock(int32_t orientation) {
    const uint8_t o = static_cast<uint8_t>(orientation);
    return {'E', 'x', 'i', 'f', 0, 0,                // identifier
            'I', 'I', 42, 0, 8, 0, 0, 0,             // TIFF header, directory at 8
            1, 0,                                    // one entry
            0x12, 0x01, 3, 0, 1, 0, 0, 0, o, 0, 0, 0,  // tag 274, SHORT, count 1, value
            0, 0, 0, 0};                             // no next directory
}

// Stores `picture` (its rows as they are, no turning) as a JPEG file; with
// orientation > 0 an EXIF block says how to turn it. Returns false when the
// file cannot be written.
inline bool WriteTestJpeg(const std::string& path, const TBitmap0& picture, int32_t orientation, int quality = 92) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = static_cast<JDIMENSION>(picture.Width());
    cinfo.image_height = static_cast<JDIMENSION>(picture.Height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    if (orientation > 0) {
        const std::vector<uint8_t> exif = ExifOrientationBlock(orientation);
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
    }
    std::vector<uint8_t> row(static_cast<size_t>(picture.Width()) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const uint32_t* in = picture.Row(static_cast<int32_t>(cinfo.next_scanline));
        for (int32_t x = 0; x < picture.Width(); ++x) {
            row[static_cast<size_t>(x) * 3] = static_cast<uint8_t>(in[x] >> 16);
            row[static_cast<size_t>(x) * 3 + 1] = static_cast<uint8_t>(in[x] >> 8);
            row[static_cast<size_t>(x) * 3 + 2] = static_cast<uint8_t>(in[x]);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(file) == 0;
}
