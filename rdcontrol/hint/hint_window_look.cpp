// The hint's skinned look: the embedded form skin carries the background picture's frame
// and the arrow on its shadow layer around the window, which paints the picture's middle.
#include "rdcontrol/hint/hint_window.h"

#include "core/color/colors.h"
#include "platform/graphics/canvas.h"
#include "platform/win/handles.h"
#include "rdcontrol/formskin/form_skin.h"
#include "rdcontrol/hint/skin_hint.h"
#include "rdcontrol/picture/design_graphic.h"

namespace vell::rd {

void TRdSkinHintWindow::ConfigureFormSkin() {
    TRdFormSkin* fs = FFormShadow;
    if (!fs) return;
    TRdSkinHint* style = ActiveStyle();
    if (!SkinnedLook()) {
        fs->ShadowFrame()->SetEnabled(false);
        fs->EllipseSize()->SetSize(0, 0);
        return;
    }
    const TRdSkinHintBkgOption& o = *style->BackgroundOption();
    try {
        fs->SetPicShadow(style->BackgroundImage()); // shares the picture's pixels
    } catch (const std::exception&) {
        // A picture the form skin cannot take: the hint shows without its shadow layer.
        fs->ShadowFrame()->SetEnabled(false);
        return;
    }
    // The frame only: the window shows the middle.
    TRdFormSkinBkgOpt frame;
    frame.CopyFrom(o);
    frame.SetStretchMode(design::sdmFrame);
    fs->SetPicShadowOption(&frame);
    TShadowFrame& sf = *fs->ShadowFrame();
    sf.SetLeft(o.ShadowMargin(0));
    sf.SetTop(o.ShadowMargin(1));
    sf.SetRight(o.ShadowMargin(2));
    sf.SetBottom(o.ShadowMargin(3));
    fs->EllipseSize()->SetEllipse(o.EllipseMode());
    fs->EllipseSize()->SetSize(o.EllipseWidth(), o.EllipseHeight());
    sf.SetEnabled(true);
}

void TRdSkinHintWindow::ShadowPaintBegin() {
    // On a monitor the system scales, an opaque hint's shadow margins are one pixel larger:
    // the scaled frame then meets the scaled window without a seam.
    TRdSkinHint* style = ActiveStyle();
    FMarginsGrown = FFormShadow && style && FWindowSmoothScaled &&
                    style->BackgroundOption()->ShadowFrameFixDPI() && FShared->Alpha >= 255;
    if (!FMarginsGrown) return;
    TRdFormSkinBkgOpt& o = *FFormShadow->PicShadowOption();
    o.SetValue(o.Left() + 1, o.Top() + 1, o.Right() + 1, o.Bottom() + 1);
}

void TRdSkinHintWindow::ShadowPaintEnd() {
    if (FMarginsGrown && FFormShadow) {
        TRdFormSkinBkgOpt& o = *FFormShadow->PicShadowOption();
        o.SetValue(o.Left() - 1, o.Top() - 1, o.Right() - 1, o.Bottom() - 1);
    }
    FMarginsGrown = false;
    TRdSkinHint* style = ActiveStyle();
    if (!style || !FPlacement.ArrowShown || !FFormShadow || !FFormShadow->ShadowCanvas()) return;
    // The picture of the facing edge, else the other one of the pair.
    tk::TPicture* first = nullptr;
    tk::TPicture* second = nullptr;
    switch (FPlacement.Where) {
    case hint::Side::Below:
        first = style->ArrowImageUp(), second = style->ArrowImageDown();
        break;
    case hint::Side::Above:
        first = style->ArrowImageDown(), second = style->ArrowImageUp();
        break;
    case hint::Side::Right:
        first = style->ArrowImageLeft(), second = style->ArrowImageRight();
        break;
    case hint::Side::Left:
        first = style->ArrowImageRight(), second = style->ArrowImageLeft();
        break;
    }
    tk::TPicture* arrow = first && !first->Empty() ? first : second;
    if (!arrow || arrow->Empty()) return;
    const hint::Box& a = FPlacement.Arrow;
    DrawDesignGraphic(nullptr, arrow->Graphic(), RECT{a.Left, a.Top, a.Right, a.Bottom},
                      FFormShadow->ShadowCanvas()->Handle(), nullptr);
}

void TRdSkinHintWindow::PaintWindow(HDC DC) {
    const RECT client = GetClientRect();
    const win::UniqueBrush brush(::CreateSolidBrush(SkinColorToRGB(Color()) & 0xFFFFFF));
    ::FillRect(DC, &client, brush.get());
    if (!SkinnedLook()) return;
    // The picture's middle, aligned with its margins on the shadow layer around the window.
    TRdSkinHint* style = ActiveStyle();
    const TRdSkinHintBkgOption* option = style->BackgroundOption();
    if (option->StretchMode() == design::sdmFrame) return;
    const RECT sf = ShadowMargins();
    tk::TCanvas canvas;
    const tk::TCanvasBinding bound(canvas, DC);
    DrawDesignGraphic(&canvas, style->BackgroundImage()->Graphic(),
                      RECT{-sf.left, -sf.top, client.right + sf.right, client.bottom + sf.bottom}, nullptr,
                      option);
}

} // namespace vell::rd
