#include <windows.h>

#include "imaging/fit_plan.h"
#include "imaging/fit_stretch.h"
#include "imaging/page_compose.h"

void DrawFitGdi(TBitmap0& dest, const TBitmap0& source) {
    dest.Fill();
    if (!dest.DC() || !source.DC()) return;
    FitOptions options;
    options.enlarge = dest.Enlarge;
    options.randomPos =
        dest.RandomPos && source.Width() < dest.Width() && source.Height() < dest.Height();
    const FitPlan plan = PlanFit(dest.Width(), dest.Height(), source.Width(), source.Height(), options);
    switch (plan.mode) {
        case FitMode::Copy:
            dest.BlitRect(source, plan.srcX, plan.srcY, plan.dstX, plan.dstY, plan.dstX + plan.dstW - 1,
                          plan.dstY + plan.dstH - 1);
            GdiFlush();
            break;
        case FitMode::Resample:
        case FitMode::Stretch: StretchPicture(dest, source, plan); break;
        case FitMode::Nothing: break;
    }
}
