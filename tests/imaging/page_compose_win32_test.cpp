#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "imaging/bitmap_file24.h"
#include "imaging/page_compose.h"
#include "tests/imaging/page_test_fixture.h"

namespace {

constexpr uint32_t kGrey = 0x00808080;
constexpr uint32_t kGreenText = 0x0000FF00;  // the same value as a colour reference and as a pixel

int32_t TextHeightOf(const LogFontA& logFont) {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontIndirectA(reinterpret_cast<const LOGFONTA*>(&logFont));
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    return metrics.tmHeight;
}

bool IsGreenText(uint32_t p) { return ((p >> 8) & 0xFF) > 200 && ((p >> 16) & 0xFF) < 100 && (p & 0xFF) < 100; }
bool IsRedText(uint32_t p) { return ((p >> 16) & 0xFF) > 200 && ((p >> 8) & 0xFF) < 80 && (p & 0xFF) < 80; }
bool IsBlack(uint32_t p) { return (p & 0xFFFFFF) == 0; }

// The smallest rectangle holding every pixel that passes `test`, within
// rows y0..y1 - 1.
struct Box {
    int32_t left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    int32_t count = 0;
};
template <typename Test>
Box BoxOf(const TBitmap0& b, Test test, int32_t y0 = 0, int32_t y1 = -1) {
    Box box;
    if (y1 < 0) y1 = b.Height();
    for (int32_t y = y0; y < y1; ++y)
        for (int32_t x = 0; x < b.Width(); ++x)
            if (test(b.At(x, y))) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
                ++box.count;
            }
    return box;
}

// Where tests may leave pictures to look at (unset: nowhere).
void SaveForViewing(const TBitmap0& page, const char* name) {
    const char* folder = std::getenv("PW_TEST_SHOTS");
    if (!folder || !*folder) return;
    const std::string path = std::string(folder) + "\\" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    EXPECT_TRUE(WriteBitmapFile24(page, f));
    std::fclose(f);
}

using PageComposeWin32 = PageTest;

// The caption sits in its band at the top, middle or bottom, with or
// without the overlay margin, on a black box or straight on the picture.
TEST_F(PageComposeWin32, CaptionGoesToItsBand) {
    const int32_t th = TextHeightOf(Settings.Font);
    ASSERT_GT(th, 5);
    struct Case {
        int32_t position;
        bool overlay;
        int32_t top;
    };
    for (const Case& c : {Case{1, true, 15}, Case{1, false, 0}, Case{2, true, 150 - th / 2},
                          Case{2, false, 150 - th / 2}, Case{3, true, 285 - th}, Case{3, false, 300 - th}})
        for (bool transparent : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "position " << c.position << " overlay " << c.overlay
                                              << " transparent " << transparent);
            Settings.TextOverlay = c.overlay;
            Settings.Textbg = transparent;
            BitmapPtr cell(TBitmap0::Create(400, 300));
            cell->SetFillColour(kGrey);
            cell->Fill();
            DrawCaption(*cell, "Trip\\img_01", c.position, Settings.Font, kGreenText);

            const Box changed = BoxOf(*cell, [](uint32_t p) { return (p & 0xFFFFFF) != kGrey; });
            const Box text = BoxOf(*cell, IsGreenText);
            ASSERT_GT(text.count, 20);
            EXPECT_GE(changed.top, c.top);
            EXPECT_LE(changed.bottom, c.top + th - 1);
            EXPECT_NEAR(changed.left + changed.right, 400, 2);
            if (transparent) {
                EXPECT_EQ(BoxOf(*cell, IsBlack).count, 0);
            } else {
                // The box is the text's full character height.
                const Box box = BoxOf(*cell, IsBlack);
                EXPECT_EQ(box.top, c.top);
                EXPECT_EQ(box.bottom, c.top + th - 1);
            }
        }
}

TEST_F(PageComposeWin32, ANewFontReplacesTheOldOne) {
    Settings.Textbg = false;
    LogFontA large = Settings.Font;
    large.lfHeight = -30;
    const int32_t small = TextHeightOf(Settings.Font);
    const int32_t big = TextHeightOf(large);
    ASSERT_GT(big, small);
    auto boxHeight = [](const LogFontA& font) {
        BitmapPtr cell(TBitmap0::Create(300, 200));
        cell->SetFillColour(kGrey);
        cell->Fill();
        DrawCaption(*cell, "img_07", 2, font, kGreenText);
        const Box box = BoxOf(*cell, IsBlack);
        return box.bottom - box.top + 1;
    };
    EXPECT_EQ(boxHeight(Settings.Font), small);
    EXPECT_EQ(boxHeight(large), big);
    ReleaseCaptionFonts();
    EXPECT_EQ(boxHeight(Settings.Font), small);
}

