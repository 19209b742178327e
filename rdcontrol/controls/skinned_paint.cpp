#include "rdcontrol/controls/skinned_paint.h"
#include "core/color/colors.h"
#include "core/image/errors.h"
#include "platform/image/draw_image.h"
#include "platform/image/png_image.h"
#include "platform/win/handles.h"
#include "rdcontrol/controls/contrast_paint.h"
#include "rdcontrol/controls/layer_form.h"
#include "rdcontrol/controls/skinned_control.h"
#include "rdcontrol/skinstyle/skin_style.h"
#include "toolkit/form.h"
#include "toolkit/hooks.h"
#include "toolkit/stdctrls.h"

#include <windowsx.h>

#include <algorithm>
#include <memory>

namespace vell::rd {

namespace {

DWORD gMainThread = 0;

struct ImageRelease {
    void operator()(image::TPngImage* p) const {
        if (p) p->ReleaseRef();
    }
};
using ImagePtr = std::unique_ptr<image::TPngImage, ImageRelease>;

// A tick count that is never 0 (0 marks a stale buffer).
std::uint32_t validTick() {
    return static_cast<std::uint32_t>(::GetTickCount()) | 1u;
}

void addDirty(TRdSkinClass& S, const RECT& R) {
    RECT u;
    ::UnionRect(&u, &S.DrawBufferRect, &R);
    S.DrawBufferRect = u;
}

void wholeDirty(TRdSkinClass& S, const tk::TControl* C) {
    S.DrawBufferRect = RECT{0, 0, C->Width(), C->Height()};
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

bool isChildWindow(HWND Wnd) {
    return (::GetWindowLongW(Wnd, GWL_STYLE) & WS_CHILD) != 0;
}

// ---- invalidation ----

struct Propagation {
    int Request = 0;             // 0, or one of the private requests
    bool Layered = false;        // inside a layer form: the windows are not invalidated one by one
    RECT* LayerArea = nullptr;   // the area the layer form redraws, in its client coordinates
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
        if (Prop.Request == irSiblingsNow && !(K->ControlState() & tk::csPaintCopy)) ::UpdateWindow(K->Handle());
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
    if (!C->HandleAllocated() || !isChildWindow(C->Handle())) return;
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
        if (above && k->HandleAllocated() && k->IsShowing() && DrawsParentBackground(k)) refreshWindow(k, Area, Prop, 1);
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

// ---- painting ----

// Whether the first W x H pixels of a 32-bit image are all transparent black.
bool transparentBlack(image::TPngImage& Image, int W, int H) {
    for (int y = 0; y < H; ++y) {
        const auto* row = static_cast<const std::uint32_t*>(Image.GetScanline(y));
        if (std::any_of(row, row + W, [](std::uint32_t p) { return p != 0; })) return false;
    }
    return true;
}

void paintSkinned(tk::TWinControl* C, TRdSkinClass& S, HDC D) {
    const int w = C->Width(), h = C->Height();
    if (w <= 0 || h <= 0) return;
    TRdSkinClassDraw& draw = *S.Draw();
    const int scale = draw.DrawScale();
    const int uw = scale != 100 && S.DrawScale_OrgWidth > 0 ? S.DrawScale_OrgWidth : w;
    const int uh = scale != 100 && S.DrawScale_OrgHeight > 0 ? S.DrawScale_OrgHeight : h;
    const bool parentBg = S.DrawParentBg && C->Parent();

    // What lies behind: captured once per background change, blurred once. A background
    // that is transparent throughout adds nothing under the control (a blur of it
    // neither): the control is then drawn as if it had none, and the captured pixels are
    // let go (a window's buffers of that size cost over a megabyte each).
    image::TPngImage* behind = nullptr;
    if (parentBg && !(S.DrawBufferBkgClear && S.DrawBufferBkgTk != 0)) {
        image::TPngImage& bkg = *S.DrawBufferBkg();
        if (TRdSkinClass::GrowDrawBuffer(bkg, w, h)) S.DrawBufferBkgTk = 0;
        const int blur = draw.DrawBkgBlur();
        if (S.DrawBufferBkgTk == 0) {
            bkg.FillRect(RECT{0, 0, w, h}, 0);
            HDC bdc = bkg.CanvasHandle();
            DrawParentBackground(C, bdc);
            ::GdiFlush();
            S.DrawBufferBkgClear = transparentBlack(bkg, w, h);
            if (blur > 0 && !S.DrawBufferBkgClear) {
                image::TPngImage& blurred = *S.EnsureDrawBufferBkgBlur();
                blurred.AssignPng(bkg);
                blurred.UniquePng();
                image::GaussBlur(blurred, blur, w, h, 0, 0);
            }
            S.DrawBufferBkgTk = validTick();
            if (draw.MergeBkg()) S.DrawBufferTk = 0;
            if (S.DrawBufferBkgClear) bkg.Resize(1, 1);
        }
        if (!S.DrawBufferBkgClear) {
            behind = blur > 0 && S.DrawBufferBkgBlur() ? S.DrawBufferBkgBlur() : &bkg;
            ::BitBlt(D, 0, 0, w, h, behind->CanvasHandle(), 0, 0, SRCCOPY);
        }
    }

    // The control's own rendering, redrawn only where it is stale.
    image::TPngImage& buf = *S.DrawBuffer();
    bool whole = TRdSkinClass::GrowDrawBuffer(buf, uw, uh);
    if (S.DrawBufferTk == 0 || whole) {
        RECT region{0, 0, uw, uh};
        if (!whole && scale == 100 && !::IsRectEmpty(&S.DrawBufferRect))
            ::IntersectRect(&region, &region, &S.DrawBufferRect);
        if (!::IsRectEmpty(&region)) {
            HDC bdc = buf.CanvasHandle();
            buf.FillRect(region, 0);
            if (behind && draw.MergeBkg())
                ::BitBlt(bdc, region.left, region.top, region.right - region.left, region.bottom - region.top,
                         behind->CanvasHandle(), region.left, region.top, SRCCOPY);
            int saved = ::SaveDC(bdc);
            ::IntersectClipRect(bdc, region.left, region.top, region.right, region.bottom);
            tk::TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(bdc), 0, 0};
            try {
                C->DefaultPaint(m);
            } catch (...) {
                ::RestoreDC(bdc, saved);
                throw;
            }
            ::RestoreDC(bdc, saved);
            ::GdiFlush();
        }
        S.DrawBufferTk = validTick();
        S.DrawBufferRect = RECT{};
    }

    // Without a background the control's area starts transparent black, and the buffer
    // drawn over that at full opacity is the buffer itself: one copy does both.
    if (!behind) {
        if (draw.DrawAlpha() == 255 && scale == 100 && !draw.DrawGray()) {
            ::BitBlt(D, 0, 0, w, h, buf.CanvasHandle(), 0, 0, SRCCOPY);
            return;
        }
        ::PatBlt(D, 0, 0, w, h, BLACKNESS);
    }
    image::TDrawRectParams p;
    p.DstW = ::MulDiv(uw, scale, 100);
    p.DstH = ::MulDiv(uh, scale, 100);
    p.SrcW = uw;
    p.SrcH = uh;
    p.Alpha = static_cast<std::uint8_t>(draw.DrawAlpha());
    p.Gray = draw.DrawGray();
    p.Smooth = draw.SmoothFilter();
    image::DrawRect(buf, D, p);
}

// ---- the link ----

class TSkinnedPaintHooks final : public tk::TToolkitHooks {
  public:
    void InvalidateWindow(tk::TWinControl* Control, const RECT* Rect, bool Erase) override {
        if (::GetCurrentThreadId() != gMainThread) {
            Next().InvalidateWindow(Control, Rect, Erase);
            return;
        }
        invalidateWindow(Next(), Control, Rect, Erase, 0);
    }

    void PaintMessage(tk::TWinControl* Control, tk::TMessage& Message) override {
        if (TRdSkinClass* s = SkinOf(Control)) {
            SkinnedWindowPaint(Control, *s, Message);
            return;
        }
        Next().PaintMessage(Control, Message);
    }

    void EraseBackground(tk::TWinControl* Control, HDC DC) override {
        if (!DC) return;
        if (dynamic_cast<TRdLayerForm*>(Control) || perPixelLayer(Control)) {
            // Its pixels are what its layer image says: nothing of its own lies behind them.
            RECT r = Control->GetClientRect();
            ::PatBlt(DC, r.left, r.top, r.right - r.left, r.bottom - r.top, BLACKNESS);
            return;
        }
        // A skinned window's paint covers its whole area.
        if (SkinOf(Control)) return;
        const tk::TCustomForm* form = tk::GetParentForm(Control);
        const bool formColoured = Control->Color() == clDefault && form && form != Control;
        const TColor color = Control->BackgroundColor();
        const std::uint8_t alpha = color == clNone ? 255 : ColorAlpha(color);
        RECT r = Control->GetClientRect();
        if (alpha < 255) {
            ::PatBlt(DC, r.left, r.top, r.right - r.left, r.bottom - r.top, BLACKNESS);
            const tk::TCustomForm* f = form ? form : dynamic_cast<const tk::TCustomForm*>(Control);
            const bool layered = f && const_cast<tk::TCustomForm*>(f)->HandleAllocated() &&
                                 (::GetWindowLongW(const_cast<tk::TCustomForm*>(f)->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
            if (!layered) ::PatBlt(DC, r.left, r.top, r.right - r.left, r.bottom - r.top, WHITENESS);
            FillAlphaColor(DC, r, color);
        } else {
            Next().EraseBackground(Control, DC);
        }
        if (formColoured && FormColor2nd() != clNone) FillAlphaColor(DC, r, FormColor2nd());
    }

    void WindowPosChanging(tk::TWinControl* Control, WINDOWPOS& Pos) override {
        if (!SkinOf(Control) && Control->Parent() && Control->HandleAllocated() &&
            !Control->InState(tk::csReading | tk::csDestroying)) {
            RECT wr;
            ::GetWindowRect(Control->Handle(), &wr);
            ::MapWindowPoints(nullptr, ::GetParent(Control->Handle()), reinterpret_cast<POINT*>(&wr), 2);
            const bool moves = !(Pos.flags & SWP_NOMOVE) && (Pos.x != wr.left || Pos.y != wr.top);
            const bool sizes = !(Pos.flags & SWP_NOSIZE) && (Pos.cx != wr.right - wr.left || Pos.cy != wr.bottom - wr.top);
            const bool zorder = !(Pos.flags & SWP_NOZORDER);
            if (moves || sizes || zorder) {
                InvalidateRequest(Control, irSiblings);
                if (sizes && (Pos.cx > wr.right - wr.left || Pos.cy > wr.bottom - wr.top))
                    InvalidateRequest(Control, irChildren);
            } else if (Pos.flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) {
                InvalidateRequest(Control, irChildrenAndSiblings);
            }
        }
        Next().WindowPosChanging(Control, Pos);
    }

    void AlignRequested(tk::TControl* Control) override {
        Next().AlignRequested(Control);
        // A plain window whose alignment was asked for may move or show: the translucent
        // windows around it refresh what they show of it.
        auto* w = dynamic_cast<tk::TWinControl*>(Control);
        if (w && w->HandleAllocated() && !SkinOf(w) && !w->InState(tk::csLoading | tk::csReading | tk::csDestroying))
            InvalidateRequest(w, irChildrenAndSiblings);
    }

    bool PreProcessMessage(tk::TControl* Control, tk::TMessage& Message) override {
        if (auto* w = dynamic_cast<tk::TWinControl*>(Control); w && w->HandleAllocated()) {
            if (TRdSkinClass* s = SkinOf(w)) skinPreProcess(w, *s, Message);
            else if (Message.Msg == WM_WINDOWPOSCHANGED) plainMoved(w, Message);
        }
        return Next().PreProcessMessage(Control, Message);
    }

  private:
    // A form shown through a per-pixel layer image (UpdateLayeredWindow), not through the
    // window's own painting: layered, without the whole-window opacity or colour key of
    // SetLayeredWindowAttributes.
    static bool perPixelLayer(tk::TWinControl* Control) {
        if (!dynamic_cast<tk::TCustomForm*>(Control) || !Control->HandleAllocated()) return false;
        HWND w = Control->Handle();
        return (::GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_LAYERED) && !::GetLayeredWindowAttributes(w, nullptr, nullptr, nullptr);
    }

    // A plain window that moved: the translucent siblings above its new place refresh too.
    static void plainMoved(tk::TWinControl* W, const tk::TMessage& Message) {
        auto* wp = reinterpret_cast<const WINDOWPOS*>(Message.LParam);
        if (!wp || !W->Parent() || W->InState(tk::csReading)) return;
        if ((wp->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE)) InvalidateRequest(W, irSiblings);
    }

    static void skinPreProcess(tk::TWinControl* W, TRdSkinClass& S, tk::TMessage& Message) {
        // A scaled window's mouse points go back to the unscaled control.
        if (const int scale = S.Draw()->DrawScale(); scale != 100 && Message.Msg >= WM_MOUSEMOVE &&
                                                       Message.Msg <= WM_MOUSELAST && Message.Msg != WM_MOUSEWHEEL &&
                                                       Message.Msg != WM_MOUSEHWHEEL) {
            const int x = ::MulDiv(GET_X_LPARAM(Message.LParam), 100, scale);
            const int y = ::MulDiv(GET_Y_LPARAM(Message.LParam), 100, scale);
            Message.LParam = MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
            return;
        }
        switch (Message.Msg) {
        case WM_WINDOWPOSCHANGED: {
            auto* wp = reinterpret_cast<const WINDOWPOS*>(Message.LParam);
            if (!wp) return;
            auto* panel = dynamic_cast<tk::TPanel*>(W);
            const bool selfRepaints = panel && panel->FullRepaint();
            if (wp->flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) {
                S.DrawBufferBkgTk = 0;
                wholeDirty(S, W);
                if (!selfRepaints) InvalidateRequest(W, irChildrenAndSiblings);
                return;
            }
            const bool child = isChildWindow(W->Handle());
            if (child && (wp->flags & (SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER)) == (SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER))
                return;
            if (!child && (wp->flags & SWP_NOSIZE)) return;
            S.DrawBufferBkgTk = 0;
            if (!(wp->flags & SWP_NOSIZE)) S.DrawBufferTk = 0;
            wholeDirty(S, W);
            if (!selfRepaints) W->Invalidate();
            return;
        }
        case tk::CM_SYSCOLORCHANGE:
            if (S.Draw()->OnChanged) S.Draw()->OnChanged(W);
            S.DrawBufferTk = 0;
            S.DrawBufferBkgTk = 0;
            wholeDirty(S, W);
            if (Message.LParam == 2) Message.LParam = 0;
            else ::InvalidateRect(W->Handle(), nullptr, FALSE);
            return;
        default:
            return;
        }
    }
};

TSkinnedPaintHooks& theHooks() {
    static TSkinnedPaintHooks hooks;
    return hooks;
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

void DrawParentBackground(tk::TWinControl* Control, HDC DC) {
    tk::TWinControl* p = Control->Parent();
    if (!p) return;
    const int left = Control->Left(), top = Control->Top();
    const RECT self{left, top, left + Control->Width(), top + Control->Height()};
    int saved = ::SaveDC(DC);
    try {
        // The parent's client origin goes to (-Left, -Top).
        ::OffsetWindowOrgEx(DC, left, top, nullptr);
        ::IntersectClipRect(DC, self.left, self.top, self.right, self.bottom);
        if (!SkinOf(p) && p->Parent() && DrawsParentBackground(p)) DrawParentBackground(p, DC);
        p->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC));
        p->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC));
        // The windowed siblings below the control that overlap it.
        for (int i = 0; i < p->ControlCount(); ++i) {
            auto* k = dynamic_cast<tk::TWinControl*>(p->Controls(i));
            if (!k) continue;
            if (k == Control) break;
            if (!k->Visible() || !k->HandleAllocated()) continue;
            RECT kb = k->GetBoundsRect(), x;
            if (!::IntersectRect(&x, &kb, &self)) continue;
            k->PaintTo(DC, k->Left(), k->Top());
        }
    } catch (...) {
        ::RestoreDC(DC, saved);
        throw;
    }
    ::RestoreDC(DC, saved);
}

namespace {

// The skinned paint onto D; a control too large for its buffers paints plainly instead,
// without the skin's effects, and so does every control in a high-contrast scheme, over a
// solid background in the system's colours.
void paintSkinnedOrPlain(tk::TWinControl* C, TRdSkinClass& S, HDC D) {
    if (HighContrastPaint()) {
        FillContrastBackground(D, C->GetClientRect());
        tk::TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(D), 0, 0};
        C->DefaultPaint(m);
        // Current until the next invalidation (the buffer itself is not used; a change of
        // scheme makes every skin stale).
        S.DrawBufferTk = validTick();
        S.DrawBufferRect = RECT{};
        return;
    }
    try {
        paintSkinned(C, S, D);
    } catch (const image::EPNGOutMemory&) {
        S.DrawBufferTk = 0;
        S.DrawBufferBkgTk = 0;
        tk::TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(D), 0, 0};
        C->DefaultPaint(m);
    }
}

} // namespace

