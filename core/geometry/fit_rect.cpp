#include "core/geometry/fit_rect.h"

#include <cmath>
#include <cstdint>

namespace vell::geometry {

namespace {

// Win32's MulDiv: A * B / C rounded to the nearest, halves away from zero; -1 when C is
// zero or the result does not fit.
int mulDiv(int A, int B, int C) {
    if (C == 0) return -1;
    int64_t p = static_cast<int64_t>(A) * B;
    int64_t c = C;
    if (c < 0) {
        p = -p;
        c = -c;
    }
    const int64_t q = (p >= 0 ? p + c / 2 : p - c / 2) / c;
    return q > INT32_MAX || q < -INT32_MAX ? -1 : static_cast<int>(q);
}

// The picture (Pw x Ph, both positive) at its largest inside the area in its proportions.
void proportional(int Pw, int Ph, int Aw, int Ah, FitRounding Rounding, int& W, int& H) {
    if (Rounding == FitRounding::Nearest) {
        if (static_cast<int64_t>(Aw) * Ph > static_cast<int64_t>(Ah) * Pw) {
            H = Ah;
            W = mulDiv(Pw, Ah, Ph);
        } else {
            W = Aw;
            H = mulDiv(Ph, Aw, Pw);
        }
        return;
    }
    const double r = static_cast<double>(Pw) / Ph;
    if (Pw > Ph) {
        W = Aw;
        H = static_cast<int>(Aw / r);
        if (H > Ah) {
            H = Ah;
            W = static_cast<int>(r * Ah);
        }
    } else {
        H = Ah;
        W = static_cast<int>(r * Ah);
        if (W > Aw) {
            W = Aw;
            H = static_cast<int>(Aw / r);
        }
    }
}

int half(int V, FitRounding Rounding) {
    return Rounding == FitRounding::Truncate ? static_cast<int>(std::floor(V / 2.0)) : V / 2;
}

} // namespace

Rect FitRect(int PictureWidth, int PictureHeight, int AreaWidth, int AreaHeight, FitOptions Options,
             FitRounding Rounding) {
    const int pw = PictureWidth, ph = PictureHeight, aw = AreaWidth, ah = AreaHeight;
    int w = pw, h = ph;
    if (Options.Stretch || (Options.Proportional && (pw > aw || ph > ah))) {
        if (Options.Proportional && pw > 0 && ph > 0) {
            proportional(pw, ph, aw, ah, Rounding, w, h);
        } else {
            w = aw;
            h = ah;
        }
    }
    const int x = Options.Center ? half(aw - w, Rounding) : 0;
    const int y = Options.Center ? half(ah - h, Rounding) : 0;
    return Rect{x, y, x + w, y + h};
}

} // namespace vell::geometry
