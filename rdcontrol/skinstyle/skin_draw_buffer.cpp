// The draw buffers of a skin class and the buffered paint of skinned controls: the
// owner's own rendering kept in a 32-bit image between paints, re-rendered where it went
// stale, and drawn with the skin's opacity, scale, grey and smoothing.
#include "rdcontrol/skinstyle/skin_class.h"

#include "platform/image/png_image.h"
#include "platform/win/handles.h"

#include <algorithm>

namespace vell::rd {

namespace {
image::PngRef blankBuffer() {
    image::PngRef png(image::TPngImage::CreateBlank(6, 8, 1, 1, true, false, true, false));
    png->SetAlphaPreMultiplied(true);
    return png;
}
} // namespace

void TRdSkinClass::CreateDrawBuffer() {
    if (!FDrawBuffer) FDrawBuffer = blankBuffer();
    if (!FDrawBufferBkg) FDrawBufferBkg = blankBuffer();
}

bool TRdSkinClass::GrowDrawBuffer(image::TPngImage& Buffer, int W, int H) {
    if (Buffer.Width() >= W && Buffer.Height() >= H) return false;
    const bool first = Buffer.Width() <= 1 && Buffer.Height() <= 1;
    const auto grown = [first](int Old, int Needed) {
        return first ? Needed : std::max(Old, Needed + std::max(Needed / 3, 200));
    };
    const int w = grown(Buffer.Width(), W), h = grown(Buffer.Height(), H);
    Buffer.Resize(w, h, 0, false, 0, 0);
    Buffer.FillRect(RECT{0, 0, w, h}, 0);
    Buffer.SetAlphaPreMultiplied(true);
    return true;
}

image::TPngImage* TRdSkinClass::EnsureDrawBufferBkgBlur() {
    if (!FDrawBufferBkgBlur) FDrawBufferBkgBlur = blankBuffer();
    return FDrawBufferBkgBlur.get();
}

void TRdSkinClass::FreeDrawBuffer() {
    DrawBufferTk = 0;
    DrawBufferBkgTk = 0;
    DrawBufferRect = RECT{};
    FDrawBuffer.reset();
    FDrawBufferBkg.reset();
    FDrawBufferBkgBlur.reset();
}

std::uint32_t TRdSkinClass::CurrentTick() {
    return static_cast<std::uint32_t>(::GetTickCount()) | 1u;
}

TRdSkinClass::TBufferRender TRdSkinClass::RenderDrawBuffer(int W, int H, image::TPngImage* Under,
                                                           const std::function<void(HDC)>& Paint) {
    TBufferRender done;
    image::TPngImage& buffer = *FDrawBuffer;
    done.Grown = GrowDrawBuffer(buffer, W, H);
    if (DrawBufferTk != 0 && !done.Grown) return done;
    RECT region{0, 0, W, H};
    if (!done.Grown && Draw()->DrawScale() == 100 && !::IsRectEmpty(&DrawBufferRect))
        ::IntersectRect(&region, &region, &DrawBufferRect);
    // Current from here on: what the paint itself invalidates is painted the next time.
    DrawBufferTk = CurrentTick();
    DrawBufferRect = RECT{};
    if (::IsRectEmpty(&region)) return done;
    done.Rendered = region;
    HDC dc = buffer.CanvasHandle();
    buffer.FillRect(region, 0);
    if (Under)
        ::BitBlt(dc, region.left, region.top, region.right - region.left, region.bottom - region.top,
                 Under->CanvasHandle(), region.left, region.top, SRCCOPY);
    {
        win::SavedDC saved(dc);
        ::IntersectClipRect(dc, region.left, region.top, region.right, region.bottom);
        Paint(dc);
    }
    ::GdiFlush();
    return done;
}

image::TDrawRectParams TRdSkinClass::EffectParams(const RECT& Src) const {
    const TRdSkinClassDraw& draw = *Draw();
    const int scale = draw.DrawScale();
    image::TDrawRectParams p;
    p.DstX = ::MulDiv(Src.left, scale, 100);
    p.DstY = ::MulDiv(Src.top, scale, 100);
    p.DstW = ::MulDiv(Src.right - Src.left, scale, 100);
    p.DstH = ::MulDiv(Src.bottom - Src.top, scale, 100);
    p.SrcX = Src.left;
    p.SrcY = Src.top;
    p.SrcW = Src.right - Src.left;
    p.SrcH = Src.bottom - Src.top;
    p.Alpha = static_cast<std::uint8_t>(draw.DrawAlpha());
    p.Gray = draw.DrawGray();
    p.Smooth = draw.SmoothFilter();
    return p;
}

} // namespace vell::rd
