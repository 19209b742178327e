// Raw copies between images (and from DIB memory into an image): no blending, the
// destination's pixels are replaced. Equal layouts copy rows, 24 and 32 bits convert
// between a separate alpha plane and the fourth byte; every other mix goes through a
// premultiplied 32-bit scratch image.
#include "core/draw/transform.h"
#include "platform/image/draw_image.h"
#include "platform/image/draw_internal.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace vell::image {

namespace {

draw::PixelView viewOf(uint8_t* pixels, uint32_t stride, int width, int height) {
    return draw::PixelView{pixels, static_cast<ptrdiff_t>(stride), width, height};
}

// A copy rectangle clipped to both images: false when nothing is left.
bool clipCopy(int& w, int& h, int& dx, int& dy, int& sx, int& sy, int dstW, int dstH, int srcW, int srcH) {
    long long x0 = std::max({0LL, -static_cast<long long>(dx), -static_cast<long long>(sx)});
    long long y0 = std::max({0LL, -static_cast<long long>(dy), -static_cast<long long>(sy)});
    long long x1 = std::min(
        {static_cast<long long>(w), static_cast<long long>(dstW) - dx, static_cast<long long>(srcW) - sx});
    long long y1 = std::min(
        {static_cast<long long>(h), static_cast<long long>(dstH) - dy, static_cast<long long>(srcH) - sy});
    if (x0 >= x1 || y0 >= y1) return false;
    dx = static_cast<int>(dx + x0), sx = static_cast<int>(sx + x0), dy = static_cast<int>(dy + y0),
    sy = static_cast<int>(sy + y0);
    w = static_cast<int>(x1 - x0), h = static_cast<int>(y1 - y0);
    return true;
}

// Copies between layouts the row kernels know: equal ones of 8 bits and more, 24 into
// 32 and 32 into 24. The rectangle is already clipped.
bool copyLayouts(TPngImage& dst, TPngImage& src, int CopyW, int CopyH, int DstX, int DstY, int SrcX,
                 int SrcY) {
    TChunkIHDR* sh = src.HeaderOrNull();
    TChunkIHDR* dh = dst.HeaderOrNull();
    const int sb = sh->BitCount(), db = dh->BitCount();
    const bool same = sb == db;
    if (!clipCopy(CopyW, CopyH, DstX, DstY, SrcX, SrcY, dst.GetWidth(), dst.GetHeight(), src.GetWidth(),
                  src.GetHeight()))
        return false;
    GdiFlush();
    const draw::PixelView d = viewOf(dh->ImageData, dst.BytesPerRow(), dst.GetWidth(), dst.GetHeight());
    const draw::PixelView s = viewOf(sh->ImageData, src.BytesPerRow(), src.GetWidth(), src.GetHeight());
    const draw::PixelView da = viewOf(dh->ImageAlpha, dst.GetWidth(), dst.GetWidth(), dst.GetHeight());
    const draw::PixelView sa = viewOf(sh->ImageAlpha, src.GetWidth(), src.GetWidth(), src.GetHeight());
    TPngAlphaMode mode = src.AlphaMode;
    if (same) {
        draw::copyRect(d, DstX, DstY, s, SrcX, SrcY, CopyW, CopyH, sb / 8);
        if (sb == 8)
            std::memcpy(dh->BitmapInfo.bmiColors, sh->BitmapInfo.bmiColors, sizeof dh->BitmapInfo.bmiColors);
        if (sh->ImageAlpha && dh->ImageAlpha) draw::copyRect(da, DstX, DstY, sa, SrcX, SrcY, CopyW, CopyH, 1);
        if (sh->ExtraImageData && dh->ExtraImageData)
            draw::copyRect(viewOf(dh->ExtraImageData, dst.BytesPerRow(), dst.GetWidth(), dst.GetHeight()),
                           DstX, DstY,
                           viewOf(sh->ExtraImageData, src.BytesPerRow(), src.GetWidth(), src.GetHeight()),
                           SrcX, SrcY, CopyW, CopyH, sb / 8);
    } else if (sb == 24) {
        for (int y = 0; y < CopyH; ++y)
            draw::widenRow24To32(d.pixels + (DstY + y) * d.stride + 4 * DstX,
                                 s.pixels + (SrcY + y) * s.stride + 3 * SrcX,
                                 sh->ImageAlpha ? sa.pixels + (SrcY + y) * sa.stride + SrcX : nullptr, CopyW);
        if (!sh->ImageAlpha) mode = pamPremultiplied;
    } else {
        for (int y = 0; y < CopyH; ++y)
            draw::splitRow32To24(d.pixels + (DstY + y) * d.stride + 3 * DstX,
                                 dh->ImageAlpha ? da.pixels + (DstY + y) * da.stride + DstX : nullptr,
                                 s.pixels + (SrcY + y) * s.stride + 4 * SrcX, CopyW);
    }
    dst.AlphaMode = mode;
    dst.Changed(&dst);
    return true;
}

bool directLayouts(int sb, int db) {
    return (sb == db && sb >= 8) || (sb == 24 && db == 32) || (sb == 32 && db == 24);
}

// A premultiplied 32-bit scratch image holding `w` x `h` pixels; null when it cannot be made.
PngRef scratch32(int w, int h) {
    PngRef s(TPngImage::CreateBlank(6, 8, w, h, false, true, true, false));
    if (s) s->AlphaMode = pamPremultiplied;
    return s;
}

} // namespace

