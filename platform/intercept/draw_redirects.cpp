#include "platform/intercept/draw_redirects.h"

#include "core/color/colors.h"
#include "core/pixel/tables.h"
#include "platform/image/dc_registry.h"
#include "platform/image/icon_pixels.h"
#include "platform/intercept/alpha_paint.h"
#include "platform/intercept/import_redirect.h"
#include "platform/intercept/platform_calls.h"

#include <algorithm>
#include <vector>

// Index:
//   [helpers]      rectangles, source depth, pixel loops
//   [fills]        FillRect, FrameRect, DrawEdge, DrawFrameControl
//   [blits]        BitBlt, StretchBlt, SetPixel
//   [shapes]       Rectangle, Ellipse, RoundRect, LineTo, Polyline
//   [pictures]     DrawIconEx, ImageList_DrawEx
//   [text]         DrawTextW, DrawTextExW, TextOutW, ExtTextOutW
//   [installation] the redirect table

namespace vell {

using namespace alpha;

namespace {

// ---- [helpers] ----

RECT Normalized(int l, int t, int r, int b) {
    return RECT{std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)};
}

RECT Inflated(RECT r, int by) {
    ::InflateRect(&r, by, by);
    return r;
}

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

void OpaqueRect(HDC dc, const RECT& r, bool clearFirst) {
    MakeAlphaOpaque(dc, r.left, r.top, Width(r), Height(r), false, clearFirst);
}

// Bits per pixel of what a source DC draws from: its selected bitmap for a memory DC.
int SourceBits(HDC src) {
    if (!src) return 0;
    if (::GetObjectType(src) == OBJ_MEMDC) {
        BITMAP bm{};
        HGDIOBJ bmp = ::GetCurrentObject(src, OBJ_BITMAP);
        if (bmp && ::GetObjectW(bmp, sizeof bm, &bm)) return bm.bmBitsPixel;
    }
    return ::GetDeviceCaps(src, BITSPIXEL);
}

bool HasAnyAlpha(const ScratchImage& img, int x, int y, int w, int h) {
    for (int j = 0; j < h; ++j) {
        const uint8_t* p = img.row(y + j) + x * 4;
        for (int i = 0; i < w; ++i)
            if (p[i * 4 + 3]) return true;
    }
    return false;
}

// The opacity of a brush used as a fill, 0 when it draws nothing.
uint8_t BrushOpacity(const BrushInfo& b) {
    if (b.style == BS_NULL) return 0;
    if (b.style != BS_SOLID && b.style != BS_HATCHED) return 255; // patterns carry no colour
    return ColorOpacity(b.color);
}

// ---- [fills] ----

int WINAPI Rd_FillRect(HDC dc, const RECT* rc, HBRUSH brush) {
    const PlatformCalls& P = Platform();
    if (!rc) return 0; // a missing rectangle is refused here, not left to the platform
    if (!dc || ::IsRectEmpty(rc)) return P.FillRect(dc, rc, brush);
    const bool alphaDC = IsAlphaDC(dc);
    if (!alphaDC && !IsDibSection32DC(dc)) return P.FillRect(dc, rc, brush);

    // Brush handles 1..31 stand for the system colour brush of index - 1.
    const auto handle = reinterpret_cast<std::uintptr_t>(brush);
    if (handle >= 1 && handle <= 31) brush = ::GetSysColorBrush(static_cast<int>(handle - 1));
    const BrushInfo b = BrushOf(brush);
    if (alphaDC && b.color == clNone) return 1;
    if (b.style == BS_SOLID && (b.color == 0xFFFFFF || b.color == 0xFFFFFFFF)) {
        P.BitBlt(dc, rc->left, rc->top, Width(*rc), Height(*rc), nullptr, 0, 0, WHITENESS);
        return 1;
    }
    if (!alphaDC) return P.FillRect(dc, rc, brush);

    const RECT r = *rc;
    if (b.style == BS_NULL) {
        P.BitBlt(dc, r.left, r.top, Width(r), Height(r), nullptr, 0, 0, BLACKNESS);
        return 1;
    }
    const uint8_t opacity = ColorOpacity(b.color);
    if ((b.style == BS_SOLID || b.style == BS_HATCHED) && opacity == 255) {
        win::UniqueBrush inverted(CreateInvertedBrush(brush));
        if (!inverted) return 0;
        const COLORREF oldBk = ::SetBkColor(dc, InvertedColor(::GetBkColor(dc)));
        InverseDraw(dc, r, [&] { P.FillRect(dc, &r, inverted.get()); });
        ::SetBkColor(dc, oldBk);
        return 1;
    }
    if (b.style == BS_SOLID) {
        // One premultiplied pixel of the colour, stretched over the rectangle.
        ScratchLease px(kSlotPicture, 1, 1);
        if (!px) return 0;
        uint8_t* p = px->row(0);
        const COLORREF c = b.color;
        p[0] = pixel::preMul(opacity, GetBValue(c));
        p[1] = pixel::preMul(opacity, GetGValue(c));
        p[2] = pixel::preMul(opacity, GetRValue(c));
        p[3] = opacity;
        return CompositeOntoDC(dc, r, *px, 0, 0, 1, 1, 255) ? 1 : 0;
    }
    if (b.style != BS_HATCHED) {
        // Pattern brushes cover every pixel with their own colours.
        const int result = P.FillRect(dc, &r, brush);
        if (result) OpaqueRect(dc, r, true);
        return result;
    }
    win::UniqueBrush inverted(CreateInvertedBrush(brush));
    if (!inverted) return 0;
    return ScratchDraw(dc, r, opacity,
                       [&](HDC s) {
                           const COLORREF oldBk = ::SetBkColor(s, InvertedColor(::GetBkColor(dc)));
                           ::SetBkMode(s, ::GetBkMode(dc));
                           P.FillRect(s, &r, inverted.get());
                           ::SetBkColor(s, oldBk);
                       })
               ? 1
               : 0;
}

int WINAPI Rd_FrameRect(HDC dc, const RECT* rc, HBRUSH brush) {
    const PlatformCalls& P = Platform();
    if (!rc) return 0;
    if (::IsRectEmpty(rc) || !IsAlphaDC(dc)) return P.FrameRect(dc, rc, brush);
    const BrushInfo b = BrushOf(brush);
    const uint8_t opacity = BrushOpacity(b);
    if (opacity == 0) return 1;
    const RECT r = *rc;
    win::UniqueBrush inverted(CreateInvertedBrush(brush));
    HBRUSH use = inverted ? inverted.get() : brush;
    if (opacity == 255 && inverted) {
        const int saved = ::SaveDC(dc);
        ::ExcludeClipRect(dc, r.left + 1, r.top + 1, r.right - 1, r.bottom - 1);
        InverseDraw(dc, r, [&] { P.FrameRect(dc, &r, use); });
        ::RestoreDC(dc, saved);
        return 1;
    }
    return ScratchDraw(dc, r, opacity, [&](HDC s) { P.FrameRect(s, &r, use); }) ? 1 : 0;
}

BOOL WINAPI Rd_DrawEdge(HDC dc, RECT* rc, UINT edge, UINT flags) {
    const PlatformCalls& P = Platform();
    if (!rc) return FALSE;
    if (!IsAlphaDC(dc)) return P.DrawEdge(dc, rc, edge, flags);
    const RECT r = *rc; // BF_ADJUST changes *rc
    const BOOL result = P.DrawEdge(dc, rc, edge, flags);
    if (!result || (flags & BF_DIAGONAL) == BF_DIAGONAL || ::IsRectEmpty(&r)) return result;
    if (flags & BF_MIDDLE) {
        OpaqueRect(dc, r, true);
        return result;
    }
    // Each of the outer and inner edges is one pixel wide.
    const int band = std::max(1, ((edge & BDR_OUTER) ? 1 : 0) + ((edge & BDR_INNER) ? 1 : 0));
    if ((flags & BF_RECT) == BF_RECT) {
        const int saved = ::SaveDC(dc);
        ::ExcludeClipRect(dc, r.left + band, r.top + band, r.right - band, r.bottom - band);
        OpaqueRect(dc, r, true);
        ::RestoreDC(dc, saved);
        return result;
    }
    if (flags & BF_LEFT) OpaqueRect(dc, RECT{r.left, r.top, r.left + band, r.bottom}, true);
    if (flags & BF_TOP) OpaqueRect(dc, RECT{r.left, r.top, r.right, r.top + band}, true);
    if (flags & BF_RIGHT) OpaqueRect(dc, RECT{r.right - band, r.top, r.right, r.bottom}, true);
    if (flags & BF_BOTTOM) OpaqueRect(dc, RECT{r.left, r.bottom - band, r.right, r.bottom}, true);
    return result;
}

BOOL WINAPI Rd_DrawFrameControl(HDC dc, RECT* rc, UINT type, UINT state) {
    const PlatformCalls& P = Platform();
    if (!rc) return FALSE;
    if (::IsRectEmpty(rc) || !IsAlphaDC(dc)) return P.DrawFrameControl(dc, rc, type, state);
    const RECT r = *rc;
    if (type == DFC_BUTTON && (state & DFCS_BUTTONRADIO)) {
        // Radio buttons are round: drawn on white, whatever stayed pure white is outside.
        const int w = Width(r), h = Height(r);
        ScratchLease s(kSlotPicture, w, h);
        if (!s) return FALSE;
        P.BitBlt(s->dc.get(), 0, 0, w, h, nullptr, 0, 0, WHITENESS);
        RECT local{0, 0, w, h};
        const BOOL result = P.DrawFrameControl(s->dc.get(), &local, type, state);
        ::GdiFlush();
        for (int y = 0; y < h; ++y) {
            uint8_t* p = s->row(y);
            for (int x = 0; x < w; ++x, p += 4) {
                const bool white = p[0] == 255 && p[1] == 255 && p[2] == 255;
                p[3] = white ? 0 : 255;
                if (white) p[0] = p[1] = p[2] = 0;
            }
        }
        return CompositeOntoDC(dc, r, *s, 0, 0, w, h, 255) ? result : FALSE;
    }
    const BOOL result = P.DrawFrameControl(dc, rc, type, state);
    if (result) OpaqueRect(dc, r, true);
    return result;
}

// ---- [blits] ----

BOOL WINAPI Rd_BitBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop) {
    const PlatformCalls& P = Platform();
    if (rop == WHITENESS || !IsAlphaDC(dst) || IsDibSection32DC(src))
        return P.BitBlt(dst, x, y, w, h, src, sx, sy, rop);
    const RECT r = Normalized(x, y, x + w, y + h);
    if (rop == BLACKNESS) {
        P.FillRect(dst, &r, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        return P.BitBlt(dst, r.left, r.top, Width(r), Height(r), nullptr, 0, 0, DSTINVERT);
    }
    const BOOL result = P.BitBlt(dst, x, y, w, h, src, sx, sy, rop);
    if (result) OpaqueRect(dst, r, rop == SRCCOPY ? SourceBits(src) == 32 : true);
    return result;
}

BOOL WINAPI Rd_StretchBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh,
                          DWORD rop) {
    const PlatformCalls& P = Platform();
    if (rop == WHITENESS || !IsAlphaDC(dst) || IsDibSection32DC(src))
        return P.StretchBlt(dst, x, y, w, h, src, sx, sy, sw, sh, rop);
    if (rop == 0) rop = SRCCOPY;
    const BOOL result = P.StretchBlt(dst, x, y, w, h, src, sx, sy, sw, sh, rop);
    if (result)
        OpaqueRect(dst, Normalized(x, y, x + w, y + h), rop == SRCCOPY ? SourceBits(src) == 32 : true);
    return result;
}

