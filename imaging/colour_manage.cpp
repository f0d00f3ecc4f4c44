#include "imaging/colour_manage.h"

#include <lcms2.h>

#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <cmath>
#include <list>
#include <mutex>
#include <string>
#include <vector>

namespace {
// Photos of one camera or phone share their profile: a few conversions kept
// cover a whole album.
constexpr size_t kTransformsKept = 8;

// A conversion to sRGB: 8-bit pixels in place, or for pictures with a high
// dynamic range, from linear light that the tone mapping has already brought
// into the range of a page.
// Pictures described by a matrix and curves (nearly every camera's and
// phone's profile, and every nclx description) are converted by that
// arithmetic directly, several times faster than a general transform: each
// channel's code value to linear light through a table, the 3x3 matrix from
// the picture's primaries to sRGB's, and sRGB's curve back to code values
// through a table. Little CMS reads the profiles it is made from.
// Both tables are 16-bit integers, so that the processor's vector
// instructions multiply and add two pairs at once.
struct MatrixConversion {
    // Code value -> linear light, per channel, in kLightOne steps (full light
    // one step short of it).
    int16_t lightSteps[3][256];
    // Rows: sRGB's red, green, blue from the picture's, in kMatrixOne steps.
    int16_t matrixSteps[9];
};
constexpr int32_t kLightBits = 15, kLightOne = 1 << kLightBits;
constexpr int32_t kMatrixBits = 12, kMatrixOne = 1 << kMatrixBits;
// Coefficients up to this size fit 16 bits, and three products of them with
// light stay within 32; the coefficients of wide-gamut spaces (BT.2020,
// ProPhoto) reach about 2 and -0.7.
constexpr float kLargestCoefficient = 2.5f;

// The integer tables of light (code value -> 0..1, per channel) and of the
// matrix; false when a coefficient is too large for the integers: Little
// CMS converts such pictures instead.
bool MakeSteps(MatrixConversion& c, const float light[3][256], const float matrix[9]) {
    for (int ch = 0; ch < 3; ++ch)
        for (int v = 0; v < 256; ++v)
            c.lightSteps[ch][v] = static_cast<int16_t>(
                std::min<long>(std::lround(std::clamp(light[ch][v], 0.0f, 1.0f) * kLightOne), kLightOne - 1));
    for (int i = 0; i < 9; ++i) {
        if (!(std::fabs(matrix[i]) <= kLargestCoefficient)) return false;
        c.matrixSteps[i] = static_cast<int16_t>(std::lround(matrix[i] * kMatrixOne));
    }
    return true;
}

struct KeptTransform {
    std::string key;                    // the profile's bytes, or the nclx codes
    bool useMatrix = false;             // converted by `conversion`
    MatrixConversion conversion{};
    bool useChannelTables = false;      // grey pictures: each channel through its table
    uint8_t channelTables[3][256] = {};  // red, green, blue
    cmsHTRANSFORM transform = nullptr;  // otherwise by Little CMS; none of them: nothing to convert
};

// sRGB's curve from linear light (0..1 in kEncodeSteps steps) to code values.
// Small enough to stay in the processor's first cache beside the light
// tables; fine enough that the steepest part of the curve, near black
// (12.92 code values per unit of light), moves less than a fifth of a code
// value from one step to the next.
constexpr int32_t kEncodeBits = 14, kEncodeSteps = 1 << kEncodeBits;
const uint8_t* SrgbEncodeTable() {
    static const std::vector<uint8_t> table = [] {
        std::vector<uint8_t> t(kEncodeSteps + 1);
        for (int i = 0; i <= kEncodeSteps; ++i) {
            const double v = static_cast<double>(i) / kEncodeSteps;
            const double e = v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
            t[static_cast<size_t>(i)] = static_cast<uint8_t>(std::lround(std::clamp(e, 0.0, 1.0) * 255));
        }
        return t;
    }();
    return table.data();
}

// The display's own profile when the screen is not sRGB (empty when it is):
// every picture, described or not, is then converted to it by Little CMS.
std::vector<uint8_t>& DisplayProfile() {
    static std::vector<uint8_t> profile;
    return profile;
}
bool ToDisplay() { return !DisplayProfile().empty(); }
cmsHPROFILE OpenDestination() {
    const std::vector<uint8_t>& display = DisplayProfile();
    return display.empty() ? cmsCreate_sRGBProfile()
                           : cmsOpenProfileFromMem(display.data(), static_cast<cmsUInt32Number>(display.size()));
}

std::mutex& TransformLock() {
    static std::mutex lock;
    return lock;
}
std::list<KeptTransform>& Kept() {
    static std::list<KeptTransform> kept;
    return kept;
}

void IgnoreLcmsMessage(cmsContext, cmsUInt32Number, const char*) {}

// sRGB's colorants adapted to D50, as ICC profiles hold them.
struct Colorant {
    cmsTagSignature tag;
    double x, y, z;
};
constexpr Colorant kSrgbColorants[] = {{cmsSigRedColorantTag, 0.4361, 0.2225, 0.0139},
                                       {cmsSigGreenColorantTag, 0.3851, 0.7169, 0.0971},
                                       {cmsSigBlueColorantTag, 0.1431, 0.0606, 0.7141}};

double SrgbDecode(double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); }

