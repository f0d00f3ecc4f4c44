#include "imaging/colour_manage.h"

#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <list>
#include <mutex>
#include <string>

namespace {
// Photos of one camera or phone share their profile: a few conversions kept
// cover a whole album.
constexpr size_t kTransformsKept = 8;

struct KeptTransform {
    std::string profile;                // the profile's bytes
    cmsHTRANSFORM transform = nullptr;  // null: nothing to convert (sRGB, or unusable)
};

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

// The conversion for an embedded profile, null when none is needed or the
// profile cannot be used.
cmsHTRANSFORM MakeTransform(const std::string& bytes) {
    cmsHPROFILE in = cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size()));
    if (!in) return nullptr;
    cmsHTRANSFORM transform = nullptr;
    if (cmsGetColorSpace(in) == cmsSigRgbData && !IsSrgb(in)) {
        cmsHPROFILE out = cmsCreate_sRGBProfile();
        if (out) {
            // The cells are 32-bit pixels, blue first, the fourth byte
            // unused: converted in place, that byte is left alone. No
            // cache of the last pixel, so that one transform may serve
            // several threads.
            transform = cmsCreateTransform(in, TYPE_BGRA_8, out, TYPE_BGRA_8, INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE);
            cmsCloseProfile(out);
        }
    }
    cmsCloseProfile(in);
    return transform;
}

// The kept conversion for the profile, made when it is new.
cmsHTRANSFORM TransformFor(const std::vector<uint8_t>& profile) {
    static std::once_flag quiet;
    std::call_once(quiet, [] { cmsSetLogErrorHandler(&IgnoreLcmsMessage); });
    const std::string key(profile.begin(), profile.end());
    std::list<KeptTransform>& kept = Kept();
    for (auto it = kept.begin(); it != kept.end(); ++it) {
        if (it->profile != key) continue;
        kept.splice(kept.begin(), kept, it);  // most recent first
        return it->transform;
    }
    KeptTransform entry;
    entry.profile = key;
    entry.transform = MakeTransform(key);
    kept.push_front(std::move(entry));
    if (kept.size() > kTransformsKept) {
        if (kept.back().transform) cmsDeleteTransform(kept.back().transform);
        kept.pop_back();
    }
    return kept.front().transform;
}
}  // namespace

bool ConvertFittedToSrgb(TBitmap0& cell, const PictureFacts& facts) {
    if (facts.iccProfile.empty() || !cell.Pixels()) return false;
    const int32_t x0 = std::max(0, cell.FittedX), y0 = std::max(0, cell.FittedY);
    const int32_t x1 = std::min(cell.Width(), cell.FittedX + cell.FittedW);
    const int32_t y1 = std::min(cell.Height(), cell.FittedY + cell.FittedH);
    if (x1 <= x0 || y1 <= y0) return false;
    std::lock_guard<std::mutex> hold(TransformLock());
    const cmsHTRANSFORM transform = TransformFor(facts.iccProfile);
    if (!transform) return false;
    const cmsUInt32Number stride = static_cast<cmsUInt32Number>(cell.Width()) * 4;
    uint32_t* first = cell.Row(y0) + x0;
    cmsDoTransformLineStride(transform, first, first, static_cast<cmsUInt32Number>(x1 - x0),
                             static_cast<cmsUInt32Number>(y1 - y0), stride, stride, 0, 0);
    return true;
}

void ReleaseColourTransforms() {
    std::lock_guard<std::mutex> hold(TransformLock());
    for (const KeptTransform& k : Kept())
        if (k.transform) cmsDeleteTransform(k.transform);
    Kept().clear();
}
