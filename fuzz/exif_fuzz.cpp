#include "fuzz/fuzz_plugin.h"

// The orientation reader alone: any answer is fine, but the position must be
// put back and nothing read outside the input.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0x7FFFFFF) return 0;
    DecodeSource source{};
    SetMemoryDecodeSource(source, data, static_cast<int32_t>(size));
    ReadExifOrientation(source);
    if (source.position != 0) std::abort();
    return 0;
}
