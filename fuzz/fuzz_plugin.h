#pragma once
// Shared by the reader fuzz targets: the standard plugin driven as the host
// drives it, over a memory source, with the host's buffer limits.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "imaging/decode_source.h"
#include "imaging/std_plugin.h"

namespace fuzz {

constexpr int32_t kLargestBuffer = 100000000;
constexpr int32_t kRowsBeforeStop = 4096;

inline void* held = nullptr;
inline int32_t callbackWidth = 0;
inline int32_t callbackHeight = 0;
inline int32_t rowsSeen = 0;
inline volatile int32_t stopWord = 0;
inline StopFlagWord* stopCell = &stopWord;
inline LineCallbackFn callbackCell = nullptr;

inline void* PW_CDECL RequestBuffer(int32_t size, int32_t) {
    std::free(held);
    held = size > 0 && size <= kLargestBuffer ? std::malloc(static_cast<size_t>(size)) : nullptr;
    return held;
}

// Reads every byte of a row so that the sanitizers see a short one, and
// asks the decoder to stop after a while so that huge pictures stay quick.
inline int32_t PW_CDECL LineCallback(const void* rowOrHeader, int32_t row, int32_t width, int32_t height, int32_t) {
    if (row == kHeaderRow) {
        callbackWidth = width;
        callbackHeight = height;
        rowsSeen = 0;
        return 1;
    }
    if (row != rowsSeen || width != callbackWidth || height != callbackHeight) std::abort();
    const auto* p = static_cast<const uint8_t*>(rowOrHeader);
    volatile uint32_t sum = 0;
    for (int64_t i = 0; i < int64_t{width} * 3; ++i) sum = sum + p[i];
    if (++rowsSeen >= kRowsBeforeStop) stopWord = 1;
    return 1;
}

inline void Init() {
    static bool done = false;
    if (done) return;
    done = true;
    const PluginDescriptor* d = StdPluginEntry();
    for (int32_t slot = 0; slot < kDecodingSlots; ++slot) {
        HostServices services{};
        services.size = 32;
        services.requestBuffer = &RequestBuffer;
        services.flags = kHostSevenArgDecoders;
        services.lineCallbackCell = &callbackCell;
        services.stopFlagCell = &stopCell;
        d->init(&services, slot);
    }
}

// Decodes `data` with the decoder of table entry `index`; the input's size
// picks the way: whole picture, rows to the callback, or size only.
inline void Decode(int index, const uint8_t* data, size_t size) {
    Init();
    if (size > 0x7FFFFFF) return;
    DecodeSource source{};
    SetMemoryDecodeSource(source, data, static_cast<int32_t>(size));
    const int mode = static_cast<int>(size % 3);
    callbackCell = mode == 1 ? &LineCallback : nullptr;
    stopWord = 0;
    DecodeTarget target{nullptr, 64, 96};
    int32_t pictureWidth = 0, pictureHeight = 0;
    const auto decode = reinterpret_cast<DecoderFn>(StdPluginEntry()->decoders[index]);
    decode(&source, &target.width, &target.height, &pictureWidth, &pictureHeight, mode == 2 ? nullptr : &target, 0);
    if (target.pixels) {
        // The delivered pixels must all lie inside what was handed out.
        volatile uint32_t sum = 0;
        for (int64_t i = 0; i < int64_t{target.width} * target.height; ++i) sum = sum + target.pixels[i];
    }
    std::free(held);
    held = nullptr;
}

}  // namespace fuzz
