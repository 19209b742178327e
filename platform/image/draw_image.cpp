// Drawing a TPngImage: the image's layout becomes a source description for the core's
// compositor, and the target is either another image's pixel rows or a device context.
// The memory DC of one of our 32-bit images is drawn into directly; any other DC through
// a scratch copy of the visible area.
#include "platform/image/draw_image.h"

#include "core/draw/compose.h"
#include "core/image/layout.h"
#include "core/pixel/tables.h"
#include "platform/image/dc_registry.h"
#include "platform/image/draw_internal.h"
#include "platform/intercept/platform_calls.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace vell::image {

namespace {

draw::SmoothFilter filterOf(TPngSmoothFilter f) {
    return f == psfFastSmooth ? draw::SmoothFilter::FastSmooth
           : f == psfSmooth   ? draw::SmoothFilter::Smooth
                              : draw::SmoothFilter::None;
}

// Intersects the compositor's clip with r (or sets it).
void clipTo(draw::ComposeParams& cp, const RECT& r) {
    if (!cp.hasClip) {
        cp.hasClip = true;
        cp.clip = {r.left, r.top, r.right, r.bottom};
        return;
    }
    cp.clip.left = std::max<int>(cp.clip.left, r.left);
    cp.clip.top = std::max<int>(cp.clip.top, r.top);
    cp.clip.right = std::min<int>(cp.clip.right, r.right);
    cp.clip.bottom = std::min<int>(cp.clip.bottom, r.bottom);
}

void shift(draw::ComposeParams& cp, int dx, int dy) {
    cp.dstX += dx;
    cp.dstY += dy;
    if (cp.hasClip) {
        cp.clip.left += dx;
        cp.clip.right += dx;
        cp.clip.top += dy;
        cp.clip.bottom += dy;
    }
}

void drawIntoImage(TPngImage& dst, const draw::DrawSource& source, draw::ComposeParams cp) {
    TChunkIHDR* h = targetPixels(dst);
    if (!h) return;
    clipTo(cp, RECT{dst.ViewLeft, dst.ViewTop, dst.ViewLeft + dst.ViewWidth, dst.ViewTop + dst.ViewHeight});
    // A target of unknown alpha meaning becomes premultiplied by this drawing, so the
    // alpha-only modes keep its colours premultiplied too.
    const draw::DrawTarget t{h->ImageData, static_cast<ptrdiff_t>(dst.BytesPerRow()), dst.GetWidth(),
                             dst.GetHeight(),
                             dst.AlphaMode == pamPremultiplied || dst.AlphaMode == pamUnknown};
    draw::compose(t, source, cp);
    if (dst.AlphaMode == pamUnknown) dst.AlphaMode = pamPremultiplied;
}

// The pixels behind one of our images' memory DCs. The DIB section's own description
// cannot tell top-down rows from bottom-up ones, so only DCs whose image is known are
// written directly.
TPngImage* imageOfDC(HDC dc, draw::DrawTarget& t) {
    TPointerHash& registry = ImageDCRegistry();
    PtrInt value = 0;
    registry.Lock();
    const bool found = registry.Find(reinterpret_cast<PtrInt>(dc), nullptr, &value);
    registry.UnLock();
    if (!found || !value) return nullptr;
    TChunkIHDR* h = reinterpret_cast<TChunkIHDR*>(value);
    TPngImage* image = h->Owner();
    if (!image || h->BitCount() != 32 || !h->ImageData || h->ImageDC.get() != dc) return nullptr;
    t = draw::DrawTarget{h->ImageData, static_cast<ptrdiff_t>(image->BytesPerRow()), image->GetWidth(),
                         image->GetHeight(), image->AlphaMode != pamDefined};
    return image;
}

} // namespace

