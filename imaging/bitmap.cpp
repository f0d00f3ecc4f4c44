#include "imaging/bitmap.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

// Remainder in 0..m-1 also for negative phases, so a pattern offset that went
// below zero still picks a pixel inside the tile.
int32_t WrapIndex(int64_t value, int32_t m) {
    int64_t r = value % m;
    return static_cast<int32_t>(r < 0 ? r + m : r);
}

}  // namespace

std::string CreateDibFailedText(uint32_t systemError, int32_t width, int32_t height) {
    return "CreateDIBSection failed, Error = " + std::to_string(systemError) + ", " + std::to_string(width) + ", " +
           std::to_string(height);
}

TBitmap0* TBitmap0::Create(int32_t width, int32_t height) {
    auto* bitmap = new TBitmap0(width, height);
    try {
        bitmap->AllocateOwned();
    } catch (...) {
        bitmap->Destroy();
        throw;
    }
    return bitmap;
}

TBitmap0* TBitmap0::Wrap(int32_t width, uint32_t* pixels, int32_t height) {
    auto* bitmap = new TBitmap0(width, height);
    bitmap->pixels_ = pixels;
    return bitmap;
}

namespace {
std::atomic<int32_t> liveBitmaps{0};
}  // namespace

TBitmap0::TBitmap0(int32_t width, int32_t height) : width_(width), height_(height) { ++liveBitmaps; }

TBitmap0::~TBitmap0() { --liveBitmaps; }

int32_t TBitmap0::Live() { return liveBitmaps.load(); }

void TBitmap0::Release() {
    dc_ = nullptr;
    handle_ = nullptr;
    ownsPixels_ = false;
    delete this;
}

void TBitmap0::Destroy() {
    FreeOwned();
    delete this;
}

void TBitmap0::Fill() {
    if (!pixels_ || width_ <= 0 || height_ <= 0) return;
    const TBitmap0* pat = pattern_;
    if (!pat || !pat->pixels_ || pat->width_ <= 0 || pat->height_ <= 0) {
        std::fill_n(pixels_, static_cast<size_t>(width_) * static_cast<size_t>(height_), fillColour_);
        return;
    }
    const int32_t pw = pat->width_;
    const int32_t startColumn = WrapIndex(PatternOffsetX, pw);
    for (int32_t y = 0; y < height_; ++y) {
        const uint32_t* src = pat->Row(WrapIndex(static_cast<int64_t>(PatternOffsetY) + y, pat->height_));
        uint32_t* dst = Row(y);
        int32_t sx = startColumn;
        for (int32_t x = 0; x < width_; ++x) {
            dst[x] = src[sx];
            if (++sx == pw) sx = 0;
        }
    }
}

void TBitmap0::Clear() {
    if (pixels_) {
        if (width_ > 0 && height_ > 0)
            std::memset(pixels_, 0, static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4);
        return;
    }
    if (dc_) GdiClearRect(0, 0, width_ - 1, height_ - 1);
}

void TBitmap0::ClearRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (!pixels_) {
        if (dc_) GdiClearRect(x1, y1, x2, y2);
        return;
    }
    if (x2 < x1) return;
    for (int32_t y = y1; y <= y2; ++y) std::fill(Row(y) + x1, Row(y) + x2 + 1, 0u);
}

void TBitmap0::CopyRect(const TBitmap0& source, int32_t sx, int32_t sy, int32_t x1, int32_t y1, int32_t x2,
                        int32_t y2) {
    if (!pixels_ || !source.pixels_) return;
    // Clipped to both bitmaps, so that a rectangle one pixel too wide (an odd
    // screen width halved) loses that pixel instead of writing past a row.
    const int64_t left = std::max<int64_t>({0, x1, static_cast<int64_t>(x1) - sx});
    const int64_t top = std::max<int64_t>({0, y1, static_cast<int64_t>(y1) - sy});
    const int64_t right = std::min<int64_t>({x2, width_ - 1, static_cast<int64_t>(x1) - sx + source.width_ - 1});
    const int64_t bottom = std::min<int64_t>({y2, height_ - 1, static_cast<int64_t>(y1) - sy + source.height_ - 1});
    if (right < left || bottom < top) return;
    const size_t bytes = static_cast<size_t>(right - left + 1) * 4;
    for (int64_t y = top; y <= bottom; ++y) {
        const auto fromX = static_cast<int32_t>(sx + (left - x1)), fromY = static_cast<int32_t>(sy + (y - y1));
        std::memmove(Row(static_cast<int32_t>(y)) + left, source.Row(fromY) + fromX, bytes);
    }
}