void SkinnedWindowPaint(tk::TWinControl* Control, TRdSkinClass& Skin, tk::TMessage& Message) {
    if (!Skin.DrawBuffer() && !HighContrastPaint()) {
        Control->DefaultPaint(Message);
        return;
    }
    if (HDC dc = reinterpret_cast<HDC>(Message.WParam)) {
        paintSkinnedOrPlain(Control, Skin, dc);
        Message.Result = 0;
        return;
    }
    if (!Control->HandleAllocated()) return;
    win::PaintDC paint(Control->Handle());
    RECT cr;
    ::GetClientRect(Control->Handle(), &cr);
    const int w = std::max<LONG>(cr.right, 1), h = std::max<LONG>(cr.bottom, 1);
    // A 32-bit image, so that what is drawn keeps its alpha until it reaches the window.
    ImagePtr img;
    try {
        img.reset(image::TPngImage::CreateARGB32(w, h, true));
    } catch (const image::EPNGOutMemory&) {
    }
    HDC mem = img ? img->CanvasHandle() : nullptr;
    if (!mem) {
        paintSkinnedOrPlain(Control, Skin, paint.get());
        return;
    }
    ::PatBlt(mem, 0, 0, w, h, BLACKNESS);
    paintSkinnedOrPlain(Control, Skin, mem);
    ::GdiFlush();
    ::BitBlt(paint.get(), 0, 0, w, h, mem, 0, 0, SRCCOPY);
    Message.Result = 0;
}

