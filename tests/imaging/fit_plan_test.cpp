#include "imaging/fit_plan.h"

#include <gtest/gtest.h>

#include <cmath>

#include "library/random.h"

namespace {

FitOptions Options(bool crop, bool enlarge = false, bool randomPos = false) {
    FitOptions o;
    o.crop = crop;
    o.enlarge = enlarge;
    o.randomPos = randomPos;
    return o;
}

void ExpectRect(const FitPlan& p, int32_t x, int32_t y, int32_t w, int32_t h) {
    EXPECT_EQ(p.dstX, x);
    EXPECT_EQ(p.dstY, y);
    EXPECT_EQ(p.dstW, w);
    EXPECT_EQ(p.dstH, h);
}

TEST(FitPlan, LargerPictureFitsByTheLargerRatio) {
    const FitPlan p = PlanFit(1000, 750, 3000, 2000, Options(false));
    EXPECT_EQ(p.mode, FitMode::Resample);
    EXPECT_EQ(p.srcX, 0);
    EXPECT_EQ(p.srcW, 3000);
    EXPECT_EQ(p.srcH, 2000);
    ExpectRect(p, 0, 41, 1000, 667);
    // Taller than wide: the height fits and the width is centred.
    ExpectRect(PlanFit(1000, 750, 2000, 3000, Options(false)), 250, 0, 500, 750);
}

TEST(FitPlan, CropCutsAPictureOfNearlyTheCellsShape) {
    const FitPlan p = PlanFit(1000, 750, 3000, 2000, Options(true));
    EXPECT_EQ(p.mode, FitMode::Resample);
    EXPECT_EQ(p.srcX, 166);
    EXPECT_EQ(p.srcY, 0);
    EXPECT_EQ(p.srcW, 2667);
    EXPECT_EQ(p.srcH, 2000);
    ExpectRect(p, 0, 0, 1000, 750);
    // Outside the 0.7-1.4 window nothing is cut.
    const FitPlan wide = PlanFit(1000, 750, 4000, 1000, Options(true));
    EXPECT_EQ(wide.srcW, 4000);
    ExpectRect(wide, 0, 250, 1000, 250);
}

TEST(FitPlan, CropOfAPictureThatFitsInOneDirectionTrimsTheOther) {
    // 1100 x 700 in 1000 x 750: only the width is too large; the middle 1000
    // columns are copied unscaled and centred in height.
    const FitPlan p = PlanFit(1000, 750, 1100, 700, Options(true));
    EXPECT_EQ(p.mode, FitMode::Copy);
    EXPECT_EQ(p.srcX, 50);
    EXPECT_EQ(p.srcW, 1000);
    ExpectRect(p, 0, 25, 1000, 700);
}

TEST(FitPlan, SmallerPictureIsCopiedCentredOrAtRandom) {
    const FitPlan p = PlanFit(1000, 750, 400, 300, Options(false));
    EXPECT_EQ(p.mode, FitMode::Copy);
    ExpectRect(p, 300, 225, 400, 300);
    SeedRandom(7);
    bool moved = false;
    for (int i = 0; i < 50; ++i) {
        const FitPlan r = PlanFit(1000, 750, 400, 300, Options(false, false, true));
        ASSERT_EQ(r.mode, FitMode::Copy);
        ASSERT_GE(r.dstX, 0);
        ASSERT_LE(r.dstX, 600);
        ASSERT_GE(r.dstY, 0);
        ASSERT_LE(r.dstY, 450);
        moved |= r.dstX != 300 || r.dstY != 225;
    }
    EXPECT_TRUE(moved);
    // Every random placement takes two draws, x then y, also when one
    // direction has no room: the y offset comes from the second draw.
    SeedRandom(11);
    RandomUnit();
    const double second = RandomUnit();
    SeedRandom(11);
    const FitPlan fullWidth = PlanFit(400, 750, 400, 300, Options(false, false, true));
    EXPECT_EQ(fullWidth.dstX, 0);
    EXPECT_EQ(fullWidth.dstY, std::lround(second * 450));
    // Exactly the cell's size: copied to the corner.
    ExpectRect(PlanFit(640, 480, 640, 480, Options(false)), 0, 0, 640, 480);
}

TEST(FitPlan, EnlargeScalesSmallPicturesUp) {
    const FitPlan p = PlanFit(1000, 600, 800, 500, Options(false, true));
    EXPECT_EQ(p.mode, FitMode::Resample);
    ExpectRect(p, 20, 0, 960, 600);
    // With crop the cell's shape is cut from it first and fills the cell.
    const FitPlan c = PlanFit(1000, 600, 800, 500, Options(true, true));
    EXPECT_EQ(c.srcY, 10);
    EXPECT_EQ(c.srcH, 480);
    ExpectRect(c, 0, 0, 1000, 600);
}

TEST(FitPlan, TinyPicturesAreStretchedNotResampled) {
    EXPECT_EQ(PlanFit(100, 100, 8, 400, Options(false)).mode, FitMode::Stretch);
    EXPECT_EQ(PlanFit(100, 100, 4000, 300, Options(false)).mode, FitMode::Stretch);  // drawn 7 high
    EXPECT_EQ(PlanFit(1000, 1000, 40, 45, Options(false, true)).mode, FitMode::Stretch);
    EXPECT_EQ(PlanFit(1000, 1000, 40, 60, Options(false, true)).mode, FitMode::Resample);
    EXPECT_EQ(PlanFit(1000, 1000, 40, 45, Options(false)).mode, FitMode::Copy);
}

TEST(FitPlan, EmptyPictureOrCellDrawsNothing) {
    EXPECT_EQ(PlanFit(0, 100, 10, 10, Options(false)).mode, FitMode::Nothing);
    EXPECT_EQ(PlanFit(100, 100, 10, -1, Options(true)).mode, FitMode::Nothing);
}

}  // namespace
