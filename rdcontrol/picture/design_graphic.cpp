#include "rdcontrol/picture/design_graphic.h"

#include "platform/image/nine_slice_draw.h"
#include "platform/graphics/canvas.h"

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

} // namespace

void DrawDesignGraphic(tk::TCanvas* Canvas, image::TGraphic* Graphic, const RECT& DestRect, HDC DC,
                       const design::TDesignRect* Option) {
    onCanvasOrDC(Canvas, DC, [&](HDC dc) { image::DrawDesignGraphic(Graphic, DestRect, dc, Option); });
}

void DrawDesignGraphicBlend(const BLENDFUNCTION& Blend, tk::TCanvas* Canvas, image::TGraphic* Graphic, HDC DC,
                            const design::TDesignRect* Option, const RECT& DestRect) {
    if (Blend.SourceConstantAlpha == 0) return;
    onCanvasOrDC(Canvas, DC, [&](HDC dc) { image::DrawDesignGraphicBlend(Blend, Graphic, dc, Option, DestRect); });
}

} // namespace vell::rd
