#pragma once
// Drives the standard plugin the way the host does, over a memory source,
// with the host's own shared buffer and a test-controlled line callback and
// stop flag.
#include <cstdint>
#include <vector>

#include "imaging/decode_source.h"
#include "imaging/plugin_host.h"
#include "imaging/std_plugin.h"

namespace testpics {

enum Entry { kJpg = 0, kJpeg = 1, kBmp = 2, kPpm = 3 };

struct Decoded {
    int32_t pictureWidth = 0;
    int32_t pictureHeight = 0;
    int32_t width = 0;  // delivered
    int32_t height = 0;
    bool hasPixels = false;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

struct PluginOptions {
    bool ignoreExif = false;
    bool crop = false;
    LineCallbackFn callback = nullptr;  // put into the slot's cell
};

// The host's block services, counting the blocks a plugin still holds.
inline int outstandingBlocks = 0;
inline void* PW_STDCALL CountedAllocate(int32_t size) {
    void* block = AllocateBlock(size);
    if (block) ++outstandingBlocks;
    return block;
}
inline int32_t PW_STDCALL CountedFree(void* block) {
    if (block) --outstandingBlocks;
    return FreeBlock(block);
}
inline void* PW_STDCALL CountedReallocate(void** block, int32_t size) {
    const bool had = block && *block;
    void* result = ReallocateBlock(block, size);
    if (block && had != (*block != nullptr)) outstandingBlocks += *block ? 1 : -1;
    return result;
}

class StdPluginHarness {
public:
    explicit StdPluginHarness(PluginOptions options = {}) : options_(options) {
        cell_ = options.callback;
        stopCell_ = &stop_;
        Init();
    }
    ~StdPluginHarness() { ReleaseSharedBuffer(kSlot); }

    // The plugin's state is process-wide: every decode sets this harness's
    // options again, so several harnesses can take turns.
    void Init() {
        const PluginOptions& options = options_;
        const PluginDescriptor* d = StdPluginEntry();
        for (int32_t slot = 0; slot < kDecodingSlots; ++slot) {
            HostServices services{};
            services.size = kHostServicesSize;
            services.requestBuffer = &RequestSharedBuffer;
            services.flags = kHostSevenArgDecoders | (options.ignoreExif ? kHostIgnoreExif : 0) |
                             (options.crop ? kHostCrop : 0);
            services.lineCallbackCell = &cell_;
            services.allocate = &CountedAllocate;
            services.free = &CountedFree;
            services.reallocate = &CountedReallocate;
            services.stopFlagCell = &stopCell_;
            d->init(&services, slot);
        }
    }

    // Decodes `bytes` with table entry `entry`; wanted (-1, -1): no target.
    Decoded Decode(int entry, const Bytes& bytes, int32_t wantWidth, int32_t wantHeight, int32_t minWidth = 0,
                   int32_t minHeight = 0) {
        Init();
        DecodeSource source{};
        SetMemoryDecodeSource(source, bytes.data(), static_cast<int32_t>(bytes.size()));
        DecodeTarget target{nullptr, wantHeight, wantWidth};
        const bool info = wantWidth == -1 && wantHeight == -1;
        Decoded d;
        d.pictureWidth = minWidth;
        d.pictureHeight = minHeight;
        const auto decode = reinterpret_cast<DecoderFn>(StdPluginEntry()->decoders[entry]);
        decode(&source, &target.width, &target.height, &d.pictureWidth, &d.pictureHeight, info ? nullptr : &target,
               kSlot);
        d.width = target.width;
        d.height = target.height;
        d.hasPixels = target.pixels != nullptr;
        if (d.hasPixels)
            d.pixels.assign(target.pixels, target.pixels + static_cast<size_t>(target.width) * target.height);
        ReleaseSharedBuffer(kSlot);
        return d;
    }

    static constexpr int32_t kSlot = 3;
    PluginOptions options_;
    volatile int32_t stop_ = 0;
    LineCallbackFn cell_ = nullptr;
    StopFlagWord* stopCell_ = nullptr;
};

inline uint32_t Pixel(Rgb c) { return static_cast<uint32_t>(c.r) << 16 | c.g << 8 | c.b; }

}  // namespace testpics
