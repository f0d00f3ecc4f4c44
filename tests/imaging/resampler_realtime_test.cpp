#include "imaging/resampler_realtime.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/fit.h"
#include "imaging/plugin_host.h"
#include "library/random.h"
#include "tests/imaging/resampler_test_pictures.h"

namespace {

constexpr int32_t kSlot = 3;

// Where pixel (c, r) of a stored picture W x H lands in the upright picture
// for each camera orientation (the turn the decoders apply).
void Upright(int32_t o, int32_t c, int32_t r, int32_t w, int32_t h, int32_t& x, int32_t& y) {
    switch (o) {
        case 2: x = w - 1 - c, y = r; break;
        case 3: x = w - 1 - c, y = h - 1 - r; break;
        case 4: x = c, y = h - 1 - r; break;
        case 5: x = r, y = c; break;
        case 6: x = h - 1 - r, y = c; break;
        case 7: x = h - 1 - r, y = w - 1 - c; break;
        case 8: x = r, y = w - 1 - c; break;
        default: x = c, y = r; break;
    }
}

// Stored rows (3 bytes a pixel, red first unless blueFirst) of the picture
// that shows `upright` after turning by `o`.
std::vector<std::vector<uint8_t>> StoredRows(const TBitmap0& upright, int32_t o, bool blueFirst, int32_t& w,
                                             int32_t& h) {
    const bool turned = o >= 5;
    w = turned ? upright.Height() : upright.Width();
    h = turned ? upright.Width() : upright.Height();
    std::vector<std::vector<uint8_t>> rows(static_cast<size_t>(h), std::vector<uint8_t>(static_cast<size_t>(w) * 3));
    for (int32_t r = 0; r < h; ++r)
        for (int32_t c = 0; c < w; ++c) {
            int32_t x, y;
            Upright(o, c, r, w, h, x, y);
            const uint32_t p = upright.At(x, y);
            uint8_t* out = &rows[static_cast<size_t>(r)][static_cast<size_t>(c) * 3];
            out[blueFirst ? 0 : 2] = static_cast<uint8_t>(p);
            out[1] = static_cast<uint8_t>(p >> 8);
            out[blueFirst ? 2 : 0] = static_cast<uint8_t>(p >> 16);
        }
    return rows;
}

class RealtimeResize : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    void Reset() {
        AbandonResize(kSlot);
        ResizeSlots[kSlot] = ResizeSlot{};
    }
    void Request(TBitmap0** destination) {
        ResizeSlots[kSlot].resizeRequested = 1;
        ResizeSlots[kSlot].destination = destination;
    }
    static int32_t Header(uint32_t word, int32_t w, int32_t h) {
        return LineCallback(HeaderWordArg(word), kHeaderRow, w, h, kSlot);
    }
    // A failing call throws nothing into the plugin: it returns 0 (stop), and
    // the host raises what it kept once the plugin has returned.
    static std::string MessageOf(const std::function<int32_t()>& call) {
        int32_t result = -1;
        try {
            result = call();
        } catch (...) {
            return "(thrown into the plugin)";
        }
        if (result != 0) return "(went on with " + std::to_string(result) + ")";
        try {
            RaiseLineCallbackFailure(kSlot);
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "(no failure kept)";
    }
};

TEST_F(RealtimeResize, OrientationSixTurnsRowsIntoColumnsRightmostFirst) {
    BitmapPtr cell(TBitmap0::Create(2, 4));
    TBitmap0* target = cell.get();
    Request(&target);
    ASSERT_EQ(Header(6 | kHeaderBlueFirst, 4, 2), 1);
    EXPECT_EQ(ResizeSlots[kSlot].resizeAccepted, 1);
    const uint8_t row0[12] = {1, 0, 0, 2, 0, 0, 3, 0, 0, 4, 0, 0};
    const uint8_t row1[12] = {5, 0, 0, 6, 0, 0, 7, 0, 0, 8, 0, 0};
    EXPECT_EQ(LineCallback(row0, 0, 4, 2, kSlot), 1);
    EXPECT_EQ(LineCallback(row1, 1, 4, 2, kSlot), 1);
    for (int32_t y = 0; y < 4; ++y) {
        EXPECT_EQ(cell->At(1, y), static_cast<uint32_t>(1 + y));
        EXPECT_EQ(cell->At(0, y), static_cast<uint32_t>(5 + y));
    }
    EXPECT_EQ(ResizeSlots[kSlot].resizeStarted, 0);  // finished with the last row
}

TEST_F(RealtimeResize, RedFirstRowsAreStoredBlueFirst) {
    BitmapPtr cell(TBitmap0::Create(1, 1));
    TBitmap0* target = cell.get();
    Request(&target);
    ASSERT_EQ(Header(1, 1, 1), 1);
    const uint8_t rgb[3] = {0x30, 0x20, 0x10};
    LineCallback(rgb, 0, 1, 1, kSlot);
    EXPECT_EQ(cell->At(0, 0), 0x00302010u);
}

TEST_F(RealtimeResize, ProtocolViolationsNameWhatWentWrong) {
    BitmapPtr cell(TBitmap0::Create(40, 30));
    TBitmap0* target = cell.get();
    std::vector<uint8_t> row(100 * 3);
    auto rowCall = [&](int32_t r, int32_t w, int32_t h, int32_t slot = kSlot) {
        return [&row, r, w, h, slot] { return LineCallback(row.data(), r, w, h, slot); };
    };
    EXPECT_EQ(MessageOf([&] { return Header(1, 100, 80); }), "not ResizeStarted and not StartResize");
    EXPECT_EQ(MessageOf(rowCall(0, 100, 80)), "not ResizeStarted and curLine=0, height=80");
    EXPECT_EQ(MessageOf(rowCall(0, 100, 80, 11)), "not ResizeStarted and curLine=0, height=80");

    TBitmap0* none = nullptr;
    Request(&none);
    EXPECT_EQ(MessageOf([&] { return Header(1, 100, 80); }), "ResizeBMP not assigned");

    Request(&target);
    ASSERT_EQ(Header(1, 100, 80), 1);
    EXPECT_EQ(MessageOf([&] { return Header(1, 100, 80); }), "ResizeStarted and curLine=-1");
    for (int32_t r = 0; r <= 3; ++r) LineCallback(row.data(), r, 100, 80, kSlot);
    EXPECT_EQ(MessageOf(rowCall(5, 100, 80)), "prevLine=3, curLine=5");
    EXPECT_EQ(MessageOf(rowCall(4, 99, 81)), "ResSourcewidth=100, width=99, ResSourceheight=80, height=81");
    EXPECT_EQ(LineCallback(row.data(), 4, 100, 80, kSlot), 1);  // the raised failure is forgotten

    // Until the host has raised it, a failure stops every later call, and
    // the first one is what is raised.
    EXPECT_EQ(LineCallback(row.data(), 7, 100, 80, kSlot), 0);
    EXPECT_TRUE(LineCallbackFailed(kSlot));
    EXPECT_EQ(MessageOf(rowCall(5, 100, 80)), "prevLine=4, curLine=7");
    EXPECT_FALSE(LineCallbackFailed(kSlot));

    AbandonResize(kSlot);
    EXPECT_EQ(ResizeSlots[kSlot].resizeStarted, 0);
    EXPECT_EQ(MessageOf(rowCall(5, 100, 80)), "not ResizeStarted and curLine=5, height=80");
}

TEST_F(RealtimeResize, TinyPicturesAreDeclinedToTheWholePicturePath) {
    BitmapPtr cell(TBitmap0::Create(100, 100));
    TBitmap0* target = cell.get();
    Request(&target);
    EXPECT_EQ(Header(1, 8, 400), 0);
    EXPECT_EQ(ResizeSlots[kSlot].resizeRequested, 0);
    EXPECT_EQ(ResizeSlots[kSlot].resizeAccepted, 0);
    EXPECT_EQ(ResizeSlots[kSlot].resizeStarted, 0);
    // Turned a quarter, 400 x 8 is just as tiny.
    Request(&target);
    EXPECT_EQ(Header(6, 400, 8), 0);
}

struct Case {
    int32_t pictureW, pictureH, cellW, cellH;
    bool enlarge, randomPos;
};

// The real-time path must put exactly the pixels in the cell that decoding
// the whole upright picture and fitting it with DrawFit puts there.
TEST_F(RealtimeResize, SamePixelsAsTheWholePicturePathForEveryOrientation) {
    const Case cases[] = {
        {97, 61, 40, 30, false, false},   // shrink by uneven ratios
        {120, 90, 50, 40, false, false},  // shrink; cropped when crop is on
        {61, 55, 130, 100, true, false},  // enlarge
        {30, 20, 50, 40, false, true},    // copy at a random place
        {55, 38, 50, 40, false, false},   // copy; trimmed when crop is on
        {70, 300, 50, 60, false, false},  // tall and narrow
    };
    uint32_t seed = 1;
    for (const Case& k : cases)
        for (bool crop : {false, true})
            for (int32_t o = 1; o <= 8; ++o) {
                BitmapPtr upright = MakeTestPicture(k.pictureW, k.pictureH, seed++, true);
                auto makeCell = [&] {
                    BitmapPtr cell(TBitmap0::Create(k.cellW, k.cellH));
                    cell->Crop = crop;
                    cell->Enlarge = k.enlarge;
                    cell->RandomPos = k.randomPos;
                    cell->SetFillColour(0x00405060);
                    return cell;
                };
                BitmapPtr whole = makeCell();
                SeedRandom(99);
                DrawFit(*whole, *upright);

                BitmapPtr live = makeCell();
                TBitmap0* target = live.get();
                Request(&target);
                int32_t w, h;
                const bool blueFirst = o % 2 == 0;
                const auto rows = StoredRows(*upright, o, blueFirst, w, h);
                SeedRandom(99);
                ASSERT_EQ(Header(static_cast<uint32_t>(o) | (blueFirst ? kHeaderBlueFirst : 0), w, h), 1)
                    << k.pictureW << "x" << k.pictureH << " orientation " << o << " crop " << crop;
                for (int32_t r = 0; r < h; ++r) LineCallback(rows[static_cast<size_t>(r)].data(), r, w, h, kSlot);
                ASSERT_EQ(ResizeSlots[kSlot].resizeStarted, 0);

                for (int32_t y = 0; y < k.cellH; ++y)
                    for (int32_t x = 0; x < k.cellW; ++x)
                        ASSERT_EQ(live->At(x, y), whole->At(x, y))
                            << "picture " << k.pictureW << "x" << k.pictureH << " cell " << k.cellW << "x"
                            << k.cellH << " orientation " << o << " crop " << crop << " at " << x << "," << y;
                Reset();
            }
}

}  // namespace