// "No pictures selected" and "Can't read pictures": red on black, centred
// across the page or cell, the line just above the middle.
TEST_F(PageComposeWin32, NoticesAreRedAndCentred) {
    Settings.MessageFont = DefaultFont();
    Settings.MessageFont.lfHeight = MessageFontHeight(640);
    Settings.Textbg = true;  // notices keep their black box all the same
    const int32_t th = TextHeightOf(Settings.MessageFont);
    const int32_t step = static_cast<int32_t>(std::lround(th * 1.2));
    auto expectNotice = [&](const TBitmap0& page, int32_t top, int32_t height) {
        const Box red = BoxOf(page, IsRedText, top, top + height);
        ASSERT_GT(red.count, 30);
        const Box box = BoxOf(page, IsBlack, top, top + height);
        EXPECT_EQ(box.top, top + height / 2 - step - th / 2);
        EXPECT_EQ(box.bottom, box.top + th - 1);
        EXPECT_NEAR(box.left + box.right, page.Width(), 2);
        EXPECT_GT(box.right - box.left, 100);  // a whole line of text
        EXPECT_GE(red.top, box.top);
        EXPECT_LE(red.bottom, box.bottom);
    };

    SetList({});
    BitmapPtr page(TBitmap0::Create(640, 480));
    page->SetFillColour(kGrey);
    ComposePage(*page, 2);
    {
        SCOPED_TRACE("no pictures");
        expectNotice(*page, 0, 480);
    }
    SaveForViewing(*page, "notice_no_pictures.bmp");

    // One unreadable picture on a two-photo page: each cell gives up on its own.
    SetList({TextFile("broken.jpg", "not a picture")});
    ComposePage(*page, 2);
    {
        SCOPED_TRACE("first cell");
        expectNotice(*page, 5, 230);
    }
    {
        SCOPED_TRACE("second cell");
        expectNotice(*page, 245, 230);
    }
    EXPECT_EQ(BoxOf(*page, IsRedText, 235, 245).count, 0);
}

// A made-up holiday photo: sky, sun, hills and a lake, no pure greens.
BitmapPtr Landscape(int32_t w, int32_t h, uint32_t seed) {
    BitmapPtr b(TBitmap0::Create(w, h));
    const double sunX = w * (0.25 + 0.5 * (seed % 3) / 2.0), sunY = h * 0.28, sunR = h * 0.08;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const double fx = static_cast<double>(x) / w, fy = static_cast<double>(y) / h;
            const double hill = 0.55 + 0.08 * std::sin(fx * 7.0 + seed) + 0.04 * std::sin(fx * 19.0);
            int r, g, bl;
            if (std::hypot(x - sunX, y - sunY) < sunR) {
                r = 255, g = 220, bl = 120;
            } else if (fy < hill) {
                r = static_cast<int>(90 + 120 * fy), g = static_cast<int>(140 + 90 * fy), bl = 235;
            } else if (fy < 0.8) {
                r = static_cast<int>(70 + 40 * std::sin(fx * 40)), g = static_cast<int>(105 + 20 * fy), bl = 50;
            } else {
                r = 40, g = static_cast<int>(90 + 30 * std::sin(fx * 60 + fy * 30)), bl = 150;
            }
            b->At(x, y) = static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(bl);
        }
    return b;
}

// Warm paper with a faint grain, like an album page.
BitmapPtr PaperTile() {
    BitmapPtr tile(TBitmap0::Create(64, 64));
    uint32_t state = 99;
    for (int32_t y = 0; y < 64; ++y)
        for (int32_t x = 0; x < 64; ++x) {
            state = state * 1664525u + 1013904223u;
            const uint32_t grain = (state >> 24) % 12;
            tile->At(x, y) = (226 + grain) << 16 | (214 + grain) << 8 | (188 + grain);
        }
    return tile;
}

