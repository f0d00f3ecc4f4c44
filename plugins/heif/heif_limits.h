#pragma once
// Whether libheif may be given a file: every picture it would make while it
// decodes the primary image (coded pictures, grids, overlays, alpha planes,
// at any depth) within the plugin's limits. See heif_limits.cpp for why the
// plugin reads this itself.
#include <cstdint>

#include "plugins/heif/heif_plugin_internal.h"

enum class HeifLimits {
    kWithin,       // nothing beyond the limits (libheif may still refuse the file)
    kUnreadable,   // the boxes or streams cannot be read as libheif and its codecs read them
    kTooLarge,     // a picture larger than the plugin decodes
    kTooMuchWork,  // more coded pictures, or pixels in all, than one picture needs
};

HeifLimits CheckHeifLimits(const uint8_t* file, uint64_t size);

// Every picture that one primary image may need, added up (coded pictures
// and canvases, each counted as often as libheif makes it): four times the
// largest picture leaves room for an alpha plane and for tiles that reach
// past the picture's edges. And at most so many coded pictures, each of
// which costs libheif a decoder of its own.
constexpr int64_t kLargestPixelsInAll = 4 * (kLargestPictureBytes / 4);
constexpr int32_t kMostCodedPictures = 4096;