COLORREF WINAPI Rd_SetPixel(HDC dc, int x, int y, COLORREF color) {
    const PlatformCalls& P = Platform();
    if (!IsAlphaDC(dc)) return P.SetPixel(dc, x, y, color);
    const COLORREF result = P.SetPixel(dc, x, y, InvertedColor(color));
    if (result == CLR_INVALID) return result;
    P.BitBlt(dc, x, y, 1, 1, nullptr, 0, 0, DSTINVERT);
    return InvertedColor(result); // the colour that is now there
}

// ---- [shapes] ----

// Draws a closed shape with the DC's pen and brush, keeping their opacity.
BOOL DrawShape(HDC dc, RECT bounds, const std::function<BOOL(HDC)>& shape) {
    if (::GetROP2(dc) == R2_NOP) return TRUE;
    const PenInfo pen = CurrentPen(dc);
    const BrushInfo brush = CurrentBrush(dc);
    const uint8_t penOpacity = pen.null ? 0 : ColorOpacity(pen.color);
    const uint8_t brushOpacity = BrushOpacity(brush);
    if (penOpacity == 0 && brushOpacity == 0) return TRUE;
    const RECT box = Inflated(bounds, penOpacity ? pen.width : 0);
    const bool invertible = brush.style == BS_SOLID || brush.style == BS_HATCHED || brushOpacity == 0;
    if ((penOpacity == 0 || penOpacity == 255) && (brushOpacity == 0 || brushOpacity == 255) && invertible) {
        BOOL result = FALSE;
        InvertedPenBrush objects(dc, dc, penOpacity != 0, brushOpacity != 0);
        InverseDraw(dc, box, [&] { result = shape(dc); });
        return result;
    }
    // Fill and outline carry different opacities: one scratch pass each.
    bool ok = true;
    if (brushOpacity) {
        ok = ScratchDraw(dc, box, brushOpacity, [&](HDC s) {
            InvertedPenBrush objects(dc, s, false, true);
            shape(s);
        });
    }
    if (ok && penOpacity) {
        ok = ScratchDraw(dc, box, penOpacity, [&](HDC s) {
            InvertedPenBrush objects(dc, s, true, false);
            shape(s);
        });
    }
    return ok ? TRUE : FALSE;
}

