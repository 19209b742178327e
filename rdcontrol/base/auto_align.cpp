#include "rdcontrol/base/auto_align.h"

#include "toolkit/hooks.h"
#include "core/util/scope_exit.h"

#include <algorithm>
#include <unordered_map>

namespace vell::rd {

using tk::akBottom;
using tk::akLeft;
using tk::akRight;
using tk::akTop;
using tk::TAnchors;

namespace {

std::unordered_map<const tk::TControl*, TRdAutoAlign*>& aligners() {
    static std::unordered_map<const tk::TControl*, TRdAutoAlign*> map;
    return map;
}

// Every control that moves or resizes updates the aligners following it.
class TFollowHooks : public tk::TToolkitHooks {
  public:
    void BoundsChanged(tk::TControl* Control, bool Moved, bool Resized) override {
        Next().BoundsChanged(Control, Moved, Resized);
        if (TRdAutoAlign* own = TRdAutoAlign::Of(Control)) {
            const std::vector<TRdAutoAlign*> followers = own->Childs();
            for (TRdAutoAlign* a : followers)
                if (a->Source() == Control) a->UpdateAlign(false);
            return;
        }
        // A source without an aligner of its own: its followers are found by source.
        std::vector<TRdAutoAlign*> followers;
        for (auto& [control, a] : aligners())
            if (a->Source() == Control) followers.push_back(a);
        for (TRdAutoAlign* a : followers)
            a->UpdateAlign(false);
    }
};

TFollowHooks& followHooks() {
    static TFollowHooks hooks;
    return hooks;
}

int width(const RECT& r) {
    return r.right - r.left;
}
int height(const RECT& r) {
    return r.bottom - r.top;
}

// One axis of a docked edge's neighbour direction: the near anchor follows the source's
// near edge, the far anchor its far edge (growing with it when both are set).
void followAxis(bool Near, bool Far, bool Ignore, int SNear, int SFar, int LFar, int Delta, int SizeDelta,
                int& Pos, int& Size) {
    if (Near) Pos = Ignore ? SNear : Pos + Delta;
    if (Far) {
        if (Near)
            Size += SizeDelta;
        else
            Pos = Ignore ? SFar - Size : Pos + (SFar - LFar);
    }
}

} // namespace

const tk::ClassInfo& TRdAutoAlign::StaticClass() {
    using B = tk::ClassBuilder<TRdAutoAlign>;
    static const tk::ClassInfo info =
        B("TRdAutoAlign", &tk::TComponent::StaticClass())
            .ord("Align", tk::AlignType(), &TRdAutoAlign::Align, &TRdAutoAlign::SetAlign, tk::alBottom)
            .ord("Anchors", tk::AnchorsType(), &TRdAutoAlign::Anchors, &TRdAutoAlign::SetAnchors,
                 std::nullopt, &TRdAutoAlign::IsAnchorsStored)
            .obj("Source", tk::ClassTypeOf<tk::TControl>(), &TRdAutoAlign::Source, &TRdAutoAlign::SetSource)
            .build();
    return info;
}

TAnchors TRdAutoAlign::DefaultAnchors(tk::TAlign Align) {
    switch (Align) {
    case tk::alTop:
        return TAnchors{akLeft, akBottom};
    case tk::alBottom:
        return TAnchors{akLeft, akTop};
    case tk::alLeft:
        return TAnchors{akTop, akRight};
    case tk::alRight:
        return TAnchors{akLeft, akTop};
    case tk::alClient:
        return TAnchors{akLeft, akTop, akRight, akBottom};
    default:
        return TAnchors{akLeft, akTop};
    }
}

TRdAutoAlign* TRdAutoAlign::Of(const tk::TControl* Control) {
    auto it = aligners().find(Control);
    return it == aligners().end() ? nullptr : it->second;
}

TRdAutoAlign::TRdAutoAlign(tk::TControl* AOwner)
    : tk::TComponent(nullptr), FOwner(AOwner), FAnchors(DefaultAnchors(tk::alBottom)),
      FConstraints(std::make_unique<TRdSizeConstraints>(AOwner)) {
    SetName("AutoAlign");
    SetSubComponent(true);
    if (FOwner) {
        FOwner->ReplaceConstraints(FConstraints.get());
        aligners()[FOwner] = this;
    }
}

TRdAutoAlign::~TRdAutoAlign() {
    // Those following the owner follow its source from now on.
    const std::vector<TRdAutoAlign*> childs = FChilds;
    for (TRdAutoAlign* c : childs)
        c->SetSource(FSource);
    for (TRdAutoAlign* c : FChilds)
        c->FSource = nullptr; // a child that refused the source
    FChilds.clear();
    SetSource(nullptr);
    if (FOwner) {
        aligners().erase(FOwner);
        FOwner->ReplaceConstraints(nullptr);
    }
}

bool TRdAutoAlign::InDesigner() const {
    return FOwner && FOwner->InState(tk::csDesigning) && !FOwner->InState(tk::csLoading | tk::csReading);
}

void TRdAutoAlign::Notification(tk::TComponent* AComponent, tk::TOperation Operation) {
    tk::TComponent::Notification(AComponent, Operation);
    if (Operation == tk::TOperation::opRemove && AComponent == FSource) {
        if (TRdAutoAlign* s = Of(FSource)) std::erase(s->FChilds, this);
        FSource = nullptr;
    }
}

// A docked owner is placed by its aligner, not by its own align; its anchors keep the
// side it is docked to.
void TRdAutoAlign::AdjustOwnerAlign() {
    if (!FOwner || FAlign == tk::alNone) return;
    FOwner->SetAlign(tk::alNone);
    TAnchors a = FOwner->Anchors();
    switch (FAlign) {
    case tk::alTop:
    case tk::alBottom:
        a = a - TAnchors{akBottom} + TAnchors{akTop};
        break;
    case tk::alLeft:
    case tk::alRight:
        a = a - TAnchors{akRight} + TAnchors{akLeft};
        break;
    default:
        a = TAnchors{akLeft, akTop};
    }
    FOwner->SetAnchors(a);
}

void TRdAutoAlign::SetSource(tk::TControl* Value) {
    if (Value == FSource) return;
    // Refuse a source that follows, through its own aligners, the owner.
    int steps = 0;
    for (tk::TControl* c = Value; c && steps < 1000; ++steps) {
        if (c == FOwner) return;
        TRdAutoAlign* a = Of(c);
        c = a ? a->FSource : nullptr;
    }
    if (FSource) {
        FSource->RemoveFreeNotification(this);
        if (TRdAutoAlign* s = Of(FSource)) std::erase(s->FChilds, this);
    }
    if (Value) AdjustOwnerAlign();
    FSource = Value;
    if (!FSource) return;
    FSource->FreeNotification(this);
    if (TRdAutoAlign* s = Of(FSource)) s->FChilds.push_back(this);
    FSource_LastRct = FSource->GetBoundsRect();
    UpdateAlign(false);
}

void TRdAutoAlign::SetAlign(tk::TAlign Value) {
    if (FSource) AdjustOwnerAlign();
    if (Value == FAlign) {
        if (InDesigner()) UpdateAlign(true);
        return;
    }
    FAlign = Value;
    FAnchors = DefaultAnchors(Value);
    if (FSource) AdjustOwnerAlign();
    UpdateAlign(InDesigner());
}

void TRdAutoAlign::SetAnchors(TAnchors Value) {
    FAnchors = Value;
    UpdateAlign(false);
}

void TRdAutoAlign::UpdateAlign(bool IgnoreLastRct) {
    if (!FSource || !FOwner || FUpdateAligning || FOwner->InState(tk::csDestroying)) return;
    const RECT S = FSource->GetBoundsRect();
    const RECT L = FSource_LastRct;
    FSource_LastRct = S;
    const int dx = S.left - L.left, dy = S.top - L.top;
    const int dw = width(S) - width(L), dh = height(S) - height(L);
    int x = FOwner->Left(), y = FOwner->Top(), w = FOwner->Width(), h = FOwner->Height();
    RECT m{};
    if (FOwner->AlignWithMargins()) {
        tk::TMargins* mm = FOwner->Margins();
        m = RECT{mm->Left(), mm->Top(), mm->Right(), mm->Bottom()};
    }
    const bool aL = FAnchors.has(akLeft), aT = FAnchors.has(akTop), aR = FAnchors.has(akRight),
               aB = FAnchors.has(akBottom);
    const bool ig = IgnoreLastRct;
    switch (FAlign) {
    case tk::alTop:
        y = S.top - h - m.bottom;
        followAxis(aL, aR, ig, S.left, S.right, L.right, dx, dw, x, w);
        break;
    case tk::alBottom:
        y = S.bottom + m.top;
        followAxis(aL, aR, ig, S.left, S.right, L.right, dx, dw, x, w);
        break;
    case tk::alLeft:
        x = S.left - w - m.right;
        followAxis(aT, aB, ig, S.top, S.bottom, L.bottom, dy, dh, y, h);
        break;
    case tk::alRight:
        x = S.right + m.left;
        followAxis(aT, aB, ig, S.top, S.bottom, L.bottom, dy, dh, y, h);
        break;
    case tk::alClient:
        if (ig) {
            if (aL) x = S.left + m.left;
            if (aT) y = S.top + m.top;
            if (aR) w = width(S) - m.left - m.right;
            if (aB) h = height(S) - m.top - m.bottom;
            break;
        }
        if (aL) x = S.left != L.left ? x + dx : S.left + m.left;
        if (aT) y = S.top != L.top ? y + dy : S.top + m.top;
        if (aR) {
            if (S.right == L.right) {
                if (aL)
                    w = S.right - m.right - x;
                else
                    x = S.right - m.right - w;
            } else if (aL) {
                w += dw;
            } else {
                x += S.right - L.right;
            }
        }
        if (aB) {
            if (S.bottom == L.bottom) {
                if (aT)
                    h = S.bottom - m.bottom - y;
                else
                    y = S.bottom - m.bottom - h;
            } else if (aT) {
                h += dh;
            } else {
                y += S.bottom - L.bottom;
            }
        }
        break;
    case tk::alCustom:
        if (aL) x += dx;
        if (aT) y += dy;
        if (aR) {
            if (aL)
                w += dw;
            else
                x += S.right - L.right;
        }
        if (aB) {
            if (aT)
                h += dh;
            else
                y += S.bottom - L.bottom;
        }
        break;
    default:
        return;
    }
    FlagScope aligning(FUpdateAligning);
    FOwner->SetBounds(x, y, w, h);
}

void TRdAutoAlign::Assign(const tk::TPersistent* Source) {
    auto* s = dynamic_cast<const TRdAutoAlign*>(Source);
    if (!s) {
        tk::TComponent::Assign(Source);
        return;
    }
    SetAlign(s->FAlign);
    SetAnchors(s->FAnchors);
    SetSource(s->FSource);
}

void StartFollowingMoves() {
    tk::InstallToolkitHooks(&followHooks());
}

void StopFollowingMoves() {
    tk::RemoveToolkitHooks(&followHooks());
}

bool TRdAutoAlign::Equals(const TRdAutoAlign& CmpTo) const {
    return FAlign == CmpTo.FAlign && FAnchors == CmpTo.FAnchors && FSource == CmpTo.FSource;
}

} // namespace vell::rd
