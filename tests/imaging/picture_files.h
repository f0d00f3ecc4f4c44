#pragma once
// Test pictures made in the tests themselves: JPEGs through libjpeg's
// compressor (with hand-written EXIF segments), BMP and PPM files by hand.
#include <jpeglib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace testpics {

using Bytes = std::vector<uint8_t>;
struct Rgb {
    uint8_t r, g, b;
};
using PixelFn = std::function<Rgb(int x, int y)>;

// A marker segment written after the start of image: its marker byte (0xE0
// for APP0 ...) and payload.
struct Segment {
    int marker;
    Bytes payload;
};

inline Bytes EncodeJpeg(int width, int height, const PixelFn& pixel, bool grey = false,
                        const std::vector<Segment>& segments = {}, int quality = 95) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = grey ? 1 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    // With segments of our own, they alone follow the start of image.
    if (!segments.empty()) cinfo.write_JFIF_header = FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    for (const Segment& s : segments)
        jpeg_write_marker(&cinfo, s.marker, s.payload.data(), static_cast<unsigned>(s.payload.size()));
    std::vector<uint8_t> row(static_cast<size_t>(width) * (grey ? 1 : 3));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb p = pixel(x, y);
            if (grey) {
                row[x] = p.g;
            } else {
                row[x * 3] = p.r;
                row[x * 3 + 1] = p.g;
                row[x * 3 + 2] = p.b;
            }
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes bytes(out, out + size);
    std::free(out);
    jpeg_destroy_compress(&cinfo);
    return bytes;
}

inline void Put16(Bytes& b, int v, bool little) {
    if (little) {
        b.push_back(static_cast<uint8_t>(v));
        b.push_back(static_cast<uint8_t>(v >> 8));
    } else {
        b.push_back(static_cast<uint8_t>(v >> 8));
        b.push_back(static_cast<uint8_t>(v));
    }
}
inline void Put32(Bytes& b, uint32_t v, bool little) {
    if (little) {
        Put16(b, static_cast<int>(v & 0xFFFF), true);
        Put16(b, static_cast<int>(v >> 16), true);
    } else {
        Put16(b, static_cast<int>(v >> 16), false);
        Put16(b, static_cast<int>(v & 0xFFFF), false);
    }
}

// APP1 payload "Exif\0\0" + TIFF header + first directory whose entries are
// `entriesBefore` unrelated ones, then the orientation.
inline Segment ExifOrientation(int orientation, bool little = true, int entriesBefore = 0) {
    Bytes p = {'E', 'x', 'i', 'f', 0, 0};
    p.push_back(little ? 'I' : 'M');
    p.push_back(little ? 'I' : 'M');
    Put16(p, 42, little);
    Put32(p, 8, little);
    Put16(p, entriesBefore + 1, little);
    for (int i = 0; i < entriesBefore; ++i) {
        Put16(p, 0x9000 + i, little);  // unrelated tags: ASCII pointing nowhere
        Put16(p, 2, little);
        Put32(p, 4, little);
        Put32(p, 0, little);
    }
    Put16(p, 274, little);
    Put16(p, 3, little);  // SHORT
    Put32(p, 1, little);
    Put16(p, orientation, little);
    Put16(p, 0, little);
    Put32(p, 0, little);  // no next directory
    return {JPEG_APP0 + 1, p};
}

inline Segment Jfif() {
    return {JPEG_APP0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0}};
}

// A BMP file by hand. `rows` are the stored rows (bottom-up unless the
// height is negative), already padded.
struct BmpSpec {
    int headerSize = 40;  // 12 (OS/2), 40 or 64
    int32_t width = 0;
    int32_t height = 0;
    int planes = 1;
    int bits = 24;
    uint32_t compression = 0;
    uint32_t coloursUsed = 0;
    std::vector<Rgb> map;       // written as blue, green, red (+ 0 for Windows headers)
    int32_t extraGap = 0;       // bytes between the map and the pixels
    int32_t offsetAdjust = 0;   // added to the data offset in the file header
};

inline Bytes MakeBmp(const BmpSpec& s, const Bytes& pixelData) {
    const bool os2 = s.headerSize == 12;
    const int entry = os2 ? 3 : 4;
    const uint32_t offset = static_cast<uint32_t>(14 + s.headerSize + entry * static_cast<int>(s.map.size()) +
                                                  s.extraGap + s.offsetAdjust);
    Bytes b = {'B', 'M'};
    Put32(b, offset + static_cast<uint32_t>(pixelData.size()), true);
    Put32(b, 0, true);
    Put32(b, offset, true);
    Put32(b, static_cast<uint32_t>(s.headerSize), true);
    if (os2) {
        Put16(b, s.width, true);
        Put16(b, s.height, true);
        Put16(b, s.planes, true);
        Put16(b, s.bits, true);
    } else {
        Put32(b, static_cast<uint32_t>(s.width), true);
        Put32(b, static_cast<uint32_t>(s.height), true);
        Put16(b, s.planes, true);
        Put16(b, s.bits, true);
        Put32(b, s.compression, true);
        Put32(b, static_cast<uint32_t>(pixelData.size()), true);
        Put32(b, 2835, true);
        Put32(b, 2835, true);
        Put32(b, s.coloursUsed, true);
        Put32(b, 0, true);
        b.resize(b.size() + static_cast<size_t>(s.headerSize - 40), 0);
    }
    for (const Rgb& c : s.map) {
        b.push_back(c.b);
        b.push_back(c.g);
        b.push_back(c.r);
        if (!os2) b.push_back(0);
    }
    b.resize(b.size() + static_cast<size_t>(s.extraGap), 0);
    b.insert(b.end(), pixelData.begin(), pixelData.end());
    return b;
}

inline Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

}  // namespace testpics
