// Invalidation among translucent windows: what a window's change means for the skinned
// windows that show it through.
#include "rdcontrol/paint/skinned_invalidate.h"
#include "core/color/colors.h"
#include "rdcontrol/formskin/layer_form.h"
#include "rdcontrol/base/skinned_control.h"
#include "toolkit/form.h"
#include "toolkit/hooks.h"

#include <algorithm>

namespace vell::rd {

namespace {

void addDirty(TRdSkinClass& S, const RECT& R) {
    RECT u;
    ::UnionRect(&u, &S.DrawBufferRect, &R);
    S.DrawBufferRect = u;
}

RECT screenClient(HWND Wnd) {
    RECT r;
    ::GetClientRect(Wnd, &r);
    ::MapWindowPoints(Wnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TRdLayerForm* layerFormOf(tk::TWinControl* C) {
    if (auto* l = dynamic_cast<TRdLayerForm*>(C)) return l;
    return dynamic_cast<TRdLayerForm*>(tk::GetParentForm(C));
}

struct Propagation {
    int Request = 0;           // 0, or one of the private requests
    bool Layered = false;      // inside a layer form: the windows are not invalidated one by one
    RECT* LayerArea = nullptr; // the area the layer form redraws, in its client coordinates
    // The window an ordinary invalidation with a rectangle started from, and that rectangle
    // (its client coordinates): a blurred child that shows it widens it by its blur.
    tk::TWinControl* Origin = nullptr;
    const RECT* OriginRect = nullptr;
};

void propagateChildren(tk::TWinControl* P, const RECT& Area, Propagation& Prop);

// One window K that shows the area through: its background goes stale over the shared
// part, its window is invalidated there, and its own children follow.
void refreshWindow(tk::TWinControl* K, const RECT& Area, Propagation& Prop, int BlurAbove) {
    RECT ks = screenClient(K->Handle());
    RECT x;
    if (!::IntersectRect(&x, &Area, &ks)) return;
    ::OffsetRect(&x, -ks.left, -ks.top);
    TRdSkinClass* s = SkinOf(K);
    int blur = s ? s->Draw()->DrawBkgBlur() : 0;
    if (blur > BlurAbove) {
        ::InflateRect(&x, blur + 2, blur + 2);
        if (Prop.LayerArea) ::InflateRect(Prop.LayerArea, blur + 2, blur + 2);
        if (Prop.OriginRect) {
            // The blur reads that far around the change: the window it came from repaints
            // the widened area too.
            RECT o = *Prop.OriginRect;
            ::InflateRect(&o, blur + 2, blur + 2);
            ::InvalidateRect(Prop.Origin->Handle(), &o, FALSE);
            if (TRdSkinClass* os = SkinOf(Prop.Origin)) addDirty(*os, o);
        }
    }
    if (s) {
        s->DrawBufferBkgTk = 0;
        addDirty(*s, x);
    }
    if (!Prop.Layered) {
        ::InvalidateRect(K->Handle(), &x, !(K->ControlStyle() & tk::csOpaque));
        if (Prop.Request == irSiblingsNow && !(K->ControlState() & tk::csPaintCopy))
            ::UpdateWindow(K->Handle());
    }
    propagateChildren(K, Area, Prop);
}

void propagateChildren(tk::TWinControl* P, const RECT& Area, Propagation& Prop) {
    for (int i = 0; i < P->ControlCount(); ++i) {
        auto* k = dynamic_cast<tk::TWinControl*>(P->Controls(i));
        if (!k || !k->HandleAllocated() || !k->IsShowing() || !DrawsParentBackground(k)) continue;
        refreshWindow(k, Area, Prop, 0);
    }
}

// The translucent windows above C among its siblings, and above its ancestors among theirs.
void propagateSiblings(tk::TWinControl* C, const RECT& Area, Propagation& Prop) {
    if (!C->HandleAllocated() || !IsChildWindow(C->Handle())) return;
    HWND v = ::GetParent(C->Handle());
    if (!v || ::GetWindowThreadProcessId(v, nullptr) != ::GetCurrentThreadId()) return;
    tk::TWinControl* p = C->Parent() ? C->Parent() : tk::TWinControl::FindControl(v);
    if (!p || !p->IsShowing()) return;
    propagateSiblings(p, Area, Prop);
    bool above = false;
    for (int i = 0; i < p->ControlCount(); ++i) {
        auto* k = dynamic_cast<tk::TWinControl*>(p->Controls(i));
        if (!k) continue;
        if (k == C) {
            above = true;
            continue;
        }
        if (above && k->HandleAllocated() && k->IsShowing() && DrawsParentBackground(k))
            refreshWindow(k, Area, Prop, 1);
    }
}

// Widens a rectangle of a skinned window by its blur and scale.
void widenForSkin(RECT& R, const TRdSkinClass& S) {
    if (int blur = S.Draw()->DrawBlur(); blur > 0) ::InflateRect(&R, blur + 2, blur + 2);
    if (int scale = S.Draw()->DrawScale(); scale != 100) {
        R.left = std::min<LONG>(R.left, ::MulDiv(R.left, scale, 100));
        R.top = std::min<LONG>(R.top, ::MulDiv(R.top, scale, 100));
        R.right = std::max<LONG>(R.right, ::MulDiv(R.right + 1, scale, 100));
        R.bottom = std::max<LONG>(R.bottom, ::MulDiv(R.bottom + 1, scale, 100));
    }
}

// Invalidation of a window: Request 0 for an ordinary one (with Erase), else a private one.
void invalidateWindow(tk::TToolkitHooks& Next, tk::TWinControl* C, const RECT* R, bool Erase, int Request) {
    if (!C->HandleAllocated()) return;
    HWND wnd = C->Handle();
    TRdSkinClass* s = SkinOf(C);
    TRdLayerForm* layer = layerFormOf(C);
    const bool priv = Request != 0;
    RECT r{};
    if (R) {
        r = *R;
        if (s && !priv) widenForSkin(r, *s);
    }
    if (!priv && !(layer && layer != C)) Next.InvalidateWindow(C, R ? &r : nullptr, Erase);

    RECT client;
    ::GetClientRect(wnd, &client);
    RECT a = client;
    if (R && !::IntersectRect(&a, &r, &client)) return;
    if (::IsRectEmpty(&a)) return;
    RECT screen = a;
    ::MapWindowPoints(wnd, nullptr, reinterpret_cast<POINT*>(&screen), 2);
    if (s) {
        s->DrawBufferTk = 0;
        addDirty(*s, a);
    }
    const bool children = Request != irSiblings && Request != irSiblingsNow;
    const bool siblings = Request != irChildren;
    if (!layer) {
        Propagation prop{Request, false, nullptr, C, R && !priv ? &r : nullptr};
        if (children) propagateChildren(C, screen, prop);
        if (siblings) propagateSiblings(C, screen, prop);
        return;
    }
    if (!layer->HandleAllocated()) return;
    RECT la = screen;
    ::MapWindowPoints(nullptr, layer->Handle(), reinterpret_cast<POINT*>(&la), 2);
    Propagation prop{Request, true, &la};
    if (children) propagateChildren(C, screen, prop);
    if (siblings) propagateSiblings(C, screen, prop);
    addDirty(*layer->AllSkin(), la);
    ::InvalidateRect(layer->Handle(), &la, FALSE);
}

} // namespace

bool DrawsParentBackground(const tk::TWinControl* Control) {
    if (TRdSkinClass* s = SkinOf(Control)) return s->DrawParentBg;
    if (dynamic_cast<const tk::TCustomForm*>(Control)) return false;
    const TColor c = Control->Color();
    return c != clDefault && ColorAlpha(c) < 255;
}

void InvalidateRequest(tk::TWinControl* Control, TInvalidateRequest Request) {
    if (!Control || !Control->HandleAllocated()) return;
    invalidateWindow(tk::ToolkitHooks(), Control, nullptr, false, Request);
}

void InvalidateWithNeighbours(tk::TToolkitHooks& Next, tk::TWinControl* Control, const RECT* Rect,
                              bool Erase) {
    invalidateWindow(Next, Control, Rect, Erase, 0);
}

} // namespace vell::rd