bool ComposeOntoDC(HDC dc, const draw::DrawSource& source, draw::ComposeParams cp) {
    RECT box;
    const int kind = GetClipBox(dc, &box);
    if (kind == NULLREGION || kind == ERROR) return true;
    clipTo(cp, box);
    // The visible part of the destination rectangle, in logical coordinates.
    const long long left = std::max<long long>(cp.clip.left, cp.dstX);
    const long long top = std::max<long long>(cp.clip.top, cp.dstY);
    const long long right = std::min<long long>(cp.clip.right, static_cast<long long>(cp.dstX) + cp.dstW);
    const long long bottom = std::min<long long>(cp.clip.bottom, static_cast<long long>(cp.dstY) + cp.dstH);
    if (left >= right || top >= bottom) return true;

    draw::DrawTarget t;
    if (kind == SIMPLEREGION && GetMapMode(dc) == MM_TEXT && GetGraphicsMode(dc) == GM_COMPATIBLE) {
        if (TPngImage* image = imageOfDC(dc, t)) {
            POINT origin{0, 0};
            LPtoDP(dc, &origin, 1);
            GdiFlush();
            shift(cp, origin.x, origin.y);
            draw::compose(t, source, cp);
            if (image->AlphaMode == pamUnknown) image->AlphaMode = pamPremultiplied;
            return true;
        }
    }
    // Any other DC: the visible area is copied into a cached scratch image, composited and
    // copied back with the platform's own blit, so the engine's drawing is never
    // intercepted.
    const int w = static_cast<int>(right - left), h = static_cast<int>(bottom - top);
    PngRef scratch(TPngImage::CreateCacheDC32(w, h, true));
    HDC mem = scratch ? scratch->CanvasHandle() : nullptr;
    if (!mem) return false;
    if (!PlatformBitBlt()(mem, 0, 0, w, h, dc, static_cast<int>(left), static_cast<int>(top), SRCCOPY))
        return false;
    GdiFlush();
    shift(cp, static_cast<int>(-left), static_cast<int>(-top));
    draw::compose(draw::DrawTarget{static_cast<uint8_t*>(scratch->GetScanline(0)),
                                   static_cast<ptrdiff_t>(scratch->BytesPerRow()), w, h, true},
                  source, cp);
    PlatformBitBlt()(dc, static_cast<int>(left), static_cast<int>(top), w, h, mem, 0, 0, SRCCOPY);
    return true;
}

bool describeSource(TPngImage& image, SourcePixels& out) {
    if (image.GetEmpty()) return false;
    image.EnsureExpanded();
    TChunkIHDR* h = image.HeaderOrNull();
    if (!h || !h->ImageData) return false;
    if (h->ImageDC) GdiFlush();
    draw::DrawSource& s = out.source;
    s = draw::DrawSource{};
    s.pixels = h->ImageData;
    s.stride = static_cast<ptrdiff_t>(image.BytesPerRow());
    s.width = image.GetWidth();
    s.height = image.GetHeight();
    const int type = h->IHDRData.ColorType;
    const int bits = h->BitCount();
    switch (bits) {
    case 32:
        s.layout = draw::SourceLayout::Bgra32;
        break;
    case 24:
        s.layout = draw::SourceLayout::Bgr24;
        break;
    case 8:
        s.layout = draw::SourceLayout::Indexed8;
        break;
    case 4:
        s.layout = draw::SourceLayout::Indexed4;
        break;
    case 1:
        s.layout = draw::SourceLayout::Indexed1;
        break;
    default:
        return false;
    }
    if (bits != 32 && hasAlphaChannel(type) && h->ImageAlpha) {
        s.alpha = h->ImageAlpha;
        s.alphaStride = s.width;
    }
    if (bits <= 8) {
        const int n = 1 << bits;
        for (int i = 0; i < n; ++i) {
            const RGBQUAD& q = h->BitmapInfo.bmiColors[i];
            const uint32_t alpha =
                type == COLOR_PALETTE && h->ChunkTRNS ? h->ChunkTRNS->PaletteValues[i] : 255;
            out.palette[i] = q.rgbBlue | q.rgbGreen << 8 | q.rgbRed << 16 | alpha << 24;
        }
        s.palette = out.palette;
        s.paletteSize = n;
    }
    s.premultiplied = image.AlphaMode == pamPremultiplied;
    out.hasKey = type != COLOR_PALETTE && image.TransparencyMode() == ptmBit;
    if (out.hasKey) {
        const TColor c = image.TransparentColor(); // red in the low byte
        out.key = (c >> 16 & 0xFF) | (c & 0xFF00) | (c & 0xFF) << 16;
    }
    return true;
}

TChunkIHDR* targetPixels(TPngImage& dst) {
    if (dst.GetEmpty() || !dst.ConvertTo32Bit()) return nullptr;
    dst.UniquePng();
    TChunkIHDR* h = dst.HeaderOrNull();
    if (!h || !h->ImageData || h->BitCount() != 32) return nullptr;
    if (h->ImageDC) GdiFlush();
    return h;
}

