#pragma once
// Fitting a decoded picture into a page cell, and loading one picture file
// into a cell (through the real-time resize when it is on).
#include <cstdint>
#include <string>

#include "imaging/bitmap.h"
#include "imaging/fit_plan.h"

// The fitting options a bitmap carries (crop, enlarge, random position).
FitOptions FitOptionsOf(const TBitmap0& dest);

// Fills dest with its background, then draws source into it by the fitting
// rules: copied, resampled with Hermite, or stretched when tiny.
void DrawFit(TBitmap0& dest, const TBitmap0& source);

// What loading one picture reports to its caller.
struct PictureResult {
    // As the decoder reported them; both negative for an error report.
    int32_t pictureWidth = 0;
    int32_t pictureHeight = 0;
    std::string formatName;  // empty when nothing decoded it
    int64_t fileSize = -1;   // -1 when unknown
    bool fileMissing = false;
    bool cannotOpen = false;
    std::string dateTaken;  // "YYYY:MM:DD HH:MM:SS" from the file; empty: none
};

// With "ColorManage" on, converts the picture just fitted into `target` on
// that slot to sRGB, from the colours its file describes.
void ManageColours(TBitmap0& target, int32_t slot);

// Leaves a decoding slot as a decode finds it: no shared buffer held, no
// resize state, at construction and again at destruction, so also when a
// failure propagates.
class DecodeSlotCleanup {
public:
    explicit DecodeSlotCleanup(int32_t slot);
    ~DecodeSlotCleanup();
    DecodeSlotCleanup(const DecodeSlotCleanup&) = delete;
    DecodeSlotCleanup& operator=(const DecodeSlotCleanup&) = delete;

private:
    int32_t slot_;
};

// Decodes `fileName` on the cell's slot at the cell's size and fits it into
// the cell: in real time during decoding when "rtresize" is on (the picture
// never exists at full size), else by DrawFit afterwards. A picture nothing
// could decode leaves the cell filled with its background. The shared pixel
// buffer and the slot's resize state are released whatever happens,
// also when a failure propagates.
PictureResult LoadPictureInto(TBitmap0& cell, const std::string& fileName);
