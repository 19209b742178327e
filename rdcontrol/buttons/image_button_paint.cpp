// The image button's painting: the background (or the fade), the caption, the icon, the
// busy picture and the check box, in that order, with the paint events between them.
#include "rdcontrol/buttons/image_button.h"

#include "platform/image/draw_image.h"
#include "rdcontrol/paint/contrast_paint.h"
#include "rdcontrol/picture/design_graphic.h"

namespace vell::rd {

void TRdImageButton::Paint() {
    auto alive = AliveFlag();
    if (!FBoundsAdjusting) { // a measuring pass only lays the caption out, on or off a layer
        bool skip = false;
        FShadowPaintHook(this, skip);
        if (skip || !*alive) return;
    }
    tk::TCanvas& canvas = *Canvas();
    const RECT client = GetClientRect();
    canvas.SetFont(Font());
    OnPaint(this);
    if (!*alive) return;
    image::TGraphic* background = Background();
    tk::TColor colour = clDefault;
    switch (FButtonState) {
    case ibsNormal:
        if (FIsMouseOver && FFontHoverColor != clDefault)
            colour = FFontHoverColor;
        else if (Checked())
            colour = FFontCheckedColor;
        break;
    case ibsDown:
        colour = FFontDownColor;
        break;
    case ibsDisabled:
        colour = FFontDisabledColor;
        break;
    case ibsSelected:
        colour = FFontSelectedColor != clDefault ? FFontSelectedColor
                 : Checked()                     ? FFontCheckedColor
                                                 : clDefault;
        break;
    default:
        break;
    }
    if (HighContrastPaint())
        colour = ContrastTextColor(!Enabled()                                ? TContrastState::Disabled
                                   : FIsMouseOver || FButtonState == ibsDown ? TContrastState::Hot
                                                                             : TContrastState::Normal,
                                   true);
    if (colour != clDefault) canvas.Font()->SetColor(colour);
    if (!FBoundsAdjusting) {
        if (InState(tk::csDesigning) && !HasGraphic(FImageNormal.get())) {
            canvas.Pen()->SetStyle(tk::psDash);
            canvas.Brush()->SetStyle(tk::bsClear);
            canvas.Rectangle(client.left, client.top, client.right, client.bottom);
        }
        const bool fading = !InState(tk::csDesigning) && Enabled() && FAniState != ibaNone;
        if (HighContrastPaint())
            FillContrastBackground(canvas.Handle(), client, true, true);
        else if (!(fading && DrawFade(canvas, client)) && background && !background->Empty())
            DrawDesignGraphic(&canvas, background, client, nullptr, FImageOption.get());
        BuildMask();
        OnPaintImage(this);
        if (!*alive) return;
    }
    tk::TPicture* icon = nullptr;
    PaintCaption(canvas, icon);
    if (FBoundsAdjusting) return;
    // Disabled, the set's own disabled icon or, without one, the normal icon in grey.
    DrawIcon(Enabled() ? icon : FIcons[FExpand ? Up : Dn][isDisabled].get());
    DrawBusy(canvas);
    DrawCheckBox(canvas);
    OnPaintEnd(this);
}

void TRdImageButton::DrawIcon(tk::TPicture* Picture) {
    if (!FIconVisible) return;
    tk::TPicture* normal = FIcons[FExpand ? Up : Dn][isNormal].get();
    tk::TCanvas& canvas = *Canvas();
    if (Enabled()) {
        if (!HasWidth(Picture)) Picture = normal;
        if (!HasWidth(Picture)) return;
        const RECT r = CalcIconRect(Picture->Width(), Picture->Height(), false);
        DrawDesignGraphic(&canvas, Picture->Graphic(),
                          RECT{r.left, r.top, r.left + Picture->Width(), r.top + Picture->Height()}, nullptr,
                          nullptr);
        return;
    }
    if (HasWidth(Picture)) {
        const RECT r = CalcIconRect(Picture->Width(), Picture->Height(), false);
        DrawDesignGraphic(&canvas, Picture->Graphic(), r, nullptr, nullptr);
        return;
    }
    if (!HasWidth(normal)) return;
    // A grey copy of the normal icon: (77 R + 151 G + 28 B) >> 8, alpha kept.
    const int w = normal->Width(), h = normal->Height();
    image::PngRef grey(image::TPngImage::CreateBlank(6, 8, w, h, true, false, true, false));
    if (!grey) return;
    grey->SetAlphaPreMultiplied(true);
    const RECT all{0, 0, w, h};
    grey->FillRect(all, 0);
    DrawDesignGraphic(nullptr, normal->Graphic(), all, grey->CanvasHandle(), nullptr);
    ::GdiFlush();
    for (int y = 0; y < h; ++y) {
        auto* p = static_cast<uint8_t*>(grey->GetScanline(y));
        for (int x = 0; x < w; ++x, p += 4) {
            const uint8_t v = static_cast<uint8_t>((77 * p[2] + 151 * p[1] + 28 * p[0]) >> 8);
            p[0] = p[1] = p[2] = v;
        }
    }
    const RECT r = CalcIconRect(w, h, false);
    image::Draw(*grey, canvas.Handle(), r);
}

void TRdImageButton::DrawCheckBox(tk::TCanvas& Canvas) {
    if (!FShowCheckBox) return;
    auto& row = FCheckImages[FCheckState];
    tk::TPicture* p = row[clNormalLook].get();
    if (!Enabled() && HasGraphic(row[clDisabledLook].get()))
        p = row[clDisabledLook].get();
    else if (Enabled() && FDrawCheckBoxOver && HasGraphic(row[clHoverLook].get()))
        p = row[clHoverLook].get();
    FLastCheckBoxRect = CalcCheckBoxRect(&Canvas, FLastTextRect, p->Width(), p->Height());
    if (p->Width() > 0 && p->Height() > 0 && p->Graphic())
        DrawDesignGraphic(&Canvas, p->Graphic(), FLastCheckBoxRect, nullptr, nullptr);
}

} // namespace vell::rd
