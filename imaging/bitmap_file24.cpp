#include "imaging/bitmap_file24.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int32_t kHeaderSize = 54;
constexpr int32_t kRowsPerBlock = 10;

void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

}  // namespace

int64_t BitmapFile24RowSize(int32_t width) { return (static_cast<int64_t>(width) * 3 + 3) / 4 * 4; }

int64_t BitmapFile24Size(int32_t width, int32_t height) {
    return kHeaderSize + BitmapFile24RowSize(width) * static_cast<int64_t>(height);
}

bool WriteBitmapFile24(const TBitmap0& bitmap, const BlockWriter& write) {
    const int32_t width = bitmap.Width();
    const int32_t height = bitmap.Height();
    if (width < 0 || height < 0 || (width > 0 && height > 0 && !bitmap.Pixels())) return false;
    const int64_t fileSize = BitmapFile24Size(width, height);
    if (fileSize > 0xFFFFFFFFLL) return false;

    uint8_t header[kHeaderSize] = {};
    header[0] = 'B';
    header[1] = 'M';
    Put32(header + 2, static_cast<uint32_t>(fileSize));
    Put32(header + 10, kHeaderSize);
    Put32(header + 14, 40);
    Put32(header + 18, static_cast<uint32_t>(width));
    Put32(header + 22, static_cast<uint32_t>(height));
    Put16(header + 26, 1);
    Put16(header + 28, 24);
    if (!write(header, sizeof header)) return false;

    const int64_t rowSize = BitmapFile24RowSize(width);
    std::vector<uint8_t> block(static_cast<size_t>(rowSize * std::min(height, kRowsPerBlock)));
    for (int32_t done = 0; done < height;) {
        const int32_t rows = std::min(kRowsPerBlock, height - done);
        std::fill(block.begin(), block.end(), 0);
        for (int32_t r = 0; r < rows; ++r) {
            const uint32_t* in = bitmap.Row(height - 1 - (done + r));
            uint8_t* out = block.data() + r * rowSize;
            for (int32_t x = 0; x < width; ++x, out += 3) {
                out[0] = static_cast<uint8_t>(in[x]);
                out[1] = static_cast<uint8_t>(in[x] >> 8);
                out[2] = static_cast<uint8_t>(in[x] >> 16);
            }
        }
        if (!write(block.data(), static_cast<size_t>(rows * rowSize))) return false;
        done += rows;
    }
    return true;
}

bool WriteBitmapFile24(const TBitmap0& bitmap, std::FILE* file) {
    if (!file) return false;
    return WriteBitmapFile24(bitmap, [file](const void* data, size_t size) {
        return std::fwrite(data, 1, size, file) == size;
    });
}
