#include "fuzz/heif_fuzz.h"

// The ".heic" entry of the phone and web formats plugin: libheif with the
// HEVC decoder, grids and the container's transforms.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::DecodeFile(".heic", data, size);
    return 0;
}
