// The reader of a PNG file's chunks (profile, colour codes, date taken) over
// the input as a whole file in memory. What it hands back must be sound: a
// profile whole by its own header and no larger than the reader's bound, a
// date of the EXIF form that names a real moment, colour codes of one byte
// each.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "imaging/decode_source.h"
#include "imaging/picture_facts.h"
#include "imaging/png_facts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > INT32_MAX) return 0;
    DecodeSource source{};
    SetMemoryDecodeSource(source, data, static_cast<int32_t>(size));
    const PngFacts facts = ReadPngFacts(source);
    if (!facts.isPng && (!facts.iccProfile.empty() || facts.hasCicp || !facts.dateTaken.empty())) std::abort();
    if (!facts.iccProfile.empty() && (WholeIccProfile(facts.iccProfile) != facts.iccProfile ||
                                      facts.iccProfile.size() > (16u << 20)))
        std::abort();
    if (facts.hasCicp && !facts.iccProfile.empty()) std::abort();
    for (const int32_t code : facts.cicp)
        if (code < 0 || code > 255) std::abort();
    if (!facts.dateTaken.empty() && CheckedExifDate(facts.dateTaken) != facts.dateTaken) std::abort();
    return 0;
}
