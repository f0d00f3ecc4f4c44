#pragma once
// What a HEIC, AVIF or WebP file says about its picture beside the pixels:
// the colour profile (ICC), the nclx colour description and the date the
// photo was taken. Read for a full decode only and handed to the host
// through HostServices.reportFact; a fact that cannot be read is simply not
// reported, and nothing here stops the picture from decoding.
#include <cstddef>
#include <cstdint>
#include <string>

struct HeifApi;
struct heif_image_handle;

// The TIFF-structured part of a HEIF Exif item: the item starts with a
// 4-byte big-endian offset from the end of that word to the TIFF header
// (usually 0, or 6 to pass over "Exif\0\0"). Null when the item is shorter
// than the word or the offset points past its end.
struct ExifBytes {
    const uint8_t* data = nullptr;
    size_t size = 0;
};
inline ExifBytes TiffOfHeifExifItem(const uint8_t* item, size_t size) {
    if (!item || size < 4) return {};
    const uint32_t offset = static_cast<uint32_t>(item[0]) << 24 | static_cast<uint32_t>(item[1]) << 16 |
                            static_cast<uint32_t>(item[2]) << 8 | item[3];
    if (offset > size - 4) return {};
    return {item + 4 + offset, size - 4 - offset};
}

// The primary image's ICC profile ("prof" or "rICC"), its nclx `colr` box
// and the date taken of its Exif item, through the optional calls of the
// library's table (a call it lacks leaves its fact out).
void ReportHeifFacts(const HeifApi& api, const heif_image_handle* handle, int32_t slot) noexcept;
// A WebP's ICCP chunk and the date taken of its EXIF chunk.
void ReportWebpFacts(const std::string& file, int32_t slot) noexcept;