BOOL WINAPI Rd_Rectangle(HDC dc, int l, int t, int r, int b) {
    if (!IsAlphaDC(dc)) return Platform().Rectangle(dc, l, t, r, b);
    return DrawShape(dc, Normalized(l, t, r, b), [=](HDC d) { return Platform().Rectangle(d, l, t, r, b); });
}

BOOL WINAPI Rd_Ellipse(HDC dc, int l, int t, int r, int b) {
    if (!IsAlphaDC(dc)) return Platform().Ellipse(dc, l, t, r, b);
    return DrawShape(dc, Normalized(l, t, r, b), [=](HDC d) { return Platform().Ellipse(d, l, t, r, b); });
}

BOOL WINAPI Rd_RoundRect(HDC dc, int l, int t, int r, int b, int w, int h) {
    if (!IsAlphaDC(dc)) return Platform().RoundRect(dc, l, t, r, b, w, h);
    return DrawShape(dc, Normalized(l, t, r, b),
                     [=](HDC d) { return Platform().RoundRect(d, l, t, r, b, w, h); });
}

// Draws lines with the DC's pen through a scratch image, keeping the pen's opacity.
BOOL DrawLines(HDC dc, const POINT* pts, int count, const std::function<BOOL(HDC)>& lines) {
    if (::GetROP2(dc) == R2_NOP) return -1;
    const PenInfo pen = CurrentPen(dc);
    const uint8_t opacity = pen.null ? 0 : ColorOpacity(pen.color);
    if (opacity == 0) return TRUE;
    RECT box{pts[0].x, pts[0].y, pts[0].x + 1, pts[0].y + 1};
    for (int i = 1; i < count; ++i) {
        box.left = std::min(box.left, pts[i].x);
        box.top = std::min(box.top, pts[i].y);
        box.right = std::max(box.right, pts[i].x + 1);
        box.bottom = std::max(box.bottom, pts[i].y + 1);
    }
    box = Inflated(box, pen.width);
    BOOL result = TRUE;
    const bool ok = ScratchDraw(dc, box, opacity, [&](HDC s) {
        InvertedPenBrush objects(dc, s, true, false);
        result = lines(s);
    });
    return ok ? result : FALSE;
}

