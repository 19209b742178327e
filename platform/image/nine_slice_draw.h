// Drawing a picture by the nine-slice rules of a TDesignRect: corners keep their size,
// edges and centre are stretched (or tiled in sdmFill) to fill the destination. The
// geometry is core/design/nine_slice.h; the pieces are painted through the graphic's own
// DrawRect, onto a DC or into a 32-bit image. Skinned controls draw their pictures with
// DrawDesignGraphic.
#pragma once
#include "core/design/design_rect.h"
#include "platform/image/draw_image.h"
#include "platform/image/graphic.h"

#include <windows.h>

namespace vell::image {

// The engine. Graphic: a TPngImage (its view area is the source) or a TRdgImage (its clip
// region); other graphics draw nothing. Blend: the opacity (SourceConstantAlpha) is
// multiplied into the graphic's own; null is (AC_SRC_OVER, 0, 255, AC_SRC_ALPHA). The
// pieces go into DstPng when given, else onto DC. ClipRect (target coordinates, may be
// null) limits the painting of a TPngImage; for both kinds, tiles outside the target's
// visible area are never visited. MaskMode (TPngImage only) rewrites only the target's
// alpha from the picture's. Odd margins never fail: pieces without area are skipped.
void DrawNineSlice(const BLENDFUNCTION* Blend, HDC DC, TGraphic* Graphic, const RECT* ClipRect,
                   TPngImage* DstPng, TDrawMaskMode MaskMode, design::TSuperStretchMode StretchMode,
                   int Bottom, int Right, int Top, int Left, const RECT& DestRect);

// Draws Graphic into DestRect of DC (or of DstPng when given): through the engine when
// Option has a margin or tiles (sdmFill), else the whole graphic stretched. Pictures other
// than TPngImage and TRdgImage are sliced from a 32-bit copy of themselves. Nothing
// without a target or a graphic, or for a graphic of no width or height.
void DrawDesignGraphic(TGraphic* Graphic, const RECT& DestRect, HDC DC, const design::TDesignRect* Option,
                       TPngImage* DstPng = nullptr);

// The same at the blend record's opacity, always through the engine (other pictures from
// their 32-bit copy as well); nothing at opacity 0.
void DrawDesignGraphicBlend(const BLENDFUNCTION& Blend, TGraphic* Graphic, HDC DC,
                            const design::TDesignRect* Option, const RECT& DestRect,
                            TPngImage* DstPng = nullptr);

} // namespace vell::image
