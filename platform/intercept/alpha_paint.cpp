#include "platform/intercept/alpha_paint.h"

#include "core/color/colors.h"
#include "core/draw/compose.h"
#include "platform/image/draw_internal.h"
#include "platform/intercept/platform_calls.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace vell {

namespace {

// Scratch images larger than this are not made; the caller falls back.
constexpr std::int64_t kMaxScratchPixels = 4096 * 4096;

DWORD gOwnerThread = 0;
std::unique_ptr<alpha::ScratchImage> gCache[alpha::kSlotCount];
bool gBusy[alpha::kSlotCount] = {};

std::unique_ptr<alpha::ScratchImage> MakeScratch(int w, int h) {
    auto img = std::make_unique<alpha::ScratchImage>();
    img->dc.reset(::CreateCompatibleDC(nullptr));
    img->dib = win::DibSection::create(w, h, 32);
    if (!img->dc || !img->dib) return nullptr;
    img->oldBitmap = ::SelectObject(img->dc.get(), img->dib.handle());
    img->width = w;
    img->height = h;
    return img;
}

} // namespace

void MakeAlphaOpaque(HDC DC, int X, int Y, int W, int H, bool BrushSelected, bool ClearFirst) {
    if (!DC || W <= 0 || H <= 0) return;
    auto blt = Platform().BitBlt;
    win::SelectObjectGuard white(DC, BrushSelected ? nullptr : ::GetStockObject(WHITE_BRUSH));
    if (ClearFirst) blt(DC, X, Y, W, H, DC, X, Y, MERGECOPY);
    blt(DC, X, Y, W, H, nullptr, 0, 0, PATINVERT);
    blt(DC, X, Y, W, H, nullptr, 0, 0, DSTINVERT);
}

namespace alpha {

ScratchImage::~ScratchImage() {
    if (dc && oldBitmap) ::SelectObject(dc.get(), oldBitmap);
}

void SetScratchOwnerThread() {
    gOwnerThread = ::GetCurrentThreadId();
}

void ReleaseScratchImages() {
    gOwnerThread = 0;
    for (int slot = 0; slot < kSlotCount; ++slot)
        if (!gBusy[slot]) gCache[slot].reset();
}

ScratchLease::ScratchLease(int slot, int w, int h) {
    if (w <= 0 || h <= 0 || static_cast<std::int64_t>(w) * h > kMaxScratchPixels) return;
    if (slot >= 0 && slot < kSlotCount && gOwnerThread == ::GetCurrentThreadId() && !gBusy[slot]) {
        std::unique_ptr<ScratchImage>& cached = gCache[slot];
        if (!cached || cached->width < w || cached->height < h) {
            int cw = cached ? std::max(cached->width, w) : w;
            int ch = cached ? std::max(cached->height, h) : h;
            cached.reset();
            cached = MakeScratch(cw, ch);
        }
        if (!cached) return;
        gBusy[slot] = true;
        slot_ = slot;
        image_ = cached.get();
        return;
    }
    owned_ = MakeScratch(w, h).release();
    image_ = owned_;
}

ScratchLease::~ScratchLease() {
    if (slot_ >= 0) gBusy[slot_] = false;
    delete owned_;
}

bool ClipToDC(HDC dc, RECT& box) {
    if (box.left > box.right) std::swap(box.left, box.right);
    if (box.top > box.bottom) std::swap(box.top, box.bottom);
    RECT clip{};
    const int kind = ::GetClipBox(dc, &clip);
    if (kind == ERROR || kind == NULLREGION) return false;
    return ::IntersectRect(&box, &box, &clip) != FALSE;
}

bool CompositeOntoDC(HDC dc, const RECT& dst, const ScratchImage& src, int sx, int sy, int sw, int sh,
                     uint8_t opacity, bool premultiplied) {
    const int dw = dst.right - dst.left, dh = dst.bottom - dst.top;
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || opacity == 0) return true;
    if (sx < 0 || sy < 0 || sx + sw > src.width || sy + sh > src.height) return true;
    draw::DrawSource s;
    s.pixels = src.row(0);
    s.stride = src.stride();
    s.width = src.width;
    s.height = src.height;
    s.premultiplied = premultiplied;
    draw::ComposeParams p;
    p.dstX = dst.left, p.dstY = dst.top, p.dstW = dw, p.dstH = dh;
    p.srcX = sx, p.srcY = sy, p.srcW = sw, p.srcH = sh;
    p.alpha = opacity;
    return image::ComposeOntoDC(dc, s, p);
}

void InvertArea(HDC dc, const RECT& r) {
    Platform().BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, nullptr, 0, 0, DSTINVERT);
}

bool ScratchDraw(HDC dc, RECT box, uint8_t opacity, const std::function<void(HDC scratch)>& draw) {
    if (!ClipToDC(dc, box)) return true;
    const int w = box.right - box.left, h = box.bottom - box.top;
    ScratchLease s(kSlotDraw, w, h);
    if (!s) return false;
    HDC sdc = s->dc.get();
    auto blt = Platform().BitBlt;
    blt(sdc, 0, 0, w, h, nullptr, 0, 0, WHITENESS);
    POINT oldOrg{};
    ::SetWindowOrgEx(sdc, box.left, box.top, &oldOrg);
    draw(sdc);
    ::SetWindowOrgEx(sdc, oldOrg.x, oldOrg.y, nullptr);
    blt(sdc, 0, 0, w, h, nullptr, 0, 0, DSTINVERT);
    ::GdiFlush();
    return CompositeOntoDC(dc, box, *s, 0, 0, w, h, opacity);
}

