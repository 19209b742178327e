#include "core/draw/transform.h"

#include "core/draw/row_kernels.h"

#include <algorithm>
#include <cstring>

namespace vell::draw {

namespace {

inline uint8_t* at(const PixelView& v, int x, int y, int bpp = 4) {
    return v.pixels + static_cast<ptrdiff_t>(y) * v.stride + static_cast<ptrdiff_t>(x) * bpp;
}

bool usable(const PixelView& v) {
    return v.pixels && v.width > 0 && v.height > 0;
}

} // namespace

void rotatePixels(const PixelView& dst, const PixelView& src, TPngTurnAngle angle) {
    if (!usable(dst) || !usable(src)) return;
    const int w = src.width, h = src.height;
    if (angle == pta180) {
        if (dst.width != w || dst.height != h) return;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                std::memcpy(at(dst, w - 1 - x, h - 1 - y), at(src, x, y), 4);
        return;
    }
    if (angle != pta90 && angle != pta270) return;
    if (dst.width != h || dst.height != w) return;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            // Clockwise: source (x, y) lands at (h - 1 - y, x); anticlockwise at (y, w - 1 - x).
            uint8_t* d = angle == pta90 ? at(dst, h - 1 - y, x) : at(dst, y, w - 1 - x);
            std::memcpy(d, at(src, x, y), 4);
        }
}

void flipPixels(const PixelView& image, TPngTurnAngle angle) {
    if (!usable(image)) return;
    if (angle == ptaHorzFlip) {
        for (int y = 0; y < image.height; ++y)
            for (int a = 0, b = image.width - 1; a < b; ++a, --b) {
                uint8_t t[4];
                std::memcpy(t, at(image, a, y), 4);
                std::memcpy(at(image, a, y), at(image, b, y), 4);
                std::memcpy(at(image, b, y), t, 4);
            }
    } else if (angle == ptaVertFlip) {
        const size_t bytes = static_cast<size_t>(image.width) * 4;
        for (int a = 0, b = image.height - 1; a < b; ++a, --b)
            std::swap_ranges(at(image, 0, a), at(image, 0, a) + bytes, at(image, 0, b));
    }
}

void copyRect(const PixelView& dst, int dx, int dy, const PixelView& src, int sx, int sy, int w, int h,
              int bytesPerPixel) {
    if (!usable(dst) || !usable(src) || w <= 0 || h <= 0) return;
    // Clip against both blocks, moving both corners together.
    long long x0 = 0, y0 = 0, x1 = w, y1 = h; // offsets into the rectangle
    x0 = std::max({x0, -static_cast<long long>(dx), -static_cast<long long>(sx)});
    y0 = std::max({y0, -static_cast<long long>(dy), -static_cast<long long>(sy)});
    x1 = std::min({x1, static_cast<long long>(dst.width) - dx, static_cast<long long>(src.width) - sx});
    y1 = std::min({y1, static_cast<long long>(dst.height) - dy, static_cast<long long>(src.height) - sy});
    if (x0 >= x1 || y0 >= y1) return;
    const size_t bytes = static_cast<size_t>(x1 - x0) * bytesPerPixel;
    const int rows = static_cast<int>(y1 - y0);
    const bool backwards = dst.pixels == src.pixels && dy > sy; // overlapping move downwards
    for (int i = 0; i < rows; ++i) {
        const int r = backwards ? rows - 1 - i : i;
        std::memmove(at(dst, static_cast<int>(dx + x0), static_cast<int>(dy + y0 + r), bytesPerPixel),
                     at(src, static_cast<int>(sx + x0), static_cast<int>(sy + y0 + r), bytesPerPixel), bytes);
    }
}

void widenRow24To32(uint8_t* dst, const uint8_t* src, const uint8_t* alpha, int count) {
    for (int i = 0; i < count; ++i, dst += 4, src += 3) {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
        dst[3] = alpha ? alpha[i] : 255;
    }
}

void splitRow32To24(uint8_t* dst, uint8_t* alpha, const uint8_t* src, int count) {
    for (int i = 0; i < count; ++i, dst += 3, src += 4) {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
        if (alpha) alpha[i] = src[3];
    }
}

void applyAlphaMask(const PixelView& dst, const PixelView& mask, bool multiply, bool premultiplied) {
    if (!usable(dst) || !usable(mask)) return;
    const int w = std::min(dst.width, mask.width), h = std::min(dst.height, mask.height);
    for (int y = 0; y < h; ++y)
        maskAlphaRow(at(dst, 0, y), at(mask, 0, y), w, 255, multiply ? 2 : 1, premultiplied);
}

void clearAlpha(const PixelView& image, bool premultiplied) {
    if (!usable(image)) return;
    for (int y = 0; y < image.height; ++y) {
        uint8_t* p = at(image, 0, y);
        if (premultiplied) {
            std::memset(p, 0, static_cast<size_t>(image.width) * 4);
        } else {
            for (int x = 0; x < image.width; ++x)
                p[4 * x + 3] = 0;
        }
    }
}

} // namespace vell::draw
