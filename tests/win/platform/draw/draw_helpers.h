// Small fixtures shared by the drawing tests.
#pragma once
#include "platform/image/draw_image.h"

#include <cstdint>
#include <cstring>

namespace vell::image::test {

constexpr uint32_t bgra(int b, int g, int r, int a) {
    return static_cast<uint32_t>(b) | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(r) << 16 |
           static_cast<uint32_t>(a) << 24;
}

// A 32-bit image filled with one pixel value; with a DC when asked.
struct Image32 {
    TPngImage img;
    Image32(int w, int h, uint32_t fill, TPngAlphaMode mode = pamPremultiplied, bool dc = false) {
        img.MakeBlank(6, 8, w, h, dc, true);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                set(x, y, fill);
        img.AlphaMode = mode;
    }
    uint32_t get(int x, int y) {
        uint32_t v;
        std::memcpy(&v, static_cast<uint8_t*>(img.GetScanline(y)) + 4 * x, 4);
        return v;
    }
    uint8_t alpha(int x, int y) { return static_cast<uint8_t>(get(x, y) >> 24); }
    void set(int x, int y, uint32_t v) {
        std::memcpy(static_cast<uint8_t*>(img.GetScanline(y)) + 4 * x, &v, 4);
    }
    // Every pixel's colour bytes at most its alpha (a valid premultiplied image).
    bool premultipliedValid() {
        for (int y = 0; y < img.GetHeight(); ++y)
            for (int x = 0; x < img.GetWidth(); ++x) {
                const uint32_t v = get(x, y);
                const uint32_t a = v >> 24;
                if ((v & 0xFF) > a || (v >> 8 & 0xFF) > a || (v >> 16 & 0xFF) > a) return false;
            }
        return true;
    }
};

inline TDrawRectParams whole(int w, int h, uint8_t alpha = 255) {
    TDrawRectParams p;
    p.DstW = p.SrcW = w;
    p.DstH = p.SrcH = h;
    p.Alpha = alpha;
    return p;
}

} // namespace vell::image::test