// A matrix-and-curves profile with sRGB's colorants and curves: converting
// through it would only add rounding.
bool IsSrgb(cmsHPROFILE p) {
    for (const Colorant& c : kSrgbColorants) {
        const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(p, c.tag));
        if (!xyz || std::fabs(xyz->X - c.x) > 0.002 || std::fabs(xyz->Y - c.y) > 0.002 ||
            std::fabs(xyz->Z - c.z) > 0.002)
            return false;
    }
    for (const cmsTagSignature tag : {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag}) {
        const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(p, tag));
        if (!curve) return false;
        for (int i = 0; i <= 16; ++i) {
            const double v = i / 16.0;
            if (std::fabs(cmsEvalToneCurveFloat(curve, static_cast<cmsFloat32Number>(v)) - SrgbDecode(v)) > 0.002)
                return false;
        }
    }
    // Tables for other intents would make it more than a matrix profile.
    return !cmsIsTag(p, cmsSigAToB0Tag) && !cmsIsTag(p, cmsSigBToA0Tag);
}

using Matrix3 = std::array<double, 9>;

// A matrix profile's colorants as the columns of its matrix to XYZ (D50).
bool ColorantMatrix(cmsHPROFILE p, Matrix3& m) {
    const cmsTagSignature tags[3] = {cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag};
    for (int c = 0; c < 3; ++c) {
        const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(p, tags[c]));
        if (!xyz) return false;
        m[static_cast<size_t>(c)] = xyz->X;
        m[static_cast<size_t>(3 + c)] = xyz->Y;
        m[static_cast<size_t>(6 + c)] = xyz->Z;
    }
    return true;
}

bool Inverted(const Matrix3& a, Matrix3& inv) {
    const double det = a[0] * (a[4] * a[8] - a[5] * a[7]) - a[1] * (a[3] * a[8] - a[5] * a[6]) +
                       a[2] * (a[3] * a[7] - a[4] * a[6]);
    if (std::fabs(det) < 1e-12) return false;
    inv = {(a[4] * a[8] - a[5] * a[7]) / det, (a[2] * a[7] - a[1] * a[8]) / det, (a[1] * a[5] - a[2] * a[4]) / det,
           (a[5] * a[6] - a[3] * a[8]) / det, (a[0] * a[8] - a[2] * a[6]) / det, (a[2] * a[3] - a[0] * a[5]) / det,
           (a[3] * a[7] - a[4] * a[6]) / det, (a[1] * a[6] - a[0] * a[7]) / det, (a[0] * a[4] - a[1] * a[3]) / det};
    return true;
}

// The matrix from a matrix profile's primaries to sRGB's, in linear light
// (both through XYZ at D50, as the profiles hold their colorants).
bool MatrixToSrgb(cmsHPROFILE in, float out[9]) {
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    Matrix3 from{}, to{}, back{};
    const bool ok = srgb && ColorantMatrix(in, from) && ColorantMatrix(srgb, to) && Inverted(to, back);
    if (srgb) cmsCloseProfile(srgb);
    if (!ok) return false;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            double v = 0;
            for (int k = 0; k < 3; ++k) v += back[static_cast<size_t>(3 * r + k)] * from[static_cast<size_t>(3 * k + c)];
            out[3 * r + c] = static_cast<float>(v);
        }
    return true;
}