// A real two-photo page: both photos in their cells, each with its name
// ("TextFileName" bits 0 and 3) at the bottom, on a black box.
TEST_F(PageComposeWin32, ComposedPageCarriesBothPhotosWithTheirCaptions) {
    Settings.ShowFileName = true;
    Settings.ShowFolder = true;
    Settings.TextPos = 3;
    Settings.TextOverlay = true;
    Settings.Textbg = false;
    Settings.FontColor = kGreenText;
    SetList({Jpeg("Trip\\img_01.jpg", *Landscape(800, 600, 1)), Jpeg("Trip\\img_02.jpg", *Landscape(400, 600, 2))});
    BitmapPtr tile = PaperTile();
    BitmapPtr page(TBitmap0::Create(640, 720));
    page->SetPattern(tile.get());
    page->PatternOffsetX = 20;
    page->PatternOffsetY = 20;
    ComposePage(*page, 2);
    SaveForViewing(*page, "page_two_photos_captions.bmp");

    // Cells: rows 5..354 and 365..714, 350 high; captions end 17 rows above
    // a cell's bottom.
    const int32_t th = TextHeightOf(Settings.Font);
    const int32_t cellTops[2] = {5, 365};
    const int32_t photoWidths[2] = {467, 233};
    for (int k = 0; k < 2; ++k) {
        SCOPED_TRACE(k);
        const int32_t top = cellTops[k];
        const int32_t captionTop = top + 350 - 17 - th;
        const Box text = BoxOf(*page, IsGreenText, top, top + 350);
        ASSERT_GT(text.count, 30);
        EXPECT_GE(text.top, captionTop);
        EXPECT_LE(text.bottom, captionTop + th - 1);
        EXPECT_NEAR(text.left + text.right, 640, 12);
        const Box box = BoxOf(*page, IsBlack, top, top + 350);
        EXPECT_EQ(box.top, captionTop);
        // The photo: the sky at the top of the cell, centred, paper beside it.
        const int32_t photoLeft = (640 - photoWidths[k]) / 2;
        EXPECT_NEAR(static_cast<int>(page->At(photoLeft + 5, top + 5) & 0xFF), 235, 6);
        EXPECT_EQ(page->At(photoLeft - 3, top + 5), tile->At((20 + photoLeft - 3) % 64, (20 + top + 5) % 64));
    }
}

TEST_F(PageComposeWin32, DrawFitGdiCopiesOrStretches) {
    BitmapPtr picture(TBitmap0::Create(400, 200));
    for (int32_t y = 0; y < 200; ++y)
        for (int32_t x = 0; x < 400; ++x) picture->At(x, y) = x < 200 ? 0x00C00000u : 0x000000C0u;
    BitmapPtr dest(TBitmap0::Create(100, 100));
    dest->SetFillColour(kGrey);

    // Larger: stretched to 100 x 50 at row 25, left half red, right blue.
    DrawFitGdi(*dest, *picture);
    for (int32_t y = 0; y < 100; ++y)
        for (int32_t x = 0; x < 100; ++x) {
            const uint32_t want = y < 25 || y >= 75 ? kGrey : x < 50 ? 0x00C00000u : 0x000000C0u;
            ASSERT_EQ(dest->At(x, y) & 0xFFFFFF, want) << x << "," << y;
        }

    // The same size: copied as it is, wherever random placement may be on.
    BitmapPtr same(TBitmap0::Create(400, 200));
    same->RandomPos = true;
    DrawFitGdi(*same, *picture);
    EXPECT_EQ(std::memcmp(same->Pixels(), picture->Pixels(), 400 * 200 * 4), 0);

    // Smaller in one direction only: centred even with random placement.
    BitmapPtr narrow(TBitmap0::Create(40, 100));
    narrow->SetFillColour(0x00404040);
    narrow->Fill();
    narrow->RandomPos = true;
    BitmapPtr tall(TBitmap0::Create(40, 120));
    tall->RandomPos = true;
    tall->SetFillColour(kGrey);
    DrawFitGdi(*tall, *narrow);
    EXPECT_EQ(tall->At(20, 9) & 0xFFFFFF, kGrey);
    EXPECT_EQ(tall->At(20, 10) & 0xFFFFFF, 0x00404040u);
    EXPECT_EQ(tall->At(20, 109) & 0xFFFFFF, 0x00404040u);
    EXPECT_EQ(tall->At(20, 110) & 0xFFFFFF, kGrey);

    // Smaller in both with random placement: not always in the same place.
    BitmapPtr roomy(TBitmap0::Create(200, 300));
    roomy->RandomPos = true;
    roomy->SetFillColour(kGrey);
    std::vector<int32_t> lefts;
    for (int i = 0; i < 8; ++i) {
        DrawFitGdi(*roomy, *narrow);
        lefts.push_back(BoxOf(*roomy, [](uint32_t p) { return (p & 0xFFFFFF) == 0x00404040u; }).left);
    }
    std::sort(lefts.begin(), lefts.end());
    EXPECT_LT(lefts.front(), lefts.back());
    EXPECT_GE(lefts.front(), 0);
    EXPECT_LE(lefts.back(), 160);
}

}  // namespace
