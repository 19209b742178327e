// Image operations on the pixel kernels: raw copies, rotation and flips,
// greyscale, tint, blur and sharpening. Each makes the image private (and 32-bit where
// the kernel needs it) before it writes, and announces the change afterwards.
#include "platform/image/draw_image.h"

#include "core/color/colors.h"
#include "core/draw/cpu.h"
#include "core/draw/gauss.h"
#include "core/draw/pixel_data.h"
#include "core/draw/row_kernels.h"
#include "core/draw/smooth.h"
#include "core/draw/tint.h"
#include "core/draw/transform.h"
#include "platform/image/draw_internal.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vell::image {

namespace {

draw::PixelView viewOf(uint8_t* pixels, uint32_t stride, int width, int height) {
    return draw::PixelView{pixels, static_cast<ptrdiff_t>(stride), width, height};
}

// The view area of a 32-bit image as a kernel block (marked straight-alpha, as every
// descriptor over existing 32-bit memory is).
draw::TPixelData viewData(TPngImage& image) {
    draw::TPixelData d;
    uint8_t* first =
        static_cast<uint8_t*>(image.GetScanline(image.ViewTop)) + 4 * static_cast<ptrdiff_t>(image.ViewLeft);
    draw::InitPixelData(image.ViewWidth, image.ViewHeight, static_cast<int>(image.BytesPerRow()), d, first,
                        draw::pfBits32);
    return d;
}

bool hasView(const TPngImage& image) {
    return !image.GetEmpty() && image.ViewWidth > 0 && image.ViewHeight > 0;
}

} // namespace

void TurnDirection(TPngImage& image, TPngTurnAngle Angle) {
    TChunkIHDR* h = targetPixels(image);
    if (!h) return;
    const int w = image.GetWidth(), ht = image.GetHeight();
    if (Angle == ptaHorzFlip || Angle == ptaVertFlip) {
        draw::flipPixels(viewOf(h->ImageData, image.BytesPerRow(), w, ht), Angle);
    } else {
        // Rotation goes through a compact copy of the pixels.
        std::vector<uint8_t> copy(static_cast<size_t>(w) * ht * 4);
        for (int y = 0; y < ht; ++y)
            std::memcpy(&copy[static_cast<size_t>(y) * w * 4],
                        h->ImageData + static_cast<ptrdiff_t>(y) * image.BytesPerRow(),
                        static_cast<size_t>(w) * 4);
        const draw::PixelView from{copy.data(), static_cast<ptrdiff_t>(w) * 4, w, ht};
        if (Angle != pta180) {
            const int viewW = image.ViewWidth, viewH = image.ViewHeight;
            const TPngAlphaMode mode = image.AlphaMode;
            image.Resize(ht, w);
            image.ViewWidth = viewH;
            image.ViewHeight = viewW;
            image.AlphaMode = mode;
            h = image.HeaderOrNull();
            if (!h || !h->ImageData) return;
            GdiFlush();
        }
        draw::rotatePixels(viewOf(h->ImageData, image.BytesPerRow(), image.GetWidth(), image.GetHeight()),
                           from, Angle);
    }
    image.Changed(&image);
}

void GrayscaleRGB(TPngImage& image) {
    if (image.GetEmpty()) return;
    image.EnsureExpanded();
    TChunkIHDR* h = image.HeaderOrNull();
    if (!h || !h->ImageData) return;
    if (h->BitCount() < 24 && !image.ConvertTo32Bit()) return;
    image.UniquePng();
    h = image.HeaderOrNull();
    if (!h || !h->ImageData) return;
    GdiFlush();
    const int bpp = h->BitCount() / 8, w = image.GetWidth();
    for (int y = 0; y < image.GetHeight(); ++y) {
        draw::grayscaleRow(static_cast<uint8_t*>(image.GetScanline(y)), w, bpp);
        if (uint8_t* extra = image.GetExtraScanline(y)) draw::grayscaleRow(extra, w, bpp);
    }
    image.Changed(&image);
}

void TintColor(TPngImage& image, TColor Color, bool ForceRunGray, uint8_t Alpha) {
    if (!draw::CpuHasSSE2() || !targetPixels(image) || !hasView(image)) return;
    if (ForceRunGray) GrayscaleRGB(image);
    const uint32_t rgb = SkinColorToRGB(Color); // red in the low byte
    const uint32_t colour =
        (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16 | static_cast<uint32_t>(Alpha) << 24;
    // The tint writes straight colours under each pixel's alpha: premultiplied pixels are
    // straightened first and premultiplied again afterwards.
    const bool premultiplied = image.AlphaMode == pamPremultiplied;
    if (premultiplied) image.UnPreMultiplyAlpha();
    draw::TintPixels(viewData(image), colour);
    if (premultiplied)
        image.PreMultiplyAlpha();
    else
        image.Changed(&image);
}

void GaussBlur(TPngImage& image, int Radius, int DstW, int DstH, int DstX, int DstY) {
    if (Radius <= 0 || image.GetEmpty()) return;
    const bool vector = draw::CpuHasSSE2();
    image.EnsureExpanded();
    TChunkIHDR* h = image.HeaderOrNull();
    if (!h || !h->ImageData) return;
    if (vector || h->BitCount() < 24) {
        h = targetPixels(image);
    } else {
        image.UniquePng();
        h = image.HeaderOrNull();
    }
    if (!h || !h->ImageData || !hasView(image)) return;
    // The rectangle, clipped to the view area.
    long long x0 = std::max(0, DstX), y0 = std::max(0, DstY);
    long long x1 = DstW < 0 ? image.ViewWidth
                            : std::min<long long>(image.ViewWidth, static_cast<long long>(DstX) + DstW);
    long long y1 = DstH < 0 ? image.ViewHeight
                            : std::min<long long>(image.ViewHeight, static_cast<long long>(DstY) + DstH);
    if (x0 >= x1 || y0 >= y1) return;
    GdiFlush();
    if (vector) {
        draw::TPixelData all = viewData(image), part;
        all.Flags &= ~draw::pdStraightAlpha; // the stored pixels are blurred as they are
        draw::SubPixelData(all, static_cast<int>(x0), static_cast<int>(y0), part, static_cast<int>(x1 - x0),
                           static_cast<int>(y1 - y0));
        draw::BlurPixels(part, part, Radius, Radius / 2.0);
    } else {
        const int bpp = h->BitCount() / 8;
        uint8_t* first = static_cast<uint8_t*>(image.GetScanline(image.ViewTop + static_cast<int>(y0))) +
                         bpp * (image.ViewLeft + x0);
        draw::SmoothStep3x3(first, image.BytesPerRow(), static_cast<int>(x1 - x0), static_cast<int>(y1 - y0),
                            bpp, bpp, Radius);
        if (bpp == 3 && h->ImageAlpha)
            draw::SmoothStep3x3(h->ImageAlpha + (image.ViewTop + y0) * image.GetWidth() + image.ViewLeft + x0,
                                image.GetWidth(), static_cast<int>(x1 - x0), static_cast<int>(y1 - y0), 1, 1,
                                Radius);
    }
    image.Changed(&image);
}

void UsmSharpen(TPngImage& image, int Amount, int Radius, int Threshold) {
    if (Amount < 1 || Amount > 500 || Radius < 1 || Radius > 500 || Threshold < 0 || Threshold > 255) return;
    if (!draw::CpuHasSSE2() || !targetPixels(image) || !hasView(image)) return;
    GdiFlush();
    draw::SharpenPixels(viewData(image), Amount, Threshold, Radius);
    image.Changed(&image);
}

} // namespace vell::image