// The table and matrix conversion of a matrix profile, when it is one and
// has no tables of its own for the intent (they would come first).
bool MakeMatrixConversion(cmsHPROFILE in, MatrixConversion& conversion) {
    if (!cmsIsMatrixShaper(in) || cmsIsCLUT(in, INTENT_PERCEPTUAL, LCMS_USED_AS_INPUT)) return false;
    const cmsTagSignature tags[3] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
    float light[3][256], matrix[9];
    for (int c = 0; c < 3; ++c) {
        const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(in, tags[c]));
        if (!curve) return false;
        for (int v = 0; v < 256; ++v) light[c][v] = cmsEvalToneCurveFloat(curve, static_cast<cmsFloat32Number>(v / 255.0));
    }
    return MatrixToSrgb(in, matrix) && MakeSteps(conversion, light, matrix);
}

// A Little CMS transform from `in` to the destination (sRGB or the
// display's profile). The cells are 32-bit pixels, blue first, the fourth
// byte unused: converted in place, that byte is left alone. No cache of the
// last pixel, so that one transform may serve several threads.
void MakeLcmsTransform(KeptTransform& entry, cmsHPROFILE in) {
    cmsHPROFILE out = OpenDestination();
    if (!out) return;
    entry.transform = cmsCreateTransform(in, TYPE_BGRA_8, out, TYPE_BGRA_8, INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE);
    cmsCloseProfile(out);
}

// A grey picture's profile: its 256 greys converted once, each channel of a
// pixel (all three alike in a grey picture) through its own table.
void MakeGreyTables(KeptTransform& entry, cmsHPROFILE in) {
    cmsHPROFILE out = OpenDestination();
    if (!out) return;
    cmsHTRANSFORM grey = cmsCreateTransform(in, TYPE_GRAY_8, out, TYPE_RGB_8, INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE);
    cmsCloseProfile(out);
    if (!grey) return;
    uint8_t levels[256], colours[256 * 3];
    for (int v = 0; v < 256; ++v) levels[v] = static_cast<uint8_t>(v);
    cmsDoTransform(grey, levels, colours, 256);
    cmsDeleteTransform(grey);
    for (int v = 0; v < 256; ++v)
        for (int c = 0; c < 3; ++c) entry.channelTables[c][v] = colours[3 * v + c];
    entry.useChannelTables = true;
}

// The conversion for an embedded profile: none when it is sRGB's (and the
// display is too) or cannot be used.
void MakeIccTransform(KeptTransform& entry, const std::string& bytes) {
    cmsHPROFILE in = cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size()));
    if (!in) return;
    if (cmsGetColorSpace(in) == cmsSigGrayData) {
        MakeGreyTables(entry, in);
    } else if (cmsGetColorSpace(in) == cmsSigRgbData && (ToDisplay() || !IsSrgb(in))) {
        entry.useMatrix = !ToDisplay() && MakeMatrixConversion(in, entry.conversion);
        if (!entry.useMatrix) MakeLcmsTransform(entry, in);
    }
    cmsCloseProfile(in);
}

// --- nclx: colours described by code points ---------------------------------
// ISO/IEC 23091-2 colour primaries: red, green, blue and white, as xy.
struct Primaries {
    double rx, ry, gx, gy, bx, by, wx, wy;
};
bool PrimariesFor(int32_t code, Primaries& p) {
    switch (code) {
        case 1: case 2: p = {0.640, 0.330, 0.300, 0.600, 0.150, 0.060, 0.3127, 0.3290}; return true;  // BT.709, unspecified
        case 4: p = {0.670, 0.330, 0.210, 0.710, 0.140, 0.080, 0.310, 0.316}; return true;   // BT.470 M
        case 5: p = {0.640, 0.330, 0.290, 0.600, 0.150, 0.060, 0.3127, 0.3290}; return true;  // BT.470 B/G
        case 6: case 7: p = {0.630, 0.340, 0.310, 0.595, 0.155, 0.070, 0.3127, 0.3290}; return true;  // SMPTE 170M/240M
        case 9: p = {0.708, 0.292, 0.170, 0.797, 0.131, 0.046, 0.3127, 0.3290}; return true;  // BT.2020
        case 11: p = {0.680, 0.320, 0.265, 0.690, 0.150, 0.060, 0.314, 0.351}; return true;   // DCI-P3
        case 12: p = {0.680, 0.320, 0.265, 0.690, 0.150, 0.060, 0.3127, 0.3290}; return true;  // Display P3
        case 22: p = {0.630, 0.340, 0.295, 0.605, 0.155, 0.077, 0.3127, 0.3290}; return true;  // EBU 3213
        default: return false;
    }
}

