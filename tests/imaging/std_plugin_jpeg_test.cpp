#include <gtest/gtest.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <stdexcept>

#include "imaging/decode_source.h"
#include "imaging/std_plugin.h"
#include "tests/imaging/picture_files.h"
#include "tests/imaging/std_plugin_harness.h"

using namespace testpics;

namespace {

Rgb Gradient(int x, int y) { return {static_cast<uint8_t>(x * 13 + 7), static_cast<uint8_t>(y * 29 + 3), 90}; }

TEST(JpegReduction, PowerOfTwoPerSideThenLargerOrSmaller) {
    EXPECT_EQ(ReductionFor(4000, 1000), 4);
    EXPECT_EQ(ReductionFor(4000, 4000), 1);
    EXPECT_EQ(ReductionFor(1000, 4000), 1);  // never enlarged
    EXPECT_EQ(ReductionFor(3999, 2000), 1);  // 3999 / 2000 = 1
    EXPECT_EQ(ReductionFor(4000, 2000), 2);
    EXPECT_EQ(ReductionFor(4000, 1000), 4);
    EXPECT_EQ(ReductionFor(7999, 1000), 4);  // 7 is not above 7
    EXPECT_EQ(ReductionFor(8000, 1000), 8);
    EXPECT_EQ(ReductionFor(100000, 10), 8);
    EXPECT_EQ(ReductionFor(4000, 0), 1);  // no wanted size: no division by zero
    EXPECT_EQ(JpegScaleDenominator(4000, 1000, 1000, 1000, false), 4);
    EXPECT_EQ(JpegScaleDenominator(4000, 1000, 1000, 1000, true), 1);
    EXPECT_EQ(JpegScaleDenominator(4000, 3000, 1000, 750, false), 4);
}

TEST(JpegDecoder, ReducesWhileDecodingAndReportsTheFullSize) {
    const Bytes wide = EncodeJpeg(4000, 3000, [](int, int) { return Rgb{200, 100, 50}; });
    StdPluginHarness plain;
    Decoded d = plain.Decode(kJpg, wide, 1000, 750);
    EXPECT_EQ(d.pictureWidth, 4000);
    EXPECT_EQ(d.pictureHeight, 3000);
    EXPECT_EQ(d.width, 1000);
    EXPECT_EQ(d.height, 750);
    ASSERT_TRUE(d.hasPixels);
    EXPECT_NEAR(static_cast<int>(d.At(500, 300) >> 16 & 0xFF), 200, 3);

    const Bytes banner = EncodeJpeg(4000, 1000, [](int, int) { return Rgb{10, 20, 30}; });
    d = plain.Decode(kJpg, banner, 1000, 1000);
    EXPECT_EQ(d.width, 1000);
    EXPECT_EQ(d.height, 250);
    StdPluginHarness cropping({.crop = true});
    d = cropping.Decode(kJpg, banner, 1000, 1000);
    EXPECT_EQ(d.width, 4000);
    EXPECT_EQ(d.height, 1000);
}

TEST(JpegDecoder, OrientationSixTurnsTheStoredRowsIntoColumnsRightmostFirst) {
    const Bytes big = EncodeJpeg(4000, 3000, [](int, int) { return Rgb{1, 2, 3}; }, false, {ExifOrientation(6)}, 50);
    StdPluginHarness plugin;
    Decoded info = plugin.Decode(kJpg, big, -1, -1);
    EXPECT_EQ(info.pictureWidth, 3000);
    EXPECT_EQ(info.pictureHeight, 4000);
    EXPECT_FALSE(info.hasPixels);
    // The wanted size is compared with the picture as shown.
    Decoded reduced = plugin.Decode(kJpg, big, 750, 1000);
    EXPECT_EQ(reduced.width, 750);
    EXPECT_EQ(reduced.height, 1000);

    // The stored top band is red, the rest blue: the right-most columns of
    // the result are red.
    const Bytes small = EncodeJpeg(16, 16, [](int, int y) { return y < 8 ? Rgb{255, 0, 0} : Rgb{0, 0, 255}; }, false,
                                   {ExifOrientation(6)}, 100);
    Decoded d = plugin.Decode(kJpg, small, 100, 100);
    ASSERT_EQ(d.width, 16);
    ASSERT_EQ(d.height, 16);
    for (int y = 0; y < 16; ++y) {
        EXPECT_GT(d.At(15, y) >> 16 & 0xFF, 200u) << y;
        EXPECT_LT(d.At(0, y) >> 16 & 0xFF, 60u) << y;
    }
    const Bytes tall = EncodeJpeg(16, 8, Gradient, false, {ExifOrientation(6)});
    d = plugin.Decode(kJpg, tall, 100, 100);
    EXPECT_EQ(d.width, 8);
    EXPECT_EQ(d.height, 16);
}

// Where stored pixel (x, y) of a w x h picture is shown, by the EXIF meaning
// of each orientation.
std::pair<int, int> Shown(int orientation, int x, int y, int w, int h) {
    switch (orientation) {
        case 2: return {w - 1 - x, y};
        case 3: return {w - 1 - x, h - 1 - y};
        case 4: return {x, h - 1 - y};
        case 5: return {y, x};
        case 6: return {h - 1 - y, x};
        case 7: return {h - 1 - y, w - 1 - x};
        case 8: return {y, w - 1 - x};
        default: return {x, y};
    }
}

TEST(JpegDecoder, EveryOrientationMovesEachStoredPixelWhereExifSays) {
    const int w = 24, h = 16;
    StdPluginHarness ignoring({.ignoreExif = true});
    StdPluginHarness honouring;
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const Bytes file = EncodeJpeg(w, h, Gradient, false, {ExifOrientation(orientation)});
        const Decoded stored = ignoring.Decode(kJpg, file, 1000, 1000);
        ASSERT_EQ(stored.width, w);
        const Decoded shown = honouring.Decode(kJpg, file, 1000, 1000);
        const bool turned = orientation >= 5;
        ASSERT_EQ(shown.width, turned ? h : w) << orientation;
        ASSERT_EQ(shown.height, turned ? w : h) << orientation;
        EXPECT_EQ(shown.pictureWidth, shown.width);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const auto [sx, sy] = Shown(orientation, x, y, w, h);
                ASSERT_EQ(shown.At(sx, sy), stored.At(x, y)) << "orientation " << orientation << " at " << x << "," << y;
            }
    }
}