BOOL WINAPI Rd_LineTo(HDC dc, int x, int y) {
    const PlatformCalls& P = Platform();
    if (!IsAlphaDC(dc)) return P.LineTo(dc, x, y);
    POINT from{};
    ::GetCurrentPositionEx(dc, &from);
    const POINT pts[2] = {from, {x, y}};
    const BOOL result = DrawLines(dc, pts, 2, [&](HDC s) {
        ::MoveToEx(s, from.x, from.y, nullptr);
        return P.LineTo(s, x, y);
    });
    ::MoveToEx(dc, x, y, nullptr);
    return result;
}

BOOL WINAPI Rd_Polyline(HDC dc, const POINT* pts, int count) {
    const PlatformCalls& P = Platform();
    if (!pts || count < 0) return FALSE;
    if (count < 2 || !IsAlphaDC(dc)) return P.Polyline(dc, pts, count);
    return DrawLines(dc, pts, count, [&](HDC s) { return P.Polyline(s, pts, count); });
}

// ---- [pictures] ----

BOOL WINAPI Rd_DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT step, HBRUSH brush,
                          UINT flags) {
    const PlatformCalls& P = Platform();
    if ((flags & DI_NORMAL) != DI_NORMAL || !icon || !IsAlphaDC(dc))
        return P.DrawIconEx(dc, x, y, icon, cx, cy, step, brush, flags);
    image::IconParts parts;
    if (!image::ReadIcon(icon, parts)) return FALSE;
    ScratchLease lease(kSlotPicture, parts.w, parts.h);
    if (!lease || !image::RenderIcon(icon, parts, lease->dc.get(), lease->row(0), lease->stride()))
        return FALSE;
    if (cx == 0) cx = (flags & DI_DEFAULTSIZE) ? ::GetSystemMetrics(SM_CXICON) : parts.w;
    if (cy == 0) cy = (flags & DI_DEFAULTSIZE) ? ::GetSystemMetrics(SM_CYICON) : parts.h;
    return CompositeOntoDC(dc, RECT{x, y, x + cx, y + cy}, *lease, 0, 0, parts.w, parts.h, 255) ? TRUE
                                                                                                : FALSE;
}