constexpr int32_t kTransferPq = 16, kTransferHlg = 18;

// The curve from code values to light for the SDR transfer characteristics.
// The camera curves of BT.709, BT.601 and BT.2020 (1, 6, 14, 15) are shown as
// sRGB, as every display of such pictures does; unknown ones likewise.
cmsToneCurve* CurveFor(int32_t transfer) {
    switch (transfer) {
        case 4: return cmsBuildGamma(nullptr, 2.2);
        case 5: return cmsBuildGamma(nullptr, 2.8);
        case 8: return cmsBuildGamma(nullptr, 1.0);
        default: {
            const cmsFloat64Number srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
            return cmsBuildParametricToneCurve(nullptr, 4, srgb);
        }
    }
}

cmsHPROFILE RgbProfile(const Primaries& p, cmsToneCurve* curve) {
    if (!curve) return nullptr;
    const cmsCIExyY white = {p.wx, p.wy, 1.0};
    const cmsCIExyYTRIPLE colorants = {{p.rx, p.ry, 1.0}, {p.gx, p.gy, 1.0}, {p.bx, p.by, 1.0}};
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &colorants, curves);
    cmsFreeToneCurve(curve);
    return profile;
}

// SMPTE ST 2084 (PQ): code value (0..1) to light in cd/m2, and back.
constexpr double kPqM1 = 2610.0 / 16384, kPqM2 = 2523.0 / 4096 * 128, kPqC1 = 3424.0 / 4096,
                 kPqC2 = 2413.0 / 4096 * 32, kPqC3 = 2392.0 / 4096 * 32;
double PqToNits(double e) {
    const double p = std::pow(std::clamp(e, 0.0, 1.0), 1 / kPqM2);
    return 10000 * std::pow(std::max(p - kPqC1, 0.0) / (kPqC2 - kPqC3 * p), 1 / kPqM1);
}
double NitsToPq(double nits) {
    const double y = std::pow(std::clamp(nits / 10000, 0.0, 1.0), kPqM1);
    return std::pow((kPqC1 + kPqC2 * y) / (1 + kPqC3 * y), kPqM2);
}

// HLG (BT.2100): code value to display light in cd/m2 on a 1000 cd/m2
// display, the system gamma of 1.2 applied per component (a grey-preserving
// simplification of the luminance-based OOTF).
double HlgToNits(double e) {
    constexpr double a = 0.17883277, b = 0.28466892, c = 0.55991073;
    e = std::clamp(e, 0.0, 1.0);
    const double scene = e <= 0.5 ? e * e / 3 : (std::exp((e - c) / a) + b) / 12;
    return 1000 * std::pow(scene, 1.2);
}

// The light a page shows for a picture of a high dynamic range, relative to
// the page's white (0..1): the BT.2390 EETF in PQ space, from a mastering
// peak of 1000 cd/m2 to the 203 cd/m2 of BT.2408's reference white, which
// becomes the page's white. Light up to about 100 cd/m2 is kept as it is;
// brighter light rolls off smoothly into the highlights instead of being cut.
constexpr double kSourcePeak = 1000, kPageWhite = 203;
double ToneMapped(double nits) {
    const double sourceMax = NitsToPq(kSourcePeak), sourceMin = NitsToPq(0);
    const double e1 = (NitsToPq(nits) - sourceMin) / (sourceMax - sourceMin);
    const double maxLum = (NitsToPq(kPageWhite) - sourceMin) / (sourceMax - sourceMin);
    const double ks = 1.5 * maxLum - 0.5;
    double e2 = std::min(e1, 1.0);
    if (e2 > ks) {
        // The Hermite spline of the knee.
        const double t = (e2 - ks) / (1 - ks), t2 = t * t, t3 = t2 * t;
        e2 = (2 * t3 - 3 * t2 + 1) * ks + (t3 - 2 * t2 + t) * (1 - ks) + (-2 * t3 + 3 * t2) * maxLum;
    }
    const double shown = PqToNits(e2 * (sourceMax - sourceMin) + sourceMin);
    return std::clamp(shown / kPageWhite, 0.0, 1.0);
}

