// Painting of the windowless skinned control: plainly onto the DC it is given, or, when
// its skin asks for effects, through the skin's draw buffer (TRdSkinClass::RenderDrawBuffer)
// with its nested children drawn over the buffer on every paint.
#include "rdcontrol/base/graphic_control.h"

#include "core/image/errors.h"
#include "platform/image/draw_image.h"
#include "platform/image/png_image.h"
#include "platform/win/handles.h"
#include "rdcontrol/paint/contrast_paint.h"
#include "toolkit/win_control.h"

namespace vell::rd {

namespace {

// A context that draws into a bitmap of its own (a memory DC with a DIB, an image's DC),
// not the stock 1 x 1 bitmap of a bare memory DC or a window's DC.
bool hasRealBitmap(HDC DC) {
    HGDIOBJ bitmap = ::GetCurrentObject(DC, OBJ_BITMAP);
    if (!bitmap) return false;
    BITMAP info{};
    if (!::GetObjectW(bitmap, sizeof info, &info)) return false;
    return info.bmWidth > 1 || info.bmHeight > 1;
}

RECT unionRect(const RECT& A, const RECT& B) {
    if (::IsRectEmpty(&A)) return B;
    if (::IsRectEmpty(&B)) return A;
    RECT r;
    ::UnionRect(&r, &A, &B);
    return r;
}

// A control marked as painting a copy (into another DC than its window's) for a scope.
class PaintCopyScope {
  public:
    PaintCopyScope(tk::TControl& Control, bool Copy)
        : FControl(Control), FSet(Copy && !(Control.ControlState() & tk::csPaintCopy)) {
        if (FSet) FControl.SetControlState(FControl.ControlState() | tk::csPaintCopy);
    }
    PaintCopyScope(const PaintCopyScope&) = delete;
    PaintCopyScope& operator=(const PaintCopyScope&) = delete;
    ~PaintCopyScope() {
        if (FSet) FControl.SetControlState(FControl.ControlState() & ~tk::csPaintCopy);
    }

  private:
    tk::TControl& FControl;
    bool FSet;
};

// What lies behind a child in DC's clip box, blurred in place.
void blurBehind(HDC DC, int Blur) {
    RECT clip;
    if (::GetClipBox(DC, &clip) == NULLREGION) return;
    const int w = clip.right - clip.left, h = clip.bottom - clip.top;
    image::PngRef bkg(image::TPngImage::CreateBlank(6, 8, w, h, true, false, true, false));
    ::BitBlt(bkg->CanvasHandle(), 0, 0, w, h, DC, clip.left, clip.top, SRCCOPY);
    image::GaussBlur(*bkg, Blur);
    ::BitBlt(DC, clip.left, clip.top, w, h, bkg->CanvasHandle(), 0, 0, SRCCOPY);
}

} // namespace

bool TRdGraphicControl::NeedsEffects() const {
    const TRdSkinClassDraw* d = FAllSkin->Draw();
    return d->DrawAlpha() < 255 || d->DrawScale() != 100 || d->DrawGray() || d->DrawBlur() > 0;
}

void TRdGraphicControl::UpdateOpaque() {
    const TRdSkinClassDraw* d = FAllSkin->Draw();
    if (IsOpaque() && (d->DrawScale() < 100 || d->DrawAlpha() < 255 || d->DrawBlur() > 0))
        SetControlStyle(ControlStyle() & ~tk::csOpaque);
    FAllSkin->DrawBufferTk = 0;
}

// ---- painting ----

void TRdGraphicControl::Invalidate() {
    FAllSkin->DrawBufferTk = 0;
    FAllSkin->DrawBufferRect = GetClientRect();
    tk::TGraphicControl::Invalidate();
}

void TRdGraphicControl::Update() {
    if (FGraphicParent)
        Outermost()->Update();
    else
        tk::TGraphicControl::Update();
}

void TRdGraphicControl::Repaint() {
    if (!Visible() && !InState(tk::csDesigning)) return;
    tk::TWinControl* window = Parent();
    if (!window || !window->HandleAllocated()) return;
    Invalidate();
    Update();
}

void TRdGraphicControl::DrawTo(HDC DstDC, int DstX, int DstY) {
    const DWORD type = ::GetObjectType(DstDC);
    if (type != OBJ_DC && type != OBJ_MEMDC) return;
    PaintCopyScope copy(*this, true);
    win::SavedDC saved(DstDC);
    ::OffsetViewportOrgEx(DstDC, DstX, DstY, nullptr);
    RECT clip;
    if (::IntersectClipRect(DstDC, 0, 0, Width(), Height()) != NULLREGION &&
        ::GetClipBox(DstDC, &clip) != NULLREGION)
        Perform(WM_PAINT, reinterpret_cast<WPARAM>(DstDC));
}

void TRdGraphicControl::PaintNested(HDC DC) {
    if (FControls.empty()) return;
    win::SavedDC outer(DC);
    ::OffsetWindowOrgEx(DC, FScrollX, FScrollY, nullptr);
    const bool copy = ControlState() & tk::csPaintCopy;
    const std::vector<TRdGraphicControl*> list = FControls;
    for (TRdGraphicControl* c : list) {
        if (!c->Visible() && !c->InState(tk::csDesigning)) continue;
        RECT b = c->GetBoundsRect();
        if (!::RectVisible(DC, &b)) continue;
        win::SavedDC saved(DC);
        ::OffsetWindowOrgEx(DC, -c->Left(), -c->Top(), nullptr);
        ::IntersectClipRect(DC, 0, 0, c->Width(), c->Height());
        PaintCopyScope childCopy(*c, copy);
        if (const int blur = c->AllSkin()->Draw()->DrawBkgBlur(); blur > 0) blurBehind(DC, blur);
        c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC));
    }
}

