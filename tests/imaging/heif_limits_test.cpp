// The sizes the phone formats plugin reads before libheif decodes a file:
// grids and overlays with their data in several extents, the children of
// overlays, alpha planes, and coded pictures whose parameter sets say more
// than the container. Files made by tests/imaging/heif_test_files.h.
#include <gtest/gtest.h>

#include "plugins/heif/heif_limits.h"
#include "tests/imaging/heif_test_files.h"

namespace {

using namespace heif_test;

HeifLimits Check(const std::string& file) {
    return CheckHeifLimits(reinterpret_cast<const uint8_t*>(file.data()), file.size());
}

// A grid of `tiles` HEVC tiles of 512 x 512, `width` x `height` as its
// data says (in one extent) and 1024 x 512 as its ispe says.
std::vector<Item> Grid(uint32_t width, uint32_t height, int tiles = 2) {
    Item grid;
    grid.id = 1;
    grid.type = "grid";
    grid.extents = {GridData(1, tiles, width, height)};
    grid.properties = {Ispe(1024, 512)};
    std::vector<Item> items = {grid};
    for (int i = 0; i < tiles; ++i) {
        items.push_back(HevcItem(static_cast<uint32_t>(2 + i), 512, 512, 512, 512));
        items.back().hidden = true;
    }
    return items;
}
std::vector<Reference> GridTiles(uint32_t grid, int tiles, uint32_t first = 2) {
    Reference r{"dimg", grid, {}};
    for (int i = 0; i < tiles; ++i) r.to.push_back(first + static_cast<uint32_t>(i));
    return {r};
}

TEST(HeifLimits, FilesWithinTheLimitsPass) {
    EXPECT_EQ(Check(File({HevcItem(1, 4032, 3024, 4032, 3024)}, 1, {})), HeifLimits::kWithin);
    EXPECT_EQ(Check(File({Av1Item(1, 640, 480, 640, 480)}, 1, {})), HeifLimits::kWithin);
    Item full = Av1Item(1, 5000, 5000, 5000, 5000);  // the largest picture, 100 MB as 32-bit pixels
    full.properties[0] = Av1C(Av1SequenceHeader(5000, 5000, false));
    EXPECT_EQ(Check(File({full}, 1, {})), HeifLimits::kWithin);
    EXPECT_EQ(Check(File(Grid(1000, 500), 1, GridTiles(1, 2))), HeifLimits::kWithin);
    // Parameter sets with sub-layers (their profile fields carry emulation
    // prevention bytes, as real ones do).
    Item layered = HevcItem(1, 4032, 3024, 4032, 3024);
    layered.properties[0] = HvcC({HevcSps(4032, 3024, 3), HevcSps(2048, 2048, 7)});
    EXPECT_EQ(Check(File({layered}, 1, {})), HeifLimits::kWithin);
}

// A grid's size is read from all its extents joined, in mdat or in idat,
// wherever the extents lie.
TEST(HeifLimits, GridSizeIsReadFromAllItsExtents) {
    for (const bool idat : {false, true}) {
        std::vector<Item> items = Grid(30000, 30000);
        const std::string data = items[0].extents[0];
        items[0].extents = {data.substr(0, 2), data.substr(2)};
        items[0].inIdat = idat;
        // Behind the first extent lie bytes that read as a small grid.
        items[0].reversed = true;
        items[0].after = GridData(1, 2, 100, 100).substr(2);
        EXPECT_EQ(Check(File(items, 1, GridTiles(1, 2))), HeifLimits::kTooLarge) << idat;

        items[0].extents = {data.substr(0, 3), data.substr(3, 3), data.substr(6)};
        items[0].extents[1] = GridData(1, 2, 1000, 500).substr(3, 3);
        items[0].extents[2] = GridData(1, 2, 1000, 500).substr(6);
        EXPECT_EQ(Check(File(items, 1, GridTiles(1, 2))), HeifLimits::kWithin) << idat;
        items[0].extents = {data.substr(0, 5)};
        EXPECT_EQ(Check(File(items, 1, GridTiles(1, 2))), HeifLimits::kUnreadable) << idat;
    }
}

// Every image that the primary image's decode makes: an overlay's
// children, a grid's tiles, alpha planes, at any depth.
TEST(HeifLimits, EveryImageTheDecodeMakesIsChecked) {
    // An overlay of 1000 x 500 over a grid child of 30000 x 30000.
    Item overlay;
    overlay.id = 10;
    overlay.type = "iovl";
    overlay.extents = {OverlayData(1000, 500, 1)};
    overlay.properties = {Ispe(1000, 500)};
    std::vector<Item> items = Grid(30000, 30000);
    items[0].hidden = true;
    items.push_back(overlay);
    std::vector<Reference> refs = GridTiles(1, 2);
    refs.push_back({"dimg", 10, {1}});
    EXPECT_EQ(Check(File(items, 10, refs)), HeifLimits::kTooLarge);
    items[0].extents = {GridData(1, 2, 1000, 500)};
    EXPECT_EQ(Check(File(items, 10, refs)), HeifLimits::kWithin);
    // ... whose tile codes 30000 x 30000.
    items[2] = HevcItem(3, 30000, 30000, 512, 512);
    EXPECT_EQ(Check(File(items, 10, refs)), HeifLimits::kTooLarge);
    // An overlay that is itself too large.
    items = {overlay, HevcItem(2, 512, 512, 512, 512)};
    items[0].extents = {OverlayData(40000, 100, 1)};
    EXPECT_EQ(Check(File(items, 10, {{"dimg", 10, {2}}})), HeifLimits::kTooLarge);

    // An alpha plane that codes 30000 x 30000 for a 640 x 480 picture; the
    // same as a depth map is not decoded.
    Item alpha = HevcItem(2, 30000, 30000, 640, 480);
    alpha.hidden = true;
    alpha.properties.push_back(AuxC(kAlphaUrn));
    const std::vector<Reference> auxl = {{"auxl", 2, {1}}};
    EXPECT_EQ(Check(File({HevcItem(1, 640, 480, 640, 480), alpha}, 1, auxl)), HeifLimits::kTooLarge);
    alpha.properties.back() = AuxC("urn:mpeg:hevc:2015:auxid:2");
    EXPECT_EQ(Check(File({HevcItem(1, 640, 480, 640, 480), alpha}, 1, auxl)), HeifLimits::kWithin);
    // A grid tile's alpha plane.
    alpha.properties.back() = AuxC(kAlphaUrn);
    alpha.id = 4;
    items = Grid(1000, 500);
    items.push_back(alpha);
    refs = GridTiles(1, 2);
    refs.push_back({"auxl", 4, {3}});
    EXPECT_EQ(Check(File(items, 1, refs)), HeifLimits::kTooLarge);
    // A derived ("iden") image of a large one.
    Item iden;
    iden.id = 5;
    iden.type = "iden";
    iden.properties = {Ispe(100, 100)};
    EXPECT_EQ(Check(File({iden, HevcItem(1, 30000, 30000, 100, 100)}, 5, {{"dimg", 5, {1}}})), HeifLimits::kTooLarge);
}

// The coded size is the parameter sets', wherever the codec finds them;
// the container's ispe does not bound it.
TEST(HeifLimits, CodedSizeBeyondWhatTheContainerSays) {
    EXPECT_EQ(Check(File({HevcItem(1, 30000, 30000, 100, 100)}, 1, {})), HeifLimits::kTooLarge);
    EXPECT_EQ(Check(File({HevcItem(1, 6000, 5000, 100, 100)}, 1, {})), HeifLimits::kTooLarge);  // area only
    EXPECT_EQ(Check(File({HevcItem(1, 40000, 16, 100, 100)}, 1, {})), HeifLimits::kTooLarge);   // side only
    // A second parameter set in the item's data.
    Item hevc = HevcItem(1, 640, 480, 640, 480);
    hevc.extents = {NalSamples({HevcSps(30000, 30000), HevcSliceStart()})};
    EXPECT_EQ(Check(File({hevc}, 1, {})), HeifLimits::kTooLarge);
    // ... which libde265 drops when it belongs to another layer.
    hevc.extents = {NalSamples({HevcSps(30000, 30000, 1, 1), HevcSliceStart()})};
    EXPECT_EQ(Check(File({hevc}, 1, {})), HeifLimits::kWithin);
    // A NAL unit that reaches past the item's data.
    hevc.extents = {NalSamples({HevcSliceStart()}).substr(0, 7)};
    EXPECT_EQ(Check(File({hevc}, 1, {})), HeifLimits::kUnreadable);

    EXPECT_EQ(Check(File({Av1Item(1, 30000, 30000, 100, 100)}, 1, {})), HeifLimits::kTooLarge);
    Item av1 = Av1Item(1, 640, 480, 640, 480);
    av1.properties[0] = Av1C(Av1SequenceHeader(6000, 30000, false));
    EXPECT_EQ(Check(File({av1}, 1, {})), HeifLimits::kTooLarge);
    av1 = Av1Item(1, 640, 480, 640, 480);
    av1.extents = {Av1SequenceHeader(8000, 8000) + av1.extents[0]};
    EXPECT_EQ(Check(File({av1}, 1, {})), HeifLimits::kTooLarge);
    // An OBU without a size runs to the end of the data: a sequence header
    // in "av1C" written so takes in the item's data too.
    std::string open = Av1SequenceHeader(640, 480);
    open = Be(1 << 3, 1) + open.substr(2);
    av1.properties[0] = Av1C(open);
    av1.extents = {std::string("\x32\x00", 2)};
    EXPECT_EQ(Check(File({av1}, 1, {})), HeifLimits::kWithin);
    av1.properties[0] = Av1C(Av1SequenceHeader(640, 480) + std::string("\x0A\x40", 2));  // size beyond the data
    EXPECT_EQ(Check(File({av1}, 1, {})), HeifLimits::kUnreadable);
}

// What libheif would decode for ever or for too long is refused.
TEST(HeifLimits, EndlessOrExcessiveDecodingIsRefused) {
    // A grid that is its own tile, and two alpha planes of each other.
    std::vector<Item> items = Grid(1000, 500, 1);
    EXPECT_EQ(Check(File(items, 1, {{"dimg", 1, {1}}})), HeifLimits::kUnreadable);
    Item a = HevcItem(1, 64, 64, 64, 64), b = HevcItem(2, 64, 64, 64, 64);
    a.properties.push_back(AuxC(kAlphaUrn));
    b.properties.push_back(AuxC(kAlphaUrn));
    EXPECT_EQ(Check(File({a, b}, 1, {{"auxl", 1, {2}}, {"auxl", 2, {1}}})), HeifLimits::kUnreadable);

    // 65535 references to one tile of 64 x 64: 268 million pixels.
    items = {Grid(4096, 4096, 1)[0], HevcItem(2, 64, 64, 64, 64)};
    items[0].extents = {GridData(256, 256, 4096, 4096)};
    EXPECT_EQ(Check(File(items, 1, {{"dimg", 1, std::vector<uint32_t>(65535, 2)}})), HeifLimits::kTooMuchWork);
    // 5000 references to one tile of 8 x 8: few pixels, many decoders.
    items[1] = HevcItem(2, 8, 8, 8, 8);
    items[0].extents = {GridData(50, 100, 800, 400)};
    EXPECT_EQ(Check(File(items, 1, {{"dimg", 1, std::vector<uint32_t>(5000, 2)}})), HeifLimits::kTooMuchWork);
    // A stream of many large pictures.
    Item many = HevcItem(1, 4000, 4000, 4000, 4000);
    many.extents = {NalSamples(std::vector<std::string>(8, HevcSliceStart()))};
    EXPECT_EQ(Check(File({many}, 1, {})), HeifLimits::kTooMuchWork);
}

// Where libheif would read the file otherwise, or not at all.
TEST(HeifLimits, AmbiguousAndDamagedContainersAreRefused) {
    EXPECT_EQ(Check(File({HevcItem(1, 640, 480, 640, 480)}, 1, {}, true)), HeifLimits::kUnreadable);
    EXPECT_EQ(Check(File({HevcItem(1, 640, 480, 640, 480)}, 7, {})), HeifLimits::kUnreadable);
    Item exif;
    exif.id = 1;
    exif.type = "Exif";
    exif.extents = {"data"};
    EXPECT_EQ(Check(File({exif}, 1, {})), HeifLimits::kUnreadable);
    Item noConfig = HevcItem(1, 640, 480, 640, 480);
    noConfig.properties.erase(noConfig.properties.begin());
    EXPECT_EQ(Check(File({noConfig}, 1, {})), HeifLimits::kUnreadable);
    EXPECT_EQ(Check(""), HeifLimits::kUnreadable);
    EXPECT_EQ(Check(std::string(4000, '\x55')), HeifLimits::kUnreadable);

    // Every cut of real files ends in a verdict, never outside the bytes
    // (the sanitizer build watches the reads).
    std::vector<Item> items = Grid(1000, 500);
    items.push_back(HevcItem(4, 640, 480, 640, 480));
    items.back().properties.push_back(AuxC(kAlphaUrn));
    std::vector<Reference> refs = GridTiles(1, 2);
    refs.push_back({"auxl", 4, {1}});
    Item av1 = Av1Item(9, 640, 480, 640, 480);
    av1.properties[0] = Av1C(Av1SequenceHeader(640, 480, false));
    for (const std::string& file : {File(items, 1, refs), File({av1}, 9, {})}) {
        ASSERT_EQ(Check(file), HeifLimits::kWithin);
        for (size_t keep = 0; keep < file.size(); ++keep) {
            const std::string cut = file.substr(0, keep);
            const HeifLimits verdict = Check(cut);
            EXPECT_TRUE(verdict == HeifLimits::kWithin || verdict == HeifLimits::kUnreadable) << keep;
        }
    }
}

}  // namespace
