#include "show/album_textures.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using A = UploadAction;
const A kSwap{A::Swap};
A Up(PageId p, TextureSetId s) { return {A::Upload, p, s}; }

TEST(AlbumTextures, ForwardTurnsUploadTheOpeningSpreadOnceThenSwap) {
    TurnFlags f;
    auto first = PlanUpload(f, true);
    EXPECT_EQ(first, (std::vector<A>{Up(PageId::OpeningLeft, TextureSetId::LeftUnder),
                                      Up(PageId::OpeningRight, TextureSetId::SheetFront),
                                      Up(PageId::NextLeft, TextureSetId::SheetBack),
                                      Up(PageId::NextRight, TextureSetId::RightUnder)}));
    auto next = PlanUpload(f, false);
    EXPECT_EQ(next, (std::vector<A>{kSwap, Up(PageId::NextLeft, TextureSetId::SheetBack),
                                     Up(PageId::NextRight, TextureSetId::RightUnder)}));
    EXPECT_FALSE(f.reverse || f.reverseUploaded || f.cancelReverse);
}

TEST(AlbumTextures, ReverseThenForward) {
    TurnFlags f;
    f.reverse = true;
    auto back = PlanUpload(f, false);
    EXPECT_EQ(back, (std::vector<A>{Up(PageId::NextLeft, TextureSetId::LeftUnder),
                                     Up(PageId::NextRight, TextureSetId::SheetFront)}));
    EXPECT_TRUE(f.reverse);
    EXPECT_TRUE(f.reverseUploaded);
    // The next forward upload swaps twice: what the reverse turn uncovered
    // (LeftUnder, SheetFront) stays where the next forward turn starts.
    auto fwd = PlanUpload(f, false);
    EXPECT_EQ(fwd, (std::vector<A>{kSwap, kSwap, Up(PageId::NextLeft, TextureSetId::SheetBack),
                                    Up(PageId::NextRight, TextureSetId::RightUnder)}));
    EXPECT_FALSE(f.reverse);
    EXPECT_FALSE(f.reverseUploaded);
}

TEST(AlbumTextures, CancelReverse) {
    TurnFlags f{true, true, true};
    auto steps = PlanUpload(f, false);
    EXPECT_EQ(steps, (std::vector<A>{kSwap, kSwap, Up(PageId::NextLeft, TextureSetId::SheetBack),
                                      Up(PageId::NextRight, TextureSetId::RightUnder)}));
    EXPECT_FALSE(f.cancelReverse || f.reverse || f.reverseUploaded);
    // Cancel without a reverse upload keeps the cancel request and swaps once.
    TurnFlags g;
    g.cancelReverse = true;
    g.reverse = true;
    auto s2 = PlanUpload(g, false);
    EXPECT_EQ(s2, (std::vector<A>{kSwap, Up(PageId::NextLeft, TextureSetId::LeftUnder),
                                   Up(PageId::NextRight, TextureSetId::SheetFront)}));
    EXPECT_TRUE(g.cancelReverse);
    EXPECT_TRUE(g.reverseUploaded);
}

// The show prepares each spread into the pair of page bitmaps that is not on
// screen; through forward turns, a step back and a forward turn again, the
// pages a frame shows at rest are always the pair last uploaded, and the
// other pair is free.
TEST(AlbumTextures, SourcesFollowThePlanSoThePagesOnScreenAreKnown) {
    static int storage[4];
    const auto* aLeft = reinterpret_cast<const TBitmap0*>(&storage[0]);
    const auto* aRight = reinterpret_cast<const TBitmap0*>(&storage[1]);
    const auto* bLeft = reinterpret_cast<const TBitmap0*>(&storage[2]);
    const auto* bRight = reinterpret_cast<const TBitmap0*>(&storage[3]);
    using Pair = std::pair<const TBitmap0*, const TBitmap0*>;
    const Pair a{aLeft, aRight}, b{bLeft, bRight};

    TextureSources sources;
    Pair opening = a, next = b;
    TurnFlags f;
    auto upload = [&](bool first) {
        for (const UploadAction& step : PlanUpload(f, first)) {
            const bool left = step.page == PageId::OpeningLeft || step.page == PageId::NextLeft;
            const Pair& from = (step.page == PageId::OpeningLeft || step.page == PageId::OpeningRight) ? opening : next;
            sources.Apply(step, left ? from.first : from.second);
        }
    };
    upload(true);
    EXPECT_EQ(sources.Shown(0), a) << "the opening spread before the turn";
    EXPECT_EQ(sources.Shown(60), a);
    EXPECT_EQ(sources.Shown(120), b);
    EXPECT_EQ(sources.Shown(180), b) << "the first spread after it";

    next = a;  // prepared into the free pair
    upload(false);
    EXPECT_EQ(sources.Shown(0), b);
    EXPECT_EQ(sources.Shown(180), a);

    f.reverse = true;  // a step back with a spread prepared from the history
    next = b;
    upload(false);
    EXPECT_EQ(sources.Shown(180), a) << "the reverse turn starts from the spread on screen";
    EXPECT_EQ(sources.Shown(0), b) << "and ends on the earlier one";

    next = a;
    upload(false);
    EXPECT_EQ(sources.Shown(0), b);
    EXPECT_EQ(sources.Shown(180), a);
}

TEST(AlbumTextures, SwapExchangesOnlyTheUsedTiles) {
    AlbumTextureSets t;
    for (int i = 0; i < kMaxTiles; ++i) {
        t.LeftUnder[i] = 1000 + i;
        t.SheetFront[i] = 2000 + i;
        t.SheetBack[i] = 3000 + i;
        t.RightUnder[i] = 4000 + i;
    }
    t.Swap(11);
    EXPECT_EQ(t.LeftUnder[0], 3000u);
    EXPECT_EQ(t.SheetBack[11], 1011u);
    EXPECT_EQ(t.SheetFront[11], 4011u);
    EXPECT_EQ(t.RightUnder[5], 2005u);
    EXPECT_EQ(t.LeftUnder[12], 1012u);
    EXPECT_EQ(t.RightUnder[12], 4012u);
    t.Swap(kMaxTiles + 5);  // clamped to the table
    EXPECT_EQ(t.LeftUnder[kMaxTiles - 1], 3000u + kMaxTiles - 1);
    EXPECT_EQ(&t.Get(TextureSetId::SheetBack), &t.SheetBack);
}

TEST(AlbumTextures, TileToRgbConvertsBgrxWordsRowByRow) {
    const int W = 600, H = 300;
    std::vector<uint32_t> px(W * H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) px[y * W + x] = 0xEE000000u | (x & 0xFF) << 16 | (y & 0xFF) << 8 | 0x5A;
    std::vector<uint8_t> buf(kUploadBufferBytes, 0x77);
    TileGrid g = MakeTileGrid(W, H);
    TileRect r = UploadExtent(g, 1, 2);  // columns 510..599, rows 255..299
    TileToRgb(px.data(), W, r, buf.data());
    auto at = [&](int row, int col, int ch) { return buf[(row * 256 + col) * 3 + ch]; };
    EXPECT_EQ(at(0, 0, 0), 510 & 0xFF);
    EXPECT_EQ(at(0, 0, 1), 255);
    EXPECT_EQ(at(0, 0, 2), 0x5A);
    EXPECT_EQ(at(44, 89, 0), 599 & 0xFF);
    EXPECT_EQ(at(44, 89, 1), 299 & 0xFF);
    // Outside the tile the buffer keeps what it held.
    EXPECT_EQ(at(0, 90, 0), 0x77);
    EXPECT_EQ(at(45, 0, 0), 0x77);
}

}  // namespace
