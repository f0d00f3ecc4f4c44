#pragma once
// The host's side for the reader fuzz targets: the shared buffer with the
// host's largest size, a line callback that reads every byte of each row, a
// fact report that reads every byte of each fact, and a stop flag that ends
// huge pictures early.
#include <cstdint>
#include <cstdlib>

#include "imaging/plugin_contract.h"

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

// Takes every fact a decoder reports and reads each byte of it, so that the
// sanitizers see one read from outside the file's data.
inline void PW_CDECL ReportFact(int32_t, int32_t kind, const void* data, int32_t size) {
    if (!data || size <= 0 || kind < kFactIccProfile || kind > kFactDateTaken) std::abort();
    const auto* p = static_cast<const uint8_t*>(data);
    volatile uint32_t sum = 0;
    for (int32_t i = 0; i < size; ++i) sum = sum + p[i];
}

// Gives the plugin the services above on every slot.
inline void InitPlugin(const PluginDescriptor* d) {
    for (int32_t slot = 0; slot < kDecodingSlots; ++slot) {
        HostServices services{};
        services.size = kHostServicesSize;
        services.requestBuffer = &RequestBuffer;
        services.flags = kHostSevenArgDecoders;
        services.lineCallbackCell = &callbackCell;
        services.stopFlagCell = &stopCell;
        services.reportFact = &ReportFact;
        d->init(&services, slot);
    }
}

// Reads every delivered pixel, so that the sanitizers see one outside the
// buffer, then frees the buffer.
inline void CheckDelivered(const DecodeTarget& target) {
    if (target.pixels) {
        volatile uint32_t sum = 0;
        for (int64_t i = 0; i < int64_t{target.width} * target.height; ++i) sum = sum + target.pixels[i];
    }
    std::free(held);
    held = nullptr;
}

}  // namespace fuzz
