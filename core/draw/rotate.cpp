#include "core/draw/rotate.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vell::draw {

int rotationFrameSide(int w, int h) {
    if (w <= 0 || h <= 0) return 0;
    return static_cast<int>(std::ceil(std::hypot(static_cast<double>(w), static_cast<double>(h))));
}

void rotatePremultiplied(const PixelView& dst, const PixelView& src, double degrees) {
    rotatePremultiplied(dst, src, degrees, dst.width / 2.0, dst.height / 2.0);
}

void rotatePremultiplied(const PixelView& dst, const PixelView& src, double degrees, double dcx, double dcy) {
    if (!dst.pixels || dst.width <= 0 || dst.height <= 0) return;
    const double rad = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(rad), s = std::sin(rad);
    const double scx = src.width / 2.0, scy = src.height / 2.0;
    const bool haveSource = src.pixels && src.width > 0 && src.height > 0;
    auto texel = [&](int x, int y) -> const uint8_t* {
        static const uint8_t clear[4] = {0, 0, 0, 0};
        if (x < 0 || y < 0 || x >= src.width || y >= src.height) return clear;
        return src.pixels + y * src.stride + x * 4;
    };
    for (int y = 0; y < dst.height; ++y) {
        uint8_t* out = dst.pixels + y * dst.stride;
        const double ry = y + 0.5 - dcy;
        for (int x = 0; x < dst.width; ++x, out += 4) {
            if (!haveSource) {
                out[0] = out[1] = out[2] = out[3] = 0;
                continue;
            }
            const double rx = x + 0.5 - dcx;
            // The inverse rotation finds the source point; texel centres lie at +0.5.
            const double sx = rx * c + ry * s + scx - 0.5;
            const double sy = -rx * s + ry * c + scy - 0.5;
            const double fx0 = std::floor(sx), fy0 = std::floor(sy);
            if (fx0 < -1 || fy0 < -1 || fx0 >= src.width || fy0 >= src.height) {
                out[0] = out[1] = out[2] = out[3] = 0;
                continue;
            }
            const int x0 = static_cast<int>(fx0), y0 = static_cast<int>(fy0);
            const double fx = sx - fx0, fy = sy - fy0;
            const double w00 = (1 - fx) * (1 - fy), w10 = fx * (1 - fy), w01 = (1 - fx) * fy, w11 = fx * fy;
            const uint8_t *p00 = texel(x0, y0), *p10 = texel(x0 + 1, y0), *p01 = texel(x0, y0 + 1),
                          *p11 = texel(x0 + 1, y0 + 1);
            // The alpha is rounded like the colours, by the same weights: since every
            // texel's colour is at most its alpha, so is every rounded result.
            for (int k = 0; k < 4; ++k) {
                const double v = p00[k] * w00 + p10[k] * w10 + p01[k] * w01 + p11[k] * w11;
                out[k] = static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
            }
        }
    }
}

} // namespace vell::draw
