#include "core/image/pixel_rows.h"

#include "core/pixel/tables.h"

#include <algorithm>
#include <cstring>

namespace vell::image {

void premultiplyRow(uint8_t* colour, int bpp, const uint8_t* alpha, int alphaStep, size_t n) {
    const uint8_t* pre = pixel::tables().preMul;
    for (size_t i = 0; i < n; ++i, colour += bpp, alpha += alphaStep) {
        const uint8_t a = *alpha;
        if (a == 255) continue;
        const uint8_t* t = pre + (a << 8);
        colour[0] = t[colour[0]];
        colour[1] = t[colour[1]];
        colour[2] = t[colour[2]];
    }
}

void unpremultiplyRow(uint8_t* colour, int bpp, uint8_t* alpha, int alphaStep, size_t n, bool invert0To255) {
    const uint8_t* un = pixel::tables().unPreMul;
    for (size_t i = 0; i < n; ++i, colour += bpp, alpha += alphaStep) {
        const uint8_t a = *alpha;
        if (a == 255) continue;
        if (a == 0 && invert0To255) {
            *alpha = 255;
            continue;
        }
        const uint8_t* t = un + (a << 8);
        colour[0] = t[colour[0]];
        colour[1] = t[colour[1]];
        colour[2] = t[colour[2]];
    }
}

void widenRow24To32(const uint8_t* src, uint8_t* dst, const uint8_t* alpha, size_t n) {
    for (size_t i = n; i-- > 0;) {
        const uint8_t b = src[i * 3], g = src[i * 3 + 1], r = src[i * 3 + 2];
        dst[i * 4] = b;
        dst[i * 4 + 1] = g;
        dst[i * 4 + 2] = r;
        dst[i * 4 + 3] = alpha ? alpha[i] : 255;
    }
}

void narrowRow32To24(const uint8_t* src, uint8_t* dst, uint8_t* alphaOut, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const uint8_t b = src[i * 4], g = src[i * 4 + 1], r = src[i * 4 + 2], a = src[i * 4 + 3];
        dst[i * 3] = b;
        dst[i * 3 + 1] = g;
        dst[i * 3 + 2] = r;
        if (alphaOut) alphaOut[i] = a;
    }
}

void fillRow(uint8_t* row, int bitCount, size_t n, uint32_t value) {
    switch (bitCount) {
    case 8:
        std::memset(row, static_cast<int>(value & 0xFF), n);
        break;
    case 24:
        for (size_t i = 0; i < n; ++i) {
            row[i * 3] = static_cast<uint8_t>(value);
            row[i * 3 + 1] = static_cast<uint8_t>(value >> 8);
            row[i * 3 + 2] = static_cast<uint8_t>(value >> 16);
        }
        break;
    case 32: {
        const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                                  static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
        for (size_t i = 0; i < n; ++i)
            std::memcpy(row + i * 4, bytes, 4);
        break;
    }
    default:
        break;
    }
}

void copyRows(uint8_t* dst, size_t dstStride, const uint8_t* src, size_t srcStride, size_t bytes,
              size_t rows) {
    for (size_t y = 0; y < rows; ++y)
        std::memmove(dst + y * dstStride, src + y * srcStride, bytes);
}

CopySpan resizeSpan(int oldW, int oldH, int newW, int newH, int offX, int offY) {
    // In old coordinates the new image covers (offX, offY, offX + newW, offY + newH).
    const int64_t left = std::max<int64_t>(0, offX), top = std::max<int64_t>(0, offY);
    const int64_t right = std::min<int64_t>(oldW, int64_t(offX) + newW);
    const int64_t bottom = std::min<int64_t>(oldH, int64_t(offY) + newH);
    CopySpan s;
    if (right <= left || bottom <= top) return s;
    s.srcX = static_cast<int>(left);
    s.srcY = static_cast<int>(top);
    s.dstX = static_cast<int>(left - offX);
    s.dstY = static_cast<int>(top - offY);
    s.width = static_cast<int>(right - left);
    s.height = static_cast<int>(bottom - top);
    return s;
}

} // namespace vell::image
