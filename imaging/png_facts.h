#pragma once
// What a PNG file says about its colours and its date beside its pixels:
// the ICC profile of its iCCP chunk (compressed with zlib), the colour codes
// of its cICP chunk and EXIF DateTimeOriginal of its eXIf chunk. GDI+, which
// decodes PNG files, gives none of them everywhere. The file is untrusted:
// chunk lengths are checked against the file, and a profile is inflated to a
// bounded size.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/plugin_contract.h"

struct PngFacts {
    bool isPng = false;               // the file starts with PNG's signature
    std::vector<uint8_t> iccProfile;  // whole, or empty
    bool hasCicp = false;             // primaries, transfer, matrix, full range
    std::array<int32_t, 4> cicp{};
    std::string dateTaken;  // "YYYY:MM:DD HH:MM:SS", or empty
};

// Reads the chunks of the PNG file at the start of `source` up to IEND (or
// the end of the file), leaving the pixels' chunks unread.
PngFacts ReadPngFacts(DecodeSource& source);
