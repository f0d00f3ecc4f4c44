#include "imaging/resampler.h"

#include <gtest/gtest.h>

#include <numeric>

#include "imaging/resampler_contributors.h"
#include "imaging/resampler_filters.h"
#include "imaging/resampler_passes.h"
#include "show/stop_request.h"
#include "tests/imaging/resampler_test_pictures.h"

namespace {

std::vector<TContributor> EntryOf(const TContributorList& list, int32_t i) {
    const TContributorEntry& e = list.entries.at(static_cast<size_t>(i));
    return {list.contributors.begin() + e.first, list.contributors.begin() + e.first + e.count};
}

uint8_t Channel(uint32_t pixel, int c) { return static_cast<uint8_t>(pixel >> (8 * c)); }

TEST(ResamplerFilters, ValuesAtKnownPoints) {
    EXPECT_EQ(FilterValue(kFilterBox, 0.5f), 1.0f);   // the right edge belongs to the box
    EXPECT_EQ(FilterValue(kFilterBox, -0.5f), 0.0f);  // the left one does not
    EXPECT_FLOAT_EQ(FilterValue(kFilterTriangle, 0.25f), 0.75f);
    EXPECT_FLOAT_EQ(FilterValue(kFilterHermite, 0.5f), 0.5f);
    EXPECT_FLOAT_EQ(FilterValue(kFilterBell, 1.0f), 0.125f);
    EXPECT_FLOAT_EQ(FilterValue(kFilterBSpline, 0.0f), 2.0f / 3.0f);
    EXPECT_FLOAT_EQ(FilterValue(kFilterLanczos3, 0.0f), 1.0f);
    EXPECT_NEAR(FilterValue(kFilterLanczos3, 1.0f), 0.0f, 1e-6f);
    EXPECT_FLOAT_EQ(FilterValue(kFilterMitchell, 0.0f), 16.0f / 18.0f);
    EXPECT_NEAR(FilterValue(kFilterMitchell, 1.0f), 1.0f / 18.0f, 1e-6f);
    for (int32_t f = 0; f < kFilterCount; ++f) EXPECT_EQ(FilterValue(f, FilterSupport(f) + 0.01f), 0.0f) << f;
    // An unknown filter number is Hermite, not a read past the table.
    EXPECT_EQ(FilterSupport(99), FilterSupport(kFilterHermite));
    EXPECT_FLOAT_EQ(FilterValue(-3, 0.3f), FilterValue(kFilterHermite, 0.3f));
}

TEST(ResamplerRounding, HalvesGoToEven) {
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(2.5001), 3);
    EXPECT_EQ(DivideRoundHalfEven(5, 2), 2);
    EXPECT_EQ(DivideRoundHalfEven(7, 2), 4);
    EXPECT_EQ(DivideRoundHalfEven(-5, 2), -2);
    EXPECT_EQ(DivideRoundHalfEven(-7, 2), -4);
    EXPECT_EQ(DivideRoundHalfEven(5, -2), -2);
    EXPECT_EQ(DivideRoundHalfEven(10, 3), 3);
    EXPECT_EQ(DivideRoundHalfEven(11, 3), 4);
}

TEST(ResamplerContributors, BoxHalvingAveragesPairsWithMirroredEdge) {
    const TContributorList list = BuildContributorList(4, 2, kFilterBox);
    const auto first = EntryOf(list, 0);
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[0].weight, 32768);
    EXPECT_EQ(first[0].offset, 1);  // index -1 mirrored
    EXPECT_EQ(first[1].weight, 32768);
    EXPECT_EQ(first[1].offset, 0);
    const auto second = EntryOf(list, 1);
    ASSERT_EQ(second.size(), 2u);
    EXPECT_EQ(second[0].offset, 1);
    EXPECT_EQ(second[1].offset, 2);
    EXPECT_EQ(second[0].weight + second[1].weight, 65536);
}

TEST(ResamplerContributors, IndexPastTheEndReadsTheLastPixel) {
    // Doubling 4 with Triangle: destination 7 is centred at 3.5 between
    // index 3 and index 4, which mirrors back to 3.
    const auto last = EntryOf(BuildContributorList(4, 8, kFilterTriangle), 7);
    ASSERT_EQ(last.size(), 2u);
    EXPECT_EQ(last[0].offset, 3);
    EXPECT_EQ(last[1].offset, 3);
    EXPECT_EQ(last[0].weight + last[1].weight, 65536);
}

TEST(ResamplerContributors, EveryOffsetStaysInsideEvenForTinySources) {
    for (int32_t f = 0; f < kFilterCount; ++f)
        for (int32_t s : {1, 2, 3, 7, 100})
            for (int32_t d : {1, 2, 5, 33, 250}) {
                const TContributorList list = BuildContributorList(s, d, f);
                ASSERT_EQ(list.entries.size(), static_cast<size_t>(d));
                for (const TContributor& c : list.contributors) {
                    ASSERT_GE(c.offset, 0) << f << " " << s << "->" << d;
                    ASSERT_LT(c.offset, s) << f << " " << s << "->" << d;
                    ASSERT_NE(c.weight, 0);
                }
                for (int32_t i = 0; i < d; ++i) {
                    int64_t sum = 0;
                    for (const TContributor& c : EntryOf(list, i)) sum += c.weight;
                    // Renormalised: each weight is rounded on its own.
                    EXPECT_NEAR(static_cast<double>(sum), 65536.0, static_cast<double>(EntryOf(list, i).size()));
                }
            }
    EXPECT_TRUE(BuildContributorList(0, 5, kFilterHermite).entries.empty());
    EXPECT_TRUE(BuildContributorList(5, 0, kFilterHermite).entries.empty());
}