// Bound when first needed: the caller of a redirected image-list function has comctl32
// loaded, the engine itself does not import it.
BOOL ImageListIconSize(HIMAGELIST list, int* cx, int* cy) {
    static const auto getIconSize = [] {
        HMODULE comctl = ::GetModuleHandleW(L"comctl32.dll");
        return comctl ? reinterpret_cast<decltype(&::ImageList_GetIconSize)>(
                            ::GetProcAddress(comctl, "ImageList_GetIconSize"))
                      : nullptr;
    }();
    return getIconSize ? getIconSize(list, cx, cy) : FALSE;
}

BOOL WINAPI Rd_ImageList_DrawEx(HIMAGELIST list, int index, HDC dc, int x, int y, int dx, int dy, COLORREF bk,
                                COLORREF fg, UINT style) {
    const PlatformCalls& P = Platform();
    if (!list) return FALSE; // some platform versions do not check
    if (!IsAlphaDC(dc)) return P.ImageList_DrawEx(list, index, dc, x, y, dx, dy, bk, fg, style);
    int cx = 0, cy = 0;
    if (!ImageListIconSize(list, &cx, &cy)) return FALSE;
    const int w = dx > 0 ? std::min(dx, cx) : cx, h = dy > 0 ? std::min(dy, cy) : cy;
    ScratchLease s(kSlotPicture, w, 2 * h);
    if (!s) return FALSE;
    HDC sdc = s->dc.get();
    ::GdiFlush();
    for (int j = 0; j < h; ++j)
        std::fill_n(s->row(j), w * 4, uint8_t{0});
    if (!P.ImageList_DrawEx(list, index, sdc, 0, 0, dx, dy, bk, fg, style)) return FALSE;
    ::GdiFlush();
    if (!HasAnyAlpha(*s, 0, 0, w, h)) {
        // Again over white: what changed between the two backgrounds shows the coverage.
        P.BitBlt(sdc, 0, h, w, h, nullptr, 0, 0, WHITENESS);
        P.ImageList_DrawEx(list, index, sdc, 0, h, dx, dy, bk, fg, style);
        ::GdiFlush();
        for (int j = 0; j < h; ++j) {
            uint8_t* up = s->row(j);
            const uint8_t* lo = s->row(h + j);
            for (int i = 0; i < w; ++i, up += 4, lo += 4) {
                int diff = 0;
                for (int c = 0; c < 3; ++c)
                    diff = std::max(diff, int(lo[c]) - int(up[c]));
                const uint8_t a = static_cast<uint8_t>(255 - diff);
                up[3] = a;
                for (int c = 0; c < 3; ++c)
                    up[c] = std::min(up[c], a);
            }
        }
    }
    return CompositeOntoDC(dc, RECT{x, y, x + w, y + h}, *s, 0, 0, w, h, 255) ? TRUE : FALSE;
}