int OrientationOf(const Bytes& file) {
    DecodeSource source{};
    SetMemoryDecodeSource(source, file.data(), static_cast<int32_t>(file.size()));
    const int o = ReadExifOrientation(source);
    EXPECT_EQ(source.position, 0);  // put back for the decoder
    return o;
}

TEST(ExifOrientation, FoundOnlyWhereCamerasPutIt) {
    auto plainRgb = [](int, int) { return Rgb{9, 9, 9}; };
    EXPECT_EQ(OrientationOf(EncodeJpeg(8, 8, plainRgb, false, {ExifOrientation(6, true)})), 6);
    EXPECT_EQ(OrientationOf(EncodeJpeg(8, 8, plainRgb, false, {ExifOrientation(8, false)})), 8);
    EXPECT_EQ(OrientationOf(EncodeJpeg(8, 8, plainRgb, false, {Jfif(), ExifOrientation(3)})), 3);
    EXPECT_EQ(OrientationOf(EncodeJpeg(8, 8, plainRgb, false, {ExifOrientation(5, true, 11)})), 5);
    // Past the twelfth entry, after two other segments, or with no EXIF.
    EXPECT_EQ(OrientationOf(EncodeJpeg(8, 8, plainRgb, false, {ExifOrientation(5, true, 12)})), 0);
    EXPECT_EQ(OrientationOf(EncodeJpeg(8, 8, plainRgb, false, {Jfif(), {JPEG_APP0 + 2, {1, 2, 3}}, ExifOrientation(6)})),
              0);
    EXPECT_EQ(OrientationOf(EncodeJpeg(8, 8, plainRgb)), 0);
    EXPECT_EQ(OrientationOf(Text("BM not a jpeg")), 0);
    // Cut inside the directory.
    Bytes cut = EncodeJpeg(8, 8, plainRgb, false, {ExifOrientation(6, true, 3)});
    cut.resize(40);
    EXPECT_EQ(OrientationOf(cut), 0);
}