void DrawRect(TPngImage& image, HDC DstDC, const TDrawRectParams& p, TPngImage* DstPng) {
    if (p.Alpha == 0 || (!DstPng && !DstDC)) return;
    // Drawing an image into itself (or onto its own DC) reads from a copy.
    TPngImage copy;
    TPngImage* source = &image;
    const TChunkIHDR* own = image.HeaderOrNull();
    if (DstPng == &image || (!DstPng && own && own->ImageDC && own->ImageDC.get() == DstDC)) {
        copy.ClonePng(&image);
        copy.AlphaMode = image.AlphaMode;
        source = &copy;
    }
    SourcePixels src;
    if (!describeSource(*source, src)) return;
    draw::ComposeParams cp;
    cp.dstX = p.DstX, cp.dstY = p.DstY, cp.dstW = p.DstW, cp.dstH = p.DstH;
    cp.srcX = p.SrcX, cp.srcY = p.SrcY, cp.srcW = p.SrcW, cp.srcH = p.SrcH;
    cp.alpha = p.Alpha;
    cp.gray = p.Gray;
    cp.smooth = filterOf(p.Smooth == psfDefault ? image.SmoothFilter() : p.Smooth);
    cp.hasKey = src.hasKey;
    cp.key = src.key;
    cp.mask = p.MaskMode;
    if (p.ClipRect) clipTo(cp, *p.ClipRect);
    if (DstPng)
        drawIntoImage(*DstPng, src.source, cp);
    else
        ComposeOntoDC(DstDC, src.source, cp);
}

void Draw(TPngImage& image, HDC DstDC, const RECT& Rect) {
    DrawTransparent(image, DstDC, Rect, 255);
}

void DrawTransparent(TPngImage& image, HDC DstDC, const RECT& Rect, uint8_t Opacity) {
    if (image.GetEmpty()) return;
    TDrawRectParams p;
    p.DstX = Rect.left, p.DstY = Rect.top, p.DstW = Rect.right - Rect.left, p.DstH = Rect.bottom - Rect.top;
    p.SrcW = image.GetWidth(), p.SrcH = image.GetHeight();
    p.Alpha = pixel::mul(Opacity, image.AlphaBlendValue());
    p.Gray = image.GrayMode();
    DrawRect(image, DstDC, p);
}

void DrawTo(TPngImage& image, TPngImage* DstPng, int DstX, int DstY, HDC DstDC) {
    if (image.GetEmpty()) return;
    TDrawRectParams p;
    p.DstX = DstX, p.DstY = DstY, p.DstW = image.ViewWidth, p.DstH = image.ViewHeight;
    p.SrcX = image.ViewLeft, p.SrcY = image.ViewTop, p.SrcW = image.ViewWidth, p.SrcH = image.ViewHeight;
    p.Alpha = image.AlphaBlendValue();
    p.Gray = image.GrayMode();
    if (DstDC)
        DrawRect(image, DstDC, p);
    else
        DrawRect(image, nullptr, p, DstPng);
}

void DrawUsingPixelInformation(TPngImage& image, HDC DstDC, POINT Point) {
    if (image.GetEmpty() || !DstDC) return;
    long long w = image.GetWidth(), h = image.GetHeight();
    const TChunkpHYs* phys = image.Chunks().ItemFromClass<TChunkpHYs>();
    // Only densities in pixels per metre give a physical size; a unitless pHYs is an
    // aspect ratio.
    if (phys && phys->fUnit == utMeter && phys->fPPUnitX > 0 && phys->fPPUnitY > 0) {
        HDC screen = ::GetDC(nullptr);
        const int dpiX = ::GetDeviceCaps(screen, LOGPIXELSX), dpiY = ::GetDeviceCaps(screen, LOGPIXELSY);
        ::ReleaseDC(nullptr, screen);
        const long long ppmX = std::llround(dpiX / 0.0254), ppmY = std::llround(dpiY / 0.0254);
        w = w * ppmX / phys->fPPUnitX;
        h = h * ppmY / phys->fPPUnitY;
    }
    const long long right = std::min<long long>(Point.x + w, INT32_MAX);
    const long long bottom = std::min<long long>(Point.y + h, INT32_MAX);
    Draw(image, DstDC, RECT{Point.x, Point.y, static_cast<LONG>(right), static_cast<LONG>(bottom)});
}

} // namespace vell::image
