#pragma once
// Shared by the phone and web formats fuzz targets: the plugin driven as the
// host drives it. Its decoders open files by name, so each input is written
// to a file of the process's own in the temporary folder first.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "fuzz/fuzz_host.h"
#include "plugins/heif/heif_plugin.h"

namespace fuzz {

// Decodes `data` as a file with the extension `ext` (".heic", ".avif",
// ".webp"); the input's size picks the way: whole picture, rows to the
// callback, or size only.
inline void DecodeFile(const char* ext, const uint8_t* data, size_t size) {
    static const PluginDescriptor* d = [] {
        const PluginDescriptor* descriptor = PluginEntry();
        InitPlugin(descriptor);
        return descriptor;
    }();
    static const std::string path = [ext] {
        const char* tmp = std::getenv("TMPDIR");
        return std::string(tmp ? tmp : "/tmp") + "/pw_fuzz_" + std::to_string(getpid()) + ext;
    }();
    int index = -1;
    for (int32_t i = 0; i < d->count; ++i)
        if (std::string(d->extensions[i]) == ext) index = i;
    if (index < 0) std::abort();  // the library lacks the decoder: nothing would be fuzzed
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    const int mode = static_cast<int>(size % 3);
    callbackCell = mode == 1 ? &LineCallback : nullptr;
    stopWord = 0;
    DecodeTarget target{nullptr, 64, 96};
    int32_t pictureWidth = 0, pictureHeight = 0;
    const auto decode = reinterpret_cast<DecoderFn>(d->decoders[index]);
    decode(path.c_str(), &target.width, &target.height, &pictureWidth, &pictureHeight, mode == 2 ? nullptr : &target,
           0);
    CheckDelivered(target);
}

}  // namespace fuzz
