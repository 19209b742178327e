#include "platform/intercept/gradient.h"

#include "core/pixel/tables.h"
#include "platform/image/dc_registry.h"
#include "platform/intercept/alpha_paint.h"

#include <algorithm>

namespace vell {

using namespace alpha;

namespace {

constexpr int kMaxRampSteps = 65535;

TRIVERTEX Vertex(LONG x, LONG y, COLORREF c) {
    return TRIVERTEX{x,
                     y,
                     static_cast<COLOR16>(GetRValue(c) << 8),
                     static_cast<COLOR16>(GetGValue(c) << 8),
                     static_cast<COLOR16>(GetBValue(c) << 8),
                     0};
}

// The platform's two-colour gradient over `r` in the DC's logical coordinates.
void PlatformGradient(HDC dc, const RECT& r, COLORREF from, COLORREF to, TGradientDirection dir) {
    TRIVERTEX v[2] = {Vertex(r.left, r.top, from), Vertex(r.right, r.bottom, to)};
    GRADIENT_RECT g{0, 1};
    ::GradientFill(dc, v, 2, &g, 1,
                   dir == TGradientDirection::gdHorizontal ? GRADIENT_FILL_RECT_H : GRADIENT_FILL_RECT_V);
}

} // namespace

void FillGradient(HDC dc, const RECT& rect, TColor StartColor, TGradientDirection Direction,
                  TColor EndColor) {
    if (!dc || ::IsRectEmpty(&rect)) return;
    if (StartColor == clDefault) StartColor = EndColor;
    if (EndColor == clDefault) EndColor = StartColor;
    const uint8_t startA = ColorAlpha(StartColor), endA = ColorAlpha(EndColor);
    if (startA == 0 && endA == 0) return;
    const COLORREF from = SkinColorToRGB(StartColor) & 0xFFFFFF, to = SkinColorToRGB(EndColor) & 0xFFFFFF;

    if (StartColor == EndColor) {
        // One colour: a premultiplied pixel stretched over the rectangle.
        ScratchLease px(kSlotPicture, 1, 1);
        if (!px) return;
        uint8_t* p = px->row(0);
        p[0] = pixel::preMul(startA, GetBValue(from));
        p[1] = pixel::preMul(startA, GetGValue(from));
        p[2] = pixel::preMul(startA, GetRValue(from));
        p[3] = startA;
        CompositeOntoDC(dc, rect, *px, 0, 0, 1, 1, 255);
        return;
    }
    if (startA == 255 && endA == 255) {
        if (!IsAlphaDC(dc)) {
            PlatformGradient(dc, rect, from, to, Direction);
            return;
        }
        InverseDraw(dc, rect,
                    [&] { PlatformGradient(dc, rect, InvertedColor(from), InvertedColor(to), Direction); });
        return;
    }

    // Colours with opacity: the gradient in a scratch image, its alpha a linear ramp.
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    ScratchLease s(kSlotDraw, w, h);
    if (!s) return;
    PlatformGradient(s->dc.get(), RECT{0, 0, w, h}, from, to, Direction);
    ::GdiFlush();
    const bool horizontal = Direction == TGradientDirection::gdHorizontal;
    const int length = horizontal ? w : h;
    const int steps = std::min(length, kMaxRampSteps);
    auto rampAt = [&](int pos) {
        const int step =
            steps > 1 ? static_cast<int>(static_cast<long long>(pos) * (steps - 1) / std::max(1, length - 1))
                      : 0;
        return static_cast<uint8_t>(startA + (endA - startA) * step / std::max(1, steps - 1));
    };
    for (int y = 0; y < h; ++y) {
        uint8_t* p = s->row(y);
        for (int x = 0; x < w; ++x, p += 4)
            p[3] = rampAt(horizontal ? x : y);
    }
    CompositeOntoDC(dc, rect, *s, 0, 0, w, h, 255, false);
}

} // namespace vell
