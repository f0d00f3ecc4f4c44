#include <windows.h>

#include <gtest/gtest.h>

#include "imaging/bitmap.h"

namespace {

TEST(BitmapWin32, CreateOwnsATopDownDibSelectedIntoAMemoryDc) {
    BitmapPtr b(TBitmap0::Create(5, 3));
    ASSERT_NE(b->DC(), nullptr);
    ASSERT_NE(b->Handle(), nullptr);
    DIBSECTION dib = {};
    ASSERT_EQ(GetObjectA(static_cast<HBITMAP>(b->Handle()), sizeof dib, &dib), static_cast<int>(sizeof dib));
    EXPECT_EQ(dib.dsBmih.biWidth, 5);
    EXPECT_EQ(dib.dsBmih.biHeight < 0 ? -dib.dsBmih.biHeight : dib.dsBmih.biHeight, 3);
    EXPECT_EQ(dib.dsBmih.biBitCount, 32);
    EXPECT_EQ(dib.dsBm.bmBits, b->Pixels());
    EXPECT_EQ(GetCurrentObject(static_cast<HDC>(b->DC()), OBJ_BITMAP), b->Handle());

    // GDI drawing lands in the pixels, top row first.
    RECT r = {0, 0, 1, 1};
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    FillRect(static_cast<HDC>(b->DC()), &r, white);
    GdiFlush();
    EXPECT_EQ(b->At(0, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(b->At(0, 2), 0u);
}

TEST(BitmapWin32, RefusedDibNamesTheSystemError) {
    try {
        BitmapPtr b(TBitmap0::Create(60000, 60000));
        FAIL() << "a 14 GB DIB section was created";
    } catch (const std::runtime_error& e) {
        const std::string text = e.what();
        EXPECT_EQ(text.rfind("CreateDIBSection failed, Error = ", 0), 0u) << text;
        EXPECT_NE(text.find(", 60000, 60000"), std::string::npos) << text;
    }
}

TEST(BitmapWin32, BlitRectCopiesLikeCopyRect) {
    BitmapPtr src(TBitmap0::Create(6, 5));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) src->At(x, y) = static_cast<uint32_t>(y * 16 + x) * 0x010101u;
    BitmapPtr viaGdi(TBitmap0::Create(4, 4));
    BitmapPtr viaWords(TBitmap0::Create(4, 4));
    viaGdi->BlitRect(*src, 2, 1, 1, 2, 3, 3);
    GdiFlush();
    viaWords->CopyRect(*src, 2, 1, 1, 2, 3, 3);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(viaGdi->At(x, y) & 0xFFFFFF, viaWords->At(x, y) & 0xFFFFFF) << x << "," << y;
}

}  // namespace
