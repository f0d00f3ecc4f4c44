#include "fuzz/heif_fuzz.h"

// The ".avif" entry: the same libheif reader with the AV1 decoder.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::DecodeFile(".avif", data, size);
    return 0;
}