// ---- [text] ----

AlphaTextRenderer gText;

int WINAPI Rd_DrawTextW(HDC dc, LPCWSTR text, int count, LPRECT rc, UINT format) {
    if (gText.DrawTextW && IsAlphaDC(dc)) return gText.DrawTextW(dc, text, count, rc, format);
    return Platform().DrawTextW(dc, text, count, rc, format);
}

int WINAPI Rd_DrawTextExW(HDC dc, LPWSTR text, int count, LPRECT rc, UINT format, LPDRAWTEXTPARAMS params) {
    if (gText.DrawTextExW && IsAlphaDC(dc)) return gText.DrawTextExW(dc, text, count, rc, format, params);
    return Platform().DrawTextExW(dc, text, count, rc, format, params);
}

BOOL WINAPI Rd_TextOutW(HDC dc, int x, int y, LPCWSTR text, int count) {
    if (gText.TextOutW && IsAlphaDC(dc)) return gText.TextOutW(dc, x, y, text, count);
    return Platform().TextOutW(dc, x, y, text, count);
}

BOOL WINAPI Rd_ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rc, LPCWSTR text, UINT count,
                           const INT* dx) {
    if (gText.ExtTextOutW && IsAlphaDC(dc)) return gText.ExtTextOutW(dc, x, y, options, rc, text, count, dx);
    return Platform().ExtTextOutW(dc, x, y, options, rc, text, count, dx);
}

// ---- [installation] ----

