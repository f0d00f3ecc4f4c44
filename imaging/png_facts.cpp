#include "imaging/png_facts.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "imaging/decode_source.h"
#include "imaging/picture_facts.h"

namespace {
constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Profiles of cameras and editors stay well under a megabyte; the largest
// ones with big tables reach a few. Anything beyond this is not a profile
// worth inflating.
constexpr size_t kLargestProfile = 16u << 20;
// EXIF blocks with a preview image are at most 64 KB in JPEG; PNG writers
// copy them whole.
constexpr uint32_t kLargestExif = 4u << 20;
constexpr uint32_t kLargestCompressedProfile = 16u << 20;
// A walk over more chunks than this is not a photo's file: a 500 MB PNG of
// libpng's 8 KB pixel chunks has fewer.
constexpr int kMostChunks = 1 << 16;

bool ReadExactly(DecodeSource& source, void* buffer, uint32_t count) {
    return count <= INT32_MAX &&
           ReadDecodeSource(source, buffer, static_cast<int32_t>(count)) == static_cast<int32_t>(count);
}

// The zlib stream of an iCCP chunk inflated, or empty when it is damaged or
// inflates to more than a profile can be.
std::vector<uint8_t> Inflated(const uint8_t* data, size_t size) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return {};
    std::vector<uint8_t> out;
    uint8_t part[16384];
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = static_cast<uInt>(size);
    // Z_BUF_ERROR ends it when the input runs out before the stream's end.
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = part;
        z.avail_out = sizeof part;
        rc = inflate(&z, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END) break;
        const size_t made = sizeof part - z.avail_out;
        if (out.size() + made > kLargestProfile) {
            rc = Z_MEM_ERROR;
            break;
        }
        out.insert(out.end(), part, part + made);
    }
    inflateEnd(&z);
    return rc == Z_STREAM_END ? out : std::vector<uint8_t>();
}

// An iCCP chunk: the profile's name (1 to 79 bytes) and its zero, the
// compression method (0, zlib), then the compressed profile.
std::vector<uint8_t> IccpProfile(const std::vector<uint8_t>& chunk) {
    if (chunk.empty()) return {};
    const void* zero = std::memchr(chunk.data(), 0, std::min<size_t>(chunk.size(), 80));
    if (!zero) return {};
    const size_t nameLength = static_cast<size_t>(static_cast<const uint8_t*>(zero) - chunk.data());
    if (nameLength == 0 || chunk.size() < nameLength + 2 || chunk[nameLength + 1] != 0) return {};
    const size_t at = nameLength + 2;
    return WholeIccProfile(Inflated(chunk.data() + at, chunk.size() - at));
}
}  // namespace

PngFacts ReadPngFacts(DecodeSource& source) {
    PngFacts facts;
    uint8_t signature[8];
    if (!ReadExactly(source, signature, 8) || std::memcmp(signature, kSignature, 8) != 0) return facts;
    facts.isPng = true;
    std::vector<uint8_t> profile;
    for (int chunks = 0; chunks < kMostChunks; ++chunks) {
        uint8_t header[8];
        if (!ReadExactly(source, header, 8)) break;
        const uint32_t length = BigEndian32(header);
        if (length > INT32_MAX) break;                               // not a chunk: PNG forbids lengths above 2^31-1
        const int64_t next = int64_t{source.position} + length + 4;  // past the chunk's CRC
        const char* type = reinterpret_cast<const char*>(header + 4);
        const bool iccp = std::memcmp(type, "iCCP", 4) == 0 && length <= kLargestCompressedProfile && profile.empty();
        const bool exif = std::memcmp(type, "eXIf", 4) == 0 && length <= kLargestExif && facts.dateTaken.empty();
        const bool cicp = std::memcmp(type, "cICP", 4) == 0 && length == 4;
        if (iccp || exif || cicp) {
            std::vector<uint8_t> chunk(length);
            if (!ReadExactly(source, chunk.data(), length)) break;
            if (iccp) profile = IccpProfile(chunk);
            if (exif) facts.dateTaken = ReadExifDateTaken(chunk.data(), chunk.size());
            if (cicp) {
                facts.hasCicp = true;
                for (int i = 0; i < 4; ++i) facts.cicp[static_cast<size_t>(i)] = chunk[static_cast<size_t>(i)];
            }
        }
        // The colours are described before the pixels; only a date may
        // still come after them.
        const bool pixels = std::memcmp(type, "IDAT", 4) == 0;
        if (std::memcmp(type, "IEND", 4) == 0 || (pixels && !facts.dateTaken.empty()) || next > INT32_MAX ||
            !SeekDecodeSource(source, static_cast<int32_t>(next)))
            break;
    }
    // cICP describes the colours in place of any profile.
    if (!facts.hasCicp) facts.iccProfile = std::move(profile);
    return facts;
}
