#include "rdcontrol/picture/design_graphic.h"

#include "platform/image/nine_slice_draw.h"
#include "platform/graphics/canvas.h"
#include "rdcontrol/paint/contrast_paint.h"

namespace vell::rd {

namespace {

template <typename Paint> void onCanvasOrDC(tk::TCanvas* canvas, HDC dc, Paint&& paint) {
    if (dc) {
        paint(dc);
        return;
    }
    if (!canvas) return;
    HDC handle = canvas->Handle();
    if (!handle) return;
    canvas->Changing();
    paint(handle);
    canvas->Changed();
}

// In high contrast a picture a control stretches over an area on its canvas (by nine-slice
// margins or scaling) is a skin background or frame: the system's background with a frame
// in the text colour stands in its place. Pictures at their own size are content.
bool contrastFrame(tk::TCanvas* Canvas, HDC DC, image::TGraphic* Graphic, const RECT& DestRect) {
    if (DC || !Canvas || !Graphic || !HighContrastPaint()) return false;
    if (Graphic->Width() == DestRect.right - DestRect.left &&
        Graphic->Height() == DestRect.bottom - DestRect.top)
        return false;
    if (HDC handle = Canvas->Handle()) FillContrastBackground(handle, DestRect, false, true);
    return true;
}

} // namespace

void DrawDesignGraphic(tk::TCanvas* Canvas, image::TGraphic* Graphic, const RECT& DestRect, HDC DC,
                       const design::TDesignRect* Option) {
    if (contrastFrame(Canvas, DC, Graphic, DestRect)) return;
    onCanvasOrDC(Canvas, DC, [&](HDC dc) { image::DrawDesignGraphic(Graphic, DestRect, dc, Option); });
}

void DrawDesignGraphicBlend(const BLENDFUNCTION& Blend, tk::TCanvas* Canvas, image::TGraphic* Graphic, HDC DC,
                            const design::TDesignRect* Option, const RECT& DestRect) {
    if (Blend.SourceConstantAlpha == 0 || contrastFrame(Canvas, DC, Graphic, DestRect)) return;
    onCanvasOrDC(Canvas, DC,
                 [&](HDC dc) { image::DrawDesignGraphicBlend(Blend, Graphic, dc, Option, DestRect); });
}

} // namespace vell::rd
