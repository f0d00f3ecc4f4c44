// Writes a photo-like test JPEG (gradients, soft shapes and sensor-like
// noise, so the decoder has real detail to work on).
// Usage: bench_make_jpeg OUT.jpg WIDTH HEIGHT [QUALITY]
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_make_jpeg OUT.jpg WIDTH HEIGHT [QUALITY]\n");
        return 2;
    }
    const int width = std::atoi(argv[2]);
    const int height = std::atoi(argv[3]);
    const int quality = argc > 4 ? std::atoi(argv[4]) : 90;
    if (width <= 0 || height <= 0 || quality < 1 || quality > 100) return 2;
    std::FILE* file = std::fopen(argv[1], "wb");
    if (!file) return 1;

    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);

    std::vector<unsigned char> row(static_cast<size_t>(width) * 3);
    unsigned state = 12345;
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            const int noise = static_cast<int>((state >> 24) % 17) - 8;
            const double u = static_cast<double>(x) / width, v = static_cast<double>(y) / height;
            const double shape = 60.0 * std::sin(u * 23.0 + std::cos(v * 17.0) * 3.0) * std::cos(v * 11.0);
            const int r = static_cast<int>(90 + 120 * u + shape) + noise;
            const int g = static_cast<int>(70 + 140 * v - shape / 2) + noise;
            const int b = static_cast<int>(160 - 90 * u * v + shape / 3) + noise;
            unsigned char* p = &row[static_cast<size_t>(x) * 3];
            p[0] = static_cast<unsigned char>(r < 0 ? 0 : r > 255 ? 255 : r);
            p[1] = static_cast<unsigned char>(g < 0 ? 0 : g > 255 ? 255 : g);
            p[2] = static_cast<unsigned char>(b < 0 ? 0 : b > 255 ? 255 : b);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(file) == 0 ? 0 : 1;
}
