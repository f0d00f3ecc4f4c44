#include "imaging/fit.h"

#include "imaging/fit_stretch.h"
#include "imaging/resampler.h"

FitOptions FitOptionsOf(const TBitmap0& dest) {
    FitOptions options;
    options.crop = dest.Crop;
    options.enlarge = dest.Enlarge;
    options.randomPos = dest.RandomPos;
    return options;
}

void DrawFit(TBitmap0& dest, const TBitmap0& source) {
    dest.Fill();
    dest.SetFitted(0, 0, 0, 0);
    if (!source.Pixels()) return;
    const FitPlan plan = PlanFit(dest.Width(), dest.Height(), source.Width(), source.Height(), FitOptionsOf(dest));
    if (plan.mode != FitMode::Nothing) dest.SetFitted(plan.dstX, plan.dstY, plan.dstW, plan.dstH);
    switch (plan.mode) {
        case FitMode::Copy:
            dest.CopyRect(source, plan.srcX, plan.srcY, plan.dstX, plan.dstY, plan.dstX + plan.dstW - 1,
                          plan.dstY + plan.dstH - 1);
            break;
        case FitMode::Resample:
            Resample(source, plan.srcX, plan.srcY, plan.srcW, plan.srcH, dest, plan.dstX, plan.dstY, plan.dstW,
                     plan.dstH, kFilterHermite);
            break;
        case FitMode::Stretch: StretchPicture(dest, source, plan); break;
        case FitMode::Nothing: break;
    }
}
