// The camera orientation from a JPEG's EXIF block. Only the layout cameras
// write is understood: the APP1 segment first (or right after one APP0), and
// the orientation among the first 12 entries of the first directory, which
// follows the TIFF header directly.
#include <cstdint>

#include "imaging/decode_source.h"
#include "imaging/std_plugin.h"

namespace {

constexpr int32_t kOrientationTag = 274;
constexpr int32_t kEntriesLooked = 12;

bool ReadExactly(DecodeSource& source, uint8_t* buffer, int32_t count) {
    return ReadDecodeSource(source, buffer, count) == count;
}

uint16_t Word(const uint8_t* p, bool littleEndian) {
    return littleEndian ? static_cast<uint16_t>(p[0] | p[1] << 8) : static_cast<uint16_t>(p[0] << 8 | p[1]);
}

int32_t OrientationAt(DecodeSource& source, int32_t start) {
    uint8_t bytes[10];
    if (!ReadExactly(source, bytes, 2) || bytes[0] != 0xFF || bytes[1] != 0xD8) return 0;
    if (!ReadExactly(source, bytes, 10)) return 0;
    if (bytes[0] == 0xFF && bytes[1] == 0xE0) {
        // The APP0 length counts itself but not the marker.
        const int32_t app0End = start + 4 + (bytes[2] << 8 | bytes[3]);
        if (!SeekDecodeSource(source, app0End) || !ReadExactly(source, bytes, 10)) return 0;
    }
    if (bytes[0] != 0xFF || bytes[1] != 0xE1) return 0;
    uint8_t tiff[10];  // byte order, 42, directory offset, entry count
    if (!ReadExactly(source, tiff, 10)) return 0;
    const bool littleEndian = tiff[0] == 'I' && tiff[1] == 'I';
    const int32_t entries = Word(tiff + 8, littleEndian);
    for (int32_t i = 0; i < entries && i < kEntriesLooked; ++i) {
        uint8_t entry[12];  // tag, type, count, value
        if (!ReadExactly(source, entry, 12)) return 0;
        if (Word(entry, littleEndian) == kOrientationTag) return Word(entry + 8, littleEndian);
    }
    return 0;
}

}  // namespace

int32_t ReadExifOrientation(DecodeSource& source) {
    const int32_t start = source.position;
    const int32_t orientation = OrientationAt(source, start);
    SeekDecodeSource(source, start);
    return orientation;
}
