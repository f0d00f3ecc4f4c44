// Little CMS as the programs link it (the cross-built static library in the
// Windows builds, Debian's natively): its calls reach the library with the
// calling convention its header declares, and a Display P3 pixel comes out
// as the sRGB one the two colour spaces' matrices give.
#include <gtest/gtest.h>
#include <lcms2.h>

#include <cstdint>
#include <cstdlib>

namespace {

// Display P3: the DCI-P3 primaries with the D65 white and the sRGB curve.
cmsHPROFILE CreateDisplayP3() {
    const cmsCIExyY white = {0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries = {{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};
    const cmsFloat64Number srgb_curve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, srgb_curve);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    return profile;
}

TEST(Lcms2Link, DisplayP3PixelToSrgb) {
    cmsHPROFILE p3 = CreateDisplayP3();
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    ASSERT_NE(p3, nullptr);
    ASSERT_NE(srgb, nullptr);
    cmsHTRANSFORM transform = cmsCreateTransform(p3, TYPE_RGB_8, srgb, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC, 0);
    ASSERT_NE(transform, nullptr);
    // Inside sRGB's gamut, then P3's red, which lies outside it.
    const uint8_t in[6] = {200, 120, 80, 255, 0, 0};
    uint8_t out[6] = {};
    cmsDoTransform(transform, in, out, 2);
    // Linear sRGB = M * linear P3, M from the primaries: 213.0 115.0 70.4,
    // and 1.225 -0.042 -0.020 for the red, clipped.
    const int expected[6] = {213, 115, 70, 255, 0, 0};
    for (int i = 0; i < 6; ++i) {
        EXPECT_LE(std::abs(out[i] - expected[i]), 1) << "channel " << i;
    }
    cmsDeleteTransform(transform);
    cmsCloseProfile(srgb);
    cmsCloseProfile(p3);
}

}  // namespace