// PQ's or HLG's code values to the page's light, tone-mapped.
cmsToneCurve* ToneMappedCurve(int32_t transfer) {
    cmsFloat32Number light[256];
    for (int v = 0; v < 256; ++v) {
        const double e = v / 255.0;
        light[v] = static_cast<cmsFloat32Number>(ToneMapped(transfer == kTransferPq ? PqToNits(e) : HlgToNits(e)));
    }
    return cmsBuildTabulatedToneCurveFloat(nullptr, 256, light);
}

// sRGB pictures (those that describe nothing, and nclx codes of sRGB's
// primaries and curve): converted only to a display that is not sRGB.
void MakeSrgbTransform(KeptTransform& entry) {
    cmsHPROFILE in = cmsCreate_sRGBProfile();
    if (!in) return;
    MakeLcmsTransform(entry, in);
    cmsCloseProfile(in);
}

// The conversion of pictures described by nclx codes, through a profile
// made of their primaries and curve; for PQ and HLG the curve is the tone
// mapping's, from code values to the page's light.
void MakeNclxTransform(KeptTransform& entry, int32_t primaries, int32_t transfer) {
    Primaries p;
    if (!PrimariesFor(primaries, p)) primaries = 1, PrimariesFor(1, p);
    const bool hdr = transfer == kTransferPq || transfer == kTransferHlg;
    // BT.709 primaries with an SDR curve are sRGB's own.
    if (!hdr && (primaries == 1 || primaries == 2) && transfer != 4 && transfer != 5 && transfer != 8) {
        if (ToDisplay()) MakeSrgbTransform(entry);
        return;
    }
    cmsHPROFILE in = RgbProfile(p, hdr ? ToneMappedCurve(transfer) : CurveFor(transfer));
    if (!in) return;
    entry.useMatrix = !ToDisplay() && MakeMatrixConversion(in, entry.conversion);
    if (!entry.useMatrix) MakeLcmsTransform(entry, in);
    cmsCloseProfile(in);
}

// The kept conversion for what the facts describe, made when it is new: the
// ICC profile when the file has one, else its nclx codes, else sRGB's (to a
// display that is not sRGB).
const KeptTransform* TransformFor(const PictureFacts& facts) {
    static std::once_flag quiet;
    std::call_once(quiet, [] { cmsSetLogErrorHandler(&IgnoreLcmsMessage); });
    const bool icc = !facts.iccProfile.empty();
    if (!icc && !facts.hasNclx && !ToDisplay()) return nullptr;
    const std::string key = icc              ? "icc:" + std::string(facts.iccProfile.begin(), facts.iccProfile.end())
                            : facts.hasNclx ? "nclx:" + std::to_string(facts.nclx[0]) + ":" + std::to_string(facts.nclx[1])
                                            : "srgb";
    std::list<KeptTransform>& kept = Kept();
    for (auto it = kept.begin(); it != kept.end(); ++it) {
        if (it->key != key) continue;
        kept.splice(kept.begin(), kept, it);  // most recent first
        return &*it;
    }
    kept.emplace_front();
    KeptTransform& entry = kept.front();
    entry.key = key;
    if (icc)
        MakeIccTransform(entry, std::string(facts.iccProfile.begin(), facts.iccProfile.end()));
    else if (facts.hasNclx)
        MakeNclxTransform(entry, facts.nclx[0], facts.nclx[1]);
    else
        MakeSrgbTransform(entry);
    if (kept.size() > kTransformsKept) {
        if (kept.back().transform) cmsDeleteTransform(kept.back().transform);
        kept.pop_back();
    }
    return &entry;
}

constexpr int32_t kSumShift = kMatrixBits + kLightBits - kEncodeBits;

