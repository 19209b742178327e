// Smooth shapes: the platform draws the shape at three times the size into a premultiplied
// scratch image (white scratch, inverted colours, inverted back: drawn pixels opaque, the
// rest transparent), and the box filter reduces it into the image. Tall shapes are drawn
// in bands, so the scratch stays small whatever the image's size.
#include "platform/image/draw_shapes.h"

#include "core/color/colors.h"
#include "core/design/design_rect.h"
#include "platform/image/draw_image.h"
#include "platform/image/draw_internal.h"
#include "platform/intercept/platform_calls.h"
#include "platform/win/handles.h"

#include <algorithm>

namespace vell::image {

namespace {

constexpr int kScale = 3;
// Scratch pixels per band (at three times the size).
constexpr long long kBandPixels = 4LL << 20;
// Shapes whose scaled coordinates would leave the platform's coordinate range are not drawn.
constexpr long long kCoordLimit = 1LL << 26;

enum class Shape { RoundRect, Ellipse };

struct Pen {
    bool on = false;
    COLORREF color = 0;
    int width = 0;
    bool inFrame = false;
};

RECT normalised(int x1, int y1, int x2, int y2) {
    return RECT{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

RECT viewOf(const TPngImage& image) {
    return RECT{image.ViewLeft, image.ViewTop, image.ViewLeft + image.ViewWidth,
                image.ViewTop + image.ViewHeight};
}

bool intersect(RECT& out, const RECT& a, const RECT& b) {
    out = RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
    return out.left < out.right && out.top < out.bottom;
}

COLORREF plain(TColor c) {
    return SkinColorToRGB(c) & 0xFFFFFF;
}

// One pass: the shape with a brush (fill, or none) and a pen (frame, or none), drawn at
// `opacity` into the image's visible part of `r`.
void drawPass(TPngImage& image, Shape shape, const RECT& r, int w1, int h1, const TColor* fill,
              const Pen& pen, uint8_t opacity) {
    RECT vis;
    if (opacity == 0 || !intersect(vis, r, viewOf(image))) return;
    const long long visW = vis.right - vis.left;
    const long long rw = static_cast<long long>(r.right) - r.left,
                    rh = static_cast<long long>(r.bottom) - r.top;
    if (kScale * (rw + std::abs(static_cast<long long>(r.left) - vis.left)) > kCoordLimit ||
        kScale * (rh + std::abs(static_cast<long long>(r.top) - vis.top)) > kCoordLimit)
        return;
    const int bandH = static_cast<int>(
        std::clamp<long long>(kBandPixels / (kScale * kScale * visW), 1, vis.bottom - vis.top));
    win::UniqueBrush brush(fill ? ::CreateSolidBrush(~plain(*fill) & 0xFFFFFF) : nullptr);
    win::UniquePen penHandle;
    if (pen.on) {
        penHandle.reset(
            ::CreatePen(pen.inFrame ? PS_INSIDEFRAME : PS_SOLID, kScale * pen.width, ~pen.color & 0xFFFFFF));
    }
    if ((fill && !brush) || (pen.on && !penHandle)) return;
    // A shape without a pen is filled one pixel short on the right and bottom.
    const int extra = pen.on ? 0 : 1;
    for (int by = vis.top; by < vis.bottom; by += bandH) {
        const int bh = std::min(bandH, static_cast<int>(vis.bottom - by));
        const int sw = static_cast<int>(kScale * visW), sh = kScale * bh;
        PngRef scratch(TPngImage::CreateCacheDC32(sw, sh, true));
        HDC dc = scratch ? scratch->CanvasHandle() : nullptr;
        if (!dc) return;
        PlatformBitBlt()(dc, 0, 0, sw, sh, nullptr, 0, 0, WHITENESS);
        const int left = static_cast<int>(kScale * (static_cast<long long>(r.left) - vis.left));
        const int top = static_cast<int>(kScale * (static_cast<long long>(r.top) - by));
        const int right = static_cast<int>(left + kScale * rw + extra),
                  bottom = static_cast<int>(top + kScale * rh + extra);
        {
            win::SelectObjectGuard b(dc, brush ? static_cast<HGDIOBJ>(brush.get())
                                               : ::GetStockObject(NULL_BRUSH));
            win::SelectObjectGuard p(dc, penHandle ? static_cast<HGDIOBJ>(penHandle.get())
                                                   : ::GetStockObject(NULL_PEN));
            if (shape == Shape::RoundRect)
                Platform().RoundRect(dc, left, top, right, bottom, kScale * w1, kScale * h1);
            else
                Platform().Ellipse(dc, left, top, right, bottom);
        }
        PlatformBitBlt()(dc, 0, 0, sw, sh, nullptr, 0, 0, DSTINVERT);
        ::GdiFlush();
        scratch->AlphaMode = pamPremultiplied;
        TDrawRectParams p;
        p.DstX = vis.left, p.DstY = by, p.DstW = static_cast<int>(visW), p.DstH = bh;
        p.SrcW = sw, p.SrcH = sh;
        p.Alpha = opacity;
        p.Smooth = psfSmooth;
        DrawRect(*scratch, nullptr, p, &image);
    }
}

void drawShape(TPngImage& image, Shape shape, int x1, int y1, int x2, int y2, int w1, int h1,
               TColor FillColor, int FrameWidth, TColor FrameColor, bool InFrameStyle) {
    const RECT r = normalised(x1, y1, x2, y2);
    if (r.left >= r.right || r.top >= r.bottom || !targetPixels(image)) return;
    const bool hasFill = FillColor != clNone;
    Pen pen;
    pen.on = FrameWidth >= 1 && FrameColor != clDefault && FrameColor != clNone;
    if (pen.on) pen.color = plain(FrameColor), pen.width = FrameWidth, pen.inFrame = InFrameStyle;
    const TColor* fill = hasFill ? &FillColor : nullptr;
    const uint8_t fillOpacity = hasFill ? ColorAlpha(FillColor) : 0;
    const uint8_t frameOpacity = pen.on ? ColorAlpha(FrameColor) : 0;
    w1 = std::max(w1, 0), h1 = std::max(h1, 0);
    if (hasFill && pen.on && fillOpacity != frameOpacity) {
        // Different opacities: the fill first, the frame over it.
        drawPass(image, shape, r, w1, h1, fill, Pen{}, fillOpacity);
        drawPass(image, shape, r, w1, h1, nullptr, pen, frameOpacity);
    } else if (hasFill || pen.on) {
        drawPass(image, shape, r, w1, h1, fill, pen, hasFill ? fillOpacity : frameOpacity);
    }
}

} // namespace

void FillRoundRectSmooth(TPngImage& image, int x1, int y1, int x2, int y2, int w1, int h1, TColor FillColor,
                         int FrameWidth, TColor FrameColor, bool InFrameStyle) {
    drawShape(image, Shape::RoundRect, x1, y1, x2, y2, w1, h1, FillColor, FrameWidth, FrameColor,
              InFrameStyle);
}

void FillEllipseSmooth(TPngImage& image, int x1, int y1, int x2, int y2, TColor FillColor, int FrameWidth,
                       TColor FrameColor, bool InFrameStyle) {
    drawShape(image, Shape::Ellipse, x1, y1, x2, y2, 0, 0, FillColor, FrameWidth, FrameColor, InFrameStyle);
}

void CutEllipseSmooth(TPngImage& image, int x1, int y1, int x2, int y2) {
    if (!targetPixels(image)) return;
    // A transparent mask of the image's size with the ellipse in it, multiplied in.
    TPngImage mask;
    mask.MakeBlank(6, 8, image.GetWidth(), image.GetHeight(), false, true);
    mask.AlphaMode = pamPremultiplied;
    FillEllipseSmooth(mask, x1, y1, x2, y2, clBlack, 0, clDefault, false);
    const RECT all{0, 0, image.GetWidth(), image.GetHeight()};
    UpdateAlpha(image, mask, nullptr, &all, nullptr, true);
}

void CutRoundRectSmooth(TPngImage& image, int x1, int y1, int x2, int y2, int w1, int h1) {
    const RECT r = normalised(x1, y1, x2, y2);
    if (!targetPixels(image)) return;
    // A corner never needs more than the rectangle (or the image) can show.
    w1 = std::clamp(
        w1, 0,
        static_cast<int>(std::min<long long>(static_cast<long long>(r.right) - r.left, image.ViewWidth)));
    h1 = std::clamp(
        h1, 0,
        static_cast<int>(std::min<long long>(static_cast<long long>(r.bottom) - r.top, image.ViewHeight)));
    const int mx = w1 / 2 + 2, my = h1 / 2 + 2;
    PngRef mask = RoundedMask(3 * mx, 3 * my, w1, h1, clBlack, 0, clDefault, false);
    if (!mask) return;
    design::TDesignRect option;
    option.SetValue(mx, my, mx, my);
    option.SetStretchMode(design::sdmCorner);
    UpdateAlpha(image, *mask, &option, &r, nullptr, true);
}

} // namespace vell::image
