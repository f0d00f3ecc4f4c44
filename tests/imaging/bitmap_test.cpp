#include "imaging/bitmap.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

uint32_t Tag(int x, int y) { return 0x01000000u | static_cast<uint32_t>(y) << 8 | static_cast<uint32_t>(x); }

BitmapPtr Tagged(int w, int h) {
    BitmapPtr b(TBitmap0::Create(w, h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b->At(x, y) = Tag(x, y);
    return b;
}

TEST(Bitmap, CreateGivesZeroedTopDownStorageAndInitialOptions) {
    BitmapPtr one(TBitmap0::Create(1, 1));
    ASSERT_NE(one->Pixels(), nullptr);
    EXPECT_EQ(one->At(0, 0), 0u);
    one->At(0, 0) = 0xDEADBEEF;
    EXPECT_EQ(one->Pixels()[0], 0xDEADBEEFu);

    BitmapPtr b(TBitmap0::Create(7, 3));
    EXPECT_EQ(b->Width(), 7);
    EXPECT_EQ(b->Height(), 3);
    EXPECT_EQ(b->Row(2), b->Pixels() + 14);  // stride is exactly the width
    EXPECT_EQ(b->FillColour(), 0u);
    EXPECT_EQ(b->Pattern(), nullptr);
    EXPECT_EQ(b->Slot, 0);
    EXPECT_FALSE(b->Enlarge || b->RandomPos || b->Crop);
    EXPECT_EQ(b->PatternOffsetX, 0);
    EXPECT_EQ(b->PatternOffsetY, 0);
}

TEST(Bitmap, RefusedSizeNamesErrorWidthAndHeight) {
    try {
        BitmapPtr b(TBitmap0::Create(100000, 100000));
        FAIL() << "a 40 GB bitmap was created";
    } catch (const std::runtime_error& e) {
        const std::string text = e.what();
        EXPECT_EQ(text.rfind("CreateDIBSection failed, Error = ", 0), 0u) << text;
        EXPECT_NE(text.find(", 100000, 100000"), std::string::npos) << text;
    }
}

TEST(Bitmap, FillWithPatternRunsFromTheOffsets) {
    BitmapPtr pattern = Tagged(3, 2);
    BitmapPtr b(TBitmap0::Create(5, 3));
    b->SetPattern(pattern.get());
    b->PatternOffsetX = 4;
    b->PatternOffsetY = 5;
    b->Fill();
    EXPECT_EQ(b->At(0, 0), Tag(1, 1));
    EXPECT_EQ(b->At(2, 0), Tag(0, 1));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(b->At(x, y), Tag((4 + x) % 3, (5 + y) % 2)) << x << "," << y;

    // A phase that went negative still tiles inside the pattern.
    b->PatternOffsetX = -1;
    b->PatternOffsetY = -1;
    b->Fill();
    EXPECT_EQ(b->At(0, 0), Tag(2, 1));
    EXPECT_EQ(b->At(1, 1), Tag(0, 0));
}

TEST(Bitmap, FillWithoutPatternUsesTheFillColour) {
    BitmapPtr b(TBitmap0::Create(4, 2));
    b->SetFillColour(0x00123456);
    b->Fill();
    for (int i = 0; i < 8; ++i) EXPECT_EQ(b->Pixels()[i], 0x00123456u);
    BitmapPtr empty(TBitmap0::Wrap(0, nullptr, 0));
    b->SetPattern(empty.get());  // nothing to tile: the colour stands in
    b->SetFillColour(7);
    b->Fill();
    EXPECT_EQ(b->At(3, 1), 7u);
}

TEST(Bitmap, ClearAndClearRectAreInclusive) {
    BitmapPtr b = Tagged(4, 3);
    b->ClearRect(0, 0, 0, 0);
    EXPECT_EQ(b->At(0, 0), 0u);
    EXPECT_EQ(b->At(1, 0), Tag(1, 0));
    EXPECT_EQ(b->At(0, 1), Tag(0, 1));

    b->ClearRect(1, 1, 2, 2);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            const bool inside = (x == 0 && y == 0) || (x >= 1 && x <= 2 && y >= 1);
            EXPECT_EQ(b->At(x, y), inside ? 0u : Tag(x, y)) << x << "," << y;
        }
    b->Clear();
    for (int i = 0; i < 12; ++i) EXPECT_EQ(b->Pixels()[i], 0u);
}

TEST(Bitmap, CopyRectMovesPlainWordsToTheInclusiveRectangle) {
    BitmapPtr src = Tagged(6, 5);
    BitmapPtr dst(TBitmap0::Create(4, 4));
    dst->CopyRect(*src, 2, 1, 1, 2, 3, 3);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const bool inside = x >= 1 && x <= 3 && y >= 2 && y <= 3;
            EXPECT_EQ(dst->At(x, y), inside ? Tag(2 + x - 1, 1 + y - 2) : 0u) << x << "," << y;
        }
}

// An odd width halved: the right half of a 7-pixel row is 4 pixels, the page
// 3. Rectangles past either bitmap lose what lies outside, nothing more.
TEST(Bitmap, CopyRectClipsToBothBitmaps) {
    BitmapPtr src = Tagged(7, 3);
    BitmapPtr page(TBitmap0::Create(3, 3));
    page->CopyRect(*src, 3, 0, 0, 0, 7 - 1 - 3, 2);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(page->At(x, y), Tag(3 + x, y)) << x << "," << y;

    BitmapPtr wide(TBitmap0::Create(8, 4));
    wide->CopyRect(*page, 0, 0, 6, 2, 9, 5);  // past the right and bottom edges
    wide->CopyRect(*page, 1, 1, -1, -1, 1, 1);  // from before the top left corner
    EXPECT_EQ(wide->At(6, 2), Tag(3, 0));
    EXPECT_EQ(wide->At(7, 3), Tag(4, 1));
    EXPECT_EQ(wide->At(0, 0), Tag(3 + 2, 2));
    EXPECT_EQ(wide->At(1, 1), 0u);  // page pixel (3, 3) does not exist
    EXPECT_EQ(wide->At(5, 2), 0u);
    page->CopyRect(*src, 0, 0, 0, 0, 2, 2);
    page->CopyRect(*src, 6, 2, 0, 0, 2, 2);  // only source pixel (6, 2) exists
    EXPECT_EQ(page->At(0, 0), Tag(6, 2));
    EXPECT_EQ(page->At(1, 0), Tag(1, 0));
}

TEST(Bitmap, WrapOwnsNothingAndReleaseLeavesTheBuffer) {
    std::vector<uint32_t> buffer(6, 0xAABBCCDD);
    TBitmap0* w = TBitmap0::Wrap(3, buffer.data(), 2);
    EXPECT_EQ(w->Pixels(), buffer.data());
    EXPECT_EQ(w->DC(), nullptr);
    EXPECT_EQ(w->Handle(), nullptr);
    w->At(2, 1) = 5;
    w->Release();
    EXPECT_EQ(buffer[5], 5u);
    EXPECT_EQ(buffer[0], 0xAABBCCDDu);

    TBitmap0* again = TBitmap0::Wrap(3, buffer.data(), 2);
    again->Destroy();  // nothing of the buffer is freed either
    EXPECT_EQ(buffer[4], 0xAABBCCDDu);
}

}  // namespace
