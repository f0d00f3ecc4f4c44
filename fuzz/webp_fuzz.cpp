#include "fuzz/heif_fuzz.h"

// The ".webp" entry: libwebp, stills (scaled or not) and animations.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::DecodeFile(".webp", data, size);
    return 0;
}
