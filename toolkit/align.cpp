// Alignment and anchors: a control's align and anchor settings, the rules anchors keep
// against the container's size, scaling, and a windowed container aligning its children.
#include "core/component/reader.h"
#include "toolkit/win_control.h"

#include <algorithm>

namespace vell::tk {

void TControl::SetAlign(TAlign Value) {
    if (FAlign == Value) return;
    TAlign old = FAlign;
    FAlign = Value;
    FAnchors = [Value] {
        switch (Value) {
        case alTop:
            return TAnchors{akLeft, akTop, akRight};
        case alBottom:
            return TAnchors{akLeft, akRight, akBottom};
        case alLeft:
            return TAnchors{akLeft, akTop, akBottom};
        case alRight:
            return TAnchors{akRight, akTop, akBottom};
        case alClient:
            return TAnchors{akLeft, akTop, akRight, akBottom};
        default:
            return kDefaultAnchors;
        }
    }();
    // Leaving alignment puts the control back where it was before.
    if (old != alNone && Value == alNone && !InState(csLoading) &&
        FExplicitBounds.right > FExplicitBounds.left)
        SetBounds(FExplicitBounds.left, FExplicitBounds.top, FExplicitBounds.right - FExplicitBounds.left,
                  FExplicitBounds.bottom - FExplicitBounds.top);
    UpdateAnchorRules();
    RequestAlign();
}

void TControl::SetAnchors(TAnchors Value) {
    if (FAnchors == Value) return;
    FAnchors = Value;
    UpdateAnchorRules();
}

void TControl::SetAlignWithMargins(bool Value) {
    if (FAlignWithMargins == Value) return;
    FAlignWithMargins = Value;
    RequestAlign();
}

void TControl::ReplaceConstraints(TSizeConstraints* Value) {
    TSizeConstraints* next = Value ? Value : FOwnConstraints.get();
    if (next == FConstraints) return;
    next->Assign(FConstraints);
    next->OnChange = FConstraints->OnChange;
    FConstraints = next;
}

void TControl::UpdateAnchorRules() {
    if (FAnchorMove) return;
    if (!FParent || FAnchors == kDefaultAnchors) {
        FOriginalParentSize = POINT{0, 0};
        return;
    }
    ComputeAnchorRules();
    POINT size{0, 0};
    FParent->UpdateControlOriginalParentSize(this, size);
    FOriginalParentSize = size;
}

void TControl::ComputeAnchorRules() {
    if (FAnchors.has(akRight))
        FAnchorRules.x = FAnchors.has(akLeft) ? FWidth : FLeft;
    else
        FAnchorRules.x = FLeft + FWidth / 2;
    if (FAnchors.has(akBottom))
        FAnchorRules.y = FAnchors.has(akTop) ? FHeight : FTop;
    else
        FAnchorRules.y = FTop + FHeight / 2;
}

void TControl::RequestAlign() {
    if (FParent && Container() == FParent) FParent->AlignControl(this);
    ToolkitHooks().AlignRequested(this);
}

void TControl::ChangeScale(int M, int D) {
    if (D == 0) return;
    int x = ::MulDiv(FLeft, M, D), y = ::MulDiv(FTop, M, D);
    int w = (FControlStyle & csFixedWidth) ? FWidth : ::MulDiv(FLeft + FWidth, M, D) - x;
    int h = (FControlStyle & csFixedHeight) ? FHeight : ::MulDiv(FTop + FHeight, M, D) - y;
    // When the parent still has the size the anchors refer to, the rules are taken again
    // from the scaled bounds (scaling a rounded centre would move the control by a pixel);
    // otherwise the rules themselves are scaled.
    bool rulesMatchBounds = false;
    if (FParent && FAnchors != kDefaultAnchors) {
        POINT ps{0, 0};
        FParent->UpdateControlOriginalParentSize(this, ps);
        rulesMatchBounds = ps.x == FOriginalParentSize.x && ps.y == FOriginalParentSize.y;
    }
    if (!rulesMatchBounds)
        FAnchorRules = POINT{::MulDiv(FAnchorRules.x, M, D), ::MulDiv(FAnchorRules.y, M, D)};
    FOriginalParentSize = POINT{::MulDiv(FOriginalParentSize.x, M, D), ::MulDiv(FOriginalParentSize.y, M, D)};
    FExplicitBounds = RECT{::MulDiv(FExplicitBounds.left, M, D), ::MulDiv(FExplicitBounds.top, M, D),
                           ::MulDiv(FExplicitBounds.right, M, D), ::MulDiv(FExplicitBounds.bottom, M, D)};
    TSizeConstraints* c = FConstraints;
    auto scale = [&](int v) { return ::MulDiv(v, M, D); };
    TSizeConstraints scaled(this);
    scaled.SetMaxWidth(scale(c->MaxWidth()));
    scaled.SetMaxHeight(scale(c->MaxHeight()));
    scaled.SetMinWidth(scale(c->MinWidth()));
    scaled.SetMinHeight(scale(c->MinHeight()));
    auto handler = std::move(c->OnChange);
    c->Assign(&scaled);
    c->OnChange = std::move(handler);
    if (!FParentFont) FFont->SetHeight(::MulDiv(FFont->Height(), M, D));
    FAnchorMove = true;
    try {
        SetBounds(x, y, w, h);
    } catch (...) {
        FAnchorMove = false;
        throw;
    }
    FAnchorMove = false;
    if (rulesMatchBounds) ComputeAnchorRules();
}

void TWinControl::EnableAlign() {
    if (FAlignLevel > 0 && --FAlignLevel == 0 && (FControlState & csAlignmentNeeded)) {
        FControlState &= ~csAlignmentNeeded;
        Realign();
    }
}

void TWinControl::Realign() {
    AlignControl(nullptr);
}

void TWinControl::AlignControl(TControl* AControl) {
    if (InState(csDestroying) || (FControlState & csAligning)) return;
    if (AlignDisabled() || InState(csLoading)) {
        FControlState |= csAlignmentNeeded;
        return;
    }
    DisableAlign();
    try {
        RECT r = GetClientRect();
        AlignControls(AControl, r);
    } catch (...) {
        --FAlignLevel;
        throw;
    }
    --FAlignLevel;
    FControlState &= ~csAlignmentNeeded;
}

void TWinControl::AdjustClientRect(RECT& Rect) const {
    Rect.left += FPadding->Left();
    Rect.top += FPadding->Top();
    Rect.right -= FPadding->Right();
    Rect.bottom -= FPadding->Bottom();
}

void TWinControl::UpdateControlOriginalParentSize(TControl* AControl, POINT& AOriginalParentSize) {
    if (InState(csReading) && FDesignSizeRead) {
        AOriginalParentSize = FDesignSize;
    } else {
        RECT r = GetClientRect();
        AOriginalParentSize = POINT{r.right - r.left, r.bottom - r.top};
    }
    AOriginalParentSize.x -= FPadding->Left() + FPadding->Right();
    AOriginalParentSize.y -= FPadding->Top() + FPadding->Bottom();
}

void TWinControl::AlignControls(TControl* AControl, RECT& Rect) {
    AdjustClientRect(Rect);
    const POINT parentSize{Rect.right - Rect.left, Rect.bottom - Rect.top};
    FControlState |= csAligning;
    struct Guard {
        uint32_t& state;
        ~Guard() { state &= ~csAligning; }
    } guard{FControlState};

    static constexpr TAlign kOrder[] = {alTop, alBottom, alLeft, alRight, alClient, alCustom};
    for (TAlign align : kOrder) {
        std::vector<TControl*> list;
        for (TControl* c : FControls)
            if (c->Align() == align && (c->Visible() || InState(csDesigning))) list.push_back(c);
        // Controls at the same edge keep their order by position; the one that asked goes
        // first among equals.
        auto key = [align](TControl* c) {
            switch (align) {
            case alTop:
                return c->Top();
            case alBottom:
                return -(c->Top() + c->Height());
            case alLeft:
                return c->Left();
            case alRight:
                return -(c->Left() + c->Width());
            default:
                return 0;
            }
        };
        std::stable_sort(list.begin(), list.end(), [&](TControl* a, TControl* b) {
            int ka = key(a), kb = key(b);
            if (ka != kb) return ka < kb;
            return a == AControl && b != AControl;
        });
        for (TControl* c : list) {
            TMargins* m = c->AlignWithMargins() ? c->Margins() : nullptr;
            int ml = m ? m->Left() : 0, mt = m ? m->Top() : 0, mr = m ? m->Right() : 0,
                mb = m ? m->Bottom() : 0;
            int w = c->Width(), h = c->Height();
            int x = c->Left(), y = c->Top();
            int rw = Rect.right - Rect.left - ml - mr, rh = Rect.bottom - Rect.top - mt - mb;
            switch (align) {
            case alTop:
                x = Rect.left + ml, y = Rect.top + mt, w = rw;
                break;
            case alBottom:
                x = Rect.left + ml, y = Rect.bottom - mb - h, w = rw;
                break;
            case alLeft:
                x = Rect.left + ml, y = Rect.top + mt, h = rh;
                break;
            case alRight:
                x = Rect.right - mr - w, y = Rect.top + mt, h = rh;
                break;
            case alClient:
                x = Rect.left + ml, y = Rect.top + mt, w = rw, h = rh;
                break;
            default:
                break;
            }
            if (align == alCustom) continue; // placed by the container's own rules
            c->SetBounds(x, y, std::max(w, 0), std::max(h, 0));
            // Constraints may have refused the size: the space taken is the real one.
            switch (align) {
            case alTop:
                Rect.top += c->Height() + mt + mb;
                break;
            case alBottom:
                Rect.bottom -= c->Height() + mt + mb;
                break;
            case alLeft:
                Rect.left += c->Width() + ml + mr;
                break;
            case alRight:
                Rect.right -= c->Width() + ml + mr;
                break;
            default:
                break;
            }
        }
    }
    for (TControl* c : FControls)
        if (c->Align() == alNone && c->Anchors() != kDefaultAnchors) {
            RECT full{0, 0, parentSize.x, parentSize.y};
            DoPosition(c, full);
        }
}

void TWinControl::DoPosition(TControl* c, const RECT& Rect) {
    POINT orig = c->FOriginalParentSize;
    if (orig.x == 0 && orig.y == 0) return;
    POINT ps{Rect.right - Rect.left, Rect.bottom - Rect.top};
    TAnchors a = c->Anchors();
    int left = c->Left(), top = c->Top(), w = c->Width(), h = c->Height();
    if (a.has(akRight)) {
        if (a.has(akLeft))
            w = ps.x - (orig.x - c->FAnchorRules.x);
        else
            left = c->FAnchorRules.x + (ps.x - orig.x);
    } else if (!a.has(akLeft) && orig.x != 0) {
        left = ::MulDiv(c->FAnchorRules.x, ps.x, orig.x) - w / 2;
    }
    if (a.has(akBottom)) {
        if (a.has(akTop))
            h = ps.y - (orig.y - c->FAnchorRules.y);
        else
            top = c->FAnchorRules.y + (ps.y - orig.y);
    } else if (!a.has(akTop) && orig.y != 0) {
        top = ::MulDiv(c->FAnchorRules.y, ps.y, orig.y) - h / 2;
    }
    c->FAnchorMove = true;
    try {
        c->SetBounds(left, top, std::max(w, 0), std::max(h, 0));
    } catch (...) {
        c->FAnchorMove = false;
        throw;
    }
    c->FAnchorMove = false;
}

} // namespace vell::tk
