#include <cstdlib>
#include <stdexcept>

#include "imaging/bitmap.h"

// Natively a bitmap's pixels are a plain top-down buffer; there is no GDI.
// Sizes a 32-bit process could never map are refused the way Windows refuses
// the DIB section, with its "not enough memory" code (8).

namespace {
constexpr uint32_t kNotEnoughMemory = 8;
constexpr uint64_t kLargestBuffer = 0x7FFFFFFF;
}  // namespace

void TBitmap0::AllocateOwned() {
    const uint64_t count = static_cast<uint64_t>(width_ > 0 ? width_ : 0) * static_cast<uint64_t>(height_ > 0 ? height_ : 0);
    void* buffer = count * 4 <= kLargestBuffer ? std::calloc(count > 0 ? count : 1, 4) : nullptr;
    if (!buffer) throw std::runtime_error(CreateDibFailedText(kNotEnoughMemory, width_, height_));
    pixels_ = static_cast<uint32_t*>(buffer);
    ownsPixels_ = true;
}

void TBitmap0::FreeOwned() {
    if (ownsPixels_) std::free(pixels_);
    pixels_ = nullptr;
    ownsPixels_ = false;
}

void TBitmap0::GdiClearRect(int32_t, int32_t, int32_t, int32_t) {}
