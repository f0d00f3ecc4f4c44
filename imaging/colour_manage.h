#pragma once
// Colour management: a picture whose file describes its colours (an ICC
// profile) is converted to sRGB after it was fitted into its cell, so that
// only the cell's pixels are converted. Pictures without a description are
// taken to be sRGB already and stay as they are, and so do pictures tagged
// with sRGB itself.
#include <cstdint>

#include "imaging/bitmap.h"
#include "imaging/plugin_host.h"

// Converts the fitted picture of `cell` (its Fitted rectangle) to sRGB from
// the colours the facts describe, in place. A description that cannot be
// used (a damaged profile, one for grey or CMYK pictures) leaves the pixels
// as they are. Returns whether the pixels were converted.
bool ConvertFittedToSrgb(TBitmap0& cell, const PictureFacts& facts);

// Forgets the conversions kept for the profiles seen last.
void ReleaseColourTransforms();
