#pragma once
// Shared by the standard plugin's reader fuzz targets: the plugin driven as
// the host drives it, over a memory source, with the host's buffer limits.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz/fuzz_host.h"
#include "imaging/decode_source.h"
#include "imaging/std_plugin.h"

namespace fuzz {

inline void Init() {
    static bool done = false;
    if (done) return;
    done = true;
    InitPlugin(StdPluginEntry());
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
    CheckDelivered(target);
}

}  // namespace fuzz
