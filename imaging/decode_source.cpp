#include "imaging/decode_source.h"

#include <algorithm>
#include <cstring>

void ResetDecodeSource(DecodeSource& source, void* file) {
    source.file = file;
    source.position = 0;
    source.limit = kDecodeSourceNoLimit;
    source.memory = 0;
    source.block = nullptr;
}

void SetMemoryDecodeSource(DecodeSource& source, const uint8_t* block, int32_t size) {
    source.file = nullptr;
    source.position = 0;
    source.limit = size > 0 ? size : 0;
    source.memory = 1;
    source.block = block;
}

int32_t ReadDecodeSource(DecodeSource& source, void* buffer, int32_t count) {
    if (count <= 0 || source.position < 0 || source.position >= source.limit) return 0;
    const int32_t wanted = std::min(count, source.limit - source.position);
    int32_t got = 0;
    if (source.memory) {
        if (!source.block) return 0;
        std::memcpy(buffer, source.block + source.position, static_cast<size_t>(wanted));
        got = wanted;
    } else {
        if (!source.file) return 0;
        got = ReadDecodeFile(source.file, buffer, wanted);
        if (got < 0) got = 0;
    }
    source.position += got;
    return got;
}

bool SeekDecodeSource(DecodeSource& source, int32_t position) {
    if (position < 0 || position > source.limit) return false;
    if (!source.memory && !(source.file && SeekDecodeFile(source.file, position))) return false;
    source.position = position;
    return true;
}
