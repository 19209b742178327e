#include "rdcontrol/base/size_constraints.h"

#include "toolkit/control.h"

#include <algorithm>

namespace vell::rd {

const tk::ClassInfo& TRdSizeConstraints::StaticClass() {
    using B = tk::ClassBuilder<TRdSizeConstraints>;
    static const tk::ClassInfo info = B("TRdSizeConstraints", &tk::TSizeConstraints::StaticClass())
                                          .ord("MaxBottom", tk::IntegerType(), &TRdSizeConstraints::MaxBottom,
                                               &TRdSizeConstraints::SetMaxBottom, 0)
                                          .ord("MaxRight", tk::IntegerType(), &TRdSizeConstraints::MaxRight,
                                               &TRdSizeConstraints::SetMaxRight, 0)
                                          .build();
    return info;
}

void TRdSizeConstraints::SetMaxRight(int Value) {
    if (Value == FMaxRight) return;
    FMaxRight = Value;
    Change();
}

void TRdSizeConstraints::SetMaxBottom(int Value) {
    if (Value == FMaxBottom) return;
    FMaxBottom = Value;
    Change();
}

void TRdSizeConstraints::Assign(const tk::TPersistent* Source) {
    if (auto* s = dynamic_cast<const TRdSizeConstraints*>(Source)) {
        FMaxRight = s->FMaxRight;
        FMaxBottom = s->FMaxBottom;
    }
    tk::TSizeConstraints::Assign(Source); // the four limits, and one change
}

namespace {
// A limit from an edge: reduces a larger given one, sets a missing one; at least 1 pixel.
void limitBy(int Edge, int Position, int& Max) {
    if (Edge <= 0) return;
    const int limit = std::max(Edge - Position, 1);
    if (Max <= 0 || Max > limit) Max = limit;
}
} // namespace

void TRdSizeConstraints::AdjustLimits(const tk::TControl& Control, int&, int&, int& MaxWidth,
                                      int& MaxHeight) const {
    const POINT at = Control.SizingPosition();
    limitBy(FMaxRight, at.x, MaxWidth);
    limitBy(FMaxBottom, at.y, MaxHeight);
}

} // namespace vell::rd