void TRdGraphicControl::PaintOn(HDC DC, bool OwnPaint) {
    tk::TCanvasBinding bound(*Canvas(), DC);
    if (OwnPaint) Paint();
    PaintNested(DC);
    OnPaintFinally(this);
}

void TRdGraphicControl::PaintMessage(HDC D) {
    if (!D || InState(tk::csDestroying)) return;
    TRdSkinClass& skin = *FAllSkin;
    skin.DrawParentBg = !IsOpaque();
    RECT clip;
    if (::GetClipBox(D, &clip) == NULLREGION) return;
    const int w = Width(), h = Height();
    if (w <= 0 || h <= 0) return;
    // A high-contrast scheme paints plainly, without the skin's effects.
    const bool effects = hasRealBitmap(D) && !HighContrastPaint() && (skin.DrawBuffer() || NeedsEffects());
    if (!effects) {
        PaintOn(D, true);
        return;
    }

    skin.CreateDrawBuffer();
    const RECT whole{0, 0, w, h};
    // The part drawn now: what the DC asks for and what went stale.
    RECT region = whole;
    if (skin.Draw()->DrawScale() == 100 && !(skin.DrawBufferTk == 0 && ::IsRectEmpty(&skin.DrawBufferRect))) {
        const RECT asked = unionRect(clip, skin.DrawBufferRect);
        ::IntersectRect(&region, &whole, &asked);
    }
    image::PngRef work;
    try {
        // The control's own painting goes into the buffer; its children are drawn over a
        // copy of it on every paint.
        if (skin.RenderDrawBuffer(w, h, nullptr,
                                  [this](HDC DC) {
                                      tk::TCanvasBinding bound(*Canvas(), DC);
                                      Paint();
                                  })
                .Grown)
            region = whole;
        if (::IsRectEmpty(&region)) return;
        work.reset(image::TPngImage::CreateBlank(6, 8, w, h, true, false, true, false));
    } catch (const image::EPNGOutMemory&) {
        // Too large to buffer: painted plainly, without the skin's effects.
        PaintOn(D, true);
        return;
    }
    work->SetAlphaPreMultiplied(true);
    const int blur = skin.Draw()->DrawBlur();
    const RECT copied = blur > 0 ? whole : region;
    image::CopyBitBlt(*work, *skin.DrawBuffer(), copied.right - copied.left, copied.bottom - copied.top,
                      copied.left, copied.top, copied.left, copied.top);
    {
        HDC wdc = work->CanvasHandle();
        win::SavedDC saved(wdc);
        ::IntersectClipRect(wdc, region.left, region.top, region.right, region.bottom);
        PaintOn(wdc, false);
    }
    ::GdiFlush();
    skin.DrawBufferRect = RECT{};
    if (blur > 0) image::GaussBlur(*work, blur);
    image::DrawRect(*work, D, skin.EffectParams(region));
}

} // namespace vell::rd
