// DrawDesignGraphic for controls that paint on a canvas: the picture drawn into DestRect
// by the nine-slice rules of Option (platform/image/nine_slice_draw.h), onto DC when given,
// else onto the canvas's DC, whose canvas then hears that it changed. In a high-contrast
// scheme a picture stretched over DestRect on a canvas draws as the system's background
// with a frame in the text colour (rdcontrol/paint/contrast_paint.h).
#pragma once
#include "core/design/design_rect.h"
#include "platform/image/graphic.h"

#include <windows.h>

namespace vell::tk {
class TCanvas;
}

namespace vell::rd {

void DrawDesignGraphic(tk::TCanvas* Canvas, image::TGraphic* Graphic, const RECT& DestRect, HDC DC,
                       const design::TDesignRect* Option);

// At the blend record's opacity (SourceConstantAlpha); nothing at 0.
void DrawDesignGraphicBlend(const BLENDFUNCTION& Blend, tk::TCanvas* Canvas, image::TGraphic* Graphic, HDC DC,
                            const design::TDesignRect* Option, const RECT& DestRect);

} // namespace vell::rd
