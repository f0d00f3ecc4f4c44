#pragma once
// Readers of what a picture file says about itself beside its pixels: the
// ICC profile a JPEG carries in APP2 chunks, and the date the photo was taken
// from an EXIF block. Shared by the decoders of every plugin; they take
// untrusted bytes and never read outside them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A big-endian 32-bit word, as ICC profiles and PNG chunks store them.
uint32_t BigEndian32(const uint8_t* p);

// The payload of one JPEG APP2 segment (after its length word).
struct SegmentBytes {
    const uint8_t* data;
    size_t size;
};

// The ICC profile split over a JPEG's APP2 segments: each one "ICC_PROFILE\0",
// its sequence number (from 1), the count, then its part. Segments of other
// kinds are passed over. Empty when the parts do not make one whole profile:
// a number missing or given twice, counts that disagree, or a joined size
// that is not the profile's own.
std::vector<uint8_t> JoinIccChunks(const std::vector<SegmentBytes>& segments);

// A profile as a file carries it, cut to the size its header declares
// (writers may pad it); empty when it is shorter than its 128-byte header or
// than that size.
std::vector<uint8_t> WholeIccProfile(std::vector<uint8_t> profile);

// EXIF DateTimeOriginal, the moment the photo was taken, of a
// TIFF-structured EXIF block, with or without the "Exif\0\0" that JPEG's
// APP1 and some WebP files put before it: "YYYY:MM:DD HH:MM:SS". Empty when
// the block has no such date or the date is not a real one ("0000:00:00
// 00:00:00", a month 13, letters). Other dates of the block (the file's
// last change) are never taken for it.
std::string ReadExifDateTaken(const uint8_t* block, size_t size);

// A date already cut out of its EXIF field ("YYYY:MM:DD HH:MM:SS" and
// perhaps its terminating zero), as GDI+ gives its properties: the date, or
// empty when it is not a real one.
std::string CheckedExifDate(const std::string& text);