void InverseDraw(HDC dc, const RECT& box, const std::function<void()>& draw) {
    InvertArea(dc, box);
    draw();
    InvertArea(dc, box);
}

uint8_t ColorOpacity(COLORREF c) {
    return ColorAlpha(c);
}

PenInfo CurrentPen(HDC dc) {
    PenInfo info;
    HGDIOBJ pen = ::GetCurrentObject(dc, OBJ_PEN);
    if (!pen) return info;
    if (::GetObjectType(pen) == OBJ_EXTPEN) {
        EXTLOGPEN ext{};
        if (!::GetObjectW(pen, sizeof ext, &ext)) return info;
        info.null = (ext.elpPenStyle & PS_STYLE_MASK) == PS_NULL;
        info.width = static_cast<int>(ext.elpWidth);
        info.color = ext.elpColor;
    } else {
        LOGPEN lp{};
        if (!::GetObjectW(pen, sizeof lp, &lp)) return info;
        info.null = (lp.lopnStyle & PS_STYLE_MASK) == PS_NULL;
        info.width = lp.lopnWidth.x;
        info.color = lp.lopnColor;
    }
    if (info.width < 1) info.width = 1;
    return info;
}

BrushInfo BrushOf(HBRUSH brush) {
    BrushInfo info;
    LOGBRUSH lb{};
    if (brush && ::GetObjectW(brush, sizeof lb, &lb)) {
        info.style = lb.lbStyle;
        info.color = lb.lbColor;
    }
    return info;
}

BrushInfo CurrentBrush(HDC dc) {
    return BrushOf(static_cast<HBRUSH>(::GetCurrentObject(dc, OBJ_BRUSH)));
}

namespace {

HPEN InvertedPen(HGDIOBJ pen) {
    if (::GetObjectType(pen) == OBJ_EXTPEN) {
        const int size = ::GetObjectW(pen, 0, nullptr);
        if (size <= 0) return nullptr;
        std::vector<uint8_t> buf(static_cast<size_t>(size));
        auto* ext = reinterpret_cast<EXTLOGPEN*>(buf.data());
        if (!::GetObjectW(pen, size, ext)) return nullptr;
        LOGBRUSH lb{BS_SOLID, InvertedColor(ext->elpColor), 0};
        const bool custom = (ext->elpPenStyle & PS_STYLE_MASK) == PS_USERSTYLE;
        return ::ExtCreatePen(ext->elpPenStyle, ext->elpWidth, &lb, custom ? ext->elpNumEntries : 0,
                              custom ? ext->elpStyleEntry : nullptr);
    }
    LOGPEN lp{};
    if (!::GetObjectW(pen, sizeof lp, &lp)) return nullptr;
    lp.lopnColor = InvertedColor(lp.lopnColor);
    return ::CreatePenIndirect(&lp);
}

} // namespace

HBRUSH CreateInvertedBrush(HGDIOBJ brush) {
    LOGBRUSH lb{};
    if (!::GetObjectW(brush, sizeof lb, &lb)) return nullptr;
    switch (lb.lbStyle) {
    case BS_SOLID:
        return ::CreateSolidBrush(InvertedColor(lb.lbColor));
    case BS_HATCHED:
        return ::CreateHatchBrush(static_cast<int>(lb.lbHatch), InvertedColor(lb.lbColor));
    default:
        return nullptr; // hollow and pattern brushes are used as they are
    }
}

InvertedPenBrush::InvertedPenBrush(HDC from, HDC into, bool usePen, bool useBrush) : into_(into) {
    HGDIOBJ pen = ::GetStockObject(NULL_PEN);
    if (usePen) {
        HGDIOBJ current = ::GetCurrentObject(from, OBJ_PEN);
        if (!CurrentPen(from).null) {
            pen_.reset(InvertedPen(current));
            pen = pen_ ? static_cast<HGDIOBJ>(pen_.get()) : current;
        }
    }
    HGDIOBJ brush = ::GetStockObject(NULL_BRUSH);
    if (useBrush) {
        HGDIOBJ current = ::GetCurrentObject(from, OBJ_BRUSH);
        brush_.reset(CreateInvertedBrush(current));
        brush = brush_ ? static_cast<HGDIOBJ>(brush_.get()) : current;
    }
    if (into != from) {
        ::SetBkMode(into, ::GetBkMode(from));
        ::SetPolyFillMode(into, ::GetPolyFillMode(from));
        ::SetROP2(into, R2_COPYPEN);
        POINT org{};
        ::GetBrushOrgEx(from, &org);
        ::SetBrushOrgEx(into, org.x, org.y, nullptr);
    }
    oldBk_ = ::SetBkColor(into, InvertedColor(::GetBkColor(from)));
    oldPen_ = ::SelectObject(into, pen);
    oldBrush_ = ::SelectObject(into, brush);
}

InvertedPenBrush::~InvertedPenBrush() {
    if (oldPen_) ::SelectObject(into_, oldPen_);
    if (oldBrush_) ::SelectObject(into_, oldBrush_);
    if (oldBk_ != CLR_INVALID) ::SetBkColor(into_, oldBk_);
}

} // namespace alpha
} // namespace vell
