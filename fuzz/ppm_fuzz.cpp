#include "fuzz/fuzz_plugin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Decode(3, data, size);
    return 0;
}
