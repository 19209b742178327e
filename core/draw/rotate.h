// Rotation of a 32-bit premultiplied picture about its centre by any angle, with bilinear
// sampling. Texels outside the source count as fully transparent (all four bytes 0), so
// the edges fade out to transparency without a dark or light fringe: every result pixel
// is a weighted sum of premultiplied texels and stays premultiplied (colour <= alpha).
#pragma once
#include "core/draw/transform.h"

namespace vell::draw {

// The side of a square that holds a w x h picture at every angle.
int rotationFrameSide(int w, int h);

// Writes into every pixel of `dst` the source rotated clockwise (on a top-down screen) by
// `degrees` about its centre, the source's centre placed at the centre of `dst`. Both
// blocks are premultiplied BGRA; `dst` is overwritten, not blended.
void rotatePremultiplied(const PixelView& dst, const PixelView& src, double degrees);
// The same with the source's centre placed at (centreX, centreY) of `dst` (in pixels from
// its top-left corner), so that `dst` may be any window onto the rotated picture.
void rotatePremultiplied(const PixelView& dst, const PixelView& src, double degrees, double centreX,
                         double centreY);

} // namespace vell::draw
