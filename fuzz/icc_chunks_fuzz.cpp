// The ICC profile joiner over APP2 segments cut from the input: each segment
// is one length byte and then up to that many bytes (fewer at the input's
// end). Every segment gets a buffer of its own, of exactly its size, so that
// a part read past its end is caught, which it would not be with the parts
// side by side in one buffer (as a file holds them). A profile handed back
// must be whole: at least its 128-byte header, its first word its size, and
// made of no more bytes than the profile parts brought.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/picture_facts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::unique_ptr<uint8_t[]>> buffers;
    std::vector<SegmentBytes> segments;
    size_t partBytes = 0;  // what the segments that name themselves ICC parts carry after their header
    for (size_t at = 0; at < size;) {
        const size_t length = std::min<size_t>(data[at], size - at - 1);
        ++at;
        // A zero-length segment comes as a null pointer, as an empty marker may.
        std::unique_ptr<uint8_t[]> copy(length ? new uint8_t[length] : nullptr);
        if (length) std::memcpy(copy.get(), data + at, length);
        segments.push_back(SegmentBytes{copy.get(), length});
        if (length >= 14 && std::memcmp(data + at, "ICC_PROFILE", 12) == 0) partBytes += length - 14;
        buffers.push_back(std::move(copy));
        at += length;
    }
    const std::vector<uint8_t> profile = JoinIccChunks(segments);
    if (profile.empty()) return 0;
    if (profile.size() < 128 || profile.size() > partBytes) std::abort();
    const uint32_t declared = static_cast<uint32_t>(profile[0]) << 24 | static_cast<uint32_t>(profile[1]) << 16 |
                              static_cast<uint32_t>(profile[2]) << 8 | profile[3];
    if (declared != profile.size()) std::abort();
    return 0;
}
