#include "core/png/format.h"

#include <string>

#include "core/image/errors.h"
#include "core/png/messages.h"

namespace vell::png {

bool isKnownChunk(uint32_t type) {
    switch (type) {
    case kIEND:
    case kIHDR:
    case kIDAT:
    case kPLTE:
    case kGAMA:
    case kTRNS:
    case kPHYS:
    case kTIME:
    case kTEXT:
    case kZTXT:
        return true;
    default:
        return false;
    }
}

namespace {
uint32_t channels(uint8_t colorType) {
    switch (colorType) {
    case kRgb:
        return 3;
    case kGreyAlpha:
        return 2;
    case kRgba:
        return 4;
    default:
        return 1;
    }
}
} // namespace

uint64_t fileRowBytes(const Ihdr& h, uint32_t width) {
    return (uint64_t(width) * channels(h.colorType) * h.bitDepth + 7) / 8;
}

uint32_t filterOffset(const Ihdr& h) {
    const uint32_t bits = channels(h.colorType) * h.bitDepth;
    return bits < 8 ? 1 : bits / 8;
}

uint64_t inflatedSize(const Ihdr& h) {
    if (h.width == 0 || h.height == 0) return 0;
    if (h.interlaceMethod != 1) return uint64_t(h.height) * (fileRowBytes(h, h.width) + 1);
    static const int x0[7] = {0, 4, 0, 2, 0, 1, 0}, y0[7] = {0, 0, 4, 0, 2, 0, 1};
    static const int dx[7] = {8, 8, 4, 4, 2, 2, 1}, dy[7] = {8, 8, 8, 4, 4, 2, 2};
    uint64_t total = 0;
    for (int p = 0; p < 7; ++p) {
        const uint32_t w = h.width > uint32_t(x0[p]) ? (h.width - x0[p] + dx[p] - 1) / dx[p] : 0;
        const uint32_t rows = h.height > uint32_t(y0[p]) ? (h.height - y0[p] + dy[p] - 1) / dy[p] : 0;
        if (w && rows) total += uint64_t(rows) * (fileRowBytes(h, w) + 1);
    }
    return total;
}

Layout layoutFor(const Ihdr& h, PixelFormat format) {
    Layout l;
    l.format = format;
    const bool deep = h.bitDepth == 16;
    if (format == PixelFormat::PremultipliedBgra) {
        l.bitCount = 32;
    } else {
        switch (h.colorType) {
        case kRgb:
            l.bitCount = 24;
            l.extraPlane = deep;
            break;
        case kRgba:
            l.bitCount = format == PixelFormat::Stored32 ? 32 : 24;
            l.alphaPlane = l.bitCount == 24;
            l.extraPlane = deep;
            break;
        default: // grey, indexed, grey with alpha: packed indices with a colour table
            l.bitCount = deep ? 8 : h.bitDepth == 2 ? 4 : h.bitDepth;
            l.colorTableSize = uint16_t(1u << (deep ? 8 : h.bitDepth));
            l.alphaPlane = h.colorType == kGreyAlpha;
            l.extraPlane = deep;
            break;
        }
    }
    l.stride = uint32_t(((uint64_t(l.bitCount) * h.width + 31) / 32) * 4);
    return l;
}

uint64_t pixelStoreBytes(const Ihdr& h, const Layout& l) {
    const uint64_t rows = uint64_t(l.stride) * h.height;
    return rows + (l.extraPlane ? rows : 0) + (l.alphaPlane ? uint64_t(h.width) * h.height : 0);
}

void checkPixelLimit(const Ihdr& h, const Layout& layout, const Limits& limits) {
    const uint64_t size = pixelStoreBytes(h, layout);
    if (size > limits.maxPixelBytes)
        image::raiseError<image::EPNGOutMemory>(std::string(msg::kOverLimit) +
                                                ", Size=" + std::to_string(size));
}

} // namespace vell::png
