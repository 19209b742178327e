// The plain 3 x 3 smoothing used for blurring where the vector kernels cannot run.
#pragma once
#include <cstddef>
#include <cstdint>

namespace vell::draw {

// Smooths the rectangle `width` x `height` that starts at `first` in place, `times` times:
// pixel by pixel in reading order (so the neighbours above and left already hold their
// new values), each of the first `channels` bytes of a pixel becomes
// (TL/2 + T + TR/2 + L + 2C + R + BL/2 + B + BR/2) >> 3 with neighbours clamped to the
// rectangle. `bytesPerPixel` is the distance between pixels (1 for an alpha plane).
void SmoothStep3x3(uint8_t* first, ptrdiff_t stride, int width, int height, int bytesPerPixel, int channels,
                   int times);

} // namespace vell::draw
