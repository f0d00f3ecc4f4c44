#pragma once
// Colour management: a picture whose file describes its colours (an ICC
// profile, nclx codes) is converted to sRGB after it was fitted into its
// cell, so that only the cell's pixels are converted. Pictures without a
// description are taken to be sRGB already and stay as they are, and so do
// pictures tagged with sRGB itself. Where the display has a profile of its
// own that is not sRGB, every picture is converted to it instead.
#include <cstdint>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/plugin_host.h"

// Converts the fitted picture of `cell` (its Fitted rectangle) from the
// colours the facts describe to sRGB (or the display's profile), in place. A
// description that cannot be used (a damaged profile, one for CMYK
// pictures) leaves the pixels as they are. Returns whether the pixels were
// converted.
bool ConvertFittedColours(TBitmap0& cell, const PictureFacts& facts);

// The display's profile (an ICC profile's bytes) that pictures are converted
// to from then on; empty, unusable (not RGB, damaged) and sRGB profiles mean
// sRGB. Returns whether it is used.
bool SetDisplayProfile(const std::vector<uint8_t>& profile);

// Forgets the conversions kept for the profiles seen last.
void ReleaseColourTransforms();
