#include "imaging/fit.h"

#include <gtest/gtest.h>

#include "tests/imaging/resampler_test_pictures.h"

namespace {

constexpr uint32_t kBackground = 0x00112233;

BitmapPtr Cell(int32_t w, int32_t h) {
    BitmapPtr cell(TBitmap0::Create(w, h));
    cell->SetFillColour(kBackground);
    return cell;
}

TEST(DrawFit, SmallerPictureIsCopiedCentredOnTheBackground) {
    BitmapPtr picture = MakeTestPicture(4, 3, 1);
    BitmapPtr cell = Cell(10, 9);
    DrawFit(*cell, *picture);
    for (int32_t y = 0; y < 9; ++y)
        for (int32_t x = 0; x < 10; ++x) {
            const bool inside = x >= 3 && x < 7 && y >= 3 && y < 6;
            ASSERT_EQ(cell->At(x, y), inside ? picture->At(x - 3, y - 3) : kBackground) << x << "," << y;
        }
}

TEST(DrawFit, TinyPictureIsStretchedPixelForPixel) {
    // Four colour blocks of 2 x 2 pixels, enlarged into 40 x 40: too small for
    // the resampler, so each block becomes a solid quarter (top-left stays
    // top-left: rows are not turned upside down on the way).
    const uint32_t colours[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF};
    BitmapPtr picture(TBitmap0::Create(4, 4));
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x) picture->At(x, y) = colours[(y / 2) * 2 + x / 2];
    BitmapPtr cell = Cell(40, 40);
    cell->Enlarge = true;
    DrawFit(*cell, *picture);
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 40; ++x)
            ASSERT_EQ(cell->At(x, y) & 0xFFFFFF, colours[(y / 20) * 2 + x / 20]) << x << "," << y;
}

}  // namespace
