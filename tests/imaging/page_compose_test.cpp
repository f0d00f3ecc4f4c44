#include "imaging/page_compose.h"

#include <gtest/gtest.h>

#include "imaging/caption.h"
#include "tests/imaging/page_test_fixture.h"

namespace {

constexpr uint32_t kRed = 0x00E02010;
constexpr uint32_t kBlue = 0x001040D0;

using PageCompose = PageTest;

// A 200 x 768 page with two photos: every pixel is either one of the photos,
// where the fitting rules put it inside its cell, or the page's tiled
// background continued through the gaps and the cells.
TEST_F(PageCompose, TwoPhotoPageKeepsTheBackgroundRunningThroughGapsAndCells) {
    // 120 x 100 fits the 200 x 374 cell and is copied centred: (40, 137) in
    // cell 0, which starts at row 5. 400 x 300 is scaled to the cell's
    // width, 200 x 150, centred at row 112 of cell 1, which starts at row 389.
    SetList({SolidJpeg("small.jpg", 120, 100, kRed), SolidJpeg("wide.jpg", 400, 300, kBlue)});
    BitmapPtr tile = Tile(7, 5);
    BitmapPtr page(TBitmap0::Create(200, 768));
    page->SetPattern(tile.get());
    page->PatternOffsetX = 3;
    page->PatternOffsetY = 11;
    const int32_t shownBefore = PictureTally.shown;
    int32_t pumps = 0;
    static int32_t* pumpCount;
    pumpCount = &pumps;
    PumpShowMessages = [] { ++*pumpCount; };

    ComposePage(*page, 2);

    for (int32_t y = 0; y < 768; ++y)
        for (int32_t x = 0; x < 200; ++x) {
            const uint32_t p = page->At(x, y);
            if (x >= 40 && x < 160 && y >= 142 && y < 242) {
                ASSERT_TRUE(Near(p, kRed)) << x << "," << y << " " << std::hex << p;
            } else if (y >= 501 && y < 651) {
                ASSERT_TRUE(Near(p, kBlue)) << x << "," << y << " " << std::hex << p;
            } else {
                ASSERT_EQ(p, tile->At((3 + x) % 7, (11 + y) % 5)) << x << "," << y;
            }
        }
    EXPECT_EQ(pumps, 2);
    EXPECT_EQ(PictureTally.shown - shownBefore, 2);
    // The page went into the history: two photos, pictures 0 and 1.
    EXPECT_EQ(Selection.writePos, 1);
    EXPECT_EQ(Selection.rows[0].count, 2);
    EXPECT_EQ(Selection.rows[0].cells[0], 0);
    EXPECT_EQ(Selection.rows[0].cells[1], 1);
}

TEST_F(PageCompose, AnyOtherPhotoCountFillsThePageAsOneCell) {
    SetList({SolidJpeg("one.jpg", 60, 40, kBlue)});
    for (int32_t photos : {1, 0, 3, -2}) {
        BitmapPtr page(TBitmap0::Create(100, 80));
        page->SetFillColour(0x00A0A0A0);
        ComposePage(*page, photos);
        EXPECT_EQ(page->At(19, 39), 0x00A0A0A0u) << photos;
        EXPECT_TRUE(Near(page->At(20, 20), kBlue)) << photos;
        EXPECT_TRUE(Near(page->At(79, 59), kBlue)) << photos;
        EXPECT_EQ(page->At(50, 60), 0x00A0A0A0u) << photos;
    }
    EXPECT_EQ(Selection.writePos, 4);
    EXPECT_EQ(Selection.rows[3].count, 1);
}

// Unreadable pictures are skipped in the configured order; with every one
// failing the cell gives up at failure number N + 2, and an empty list or a
// stop request ends the cell at once.
TEST_F(PageCompose, FillCellRetriesThenGivesUp) {
    const std::string missing = PathFor("gone.jpg");
    const std::string junk = TextFile("junk.jpg", "no picture here");
    const std::string good = SolidJpeg("good.jpg", 30, 20, kRed);
    // Wide enough that the notices (drawn in the Windows build) keep off the
    // corner that is checked.
    BitmapPtr cell(TBitmap0::Create(300, 200));
    cell->SetFillColour(0x00303030);

    const int32_t missingBefore = PictureTally.missing;
    const int32_t undecodableBefore = PictureTally.undecodable;
    SetList({missing, junk, good});
    EXPECT_EQ(FillCell(*cell), CellOutcome::Picture);
    EXPECT_TRUE(Near(cell->At(150, 100), kRed));
    EXPECT_EQ(Selection.current, 2);
    EXPECT_EQ(PictureTally.missing - missingBefore, 1);
    EXPECT_EQ(PictureTally.undecodable - undecodableBefore, 1);

    // Three bad pictures: 0, 1, 2, 0, 1 are tried, then the notice.
    ResetSelection();
    SetList({missing, junk, PathFor("also_gone.jpg")});
    EXPECT_EQ(FillCell(*cell), CellOutcome::CantRead);
    EXPECT_EQ(Selection.current, 1);
    EXPECT_EQ(PictureTally.missing - missingBefore, 1 + 3);
    EXPECT_EQ(PictureTally.undecodable - undecodableBefore, 1 + 2);
    EXPECT_EQ(cell->At(0, 0), 0x00303030u);  // the background, not the last picture

    SetList({});
    cell->At(0, 0) = 0x00FFFFFF;
    EXPECT_EQ(FillCell(*cell), CellOutcome::NoPictures);
    EXPECT_EQ(cell->At(0, 0), 0x00303030u);

    SetList({missing, junk});
    StopRequested = 1;
    EXPECT_EQ(FillCell(*cell), CellOutcome::Stopped);
    EXPECT_EQ(PictureTally.missing - missingBefore, 4);
    EXPECT_EQ(PictureTally.undecodable - undecodableBefore, 3);
}

TEST_F(PageCompose, StopAfterTheFirstCellEndsTheComposingAtOnce) {
    SetList({SolidJpeg("a.jpg", 80, 60, kRed), SolidJpeg("b.jpg", 80, 60, kBlue)});
    BitmapPtr page(TBitmap0::Create(100, 200));
    page->SetFillColour(0x00505050);
    PumpShowMessages = [] { StopRequested = 1; };
    ComposePage(*page, 2);
    EXPECT_TRUE(Near(page->At(50, 52), kRed));
    EXPECT_EQ(page->At(50, 152), 0x00505050u);  // the second cell was never filled
    EXPECT_EQ(Selection.current, 0);
    EXPECT_EQ(Selection.writePos, 0);  // not recorded in the history
}

TEST_F(PageCompose, EmptyListGivesABackgroundPageAndKeepsTheHistoryMoving) {
    SetList({});
    BitmapPtr page(TBitmap0::Create(60, 60));
    page->SetFillColour(0x00123456);
    page->At(0, 0) = 0;
    ComposePage(*page, 2);
    EXPECT_EQ(page->At(0, 0), 0x00123456u);
    EXPECT_EQ(Selection.writePos, 1);
}

TEST_F(PageCompose, LoadAndFitDecodesTheWholePicture) {
    BitmapPtr stored(TBitmap0::Create(300, 200));
    for (int32_t y = 0; y < 200; ++y)
        for (int32_t x = 0; x < 300; ++x)
            stored->At(x, y) = static_cast<uint32_t>(x * 255 / 299) << 16 | static_cast<uint32_t>(y * 255 / 199);
    const std::string path = Jpeg("gradient.jpg", *stored);

    // Real-time resizing is on, yet the picture is decoded whole and fitted
    // afterwards, just as DrawFit fits the original.
    BitmapPtr viaLoadAndFit(TBitmap0::Create(100, 100));
    viaLoadAndFit->SetFillColour(0x00FFFFFF);
    const PictureResult r = LoadAndFit(*viaLoadAndFit, path);
    EXPECT_EQ(r.pictureWidth, 300);
    EXPECT_EQ(r.pictureHeight, 200);
    EXPECT_EQ(r.formatName, "JPEG");
    EXPECT_EQ(r.fileSize, static_cast<int64_t>(std::filesystem::file_size(path)));
    BitmapPtr expected(TBitmap0::Create(100, 100));
    expected->SetFillColour(0x00FFFFFF);
    DrawFit(*expected, *stored);
    for (int32_t y = 0; y < 100; ++y)
        for (int32_t x = 0; x < 100; ++x)
            ASSERT_TRUE(Near(viaLoadAndFit->At(x, y), expected->At(x, y), 6)) << x << "," << y;
    EXPECT_EQ(viaLoadAndFit->At(50, 10), 0x00FFFFFFu);  // 100 x 67 at row 16
    EXPECT_NE(viaLoadAndFit->At(50, 20), 0x00FFFFFFu);
    EXPECT_EQ(ResizeSlots[0].resizeRequested, 0);

    viaLoadAndFit->At(5, 5) = 0;
    const PictureResult gone = LoadAndFit(*viaLoadAndFit, PathFor("back_missing.jpg"));
    EXPECT_TRUE(gone.fileMissing);
    EXPECT_EQ(gone.pictureWidth, 0);
    EXPECT_EQ(viaLoadAndFit->At(5, 5), 0x00FFFFFFu);
}

TEST(FileNameCaption, EachTextFileNameCombination) {
    const std::string path = "C:\\Photos\\Trip\\img_01.jpg";
    struct Case {
        bool fullPath, keepExtension, folderPrefix;
        const char* text;
    };
    for (const Case& c : {Case{false, false, false, "img_01"}, Case{false, true, false, "img_01.jpg"},
                          Case{false, false, true, "Trip\\img_01"}, Case{false, true, true, "Trip\\img_01.jpg"},
                          Case{true, false, false, "C:\\Photos\\Trip\\img_01"},
                          Case{true, true, false, "C:\\Photos\\Trip\\img_01.jpg"},
                          Case{true, false, true, "C:\\Photos\\Trip\\img_01"}})
        EXPECT_EQ(FileNameCaption(path, c.fullPath, c.keepExtension, c.folderPrefix), c.text)
            << c.fullPath << c.keepExtension << c.folderPrefix;

    // The extension is the file's own, never a dot in a folder's name; a
    // picture at the root of a drive has no folder name to put in front.
    EXPECT_EQ(FileNameCaption("C:\\my.photos\\holiday", false, false, true), "my.photos\\holiday");
    EXPECT_EQ(FileNameCaption("C:\\my.photos\\holiday", true, false, false), "C:\\my.photos\\holiday");
    EXPECT_EQ(FileNameCaption("C:\\img.v2.jpeg", false, false, true), "img.v2");
    EXPECT_EQ(FileNameCaption("D:img.jpg", false, false, true), "img");
    EXPECT_EQ(FileNameCaption("/home/ann/Pictures/sea.png", false, false, true), "Pictures\\sea");
    EXPECT_EQ(FileNameCaption("", false, false, true), "");
}

TEST(FileNameCaption, TheDateTakenGoesAfterTheNameOrAlone) {
    DateTaken d;
    ASSERT_TRUE(ParseExifDate("2019:07:14 18:05:09", d));
    EXPECT_EQ(d.year * 10000 + d.month * 100 + d.day, 20190714);
    for (const char* bad : {"2019:07:14", "2019-07-14 18:05:09", "1200:07:14 18:05:09", "2019:00:14 18:05:09", ""})
        EXPECT_FALSE(ParseExifDate(bad, d)) << bad;
    EXPECT_EQ(PictureCaption("img_01", "2019-07-14"), "img_01 \u00B7 2019-07-14");
    EXPECT_EQ(PictureCaption("", "2019-07-14"), "2019-07-14");
    EXPECT_EQ(PictureCaption("img_01", ""), "img_01");
}

TEST(CaptionLayout, NoticeLinesSplitAtCarriageReturnsWithTheSecondOnTheMiddle) {
    // Character height 15: lines 18 apart, the second one's top at
    // 240 - 15 div 2.
    const std::vector<CaptionLine> lines = LayOutCaption("one\r\ntwo\rthree", 640, 480, kMessagePosition, 15, true);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].text, "one");
    EXPECT_EQ(lines[1].text, "two");
    EXPECT_EQ(lines[2].text, "three");
    EXPECT_EQ(lines[1].y, 233);
    EXPECT_EQ(lines[0].y, 215);
    EXPECT_EQ(lines[2].y, 251);
    EXPECT_EQ(lines[2].x, 320);
    EXPECT_TRUE(LayOutCaption("x", 640, 480, 0, 15, true).empty());
}

}  // namespace
