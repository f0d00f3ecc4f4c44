// The EXIF date-taken reader alone, over the input as one EXIF block (in
// libFuzzer's buffer of exactly its size, so nothing may be read past it).
// Any date it hands back has the shape "YYYY:MM:DD HH:MM:SS": 19 characters,
// digits and the separators in their places.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "imaging/picture_facts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string date = ReadExifDateTaken(data, size);
    if (date.empty()) return 0;
    if (date.size() != 19) std::abort();
    static const char kShape[] = "0000:00:00 00:00:00";
    for (size_t i = 0; i < date.size(); ++i) {
        const bool ok = kShape[i] == '0' ? date[i] >= '0' && date[i] <= '9' : date[i] == kShape[i];
        if (!ok) std::abort();
    }
    return 0;
}
