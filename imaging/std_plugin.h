#pragma once
// The standard formats plugin: JPEG (libjpeg), uncompressed Windows and OS/2
// bitmaps, and portable pixel maps, decoded into 32-bit top-down pixels or
// handed row by row to the host's line callback. Registered as "In_std.dll".
#include <cstdint>

#include "imaging/plugin_contract.h"

// The plugin's entry: its descriptor.
const PluginDescriptor* StdPluginEntry();

// The power-of-two reduction (1, 2, 4 or 8) for a picture side of `image`
// pixels wanted at `wanted` pixels.
int32_t ReductionFor(int32_t image, int32_t wanted);
// The JPEG scale denominator for a stored picture wanted at the given size
// (already exchanged for quarter-turned orientations): the larger of the two
// reductions, or the smaller one when cropping.
int32_t JpegScaleDenominator(int32_t imageWidth, int32_t imageHeight, int32_t wantedWidth, int32_t wantedHeight,
                             bool crop);

// The camera orientation stored in a JPEG's EXIF block (0 when there is
// none). Reads from the source's current position onward and puts the
// position back.
int32_t ReadExifOrientation(DecodeSource& source);
