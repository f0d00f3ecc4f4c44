// Uncompressed Windows (40- and 64-byte headers) and OS/2 (12-byte header)
// bitmaps of 1, 4, 8, 15/16, 24 and 32 bits per pixel.
#include <cstring>

#include "imaging/decode_source.h"
#include "imaging/row_reader.h"
#include "imaging/std_plugin_internal.h"

namespace {

constexpr int32_t kFileHeaderSize = 14;
constexpr int32_t kOs2HeaderSize = 12;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

[[noreturn]] void FailHeaderLength() { throw DecodeError("Invalid BMP file: bad header length"); }

class BmpReader : public RowReader {
public:
    explicit BmpReader(DecodeSource& source) : source_(source) {}

    void Start() override {
        uint8_t file[kFileHeaderSize];
        ReadExactly(file, kFileHeaderSize);
        if (file[0] != 'B' || file[1] != 'M') throw DecodeError("Not a BMP file - does not start with BM");
        const uint32_t dataOffset = U32(file + 10);

        uint8_t info[64] = {};
        ReadExactly(info, 4);
        const uint32_t headerSize = U32(info);
        if (headerSize != 12 && headerSize != 40 && headerSize != 64) FailHeaderLength();
        ReadExactly(info + 4, static_cast<int32_t>(headerSize) - 4);

        int64_t width, height;
        uint32_t planes, bits, compression = 0, coloursUsed = 0;
        const bool os2 = headerSize == kOs2HeaderSize;
        if (os2) {
            width = U16(info + 4);
            height = U16(info + 6);
            planes = U16(info + 8);
            bits = U16(info + 10);
        } else {
            width = static_cast<int32_t>(U32(info + 4));
            height = static_cast<int32_t>(U32(info + 8));
            planes = U16(info + 12);
            bits = U16(info + 14);
            compression = U32(info + 16);
            coloursUsed = U32(info + 32);
        }
        if (planes != 1) throw DecodeError("Invalid BMP file: biPlanes not equal to 1");
        if (compression != 0) throw DecodeError("Sorry, compressed BMPs not yet supported");

        int64_t mapEntries = 0;
        switch (bits) {
            case 1: mapEntries = 2; break;
            case 4: mapEntries = coloursUsed ? coloursUsed : 16; break;
            case 8: mapEntries = coloursUsed ? coloursUsed : 256; break;
            case 15: case 16: case 24: case 32: break;
            default: throw DecodeError("Only 8- and 24-bit BMP files are supported");
        }
        if ((bits == 4 && mapEntries > 16) || (bits == 8 && mapEntries > 256))
            throw DecodeError("Unsupported BMP colormap format");
        bits_ = static_cast<int32_t>(bits);

        const int64_t mapEntrySize = os2 ? 3 : 4;
        const int64_t mapStart = kFileHeaderSize + static_cast<int64_t>(headerSize);
        if (mapStart + mapEntries * mapEntrySize > dataOffset) FailHeaderLength();
        mapEntries_ = static_cast<int32_t>(mapEntries);
        for (int32_t i = 0; i < mapEntries_; ++i) {
            uint8_t entry[4];
            ReadExactly(entry, static_cast<int32_t>(mapEntrySize));
            map_[i][0] = entry[2];  // stored blue, green, red
            map_[i][1] = entry[1];
            map_[i][2] = entry[0];
        }

        // A negative height marks rows stored top row first.
        topDown_ = height < 0;
        if (topDown_) height = -height;
        if (width <= 0 || height <= 0 || height > INT32_MAX) throw DecodeError("Invalid BMP file: bad image size");
        width_ = static_cast<int32_t>(width);
        height_ = static_cast<int32_t>(height);
        // 15-bit pixels are stored in 16 bits like 16-bit ones.
        const int64_t storedBits = bits == 15 ? 16 : bits;
        rowBytes_ = (width * storedBits + 31) / 32 * 4;
        dataOffset_ = dataOffset;
    }

    void ReadRow(uint8_t* rgb) override {
        if (!stored_) stored_ = std::make_unique<PluginBlock>(rowBytes_);
        const int64_t storedRow = topDown_ ? row_ : height_ - 1 - row_;
        ++row_;
        const int64_t at = dataOffset_ + storedRow * rowBytes_;
        if (at > INT32_MAX || !SeekDecodeSource(source_, static_cast<int32_t>(at))) FailPrematureEnd();
        ReadExactly(stored_->data, static_cast<int32_t>(rowBytes_));
        Convert(stored_->data, rgb);
    }

private:
    void ReadExactly(uint8_t* buffer, int32_t count) {
        if (ReadDecodeSource(source_, buffer, count) != count) FailPrematureEnd();
    }

    void Convert(const uint8_t* in, uint8_t* out) const {
        switch (bits_) {
            case 1: case 4: case 8: {
                const int32_t perByte = 8 / bits_;
                const int mask = (1 << bits_) - 1;
                for (int32_t x = 0; x < width_; ++x, out += 3) {
                    const int shift = (perByte - 1 - x % perByte) * bits_;
                    const int index = in[x / perByte] >> shift & mask;
                    if (index >= mapEntries_) throw DecodeError("Numeric value out of range in BMP file");
                    std::memcpy(out, map_[index], 3);
                }
                break;
            }
            case 15: case 16:
                for (int32_t x = 0; x < width_; ++x, in += 2, out += 3) {
                    const uint16_t v = U16(in);
                    out[0] = static_cast<uint8_t>((v >> 10 & 31) << 3);
                    out[1] = static_cast<uint8_t>((v >> 5 & 31) << 3);
                    out[2] = static_cast<uint8_t>((v & 31) << 3);
                }
                break;
            default: {
                const int32_t step = bits_ / 8;
                for (int32_t x = 0; x < width_; ++x, in += step, out += 3) {
                    out[0] = in[2];
                    out[1] = in[1];
                    out[2] = in[0];
                }
            }
        }
    }

    DecodeSource& source_;
    int32_t bits_ = 0;
    int32_t mapEntries_ = 0;
    uint8_t map_[256][3] = {};
    bool topDown_ = false;
    int64_t rowBytes_ = 0;
    int64_t dataOffset_ = 0;
    int32_t row_ = 0;
    std::unique_ptr<PluginBlock> stored_;
};

}  // namespace

std::unique_ptr<RowReader> MakeBmpReader(DecodeSource& source) { return std::make_unique<BmpReader>(source); }