// One pixel, as the vector code below does four.
inline uint32_t ConvertedPixel(const MatrixConversion& c, const uint8_t* encode, uint32_t p) {
    const int16_t* m = c.matrixSteps;
    const int32_t r = c.lightSteps[0][(p >> 16) & 0xFF], g = c.lightSteps[1][(p >> 8) & 0xFF],
                  b = c.lightSteps[2][p & 0xFF];
    auto code = [encode](int32_t sum) {
        return static_cast<uint32_t>(encode[std::clamp((sum + (1 << (kSumShift - 1))) >> kSumShift, 0, kEncodeSteps)]);
    };
    return (p & 0xFF000000u) | code(m[0] * r + m[1] * g + m[2] * b) << 16 | code(m[3] * r + m[4] * g + m[5] * b) << 8 |
           code(m[6] * r + m[7] * g + m[8] * b);
}

#if defined(__i386__) || defined(__x86_64__)
// Four pixels at a time with SSE2: the light of red and green interleaved
// and of blue beside zeros, so that each output channel is two
// multiply-and-add steps of pairs. The same arithmetic as ConvertedPixel, to
// the bit. Compiled for SSE2 even where the build's baseline lacks it (the
// 32-bit build), and used only where the processor has it. The 32-bit
// Windows ABI keeps stacks aligned to 4 bytes only (threads start so), and
// the vector registers spilled to the stack need 16: the stack is realigned
// on the way in.
__attribute__((target("sse2"), force_align_arg_pointer)) void ConvertRowsSse2(const MatrixConversion& c, const uint8_t* encode,
                                                     TBitmap0& cell, int32_t x0, int32_t y0, int32_t x1,
                                                     int32_t y1) {
    const int16_t* m = c.matrixSteps;
    const int16_t* lr = c.lightSteps[0];
    const int16_t* lg = c.lightSteps[1];
    const int16_t* lb = c.lightSteps[2];
    __m128i rgCoefficients[3], bCoefficients[3];
    for (int k = 0; k < 3; ++k) {
        rgCoefficients[k] = _mm_set1_epi32(static_cast<int32_t>(static_cast<uint16_t>(m[3 * k])) |
                                           static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(m[3 * k + 1])) << 16));
        bCoefficients[k] = _mm_set1_epi32(static_cast<uint16_t>(m[3 * k + 2]));
    }
    const __m128i half = _mm_set1_epi32(1 << (kSumShift - 1));
    const __m128i zero = _mm_setzero_si128(), top = _mm_set1_epi16(static_cast<int16_t>(kEncodeSteps));
    alignas(16) int16_t steps[16];
    for (int32_t y = y0; y < y1; ++y) {
        uint32_t* row = cell.Row(y);
        int32_t x = x0;
        for (; x + 4 <= x1; x += 4) {
            const uint32_t p0 = row[x], p1 = row[x + 1], p2 = row[x + 2], p3 = row[x + 3];
            const __m128i rg = _mm_setr_epi16(lr[(p0 >> 16) & 0xFF], lg[(p0 >> 8) & 0xFF], lr[(p1 >> 16) & 0xFF],
                                              lg[(p1 >> 8) & 0xFF], lr[(p2 >> 16) & 0xFF], lg[(p2 >> 8) & 0xFF],
                                              lr[(p3 >> 16) & 0xFF], lg[(p3 >> 8) & 0xFF]);
            const __m128i b = _mm_setr_epi16(lb[p0 & 0xFF], 0, lb[p1 & 0xFF], 0, lb[p2 & 0xFF], 0, lb[p3 & 0xFF], 0);
            __m128i sums[3];
            for (int k = 0; k < 3; ++k)
                sums[k] = _mm_srai_epi32(_mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(rg, rgCoefficients[k]),
                                                                     _mm_madd_epi16(b, bCoefficients[k])),
                                                       half),
                                         kSumShift);
            // Saturated to 16 bits, then into the table's range.
            const __m128i redGreen = _mm_min_epi16(_mm_max_epi16(_mm_packs_epi32(sums[0], sums[1]), zero), top);
            const __m128i blue = _mm_min_epi16(_mm_max_epi16(_mm_packs_epi32(sums[2], sums[2]), zero), top);
            _mm_store_si128(reinterpret_cast<__m128i*>(steps), redGreen);
            _mm_store_si128(reinterpret_cast<__m128i*>(steps + 8), blue);
            const uint32_t p[4] = {p0, p1, p2, p3};
            for (int i = 0; i < 4; ++i)
                row[x + i] = (p[i] & 0xFF000000u) | static_cast<uint32_t>(encode[steps[i]]) << 16 |
                             static_cast<uint32_t>(encode[steps[4 + i]]) << 8 | encode[steps[8 + i]];
        }
        for (; x < x1; ++x) row[x] = ConvertedPixel(c, encode, row[x]);
    }
}
#endif

