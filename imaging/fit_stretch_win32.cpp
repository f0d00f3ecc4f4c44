#include <windows.h>

#include "imaging/fit_stretch.h"

void StretchPicture(TBitmap0& dest, const TBitmap0& source, const FitPlan& plan) {
    HDC dc = static_cast<HDC>(dest.DC());
    if (!dc || !source.Pixels() || plan.srcW <= 0 || plan.srcH <= 0) {
        StretchNearest(dest, source, plan);
        return;
    }
    // The header describes only the rows of the region, top-down, starting at
    // its first row: a top-down DIB's source y is then plainly 0 and the
    // differing conventions for it never come into play.
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = source.Width();
    info.bmiHeader.biHeight = -plan.srcH;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, plan.dstX, plan.dstY, plan.dstW, plan.dstH, plan.srcX, 0, plan.srcW, plan.srcH,
                  source.Row(plan.srcY), &info, DIB_RGB_COLORS, SRCCOPY);
    if (oldMode) SetStretchBltMode(dc, oldMode);
    GdiFlush();  // the caller reads the DIB memory next
}
