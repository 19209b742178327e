// TPngImage's DrawRect slot: the image as the source of the compositor.
#include "platform/image/draw_image.h"
#include "platform/image/png_image.h"

namespace vell::image {

void TPngImage::DrawRect(HDC DstDC, int DstX, int DstY, int DstW, int DstH, int SrcX, int SrcY, int SrcW, int SrcH,
                         int Alpha, bool Gray, TPngSmoothFilter Smooth, TPngImage* DstPng) {
    TDrawRectParams p;
    p.DstX = DstX, p.DstY = DstY, p.DstW = DstW, p.DstH = DstH;
    p.SrcX = SrcX, p.SrcY = SrcY, p.SrcW = SrcW, p.SrcH = SrcH;
    p.Alpha = Alpha < 0 ? AlphaBlendValue() : Alpha > 255 ? 255 : static_cast<uint8_t>(Alpha);
    p.Gray = Gray;
    p.Smooth = Smooth;
    ::vell::image::DrawRect(*this, DstDC, p, DstPng);
}

} // namespace vell::image
