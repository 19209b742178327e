// The form skin's shadow layer: the shadow picture (only its frame when its middle is
// clear), the border lines around the owner, then the controls drawn on the layer and
// whoever draws at its end; the shadow window presents the result.
#include "rdcontrol/formskin/form_skin.h"

#include "platform/image/draw_shapes.h"
#include "platform/image/nine_slice_draw.h"
#include "platform/image/png_canvas.h"
#include "platform/image/png_image.h"
#include "platform/win/handles.h"
#include "rdcontrol/formskin/form_shadow.h"
#include "rdcontrol/picture/design_graphic.h"

#include <cstdlib>

namespace vell::rd {

void TRdFormSkin::PictureChanged() {
    if (FPicShadowOption->ChangeEmpty()) {
        auto handler = std::move(FPicShadowOption->OnChange);
        FPicShadowOption->SetValue(FPicShadow->Width() / 3, FPicShadow->Height() / 3, -1000, -1000);
        FPicShadowOption->OnChange = std::move(handler);
    }
    if (FShadowFrame->Enabled() && !InState(tk::csLoading)) RedrawShadow();
}

namespace {
// Draws a picture into Dest by the nine-slice rules with margins (L, T, R, B), leaving out
// its middle (which must be clear), within Clip: a frame then costs only its edges.
void drawRing(image::TPngImage& Picture, const RECT& Dest, int L, int T, int R, int B,
              design::TSuperStretchMode Mode, const RECT& Clip, image::TPngImage& Layer) {
    const RECT inner{Dest.left + L, Dest.top + T, Dest.right - R, Dest.bottom - B};
    const RECT bands[4] = {{Dest.left, Dest.top, Dest.right, inner.top},
                           {Dest.left, inner.bottom, Dest.right, Dest.bottom},
                           {Dest.left, inner.top, inner.left, inner.bottom},
                           {inner.right, inner.top, Dest.right, inner.bottom}};
    for (const RECT& band : bands) {
        RECT c;
        if (::IntersectRect(&c, &band, &Clip))
            image::DrawNineSlice(nullptr, nullptr, &Picture, &c, &Layer, image::TDrawMaskMode::None, Mode, B,
                                 R, T, L, Dest);
    }
}

// The picture's middle piece (inside the option's margins) is fully transparent.
bool middleClear(image::TPngImage& Picture, const design::TDesignRect& Option) {
    const int w = Picture.Width(), h = Picture.Height();
    if (Option.Left() <= 0 || Option.Top() <= 0 || Option.Right() <= 0 || Option.Bottom() <= 0 ||
        Option.Left() + Option.Right() >= w || Option.Top() + Option.Bottom() >= h ||
        !Picture.GetTransparent())
        return false;
    for (int y = Option.Top(); y < h - Option.Bottom(); ++y) {
        const uint8_t* alpha = Picture.GetAlphaScanline(y);
        for (int x = Option.Left(); x < w - Option.Right(); ++x)
            if ((alpha ? alpha[x] : Picture.GetPixels(x, y) >> 24) != 0) return false;
    }
    return true;
}

} // namespace

void TRdFormSkin::RedrawShadow() {
    TRdFormShadowBg* S = FFormShadowBg;
    if (!S || FCanvas || InState(tk::csDestroying | tk::csLoading) || !S->HandleAllocated()) return;
    image::PngRef layer(image::TPngImage::CreateARGB32(S->FDrawW, S->FDrawH, true));
    if (!layer || !PaintShadowLayer(*layer, POINT{S->Left(), S->Top()})) return;
    S->Present(layer->CanvasHandle(), !FShadowFrame->Enabled() || !S->Visible());
}

bool TRdFormSkin::PaintShadowLayer(image::TPngImage& Layer, POINT Origin) {
    if (FCanvas) return false; // a drawing runs already
    const int w = Layer.Width(), h = Layer.Height();
    HDC dc = Layer.CanvasHandle();
    if (!dc) return false;
    ::PatBlt(dc, 0, 0, w, h, BLACKNESS);
    OnShadowPaintBegin(this);

    const TRdFormSkinBkgOpt& opt = *FPicShadowOption;
    const RECT r{opt.PadLeft(), opt.PadTop(), w - opt.PadRight(), h - opt.PadBottom()};
    if (!FPicShadow->Empty() && r.right > r.left && r.bottom > r.top) {
        try {
            // A shadow whose middle is clear is drawn around the owner only.
            auto* png = dynamic_cast<image::TPngImage*>(FPicShadow->Graphic());
            if (png && middleClear(*png, opt))
                drawRing(*png, r, opt.Left(), opt.Top(), opt.Right(), opt.Bottom(), opt.StretchMode(),
                         RECT{0, 0, w, h}, Layer);
            else
                DrawDesignGraphic(nullptr, FPicShadow->Graphic(), r, dc, &opt);
        } catch (const std::exception&) {
            // A picture that cannot be drawn leaves the shadow empty.
        }
    }

    const RECT m = FShadowFrame->UsedMargins();
    if (FBorderLines->Check() && FBorderLines->Color() != clNone) {
        // The lines lie just outside the owner; a side switched off has none, so the frame
        // is clipped at the owner's edge on that side.
        const int bw = std::abs(FBorderLines->Width());
        const RECT outer{m.left - bw, m.top - bw, w - m.right + bw, h - m.bottom + bw};
        // The frame is drawn once at its smallest and laid around the owner by the nine-slice
        // rules, its clear middle left out.
        const bool round = FEllipseSize->Check();
        const int rx = round ? (std::abs(FEllipseSize->Width()) + 1) / 2 : 0;
        const int ry = round ? (std::abs(FEllipseSize->Height()) + 1) / 2 : 0;
        const int cw = 2 * (bw + rx) + 1, ch = 2 * (bw + ry) + 1;
        image::PngRef frame(image::TPngImage::CreateARGB32(cw, ch, false));
        if (frame) {
            image::FillRoundRectSmooth(*frame, 0, 0, cw, ch, round ? FEllipseSize->Width() : 0,
                                       round ? FEllipseSize->Height() : 0, clNone, bw, FBorderLines->Color(),
                                       true);
            const RECT clip{FBorderLines->Left() ? 0 : m.left, FBorderLines->Top() ? 0 : m.top,
                            FBorderLines->Right() ? w : w - m.right,
                            FBorderLines->Bottom() ? h : h - m.bottom};
            drawRing(*frame, outer, bw + rx, bw + ry, bw + rx, bw + ry, design::sdmStretch, clip, Layer);
        }
    }

    // The listed controls, and whoever draws at the end of the layer. ShadowCanvas() is the
    // layer's canvas until the drawing ends, thrown out of or not, and the carried controls'
    // paint hooks stand aside from the end handler on.
    struct Drawing {
        TRdFormSkin& Skin;
        ~Drawing() {
            Skin.JumpHookBtnPaint = false;
            Skin.FCanvas = nullptr;
        }
    } drawing{*this};
    FCanvas = &Layer.Canvas();
    {
        win::SavedDC saved(dc);
        ::IntersectClipRect(dc, 0, 0, w, h);
        for (int i = 0; i < FDrawControlList->Count(); ++i) {
            auto* c = dynamic_cast<TRdGraphicControl*>(FDrawControlList->Objects(i));
            if (!c || !c->Visible() || !c->Parent() || !c->Parent()->HandleAllocated()) continue;
            const POINT at = c->ClientToScreen(POINT{0, 0});
            c->DrawTo(dc, at.x - Origin.x, at.y - Origin.y);
        }
        JumpHookBtnPaint = true;
        OnShadowPaintEnd(this);
    }
    ::GdiFlush();
    return true;
}

} // namespace vell::rd