TEST(JpegDecoder, OddOrientationValuesAndIgnoreExifShowTheStoredPicture) {
    StdPluginHarness plugin;
    for (int odd : {0, 9, 255}) {
        const Bytes file = EncodeJpeg(12, 4, Gradient, false, {ExifOrientation(odd)});
        const Decoded d = plugin.Decode(kJpg, file, 100, 100);
        EXPECT_EQ(d.width, 12) << odd;
        EXPECT_EQ(d.height, 4) << odd;
    }
    StdPluginHarness ignoring({.ignoreExif = true});
    const Decoded d = ignoring.Decode(kJpeg, EncodeJpeg(12, 4, Gradient, false, {ExifOrientation(6)}), 100, 100);
    EXPECT_EQ(d.width, 12);
    EXPECT_EQ(d.pictureWidth, 12);
}

TEST(JpegDecoder, GreyPicturesFillAllThreeColours) {
    StdPluginHarness plugin;
    const Decoded d = plugin.Decode(kJpg, EncodeJpeg(8, 8, [](int, int) { return Rgb{0, 128, 0}; }, true), 8, 8);
    ASSERT_TRUE(d.hasPixels);
    const uint32_t p = d.At(3, 3);
    EXPECT_EQ(p >> 16 & 0xFF, p & 0xFF);
    EXPECT_EQ(p >> 8 & 0xFF, p & 0xFF);
    EXPECT_NEAR(static_cast<int>(p & 0xFF), 128, 2);
}

TEST(JpegDecoder, MinimumSizeInEitherOrientationGivesNegatedSizes) {
    StdPluginHarness plugin;
    const Bytes file = EncodeJpeg(40, 30, Gradient);
    Decoded d = plugin.Decode(kJpg, file, 100, 100, 50, 50);
    EXPECT_EQ(d.pictureWidth, -40);
    EXPECT_EQ(d.pictureHeight, -30);
    EXPECT_FALSE(d.hasPixels);
    d = plugin.Decode(kJpg, file, 100, 100, 35, 45);  // turned, 30 x 40 is below 35 x 45
    EXPECT_EQ(d.pictureWidth, -40);
    d = plugin.Decode(kJpg, file, 100, 100, 35, 25);
    EXPECT_EQ(d.pictureWidth, 40);
    EXPECT_TRUE(d.hasPixels);
}

TEST(JpegDecoder, BrokenFilesAreNotDecoded) {
    StdPluginHarness plugin;
    const Bytes file = EncodeJpeg(64, 48, Gradient);
    for (size_t cut : {size_t{0}, size_t{1}, size_t{2}, size_t{20}, size_t{100}}) {
        Bytes part(file.begin(), file.begin() + static_cast<long>(cut));
        const Decoded d = plugin.Decode(kJpg, part, 64, 48);
        EXPECT_EQ(d.pictureWidth, 0) << cut;
        EXPECT_EQ(d.width, 0) << cut;
        EXPECT_FALSE(d.hasPixels) << cut;
    }
    // A cut in the scan data keeps the picture, the missing rows flat.
    Bytes tail(file.begin(), file.begin() + static_cast<long>(file.size() * 2 / 3));
    const Decoded d = plugin.Decode(kJpg, tail, 64, 48);
    EXPECT_EQ(d.width, 64);
    EXPECT_TRUE(d.hasPixels);
    EXPECT_EQ(plugin.Decode(kJpg, Text("P6 1 1 255 abc"), 8, 8).pictureWidth, 0);
}

TEST(JpegDecoder, StopFlagEndsTheDecodeAsNotDecoded) {
    StdPluginHarness plugin;
    plugin.stop_ = 1;
    const Decoded d = plugin.Decode(kJpg, EncodeJpeg(32, 32, Gradient), 32, 32);
    EXPECT_EQ(d.pictureWidth, 0);
    EXPECT_EQ(d.pictureHeight, 0);
    EXPECT_EQ(d.width, 0);
    EXPECT_FALSE(d.hasPixels);
}

struct RecordedRows {
    int headerCalls = 0;
    uint32_t headerWord = 0;
    int width = 0, height = 0;
    int nextRow = 0;
    bool inOrder = true;
    std::vector<uint8_t> firstRow;
    int32_t answer = 1;
    bool throwAtRow2 = false;
    bool throwAtHeader = false;
};
RecordedRows recorded;

