#include "core/draw/tint.h"

#include <cmath>
#include <cstring>
#include <utility>

namespace vell::draw {

namespace {

inline uint8_t roundByte(float v) {
    if (!(v > 0.0f)) return 0;
    if (v > 255.0f) return 255;
    return static_cast<uint8_t>(std::nearbyint(v));
}

inline int roundInt(float v) {
    return static_cast<int>(std::nearbyint(v));
}

const float kWeight[3] = {0.11f, 0.59f, 0.30f}; // blue, green, red

} // namespace

Bgr LumaColor(int y, Bgr colour) {
    // Channels 0 = blue, 1 = green, 2 = red, sorted by value; ties keep their order.
    int ch[3] = {0, 1, 2};
    int v[3] = {colour.b, colour.g, colour.r};
    auto value = [&](int slot) { return v[ch[slot]]; };
    if (value(2) < value(0)) std::swap(ch[0], ch[2]);
    if (value(2) < value(1)) std::swap(ch[1], ch[2]);
    if (value(0) > value(1)) std::swap(ch[0], ch[1]);
    const int lo = value(0), mid = value(1), hi = value(2);
    if (hi == lo) {
        const uint8_t g = static_cast<uint8_t>(y < 0 ? 0 : y > 255 ? 255 : y);
        return {g, g, g};
    }
    const float wLo = kWeight[ch[0]], wMid = kWeight[ch[1]], wHi = kWeight[ch[2]];
    const int range = hi - lo, d1 = mid - lo, d2 = hi - mid;
    const float s = static_cast<float>(d1) / static_cast<float>(range);
    const int m = y + roundInt(static_cast<float>(d2) * wMid + static_cast<float>(range) * wLo);
    int out[3];
    if (m <= 255 && m - range >= 0) {
        out[2] = m;
        out[1] = m - range + d1;
        out[0] = m - range;
    } else if (m <= 255) {
        const float mf = static_cast<float>(y) / (wHi + s * wMid);
        out[2] = roundInt(mf);
        out[1] = roundInt(mf * s);
        out[0] = 1;
    } else {
        const float mf = (static_cast<float>(y) - 255.0f * (wHi + s * wMid)) / (wLo + wMid - s * wMid);
        out[2] = 255;
        out[0] = roundInt(mf);
        out[1] = roundInt(mf) + roundInt((255.0f - mf) * s);
    }
    uint8_t res[3];
    for (int i = 0; i < 3; ++i)
        res[ch[i]] = static_cast<uint8_t>(out[i] < 0 ? 0 : out[i] > 255 ? 255 : out[i]);
    return {res[0], res[1], res[2]};
}

void TintPixels(const TPixelData& data, uint32_t colour) {
    if (!data.valid()) raiseKernelError(KernelErrorCode::InvalidImageData);
    if (data.Format != pfBits32) raiseKernelError(KernelErrorCode::Need32Bit);
    const Bgr tint{static_cast<uint8_t>(colour), static_cast<uint8_t>(colour >> 8),
                   static_cast<uint8_t>(colour >> 16)};
    const uint8_t strength = static_cast<uint8_t>(colour >> 24);
    uint8_t table[256][4];
    const float a = static_cast<float>(strength) / 255.0f;
    for (int i = 0; i < 256; ++i) {
        const Bgr e = LumaColor(i, tint);
        uint8_t c[3] = {e.b, e.g, e.r};
        if (strength < 255)
            for (uint8_t& x : c)
                x = roundByte(static_cast<float>(x - i) * a + static_cast<float>(i));
        table[i][0] = c[0];
        table[i][1] = c[1];
        table[i][2] = c[2];
        table[i][3] = 255;
    }
    const bool keepAlpha = data.straightAlpha();
    for (int y = 0; y < data.Height; ++y) {
        uint8_t* p = data.row(y);
        for (int x = 0; x < data.Width; ++x, p += 4) {
            const uint8_t* e = table[p[0]];
            if (keepAlpha) {
                p[0] = e[0];
                p[1] = e[1];
                p[2] = e[2];
            } else {
                std::memcpy(p, e, 4);
            }
        }
    }
}

} // namespace vell::draw
