// Skinned painting of windowed controls: the pixels behind a translucent window, its own
// rendering through the skin's draw buffer, and the preparation of its messages.
#include "rdcontrol/paint/skinned_paint.h"
#include "core/color/colors.h"
#include "core/image/errors.h"
#include "platform/image/draw_image.h"
#include "platform/image/png_image.h"
#include "platform/win/handles.h"
#include "rdcontrol/paint/contrast_paint.h"
#include "rdcontrol/base/skinned_control.h"
#include "toolkit/stdctrls.h"

#include <windowsx.h>

#include <algorithm>

namespace vell::rd {

namespace {

void wholeDirty(TRdSkinClass& S, const tk::TControl* C) {
    S.DrawBufferRect = RECT{0, 0, C->Width(), C->Height()};
}

// Whether the first W x H pixels of a 32-bit image are all transparent black.
bool transparentBlack(image::TPngImage& Image, int W, int H) {
    for (int y = 0; y < H; ++y) {
        const auto* row = static_cast<const std::uint32_t*>(Image.GetScanline(y));
        if (std::any_of(row, row + W, [](std::uint32_t p) { return p != 0; })) return false;
    }
    return true;
}

void paintSkinned(tk::TWinControl* C, TRdSkinClass& S, HDC D, const TPlainPaint& Plain) {
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
            S.DrawBufferBkgTk = TRdSkinClass::CurrentTick();
            if (draw.MergeBkg()) S.DrawBufferTk = 0;
            if (S.DrawBufferBkgClear) bkg.Resize(1, 1);
        }
        if (!S.DrawBufferBkgClear) {
            behind = blur > 0 && S.DrawBufferBkgBlur() ? S.DrawBufferBkgBlur() : &bkg;
            ::BitBlt(D, 0, 0, w, h, behind->CanvasHandle(), 0, 0, SRCCOPY);
        }
    }

    // The control's own rendering, redrawn only where it is stale.
    S.RenderDrawBuffer(uw, uh, behind && draw.MergeBkg() ? behind : nullptr, [&](HDC DC) {
        tk::TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(DC), 0, 0};
        Plain(m);
    });
    image::TPngImage& buf = *S.DrawBuffer();

    // Without a background the control's area starts transparent black, and the buffer
    // drawn over that at full opacity is the buffer itself: one copy does both.
    if (!behind) {
        if (draw.DrawAlpha() == 255 && scale == 100 && !draw.DrawGray()) {
            ::BitBlt(D, 0, 0, w, h, buf.CanvasHandle(), 0, 0, SRCCOPY);
            return;
        }
        ::PatBlt(D, 0, 0, w, h, BLACKNESS);
    }
    image::DrawRect(buf, D, S.EffectParams(RECT{0, 0, uw, uh}));
}

} // namespace

void DrawParentBackground(tk::TWinControl* Control, HDC DC) {
    tk::TWinControl* p = Control->Parent();
    if (!p) return;
    const int left = Control->Left(), top = Control->Top();
    const RECT self{left, top, left + Control->Width(), top + Control->Height()};
    win::SavedDC saved(DC);
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
}

namespace {

// The skinned paint onto D; a control too large for its buffers paints plainly instead,
// without the skin's effects, and so does every control in a high-contrast scheme, over a
// solid background in the system's colours.
void paintSkinnedOrPlain(tk::TWinControl* C, TRdSkinClass& S, HDC D, const TPlainPaint& Plain) {
    tk::TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(D), 0, 0};
    if (HighContrastPaint()) {
        FillContrastBackground(D, C->GetClientRect());
        Plain(m);
        // Current until the next invalidation (the buffer itself is not used; a change of
        // scheme makes every skin stale).
        S.DrawBufferTk = TRdSkinClass::CurrentTick();
        S.DrawBufferRect = RECT{};
        return;
    }
    try {
        paintSkinned(C, S, D, Plain);
    } catch (const image::EPNGOutMemory&) {
        S.DrawBufferTk = 0;
        S.DrawBufferBkgTk = 0;
        Plain(m);
    }
}

} // namespace

void SkinnedWindowPaint(tk::TWinControl* Control, TRdSkinClass& Skin, tk::TMessage& Message,
                        const TPlainPaint& Plain) {
    if (!Skin.DrawBuffer() && !HighContrastPaint()) {
        Plain(Message);
        return;
    }
    if (HDC dc = reinterpret_cast<HDC>(Message.WParam)) {
        paintSkinnedOrPlain(Control, Skin, dc, Plain);
        Message.Result = 0;
        return;
    }
    if (!Control->HandleAllocated()) return;
    win::PaintDC paint(Control->Handle());
    RECT cr;
    ::GetClientRect(Control->Handle(), &cr);
    const int w = std::max<LONG>(cr.right, 1), h = std::max<LONG>(cr.bottom, 1);
    // A 32-bit image, so that what is drawn keeps its alpha until it reaches the window.
    image::PngRef img;
    try {
        img.reset(image::TPngImage::CreateARGB32(w, h, true));
    } catch (const image::EPNGOutMemory&) {
    }
    HDC mem = img ? img->CanvasHandle() : nullptr;
    if (!mem) {
        paintSkinnedOrPlain(Control, Skin, paint.get(), Plain);
        return;
    }
    ::PatBlt(mem, 0, 0, w, h, BLACKNESS);
    paintSkinnedOrPlain(Control, Skin, mem, Plain);
    ::GdiFlush();
    ::BitBlt(paint.get(), 0, 0, w, h, mem, 0, 0, SRCCOPY);
    Message.Result = 0;
}

void SkinnedWindowPrepare(tk::TWinControl* W, TRdSkinClass& S, tk::TMessage& Message) {
    if (!W->HandleAllocated()) return;
    // A scaled window's mouse points go back to the unscaled control.
    if (const int scale = S.Draw()->DrawScale();
        scale != 100 && Message.Msg >= WM_MOUSEMOVE && Message.Msg <= WM_MOUSELAST &&
        Message.Msg != WM_MOUSEWHEEL && Message.Msg != WM_MOUSEHWHEEL) {
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
        const bool child = IsChildWindow(W->Handle());
        if (child && (wp->flags & (SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER)) ==
                         (SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER))
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
        if (Message.LParam == 2)
            Message.LParam = 0;
        else
            ::InvalidateRect(W->Handle(), nullptr, FALSE);
        return;
    default:
        return;
    }
}

void EraseLayer(tk::TWinControl* Control, HDC DC) {
    // Its pixels are what its layer image says: nothing of its own lies behind them.
    RECT r = Control->GetClientRect();
    ::PatBlt(DC, r.left, r.top, r.right - r.left, r.bottom - r.top, BLACKNESS);
}

void FillAlphaColor(HDC DC, const RECT& Rect, TColor Color) {
    if (Color == clNone || ::IsRectEmpty(&Rect)) return;
    const std::uint8_t alpha = ColorAlpha(Color);
    if (alpha == 0) return;
    const std::uint32_t rgb = SkinColorToRGB(Color) & 0xFFFFFF;
    // One premultiplied pixel stretched over the rectangle.
    image::PngRef px(image::TPngImage::CreateARGB32(1, 1, false));
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
} // namespace vell::rd
