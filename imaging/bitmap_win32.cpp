#include <windows.h>

#include <stdexcept>
#include <string>

#include "imaging/bitmap.h"

void TBitmap0::AllocateOwned() {
    dc_ = CreateCompatibleDC(nullptr);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    SetLastError(0);
    HBITMAP bitmap = CreateDIBSection(static_cast<HDC>(dc_), &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) {
        throw std::runtime_error(CreateDibFailedText(GetLastError(), width_, height_));
    }
    handle_ = bitmap;
    SelectObject(static_cast<HDC>(dc_), bitmap);
    pixels_ = static_cast<uint32_t*>(bits);
    if (!pixels_) throw std::runtime_error("ptr=nil");
}

void TBitmap0::FreeOwned() {
    if (dc_) DeleteDC(static_cast<HDC>(dc_));
    if (handle_) DeleteObject(static_cast<HBITMAP>(handle_));
    dc_ = nullptr;
    handle_ = nullptr;
    pixels_ = nullptr;
}

void TBitmap0::GdiClearRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    RECT r = {x1, y1, x2 + 1, y2 + 1};
    FillRect(static_cast<HDC>(dc_), &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

void TBitmap0::BlitRect(const TBitmap0& source, int32_t sx, int32_t sy, int32_t x1, int32_t y1, int32_t x2,
                        int32_t y2) {
    BitBlt(static_cast<HDC>(dc_), x1, y1, x2 - x1 + 1, y2 - y1 + 1, static_cast<HDC>(source.dc_), sx, sy, SRCCOPY);
}
