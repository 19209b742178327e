// TPngImage's own drawing members: drawing onto a DC through the compositor, the DrawRect
// slot (the image as the compositor's source), and taking over an icon's pixels.
#include "core/image/layout.h"
#include "platform/image/draw_image.h"
#include "platform/image/draw_internal.h"
#include "platform/image/icon_pixels.h"

namespace vell::image {

void TPngImage::DrawRect(HDC DstDC, int DstX, int DstY, int DstW, int DstH, int SrcX, int SrcY, int SrcW,
                         int SrcH, int Alpha, bool Gray, TPngSmoothFilter Smooth, TPngImage* DstPng) {
    TDrawRectParams p;
    p.DstX = DstX, p.DstY = DstY, p.DstW = DstW, p.DstH = DstH;
    p.SrcX = SrcX, p.SrcY = SrcY, p.SrcW = SrcW, p.SrcH = SrcH;
    p.Alpha = Alpha < 0 ? AlphaBlendValue() : Alpha > 255 ? 255 : static_cast<uint8_t>(Alpha);
    p.Gray = Gray;
    p.Smooth = Smooth;
    ::vell::image::DrawRect(*this, DstDC, p, DstPng);
}

void TPngImage::Draw(HDC dc, const RECT& rect) {
    vell::image::Draw(*this, dc, rect);
}

void TPngImage::DrawTransparent(HDC dc, const RECT& rect, uint8_t opacity) {
    vell::image::DrawTransparent(*this, dc, rect, opacity);
}

bool TPngImage::AssignIcon(HICON handle, bool assignNew, SIZE* iconSize) {
    IconParts parts;
    if (!ReadIcon(handle, parts)) return false;
    if (iconSize) *iconSize = SIZE{parts.w, parts.h};
    // Drawn into a cached DC image, then copied.
    PngRef scratch(CreateCacheDC32(parts.w, parts.h, true));
    HDC dc = scratch ? scratch->CanvasHandle() : nullptr;
    if (!dc || !RenderIcon(handle, parts, dc, static_cast<uint8_t*>(scratch->GetScanline(0)),
                           scratch->BytesPerRow()))
        return false;
    scratch->AlphaMode = pamPremultiplied;
    if (assignNew || GetEmpty())
        MakeBlank(COLOR_RGBALPHA, 8, parts.w, parts.h, false, true);
    else if (!ConvertTo32Bit())
        return false;
    return CopyBitBlt(*this, *scratch, parts.w, parts.h, 0, 0, 0, 0);
}

} // namespace vell::image
