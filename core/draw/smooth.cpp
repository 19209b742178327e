#include "core/draw/smooth.h"

namespace vell::draw {

void SmoothStep3x3(uint8_t* first, ptrdiff_t stride, int width, int height, int bytesPerPixel, int channels,
                   int times) {
    if (!first || width <= 0 || height <= 0 || channels <= 0 || channels > bytesPerPixel) return;
    const ptrdiff_t bpp = bytesPerPixel;
    for (int pass = 0; pass < times; ++pass) {
        for (int y = 0; y < height; ++y) {
            uint8_t* up = first + (y > 0 ? y - 1 : 0) * stride;
            uint8_t* row = first + y * stride;
            uint8_t* down = first + (y + 1 < height ? y + 1 : y) * stride;
            for (int x = 0; x < width; ++x) {
                const ptrdiff_t l = (x > 0 ? x - 1 : 0) * bpp, c = x * bpp,
                                r = (x + 1 < width ? x + 1 : x) * bpp;
                for (int ch = 0; ch < channels; ++ch) {
                    const int sum = up[l + ch] / 2 + up[c + ch] + up[r + ch] / 2 + row[l + ch] +
                                    2 * row[c + ch] + row[r + ch] + down[l + ch] / 2 + down[c + ch] +
                                    down[r + ch] / 2;
                    row[c + ch] = static_cast<uint8_t>(sum >> 3);
                }
            }
        }
    }
}

} // namespace vell::draw