void FillAlphaColor(HDC DC, const RECT& Rect, TColor Color) {
    if (Color == clNone || ::IsRectEmpty(&Rect)) return;
    const std::uint8_t alpha = ColorAlpha(Color);
    if (alpha == 0) return;
    const std::uint32_t rgb = SkinColorToRGB(Color) & 0xFFFFFF;
    // One premultiplied pixel stretched over the rectangle.
    ImagePtr px(image::TPngImage::CreateARGB32(1, 1, false));
    if (!px) return;
    auto mul = [alpha](std::uint32_t c) { return c * alpha / 255; };
    const std::uint32_t r = rgb & 0xFF, g = (rgb >> 8) & 0xFF, b = (rgb >> 16) & 0xFF;
    px->FillRect(RECT{0, 0, 1, 1}, (std::uint32_t(alpha) << 24) | (mul(r) << 16) | (mul(g) << 8) | mul(b));
    px->SetAlphaPreMultiplied(true);
    image::TDrawRectParams p;
    p.DstX = Rect.left;
    p.DstY = Rect.top;
    p.DstW = Rect.right - Rect.left;
    p.DstH = Rect.bottom - Rect.top;
    p.SrcW = 1;
    p.SrcH = 1;
    p.Smooth = image::psfDefault;
    image::DrawRect(*px, DC, p);
}

void StartSkinnedPainting() {
    gMainThread = ::GetCurrentThreadId();
    tk::InstallToolkitHooks(&theHooks());
}

void StopSkinnedPainting() {
    tk::RemoveToolkitHooks(&theHooks());
}

bool SkinnedPaintingStarted() {
    return theHooks().Installed();
}

} // namespace vell::rd
