#include "imaging/fit_stretch.h"

void StretchPicture(TBitmap0& dest, const TBitmap0& source, const FitPlan& plan) {
    StretchNearest(dest, source, plan);
}
