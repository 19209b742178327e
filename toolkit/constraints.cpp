#include "toolkit/constraints.h"

#include <algorithm>

namespace vell::tk {

const ClassInfo& TSizeConstraints::StaticClass() {
    static const ClassInfo info =
        ClassBuilder<TSizeConstraints>("TSizeConstraints", &TPersistent::StaticClass())
            .ord("MaxHeight", IntegerType(), &TSizeConstraints::MaxHeight, &TSizeConstraints::SetMaxHeight, 0)
            .ord("MaxWidth", IntegerType(), &TSizeConstraints::MaxWidth, &TSizeConstraints::SetMaxWidth, 0)
            .ord("MinHeight", IntegerType(), &TSizeConstraints::MinHeight, &TSizeConstraints::SetMinHeight, 0)
            .ord("MinWidth", IntegerType(), &TSizeConstraints::MinWidth, &TSizeConstraints::SetMinWidth, 0)
            .build();
    return info;
}

// A maximum below the minimum raises the minimum's partner: limits never contradict.
void TSizeConstraints::SetMaxHeight(int v) {
    if (v == FMaxHeight) return;
    FMaxHeight = std::max(v, 0);
    if (FMaxHeight > 0 && FMaxHeight < FMinHeight) FMinHeight = FMaxHeight;
    Change();
}
void TSizeConstraints::SetMaxWidth(int v) {
    if (v == FMaxWidth) return;
    FMaxWidth = std::max(v, 0);
    if (FMaxWidth > 0 && FMaxWidth < FMinWidth) FMinWidth = FMaxWidth;
    Change();
}
void TSizeConstraints::SetMinHeight(int v) {
    if (v == FMinHeight) return;
    FMinHeight = std::max(v, 0);
    if (FMaxHeight > 0 && FMinHeight > FMaxHeight) FMaxHeight = FMinHeight;
    Change();
}
void TSizeConstraints::SetMinWidth(int v) {
    if (v == FMinWidth) return;
    FMinWidth = std::max(v, 0);
    if (FMaxWidth > 0 && FMinWidth > FMaxWidth) FMaxWidth = FMinWidth;
    Change();
}
void TSizeConstraints::Assign(const TPersistent* Source) {
    auto* s = dynamic_cast<const TSizeConstraints*>(Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    FMinHeight = s->FMinHeight;
    FMaxHeight = s->FMaxHeight;
    FMinWidth = s->FMinWidth;
    FMaxWidth = s->FMaxWidth;
    Change();
}
void TSizeConstraints::Change() {
    if (OnChange) OnChange(this);
}

// ---- TMargins ----

const ClassInfo& TMargins::StaticClass() {
    static const ClassInfo info = ClassBuilder<TMargins>("TMargins", &TPersistent::StaticClass())
                                      .ord("Left", IntegerType(), &TMargins::Left, &TMargins::SetLeft,
                                           std::nullopt, &TMargins::IsLeftStored)
                                      .ord("Top", IntegerType(), &TMargins::Top, &TMargins::SetTop,
                                           std::nullopt, &TMargins::IsTopStored)
                                      .ord("Right", IntegerType(), &TMargins::Right, &TMargins::SetRight,
                                           std::nullopt, &TMargins::IsRightStored)
                                      .ord("Bottom", IntegerType(), &TMargins::Bottom, &TMargins::SetBottom,
                                           std::nullopt, &TMargins::IsBottomStored)
                                      .build();
    return info;
}
void TMargins::set(int& field, int v) {
    if (field == v) return;
    field = v;
    if (OnChange) OnChange(this);
}
void TMargins::SetBounds(int L, int T, int R, int B) {
    if (L == FLeft && T == FTop && R == FRight && B == FBottom) return;
    FLeft = L, FTop = T, FRight = R, FBottom = B;
    if (OnChange) OnChange(this);
}
void TMargins::Assign(const TPersistent* Source) {
    auto* m = dynamic_cast<const TMargins*>(Source);
    if (!m) {
        TPersistent::Assign(Source);
        return;
    }
    SetBounds(m->FLeft, m->FTop, m->FRight, m->FBottom);
}
} // namespace vell::tk