void ConvertByMatrix(const MatrixConversion& c, TBitmap0& cell, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    const uint8_t* encode = SrgbEncodeTable();
#if defined(__i386__) || defined(__x86_64__)
    if (__builtin_cpu_supports("sse2")) {
        ConvertRowsSse2(c, encode, cell, x0, y0, x1, y1);
        return;
    }
#endif
    for (int32_t y = y0; y < y1; ++y) {
        uint32_t* row = cell.Row(y);
        for (int32_t x = x0; x < x1; ++x) row[x] = ConvertedPixel(c, encode, row[x]);
    }
}

void ConvertByChannelTables(const uint8_t (&tables)[3][256], TBitmap0& cell, int32_t x0, int32_t y0, int32_t x1,
                            int32_t y1) {
    for (int32_t y = y0; y < y1; ++y) {
        uint32_t* row = cell.Row(y);
        for (int32_t x = x0; x < x1; ++x) {
            const uint32_t p = row[x];
            row[x] = (p & 0xFF000000u) | static_cast<uint32_t>(tables[0][(p >> 16) & 0xFF]) << 16 |
                     static_cast<uint32_t>(tables[1][(p >> 8) & 0xFF]) << 8 | tables[2][p & 0xFF];
        }
    }
}
}  // namespace

bool ConvertFittedColours(TBitmap0& cell, const PictureFacts& facts) {
    if (!cell.Pixels()) return false;
    const int32_t x0 = std::max(0, cell.FittedX), y0 = std::max(0, cell.FittedY);
    const int32_t x1 = std::min(cell.Width(), cell.FittedX + cell.FittedW);
    const int32_t y1 = std::min(cell.Height(), cell.FittedY + cell.FittedH);
    if (x1 <= x0 || y1 <= y0) return false;
    std::lock_guard<std::mutex> hold(TransformLock());
    const KeptTransform* t = TransformFor(facts);
    if (!t || (!t->useMatrix && !t->useChannelTables && !t->transform)) return false;
    if (t->useMatrix) {
        ConvertByMatrix(t->conversion, cell, x0, y0, x1, y1);
        return true;
    }
    if (t->useChannelTables) {
        ConvertByChannelTables(t->channelTables, cell, x0, y0, x1, y1);
        return true;
    }
    const cmsUInt32Number stride = static_cast<cmsUInt32Number>(cell.Width()) * 4;
    uint32_t* first = cell.Row(y0) + x0;
    cmsDoTransformLineStride(t->transform, first, first, static_cast<cmsUInt32Number>(x1 - x0),
                             static_cast<cmsUInt32Number>(y1 - y0), stride, stride, 0, 0);
    return true;
}

namespace {
void ForgetTransforms() {
    for (const KeptTransform& k : Kept())
        if (k.transform) cmsDeleteTransform(k.transform);
    Kept().clear();
}
}  // namespace

void ReleaseColourTransforms() {
    std::lock_guard<std::mutex> hold(TransformLock());
    ForgetTransforms();
}

bool SetDisplayProfile(const std::vector<uint8_t>& profile) {
    bool use = false;
    if (!profile.empty()) {
        cmsHPROFILE p = cmsOpenProfileFromMem(profile.data(), static_cast<cmsUInt32Number>(profile.size()));
        // A display profile must describe RGB and convert to it; one with
        // sRGB's own colorants and curves changes nothing.
        use = p && cmsGetColorSpace(p) == cmsSigRgbData &&
              cmsIsIntentSupported(p, INTENT_PERCEPTUAL, LCMS_USED_AS_OUTPUT) && !IsSrgb(p);
        if (p) cmsCloseProfile(p);
    }
    std::lock_guard<std::mutex> hold(TransformLock());
    if ((use ? profile : std::vector<uint8_t>()) != DisplayProfile()) {
        ForgetTransforms();
        DisplayProfile() = use ? profile : std::vector<uint8_t>();
    }
    return use;
}