void* Replacement(DrawCall call) {
    switch (call) {
    case DrawCall::FillRect:
        return reinterpret_cast<void*>(&Rd_FillRect);
    case DrawCall::FrameRect:
        return reinterpret_cast<void*>(&Rd_FrameRect);
    case DrawCall::DrawEdge:
        return reinterpret_cast<void*>(&Rd_DrawEdge);
    case DrawCall::DrawFrameControl:
        return reinterpret_cast<void*>(&Rd_DrawFrameControl);
    case DrawCall::DrawTextW:
        return reinterpret_cast<void*>(&Rd_DrawTextW);
    case DrawCall::DrawTextExW:
        return reinterpret_cast<void*>(&Rd_DrawTextExW);
    case DrawCall::DrawIconEx:
        return reinterpret_cast<void*>(&Rd_DrawIconEx);
    case DrawCall::StretchBlt:
        return reinterpret_cast<void*>(&Rd_StretchBlt);
    case DrawCall::SetPixel:
        return reinterpret_cast<void*>(&Rd_SetPixel);
    case DrawCall::BitBlt:
        return reinterpret_cast<void*>(&Rd_BitBlt);
    case DrawCall::Rectangle:
        return reinterpret_cast<void*>(&Rd_Rectangle);
    case DrawCall::LineTo:
        return reinterpret_cast<void*>(&Rd_LineTo);
    case DrawCall::Polyline:
        return reinterpret_cast<void*>(&Rd_Polyline);
    case DrawCall::Ellipse:
        return reinterpret_cast<void*>(&Rd_Ellipse);
    case DrawCall::RoundRect:
        return reinterpret_cast<void*>(&Rd_RoundRect);
    case DrawCall::TextOutW:
        return reinterpret_cast<void*>(&Rd_TextOutW);
    case DrawCall::ExtTextOutW:
        return reinterpret_cast<void*>(&Rd_ExtTextOutW);
    case DrawCall::ImageList_DrawEx:
        return reinterpret_cast<void*>(&Rd_ImageList_DrawEx);
    case DrawCall::Count:
        break;
    }
    return nullptr;
}

} // namespace

void SetAlphaTextRenderer(const AlphaTextRenderer& renderer) {
    gText = renderer;
}

namespace {

bool gInstalled = false;

// Rewrites the import entries of one library for every redirected call whose slot is set:
// to the replacement (installing) or back to the saved platform function (removing).
template <typename Target> void rewriteImports(const char* library, Target target, void** saveInto) {
    std::vector<const char*> names;
    std::vector<void**> slots;
    std::vector<void*> values;
    for (int i = 0; i < static_cast<int>(DrawCall::Count); ++i) {
        const auto call = static_cast<DrawCall>(i);
        if (lstrcmpiA(RedirectTableEntry(call).Library, library) != 0) continue;
        void* value = target(call);
        if (!value) continue;
        names.push_back(RedirectTableEntry(call).Name);
        slots.push_back(saveInto ? saveInto : RedirectSlot(call));
        values.push_back(value);
    }
    if (!names.empty()) RedirectImports(3, library, names.data(), slots.data(), values.data(), names.size());
}

constexpr const char* kRedirectedLibraries[] = {"user32.dll", "gdi32.dll", "comctl32.dll"};

} // namespace

void InstallDrawingRedirects() {
    if (gInstalled) return;
    gInstalled = true;
    alpha::SetScratchOwnerThread();
    Platform(); // resolve the platform functions before any import changes

    for (const char* library : kRedirectedLibraries)
        rewriteImports(
            library, [](DrawCall call) { return *RedirectSlot(call) ? nullptr : Replacement(call); },
            nullptr);
}

void RemoveDrawingRedirects() {
    if (!gInstalled) return;
    gInstalled = false;
    void* unused = nullptr; // the entries being put back are not saved again
    for (const char* library : kRedirectedLibraries) {
        rewriteImports(
            library, [](DrawCall call) { return *RedirectSlot(call); }, &unused);
        unused = nullptr;
    }
    for (int i = 0; i < static_cast<int>(DrawCall::Count); ++i)
        *RedirectSlot(static_cast<DrawCall>(i)) = nullptr;
    gText = AlphaTextRenderer{};
    alpha::ReleaseScratchImages();
}

} // namespace vell