int32_t PW_CDECL RecordRows(const void* rowOrHeader, int32_t row, int32_t width, int32_t height, int32_t slot) {
    if (slot != StdPluginHarness::kSlot) recorded.inOrder = false;
    if (row == kHeaderRow) {
        if (recorded.throwAtHeader) throw std::bad_alloc();
        ++recorded.headerCalls;
        recorded.headerWord = HeaderWordOf(rowOrHeader);
        recorded.width = width;
        recorded.height = height;
        return recorded.answer;
    }
    if (row != recorded.nextRow++ || width != recorded.width || height != recorded.height) recorded.inOrder = false;
    if (row == 0) {
        const auto* p = static_cast<const uint8_t*>(rowOrHeader);
        recorded.firstRow.assign(p, p + width * 3);
    }
    if (recorded.throwAtRow2 && row == 2) throw std::runtime_error("prevLine=0, curLine=2");
    return 1;
}

TEST(JpegDecoder, RowsGoToTheLineCallbackRedFirstWithTheOrientation) {
    const Bytes file = EncodeJpeg(40, 24, Gradient, false, {ExifOrientation(6)});
    StdPluginHarness buffered({.ignoreExif = true});
    const Decoded stored = buffered.Decode(kJpg, file, 40, 24);

    recorded = {};
    StdPluginHarness realTime({.callback = &RecordRows});
    const Decoded d = realTime.Decode(kJpg, file, 24, 40);
    EXPECT_EQ(recorded.headerCalls, 1);
    EXPECT_EQ(recorded.headerWord, 6u);  // red first: bit 8 clear
    EXPECT_EQ(recorded.width, 40);       // the stored size, as decoded
    EXPECT_EQ(recorded.height, 24);
    EXPECT_EQ(recorded.nextRow, 24);
    EXPECT_TRUE(recorded.inOrder);
    ASSERT_EQ(recorded.firstRow.size(), 120u);
    for (int x = 0; x < 40; ++x) {
        const uint32_t p = stored.At(x, 0);
        EXPECT_EQ(recorded.firstRow[x * 3], p >> 16 & 0xFF);
        EXPECT_EQ(recorded.firstRow[x * 3 + 2], p & 0xFF);
    }
    EXPECT_FALSE(d.hasPixels);  // the picture went to the host row by row
    EXPECT_EQ(d.pictureWidth, 24);
}

TEST(JpegDecoder, DeclinedOrGreyPicturesFallBackToTheBuffer) {
    recorded = {};
    recorded.answer = 0;
    StdPluginHarness realTime({.callback = &RecordRows});
    Decoded d = realTime.Decode(kJpg, EncodeJpeg(16, 8, Gradient), 16, 8);
    EXPECT_EQ(recorded.headerCalls, 1);
    EXPECT_EQ(recorded.nextRow, 0);
    EXPECT_TRUE(d.hasPixels);
    EXPECT_EQ(d.width, 16);

    recorded = {};
    d = realTime.Decode(kJpg, EncodeJpeg(16, 8, Gradient, true), 16, 8);
    EXPECT_EQ(recorded.headerCalls, 0);
    EXPECT_TRUE(d.hasPixels);
}

// A line callback that throws, at the header call or at a row, reaches the
// caller; the job record and libjpeg's memory pools are gone by then, and the
// next decode works.
TEST(JpegDecoder, LineCallbackFailureTravelsToTheCallerAndLeavesNothingBehind) {
    StdPluginHarness realTime({.callback = &RecordRows});
    const Bytes colour = EncodeJpeg(64, 48, Gradient);
    for (const bool atHeader : {true, false}) {
        outstandingBlocks = 0;
#ifdef __GLIBC__
        const size_t heapBefore = mallinfo2().uordblks;
#endif
        for (int i = 0; i < 40; ++i) {
            recorded = {};
            recorded.throwAtHeader = atHeader;
            recorded.throwAtRow2 = !atHeader;
            EXPECT_ANY_THROW(realTime.Decode(kJpg, colour, 64, 48));
        }
        EXPECT_EQ(outstandingBlocks, 0) << (atHeader ? "header" : "row");
#ifdef __GLIBC__
        // Each leaked decompressor would keep tens of kilobytes of pools.
        EXPECT_LT(mallinfo2().uordblks, heapBefore + 64 * 1024) << (atHeader ? "header" : "row");
#endif
    }
    recorded = {};
    const Decoded d = realTime.Decode(kJpg, colour, 64, 48);
    EXPECT_EQ(recorded.nextRow, 48);
    EXPECT_EQ(d.pictureWidth, 64);
}

}  // namespace