bool CopyBitBlt(TPngImage& dst, TPngImage& src, int CopyW, int CopyH, int DstX, int DstY, int SrcX,
                int SrcY) {
    if (dst.GetEmpty() || src.GetEmpty() || CopyW <= 0 || CopyH <= 0) return false;
    src.EnsureExpanded();
    dst.UniquePng();
    TChunkIHDR* sh = src.HeaderOrNull();
    TChunkIHDR* dh = dst.HeaderOrNull();
    if (!sh || !dh || !sh->ImageData || !dh->ImageData) return false;
    if (!clipCopy(CopyW, CopyH, DstX, DstY, SrcX, SrcY, dst.GetWidth(), dst.GetHeight(), src.GetWidth(),
                  src.GetHeight()))
        return false;
    if (directLayouts(sh->BitCount(), dh->BitCount()))
        return copyLayouts(dst, src, CopyW, CopyH, DstX, DstY, SrcX, SrcY);
    // A destination below 24 bits cannot take other layouts' pixels: it becomes 32-bit.
    if (dh->BitCount() < 24) {
        if (!dst.ConvertTo32Bit()) return false;
        if (directLayouts(sh->BitCount(), 32))
            return copyLayouts(dst, src, CopyW, CopyH, DstX, DstY, SrcX, SrcY);
    }
    // Indexed and grey sources: drawn 1:1 into a cleared 32-bit image, which keeps their
    // transparency, then copied.
    PngRef s = scratch32(CopyW, CopyH);
    if (!s) return false;
    TDrawRectParams p;
    p.DstW = p.SrcW = CopyW, p.DstH = p.SrcH = CopyH, p.SrcX = SrcX, p.SrcY = SrcY;
    DrawRect(src, nullptr, p, s.get());
    return copyLayouts(dst, *s, CopyW, CopyH, DstX, DstY, 0, 0);
}

bool CopyBitBlt(TPngImage& dst, const void* SrcMem, const BITMAPINFO& SrcInfo, int CopyW, int CopyH, int DstX,
                int DstY, int SrcX, int SrcY) {
    const BITMAPINFOHEADER& bi = SrcInfo.bmiHeader;
    const int bits = bi.biBitCount;
    const bool knownBits = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    if (!SrcMem || bi.biSize < sizeof(BITMAPINFOHEADER) || bi.biWidth <= 0 || bi.biHeight == 0 ||
        bi.biHeight == INT32_MIN || bi.biPlanes != 1 || !knownBits || dst.GetEmpty() || CopyW <= 0 ||
        CopyH <= 0)
        return false;
    const int w = bi.biWidth, h = std::abs(bi.biHeight);
    if (!clipCopy(CopyW, CopyH, DstX, DstY, SrcX, SrcY, dst.GetWidth(), dst.GetHeight(), w, h)) return false;
    PngRef s = scratch32(CopyW, CopyH);
    if (!s) return false;
    if (bits == 32 && bi.biCompression == BI_RGB) {
        // 32-bit rows are taken as they are, alpha included.
        const size_t stride = static_cast<size_t>(w) * 4;
        for (int y = 0; y < CopyH; ++y) {
            const int row = bi.biHeight < 0 ? SrcY + y : h - 1 - (SrcY + y);
            std::memcpy(s->GetScanline(y),
                        static_cast<const uint8_t*>(SrcMem) + row * stride + 4 * static_cast<size_t>(SrcX),
                        static_cast<size_t>(CopyW) * 4);
        }
        s->AlphaMode = dst.AlphaMode;
    } else {
        // Other layouts through the platform's DIB transfer, then made opaque.
        HDC dc = s->CanvasHandle();
        if (!dc ||
            !::StretchDIBits(dc, -SrcX, -SrcY, w, h, 0, 0, w, h, SrcMem, &SrcInfo, DIB_RGB_COLORS, SRCCOPY))
            return false;
        ::GdiFlush();
        for (int y = 0; y < CopyH; ++y) {
            uint8_t* row = static_cast<uint8_t*>(s->GetScanline(y));
            for (int x = 0; x < CopyW; ++x)
                row[4 * x + 3] = 255;
        }
    }
    return CopyBitBlt(dst, *s, CopyW, CopyH, DstX, DstY, 0, 0);
}

bool CopyStretchBlt(TPngImage& dst, TPngImage& src, int dx, int dy, int dw, int dh, int sx, int sy, int sw,
                    int sh) {
    if (dw == sw && dh == sh) return CopyBitBlt(dst, src, dw, dh, dx, dy, sx, sy);
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || dst.GetEmpty() || src.GetEmpty()) return false;
    // Only the part of the destination rectangle inside the destination image is drawn.
    const long long left = std::max(0, dx), top = std::max(0, dy);
    const long long right = std::min<long long>(dst.GetWidth(), static_cast<long long>(dx) + dw);
    const long long bottom = std::min<long long>(dst.GetHeight(), static_cast<long long>(dy) + dh);
    if (left >= right || top >= bottom) return false;
    const int w = static_cast<int>(right - left), h = static_cast<int>(bottom - top);
    PngRef s = scratch32(w, h);
    if (!s) return false;
    TDrawRectParams p;
    p.DstX = static_cast<int>(dx - left), p.DstY = static_cast<int>(dy - top), p.DstW = dw, p.DstH = dh;
    p.SrcX = sx, p.SrcY = sy, p.SrcW = sw, p.SrcH = sh;
    DrawRect(src, nullptr, p, s.get());
    return CopyBitBlt(dst, *s, w, h, static_cast<int>(left), static_cast<int>(top), 0, 0);
}

} // namespace vell::image