TEST(ResamplerPasses, ChannelsAreTruncatedAndClamped) {
    TContributorList list;
    list.contributors = {{98304, 0}, {-32768, 3}, {-32768, 0}, {98304, 3}, {65535, 0}};
    list.entries = {{0, 2}, {2, 2}, {4, 1}};
    const uint8_t line[6] = {255, 100, 0, 0, 100, 255};
    uint8_t out[9] = {};
    ApplyAlongLine(line, list, out, 3);
    EXPECT_EQ(out[0], 255);  // 1.5 * 255 - 0.5 * 0 overshoots
    EXPECT_EQ(out[1], 100);
    EXPECT_EQ(out[2], 0);    // -0.5 * 255 undershoots
    EXPECT_EQ(out[3], 0);
    EXPECT_EQ(out[5], 255);
    EXPECT_EQ(out[6], 254);  // 255 * 65535 / 65536 truncates
}

TEST(Resample, SameSizeIsAnExactCopyForInterpolatingFilters) {
    BitmapPtr source = MakeTestPicture(37, 23, 1);
    for (int32_t f : {kFilterBox, kFilterTriangle, kFilterHermite, kFilterLanczos3}) {
        BitmapPtr dest(TBitmap0::Create(37, 23));
        Resample(*source, 0, 0, 37, 23, *dest, 0, 0, 37, 23, f);
        for (int32_t y = 0; y < 23; ++y)
            for (int32_t x = 0; x < 37; ++x) ASSERT_EQ(dest->At(x, y), source->At(x, y)) << f;
    }
}

TEST(Resample, BoxHalvingAveragesAndKeepsTheFourthByte) {
    BitmapPtr source(TBitmap0::Create(4, 2));
    const uint32_t values[4] = {0x000A1400, 0x00142800, 0x001E3C00, 0x00285000};
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 4; ++x) source->At(x, y) = values[x];
    BitmapPtr dest(TBitmap0::Create(2, 1));
    dest->SetFillColour(0xAB000000);
    dest->Fill();
    Resample(*source, 0, 0, 4, 2, *dest, 0, 0, 2, 1, kFilterBox);
    EXPECT_EQ(dest->At(0, 0), 0xAB0F1E00u);  // columns 1 and 0
    EXPECT_EQ(dest->At(1, 0), 0xAB193200u);  // columns 1 and 2
}

TEST(Resample, UniformColourSurvivesEveryFilter) {
    BitmapPtr source(TBitmap0::Create(50, 40));
    source->SetFillColour(0x00C86432);
    source->Fill();
    for (int32_t f = 0; f < kFilterCount; ++f)
        for (auto [w, h] : {std::pair{23, 17}, std::pair{111, 91}}) {
            BitmapPtr dest(TBitmap0::Create(w, h));
            Resample(*source, 0, 0, 50, 40, *dest, 0, 0, w, h, f);
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = 0; x < w; ++x)
                    for (int c = 0; c < 3; ++c)  // each pass may truncate by one
                        ASSERT_NEAR(Channel(dest->At(x, y), c), Channel(0x00C86432, c), 2) << f;
        }
}

TEST(Resample, RectanglesOnlyTouchTheirArea) {
    BitmapPtr source = MakeTestPicture(30, 30, 2);
    BitmapPtr dest(TBitmap0::Create(20, 20));
    dest->SetFillColour(0x00FFFFFF);
    dest->Fill();
    // A sub-rectangle at the same size is a copy of just that part.
    Resample(*source, 5, 7, 10, 8, *dest, 3, 4, 10, 8, kFilterHermite);
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 20; ++x) {
            const bool inside = x >= 3 && x < 13 && y >= 4 && y < 12;
            ASSERT_EQ(dest->At(x, y), inside ? source->At(x + 2, y + 3) : 0x00FFFFFFu) << x << "," << y;
        }
    // Empty or out-of-range rectangles draw nothing.
    BitmapPtr untouched(TBitmap0::Create(20, 20));
    Resample(*source, 0, 0, 0, 10, *untouched, 0, 0, 20, 20, kFilterHermite);
    Resample(*source, 25, 0, 10, 10, *untouched, 0, 0, 20, 20, kFilterHermite);
    Resample(*source, 0, 0, 10, 10, *untouched, 15, 0, 10, 10, kFilterHermite);
    Resample(*source, 0, 0, 10, 10, *untouched, 0, 0, -5, 10, kFilterHermite);
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 20; ++x) ASSERT_EQ(untouched->At(x, y), 0u);
}

TEST(Resample, StopRequestLeavesTheRestUndrawn) {
    BitmapPtr source = MakeTestPicture(20, 700, 3);
    BitmapPtr dest(TBitmap0::Create(10, 650));
    dest->SetFillColour(0x00010203);
    dest->Fill();
    StopRequested = true;
    Resample(*source, 0, 0, 20, 700, *dest, 0, 0, 10, 650, kFilterHermite);
    StopRequested = false;
    EXPECT_EQ(dest->At(0, 0), 0x00010203u);
    EXPECT_EQ(dest->At(9, 649), 0x00010203u);
    Resample(*source, 0, 0, 20, 700, *dest, 0, 0, 10, 650, kFilterHermite);
    EXPECT_NE(dest->At(9, 649), 0x00010203u);
}

}  // namespace
