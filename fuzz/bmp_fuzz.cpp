#include "fuzz/fuzz_plugin.h"

// The ".bmp" entry; inputs that do not start with "B" still go through the
// same first-byte choice the decoder makes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Decode(2, data, size);
    return 0;
}
