#include "show/frame_bmp.h"

#include <cstdio>
#include <stdexcept>

namespace {
void Put16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    Put16(out, at, v & 0xFFFF);
    Put16(out, at + 2, v >> 16);
}
}  // namespace

std::vector<uint8_t> EncodeBmp24(int32_t width, int32_t height, const uint8_t* rgb) {
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535) {
        throw std::runtime_error("Frame size " + std::to_string(width) + " x " + std::to_string(height) +
                                 " cannot be written as a bitmap");
    }
    const uint64_t stride = (static_cast<uint64_t>(width) * 3 + 3) & ~uint64_t{3};
    const uint64_t imageSize = stride * static_cast<uint64_t>(height);
    constexpr uint32_t kHeaders = 14 + 40;
    std::vector<uint8_t> out(kHeaders + imageSize, 0);
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, static_cast<uint32_t>(out.size()));
    Put32(out, 10, kHeaders);
    Put32(out, 14, 40);
    Put32(out, 18, static_cast<uint32_t>(width));
    Put32(out, 22, static_cast<uint32_t>(height));  // positive: bottom-up rows, as given
    Put16(out, 26, 1);
    Put16(out, 28, 24);
    Put32(out, 34, static_cast<uint32_t>(imageSize));
    Put32(out, 38, 2835);  // 72 dpi
    Put32(out, 42, 2835);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* src = rgb + static_cast<uint64_t>(y) * width * 3;
        uint8_t* dst = out.data() + kHeaders + static_cast<uint64_t>(y) * stride;
        for (int32_t x = 0; x < width; ++x, src += 3, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
    }
    return out;
}

void WriteBmp24(const std::string& path, int32_t width, int32_t height, const uint8_t* rgb) {
    const std::vector<uint8_t> bytes = EncodeBmp24(width, height, rgb);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) throw std::runtime_error("Cannot create " + path);
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok) throw std::runtime_error("Cannot write " + path);
}
